// The rules a parsed configuration must meet beyond its shape.
#pragma once

#include "config/schema/lorewood_config.h"

namespace lorewood {

// Checks, in order, stopping at the first failure: a non-empty root path; a
// [lakehouse] section in lakehouse mode; at least one remote source; each
// remote source's uri, then format, not blank; a non-blank [sync] remote_url.
// Each failure is ConfigInvalid with its rule's text.
Status validate_config(const LorewoodConfig& config);

}  // namespace lorewood
