// Process randomness: hash seeds, temporary names and batch ids.
#pragma once

#include <cstdint>
#include <string>

namespace lorewood::platform {

// Uniform random 64-bit value from the kernel's generator.
std::uint64_t random_u64();

// `count` random characters from [A-Za-z0-9].
std::string random_alphanumeric(std::size_t count);

// A random version-4 UUID, lower-case hyphenated 8-4-4-4-12 (36 characters).
std::string uuid_v4();

}  // namespace lorewood::platform
