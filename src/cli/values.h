#pragma once
// Byte values as qmt takes them on the command line.
#include <string_view>

// A byte value: 0 to 255 in decimal, or hexadecimal after "0x", "0X" or "$"
// (digits of either case, leading zeros allowed). No sign, no blanks, no
// wrap to 8 bits: anything else returns false.
bool ParseByteValue(std::string_view text, int& value);
