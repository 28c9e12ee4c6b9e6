#pragma once
// Code page 932 (the Microsoft table) to UTF-8, through glibc's iconv "CP932".
// An invalid or incomplete byte sequence shows as U+FFFD and decoding goes on
// with the next byte.
#include <cstddef>
#include <string>
#include <string_view>

std::string Cp932ToUtf8(std::string_view bytes);

// The same decoding straight into UTF-16 code units, from glibc's answers for
// each byte and byte pair kept in a table. Every byte gives at most one unit
// (a double-byte character is one unit for two bytes), so `out` needs room
// for bytes.size() units. Returns the number of units written.
size_t Cp932ToUtf16(std::string_view bytes, char16_t* out);

// True when `b` is a lead byte of a double-byte character (81-9F, E0-FC).
constexpr bool IsCp932LeadByte(unsigned char b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}
