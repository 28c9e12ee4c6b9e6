#include "cli/values.h"

namespace {

int DigitValue(char c, int base) {
  int d = -1;
  if (c >= '0' && c <= '9') {
    d = c - '0';
  } else if (c >= 'a' && c <= 'f') {
    d = c - 'a' + 10;
  } else if (c >= 'A' && c <= 'F') {
    d = c - 'A' + 10;
  }
  return d < base ? d : -1;
}

}  // namespace

bool ParseByteValue(std::string_view text, int& value) {
  int base = 10;
  if (text.starts_with("0x") || text.starts_with("0X")) {
    base = 16;
    text.remove_prefix(2);
  } else if (text.starts_with("$")) {
    base = 16;
    text.remove_prefix(1);
  }
  if (text.empty()) {
    return false;
  }
  int v = 0;
  for (char c : text) {
    int d = DigitValue(c, base);
    if (d < 0) {
      return false;
    }
    v = v * base + d;
    if (v > 255) {
      return false;
    }
  }
  value = v;
  return true;
}
