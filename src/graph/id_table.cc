#include "graph/id_table.h"

#include <algorithm>
#include <bit>

#include "platform/seeded_hash.h"

namespace lorewood {

IdTable::IdTable(const GraphIndex& index) {
  ids_.reserve(index.size());
  for (const auto& [id, entry] : index.entries()) ids_.push_back(id);
  slots_.resize(std::bit_ceil(std::max<std::size_t>(2 * ids_.size(), 16)));
  const std::size_t mask = slots_.size() - 1;
  SeededHash hash;
  for (std::uint32_t k = 0; k < ids_.size(); ++k) {
    std::size_t h = hash(std::string_view(ids_[k]));
    std::size_t at = h & mask;
    while (slots_[at].position_plus_one != 0) at = (at + 1) & mask;
    slots_[at] = Slot{k + 1, static_cast<std::uint32_t>(h >> 32)};
  }
}

std::optional<std::uint32_t> IdTable::find(std::string_view id) const {
  if (slots_.empty()) return std::nullopt;
  return find_hashed(id, SeededHash{}(id));
}

void IdTable::find_many(std::span<const std::string_view> texts,
                        std::vector<std::optional<std::uint32_t>>& out) const {
  out.assign(texts.size(), std::nullopt);
  if (slots_.empty()) return;
  constexpr std::size_t kBatch = 16;
  const std::size_t mask = slots_.size() - 1;
  std::size_t hashes[kBatch];
  for (std::size_t start = 0; start < texts.size(); start += kBatch) {
    const std::size_t count = std::min(kBatch, texts.size() - start);
    // Stage 1: hash everything and start loading the home slots.
    for (std::size_t i = 0; i < count; ++i) {
      hashes[i] = SeededHash{}(texts[start + i]);
      __builtin_prefetch(&slots_[hashes[i] & mask]);
    }
    // Stage 2: start loading the id each home slot points at.
    for (std::size_t i = 0; i < count; ++i) {
      const Slot& slot = slots_[hashes[i] & mask];
      if (slot.position_plus_one != 0) __builtin_prefetch(&ids_[slot.position_plus_one - 1]);
    }
    for (std::size_t i = 0; i < count; ++i) out[start + i] = find_hashed(texts[start + i], hashes[i]);
  }
}

std::optional<std::uint32_t> IdTable::find_hashed(std::string_view id, std::size_t h) const {
  const std::size_t mask = slots_.size() - 1;
  const auto tag = static_cast<std::uint32_t>(h >> 32);
  for (std::size_t at = h & mask;; at = (at + 1) & mask) {
    const Slot& slot = slots_[at];
    if (slot.position_plus_one == 0) return std::nullopt;
    if (slot.hash_tag == tag && ids_[slot.position_plus_one - 1] == id)
      return slot.position_plus_one - 1;
  }
}

}  // namespace lorewood
