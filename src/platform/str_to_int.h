#pragma once
// The byte string's conversion of text to a whole number: after leading
// spaces (32 only), either an optional sign and decimal digits within the
// signed 32-bit range, or "$", "x", "X", "0x" or "0X" and hexadecimal digits
// whose value fits in 32 bits, taken as a two's-complement pattern; nothing
// may follow. Leading zeros are allowed and never mean octal.
#include <cstdint>
#include <string_view>

// The value of one hexadecimal digit (0-9, a-f, A-F), or -1.
int HexDigitValue(char c);

// False, with `value` untouched, when `text` is not such a number.
bool TryStrToInt(std::string_view text, int32_t& value);
// The number, or `fallback` when `text` is not one.
int32_t StrToIntDef(std::string_view text, int32_t fallback);
