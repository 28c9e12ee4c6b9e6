#include "cli/diagnostics.h"

#include <cstdio>

void PrintError(const std::string& line) {
  std::string out = line;
  for (char& c : out) {
    if (c == '\n' || c == '\r') {
      c = ' ';
    }
  }
  out += '\n';
  std::fwrite(out.data(), 1, out.size(), stderr);
}

int UsageError(const std::string& message) {
  PrintError("qmt: " + message);
  return ExitUsage;
}
