// Result codes returned by the members through their Result argument.
#pragma once
#include <cstdint>

namespace zelnor {

inline constexpr int32_t rcOK = 0;
inline constexpr int32_t rcInvalidArgument = -1;
inline constexpr int32_t rcNoInput = -2;
inline constexpr int32_t rcUnsupportedType = -3;
inline constexpr int32_t rcEmptyCanvas = -4;
inline constexpr int32_t rcNoSourceFolder = -5;
inline constexpr int32_t rcNoTargetFolder = -6;
inline constexpr int32_t rcTargetNameNotAllowed = -7;

}  // namespace zelnor
