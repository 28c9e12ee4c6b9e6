#pragma once
// The subcommands of qmt. Each returns the exit status.
#include <optional>
#include <string>
#include <vector>

struct ApplyOptions {
  std::string project;
  std::string target;
  std::vector<std::string> sets;
  std::optional<std::string> page;
  bool all = false;
  bool dryRun = false;
  bool backup = false;
  bool grow = false;
  bool verbose = false;
};

int RunCheck(const std::vector<std::string>& projects);
int RunShow(const std::string& project, bool json);
int RunRead(const std::string& project, const std::string& target, bool json);
int RunApply(const ApplyOptions& options);

// Writes `text` to standard output as it is.
void WriteOutput(const std::string& text);
