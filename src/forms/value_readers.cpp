// How the two value fields read their texts. Both readers take the field's
// bytes as they stand; a character outside ASCII (a full-width digit, say)
// is never a digit.
#include "forms/value_readers.h"

#include <cstddef>

namespace {

// The value of one hexadecimal digit, or -1.
int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool IsDecimalDigit(char c) { return c >= '0' && c <= '9'; }

// The white space that "%x" skips in the "C" locale.
bool IsScanSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// One or more hexadecimal digits and nothing else, whose value fits in 32
// bits (leading zeros allowed); the value as a 32-bit pattern.
bool ReadHexDigitsExactly(std::string_view digits, int32_t& number) {
  if (digits.empty()) return false;
  uint64_t value = 0;
  for (char c : digits) {
    int d = HexDigit(c);
    if (d < 0) return false;
    value = value * 16 + static_cast<uint64_t>(d);
    if (value > 0xFFFFFFFFu) return false;
  }
  number = static_cast<int32_t>(static_cast<uint32_t>(value));
  return true;
}

// An optional sign and one or more decimal digits and nothing else, within
// the signed 32-bit range.
bool ReadSignedDecimalExactly(std::string_view text, int32_t& number) {
  bool negative = false;
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return false;
  const int64_t limit = negative ? 2147483648LL : 2147483647LL;
  int64_t magnitude = 0;
  for (char c : text) {
    if (!IsDecimalDigit(c)) return false;
    magnitude = magnitude * 10 + (c - '0');
    if (magnitude > limit) return false;
  }
  number = static_cast<int32_t>(negative ? -magnitude : magnitude);
  return true;
}

}  // namespace

int32_t ReadDecimalField(std::string_view text) {
  size_t start = 0;
  while (start < text.size() && text[start] == ' ') ++start;
  text.remove_prefix(start);

  int32_t number = 0;
  // The two-character prefixes first, so that "0x10" is not read as "0".
  for (std::string_view prefix : {"0x", "0X", "$", "x", "X"}) {
    if (StartsWith(text, prefix)) {
      return ReadHexDigitsExactly(text.substr(prefix.size()), number) ? number : 0;
    }
  }
  return ReadSignedDecimalExactly(text, number) ? number : 0;
}

int32_t ReadHexField(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && IsScanSpace(text[i])) ++i;

  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }

  bool digitRead = false;
  if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    digitRead = true;  // the prefix's 0
    i += 2;
  }

  uint32_t value = 0;  // wraps: the low 32 bits of the digits' value
  for (; i < text.size(); ++i) {
    int d = HexDigit(text[i]);
    if (d < 0) break;
    value = value * 16u + static_cast<uint32_t>(d);
    digitRead = true;
  }

  if (!digitRead) return 0;
  if (negative) value = 0u - value;
  return static_cast<int32_t>(value);
}
