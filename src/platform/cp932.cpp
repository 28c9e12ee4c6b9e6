#include "platform/cp932.h"

#include <iconv.h>

#include <bit>
#include <cerrno>
#include <cstdint>
#include <memory>

namespace {

constexpr std::string_view ReplacementChar = "\xEF\xBF\xBD";  // U+FFFD
constexpr char16_t ReplacementUnit = u'\uFFFD';

constexpr const char* Utf16Name = std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";

// One converter per thread, opened on first use and kept for the thread's
// life: opening a converter costs far more than converting a line.
class Converter {
public:
  explicit Converter(const char* to) : cd_(iconv_open(to, "CP932")) {}
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

// glibc's own answers for every byte and every byte pair of the code page,
// asked once per thread (the pairs of a lead byte when a text first holds
// it): decoding a long text then costs a look-up a character instead of a
// pass through iconv's chain of converters.
class Utf16Table {
public:
  static constexpr uint32_t Lead = 0x10000;  // the first byte of a double-byte character
  static constexpr uint32_t Bad = 0x10001;   // a byte that starts no character

  Utf16Table() : converter_(Utf16Name) {
    for (int b = 0; b < 256; ++b) {
      const char byte = static_cast<char>(b);
      if (converter_.ok())
        single_[b] = Ask(&byte, 1);
      else
        single_[b] = b < 0x80 ? static_cast<uint32_t>(b) : Bad;
    }
  }

  uint32_t Single(unsigned char b) const { return single_[b]; }

  uint32_t Pair(unsigned char lead, unsigned char trail) {
    std::unique_ptr<uint32_t[]>& row = pairs_[lead];
    if (!row) {
      row = std::make_unique<uint32_t[]>(256);
      for (int t = 0; t < 256; ++t) {
        const char pair[2] = {static_cast<char>(lead), static_cast<char>(t)};
        const uint32_t unit = Ask(pair, 2);
        row[t] = unit == Lead ? Bad : unit;
      }
    }
    return row[trail];
  }

private:
  // One byte sequence through iconv: the one UTF-16 unit it gives, Lead when
  // it is the start of a longer character, else Bad. (Every character of the
  // code page is one unit.)
  uint32_t Ask(const char* bytes, size_t n) {
    iconv_t cd = converter_.get();
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(bytes);
    size_t in_left = n;
    char16_t units[2];
    char* dst = reinterpret_cast<char*>(units);
    size_t out_left = sizeof units;
    const size_t rc = iconv(cd, &in, &in_left, &dst, &out_left);
    const size_t made = (sizeof units - out_left) / sizeof(char16_t);
    if (rc != static_cast<size_t>(-1) && in_left == 0 && made == 1) return units[0];
    if (rc == static_cast<size_t>(-1) && errno == EINVAL && in_left == n) return Lead;
    return Bad;
  }

  Converter converter_;
  uint32_t single_[256];
  std::unique_ptr<uint32_t[]> pairs_[256];
};

}  // namespace

std::string Cp932ToUtf8(std::string_view bytes) {
  // Bytes 00-7F are the same characters in both encodings.
  if (IsAscii(bytes)) return std::string(bytes);

  thread_local Converter converter("UTF-8");
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

size_t Cp932ToUtf16(std::string_view bytes, char16_t* out) {
  thread_local Utf16Table table;
  const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
  const size_t n = bytes.size();
  size_t used = 0;
  for (size_t i = 0; i < n;) {
    uint32_t unit = table.Single(in[i]);
    if (unit == Utf16Table::Lead) {
      unit = i + 1 < n ? table.Pair(in[i], in[i + 1]) : Utf16Table::Bad;
      if (unit != Utf16Table::Bad) {
        out[used++] = static_cast<char16_t>(unit);
        i += 2;
        continue;
      }
    }
    // A bad byte, or a lead byte without its trail byte: one U+FFFD, and the
    // next byte starts afresh.
    out[used++] = unit == Utf16Table::Bad ? ReplacementUnit : static_cast<char16_t>(unit);
    ++i;
  }
  return used;
}
