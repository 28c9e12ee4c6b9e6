#include "platform/str_to_int.h"

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

namespace {

// One or more hexadecimal digits up to the end, at most 8 of them after the
// leading zeros, taken as a 32-bit two's-complement pattern.
bool ParseHex(std::string_view s, size_t i, int32_t& value) {
  if (i == s.size()) return false;
  uint32_t bits = 0;
  int significant = 0;
  for (; i < s.size(); ++i) {
    int d = HexDigitValue(s[i]);
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
bool ParseDecimal(std::string_view s, size_t i, int32_t& value) {
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

bool TryStrToInt(std::string_view s, int32_t& value) {
  size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  if (i == s.size()) return false;
  if (s[i] == '$' || s[i] == 'x' || s[i] == 'X') return ParseHex(s, i + 1, value);
  if (s[i] == '0' && i + 1 < s.size() && (s[i + 1] == 'x' || s[i + 1] == 'X')) return ParseHex(s, i + 2, value);
  return ParseDecimal(s, i, value);
}

int32_t StrToIntDef(std::string_view text, int32_t fallback) {
  int32_t value = fallback;
  return TryStrToInt(text, value) ? value : fallback;
}
