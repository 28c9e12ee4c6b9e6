// The reference readers. They work on digit strings rather than on running
// sums: range checks compare the significant digits with the limits as
// text, and the low 32 bits of a long hexadecimal number come from its last
// eight digits.
#include "value_model.h"

#include <string>

namespace model {
namespace {

constexpr std::string_view HexDigits = "0123456789abcdefABCDEF";
constexpr std::string_view DecDigits = "0123456789";
constexpr std::string_view ScanSpace = " \t\n\v\f\r";

bool AllOf(std::string_view s, std::string_view set) {
  return !s.empty() && s.find_first_not_of(set) == std::string_view::npos;
}

std::string_view WithoutLeadingZeros(std::string_view digits) {
  const size_t first = digits.find_first_not_of('0');
  return first == std::string_view::npos ? std::string_view{} : digits.substr(first);
}

// Digit strings without leading zeros compare by length, then as text.
bool NotAbove(std::string_view digits, std::string_view limit) {
  if (digits.size() != limit.size()) return digits.size() < limit.size();
  return digits <= limit;
}

uint32_t HexValue(std::string_view digits) {
  uint32_t v = 0;
  for (char c : digits) {
    size_t d = HexDigits.find(c);  // A-F stand after a-f
    if (d >= 16) d -= 6;
    v = v * 16 + static_cast<uint32_t>(d);
  }
  return v;
}

}  // namespace

std::optional<int32_t> WholeNumber(std::string_view text) {
  const size_t start = text.find_first_not_of(' ');
  if (start == std::string_view::npos) return std::nullopt;
  text.remove_prefix(start);

  std::string_view digits;
  bool hex = false;
  if (text.starts_with("0x") || text.starts_with("0X")) {
    digits = text.substr(2);
    hex = true;
  } else if (text.starts_with('$') || text.starts_with('x') || text.starts_with('X')) {
    digits = text.substr(1);
    hex = true;
  }
  if (hex) {
    if (!AllOf(digits, HexDigits)) return std::nullopt;
    const std::string_view significant = WithoutLeadingZeros(digits);
    if (significant.size() > 8) return std::nullopt;
    return static_cast<int32_t>(HexValue(significant));
  }

  bool negative = false;
  if (text.starts_with('+') || text.starts_with('-')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  if (!AllOf(text, DecDigits)) return std::nullopt;
  const std::string_view significant = WithoutLeadingZeros(text);
  if (!NotAbove(significant, negative ? "2147483648" : "2147483647")) return std::nullopt;
  if (negative && significant == "2147483648") return INT32_MIN;
  const int32_t magnitude = significant.empty() ? 0 : std::stoi(std::string(significant));
  return negative ? -magnitude : magnitude;
}

int32_t DecimalField(std::string_view text) { return WholeNumber(text).value_or(0); }

int32_t HexField(std::string_view text) {
  const size_t start = text.find_first_not_of(ScanSpace);
  if (start == std::string_view::npos) return 0;
  text.remove_prefix(start);
  bool negative = false;
  if (text.starts_with('+') || text.starts_with('-')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  bool prefix = false;
  if (text.starts_with("0x") || text.starts_with("0X")) {
    prefix = true;
    text.remove_prefix(2);
  }
  const size_t end = text.find_first_not_of(HexDigits);
  const std::string_view digits = text.substr(0, end);
  if (digits.empty() && !prefix) return 0;
  const std::string_view low = digits.size() > 8 ? digits.substr(digits.size() - 8) : digits;
  const uint32_t v = HexValue(low);
  return static_cast<int32_t>(negative ? ~v + 1u : v);
}

}  // namespace model
