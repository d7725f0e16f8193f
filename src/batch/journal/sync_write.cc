#include "batch/journal.h"
#include "error/display_path.h"
#include "platform/file_system.h"

namespace lorewood {

Status sync_write(const std::filesystem::path& path, std::string_view bytes, unsigned mode) {
  auto file = platform::open_for_writing(path, mode);
  if (!file)
    return fail(LorewoodError::index("failed to create " + display_path(path) + ": " +
                                     file.error().description));
  auto written = platform::write_all(file->get(), bytes, path);
  if (written) written = platform::sync_fd(file->get(), path);
  if (!written)
    return fail(LorewoodError::index("failed to sync " + display_path(path) + ": " +
                                     written.error().description));
  return {};
}

}  // namespace lorewood
