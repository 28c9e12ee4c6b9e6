#pragma once
// Reference readers for the two value fields and for offset lines, written
// from the rules of the fields and of the project format, apart from the
// program's own readers, so that the fuzz targets can compare the two.
#include <cstdint>
#include <optional>
#include <string_view>

namespace model {

// A whole number as the decimal field and an offset line take it: leading
// blanks (32 only), then a hexadecimal prefix and digits or a signed
// decimal number, nothing after. No value when the text is no such number.
std::optional<int32_t> WholeNumber(std::string_view text);

// The decimal field: WholeNumber, or 0.
int32_t DecimalField(std::string_view text);

// The hexadecimal field: "%x" as the C library scans it.
int32_t HexField(std::string_view text);

}  // namespace model
