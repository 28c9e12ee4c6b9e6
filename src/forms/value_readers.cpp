// How the two value fields read their texts. Both readers take the field's
// bytes as they stand; a character outside ASCII (a full-width digit, say)
// is never a digit.
#include "forms/value_readers.h"

#include "platform/str_to_int.h"

#include <cstddef>

namespace {

// The white space that "%x" skips in the "C" locale.
bool IsScanSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

int32_t ReadDecimalField(std::string_view text) { return StrToIntDef(text, 0); }

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
    int d = HexDigitValue(text[i]);
    if (d < 0) break;
    value = value * 16u + static_cast<uint32_t>(d);
    digitRead = true;
  }

  if (!digitRead) return 0;
  if (negative) value = 0u - value;
  return static_cast<int32_t>(value);
}
