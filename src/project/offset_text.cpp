// The syntax of an offset line.
#include <cstdint>
#include <string>

#include "project/loader.h"

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// One or more hexadecimal digits up to the end, at most 8 of them after the
// leading zeros, taken as a 32-bit two's-complement pattern.
bool ParseHex(const std::string& s, size_t i, int32_t& value) {
  if (i == s.size()) return false;
  uint32_t bits = 0;
  int significant = 0;
  for (; i < s.size(); ++i) {
    int d = HexDigit(s[i]);
    if (d < 0) return false;
    if (significant == 0 && d == 0) continue;
    if (++significant > 8) return false;
    bits = bits << 4 | static_cast<uint32_t>(d);
  }
  value = static_cast<int32_t>(bits);
  return true;
}

// An optional sign, then one or more decimal digits up to the end, within
// the range of a signed 32-bit number.
bool ParseDecimal(const std::string& s, size_t i, int32_t& value) {
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  if (i == s.size()) return false;
  const int64_t limit = negative ? int64_t{2147483648} : int64_t{2147483647};
  int64_t magnitude = 0;
  for (; i < s.size(); ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
    magnitude = magnitude * 10 + (s[i] - '0');
    if (magnitude > limit) return false;
  }
  value = static_cast<int32_t>(negative ? -magnitude : magnitude);
  return true;
}

}  // namespace

bool ParseOffsetText(const std::string& line, int32_t& value) {
  size_t i = 0;
  while (i < line.size() && line[i] == ' ') ++i;
  if (i == line.size()) return false;
  if (line[i] == '$' || line[i] == 'x' || line[i] == 'X') return ParseHex(line, i + 1, value);
  if (line[i] == '0' && i + 1 < line.size() && (line[i + 1] == 'x' || line[i + 1] == 'X')) {
    return ParseHex(line, i + 2, value);
  }
  return ParseDecimal(line, i, value);
}
