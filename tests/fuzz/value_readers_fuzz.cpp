// Fuzz target: the two value-field readers and the offset-line syntax,
// each compared with its reference reader on every input.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "forms/value_readers.h"
#include "project/loader.h"
#include "value_model.h"

namespace {

void Mismatch(const char* reader, std::string_view text, long long got, long long expected) {
  std::fprintf(stderr, "%s disagrees on \"%.*s\" (%zu bytes): %lld, expected %lld\n", reader,
               static_cast<int>(text.size()), text.data(), text.size(), got, expected);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  const int32_t decimal = ReadDecimalField(text);
  const int32_t decimalExpected = model::DecimalField(text);
  if (decimal != decimalExpected) Mismatch("ReadDecimalField", text, decimal, decimalExpected);

  const int32_t hex = ReadHexField(text);
  const int32_t hexExpected = model::HexField(text);
  if (hex != hexExpected) Mismatch("ReadHexField", text, hex, hexExpected);

  // An offset line is one line: the loader never hands over a line end or
  // a zero byte, but the syntax must hold for any bytes.
  int32_t offset = 12345;
  const bool read = ParseOffsetText(std::string(text), offset);
  const auto offsetExpected = model::WholeNumber(text);
  if (read != offsetExpected.has_value()) {
    Mismatch("ParseOffsetText (read or not)", text, read, offsetExpected.has_value());
  }
  if (read && offset != *offsetExpected) Mismatch("ParseOffsetText", text, offset, *offsetExpected);

  // What the fields show afterwards reads back as the same byte.
  for (int32_t number : {decimal, hex}) {
    const unsigned byte = static_cast<unsigned>(number) & 255u;
    char shown[8];
    std::snprintf(shown, sizeof shown, "%u", byte);
    if (ReadDecimalField(shown) != static_cast<int32_t>(byte)) Mismatch("decimal round trip", shown, ReadDecimalField(shown), byte);
    std::snprintf(shown, sizeof shown, "%x", byte);
    if (ReadHexField(shown) != static_cast<int32_t>(byte)) Mismatch("hexadecimal round trip", shown, ReadHexField(shown), byte);
  }
  return 0;
}
