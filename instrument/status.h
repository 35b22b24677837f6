#pragma once
#include <cstdint>

// Instrument status in the VISA convention: 0 success, positive success with
// a warning, negative an error.
using ViStatus = std::int32_t;

constexpr ViStatus VI_SUCCESS = 0;
constexpr ViStatus VI_ERROR_TMO = static_cast<ViStatus>(0xBFFF0015u);

using BOOL = int;
constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;
