#pragma once
// A reference reading of project files, written from the format's rules
// apart from the program's loader: the fuzz target compares the tables the
// loader leaves with what this model expects.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace model {

struct Flag {
  std::string name;
  int32_t offset = 0;
  bool operator==(const Flag&) const = default;
};

struct Page {
  std::string name;
  std::vector<Flag> flags;
  std::vector<std::string> doc;
  bool operator==(const Page&) const = default;
};

struct Project {
  int result = 0;  // 0 or the failure code
  std::string title;
  std::string credit;
  std::vector<Page> pages;  // declared pages only
  std::vector<std::string> undeclaredDocs;  // must stay empty
  bool operator==(const Project&) const = default;
};

// The lines of a file's bytes.
std::vector<std::string> Lines(std::string_view bytes);

// Reads `bytes` as a project file, starting with `title` as the title left
// by earlier loads. A failed load gives no pages and the credit
// "(Not load...)", and keeps the title as far as the file had set it.
Project Load(std::string_view bytes, const std::string& title);

}  // namespace model
