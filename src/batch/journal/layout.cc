#include <string>

#include "batch/journal.h"
#include "security/node_path.h"

namespace lorewood {

std::filesystem::path transactions_dir(const std::filesystem::path& root) {
  return root / kStateDirName / "transactions";
}

std::filesystem::path backup_name(std::size_t counter) {
  std::string digits = std::to_string(counter);
  if (digits.size() < 4) digits.insert(0, 4 - digits.size(), '0');
  return std::filesystem::path("backups") / (digits + ".md");
}

}  // namespace lorewood
