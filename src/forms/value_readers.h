#pragma once
// How the two value fields read their texts.
#include <cstdint>
#include <string_view>

// The decimal field: leading spaces (32 only); then $, x, X, 0x or 0X and
// hexadecimal digits (a 32-bit pattern), or an optional sign and decimal
// digits within the signed 32-bit range; nothing after. Anything else is 0.
int32_t ReadDecimalField(std::string_view text);

// The hexadecimal field, as the C library's "%x" scanning reads it: white
// space, an optional sign, an optional 0x or 0X, hexadecimal digits as far
// as they go, cut to 32 bits; no digit read gives 0.
int32_t ReadHexField(std::string_view text);
