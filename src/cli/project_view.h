#pragma once
// A loaded project as qmt shows it: a plain copy of the declared pages and
// flags, with every text decoded from code page 932 to UTF-8.
#include <cstdint>
#include <string>
#include <vector>

struct FlagView {
  std::string name;
  int32_t offset = 0;
};

struct PageView {
  std::string name;
  std::vector<FlagView> flags;
  std::vector<std::string> doc;
};

struct ProjectView {
  std::string title;
  std::string credit;
  std::vector<PageView> pages;
};

// A flag by its 0-based page and flag numbers.
struct FlagRef {
  int page = 0;
  int flag = 0;
  friend bool operator==(const FlagRef&, const FlagRef&) = default;
  friend auto operator<=>(const FlagRef&, const FlagRef&) = default;
};
