#pragma once
// Code page 932 (the Microsoft table) to UTF-8, through glibc's iconv "CP932".
// An invalid or incomplete byte sequence shows as U+FFFD and decoding goes on
// with the next byte.
#include <string>
#include <string_view>

std::string Cp932ToUtf8(std::string_view bytes);

// True when `b` is a lead byte of a double-byte character (81-9F, E0-FC).
constexpr bool IsCp932LeadByte(unsigned char b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}
