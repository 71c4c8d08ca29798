#pragma once

#include <cstdint>

#include "vxr/format/conversion_routines.h"

namespace vxr::detail {

// The process-wide expansion table of one 32-bit destination (ARGB8888,
// ABGR8888, RGBA8888 or BGRA8888). The four tables are filled on first use,
// so a routine never sees them empty, whoever runs first.
template <std::int32_t FormatId>
const ExpansionTable& expansionTable();

}  // namespace vxr::detail
