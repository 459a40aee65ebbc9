#pragma once
#include <cstdint>

namespace brisvane {

// A colour as Windows keeps it: 0x00BBGGRR.
using Color = std::uint32_t;

}  // namespace brisvane
