#pragma once
// A small JSON writer: one document built into a string, items separated by
// ", " and keys followed by ": ".
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// `text` as a JSON string literal. Valid UTF-8 passes through unchanged
// (U+FFFD included); '"' and '\' are escaped, control characters below 0x20
// become \u00XX; a byte that is not part of valid UTF-8 becomes U+FFFD, so
// the output is always valid JSON.
std::string JsonQuote(std::string_view text);

class JsonWriter {
public:
  JsonWriter& BeginObject();
  JsonWriter& EndObject();
  JsonWriter& BeginArray();
  JsonWriter& EndArray();
  // Names the next value inside an object.
  JsonWriter& Key(std::string_view key);
  JsonWriter& String(std::string_view text);
  JsonWriter& Number(int64_t value);
  JsonWriter& Null();

  const std::string& Text() const { return out_; }

private:
  void BeforeValue();

  std::string out_;
  std::vector<bool> empty_;  // per open container: nothing in it yet
  bool afterKey_ = false;
};
