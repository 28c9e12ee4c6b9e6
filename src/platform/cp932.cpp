#include "platform/cp932.h"

#include <iconv.h>

#include <cerrno>

namespace {

constexpr std::string_view ReplacementChar = "\xEF\xBF\xBD";  // U+FFFD

// One converter per thread, opened on first use and kept for the thread's
// life: opening a converter costs far more than converting a line.
class Converter {
public:
  Converter() : cd_(iconv_open("UTF-8", "CP932")) {}
  ~Converter() {
    if (ok()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return cd_; }

private:
  iconv_t cd_;
};

bool IsAscii(std::string_view bytes) {
  for (unsigned char c : bytes) {
    if (c >= 0x80) return false;
  }
  return true;
}

// Without a converter (no gconv module installed) only ASCII survives.
std::string AsciiOnly(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (unsigned char c : bytes) {
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else {
      out.append(ReplacementChar);
    }
  }
  return out;
}

}  // namespace

std::string Cp932ToUtf8(std::string_view bytes) {
  // Bytes 00-7F are the same characters in both encodings.
  if (IsAscii(bytes)) return std::string(bytes);

  thread_local Converter converter;
  if (!converter.ok()) return AsciiOnly(bytes);
  iconv_t cd = converter.get();
  iconv(cd, nullptr, nullptr, nullptr, nullptr);  // back to the initial state

  // Every input byte gives at most three output bytes: a half-width
  // katakana (one byte) or U+FFFD for a bad byte are three, a double-byte
  // character is three for two.
  std::string out(bytes.size() * 3, '\0');
  char* in = const_cast<char*>(bytes.data());
  size_t in_left = bytes.size();
  size_t used = 0;
  while (in_left > 0) {
    char* dst = out.data() + used;
    size_t out_left = out.size() - used;
    size_t rc = iconv(cd, &in, &in_left, &dst, &out_left);
    used = out.size() - out_left;
    if (rc != static_cast<size_t>(-1)) break;
    if (errno == E2BIG) {
      out.resize(out.size() * 2 + 16);
      continue;
    }
    // EILSEQ (a byte that is no character, or a bad trail byte) or EINVAL
    // (a lead byte at the very end): show one U+FFFD and go on with the
    // next byte.
    if (out.size() - used < ReplacementChar.size()) out.resize(out.size() * 2 + 16);
    out.replace(used, ReplacementChar.size(), ReplacementChar);
    used += ReplacementChar.size();
    ++in;
    --in_left;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  out.resize(used);
  return out;
}
