#pragma once
// What `qmt show` and `qmt read` print, as text for a person or as one JSON
// object. Every result ends with a line feed.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/project_view.h"

// The bytes a target holds at each declared flag: values[page][flag], or
// nothing where the offset lies at or beyond the end of the file.
struct TargetBytes {
  int64_t size = 0;
  std::vector<std::vector<std::optional<int>>> values;
};

std::string ShowText(const ProjectView& project);
std::string ShowJson(const ProjectView& project);
std::string ReadText(const ProjectView& project, const TargetBytes& bytes);
std::string ReadJson(const ProjectView& project, const TargetBytes& bytes);

// "256 (0x100)": a number in decimal and in hexadecimal.
std::string DecHex(int64_t value);
