// check, show and read: the subcommands that change nothing.
#include <cstdio>

#include "cli/commands.h"
#include "cli/diagnostics.h"
#include "cli/output.h"
#include "cli/project_load.h"
#include "cli/target_reader.h"
#include "patcher/patcher.h"

void WriteOutput(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
}

int RunCheck(const std::vector<std::string>& projects) {
  int status = ExitOk;
  for (const std::string& path : projects) {
    if (!LoadProjectFile(path)) {
      status = ExitFileError;
    }
  }
  return status;
}

int RunShow(const std::string& path, bool json) {
  ProjectView project;
  if (!LoadProjectFile(path, project)) {
    return ExitFileError;
  }
  WriteOutput(json ? ShowJson(project) : ShowText(project));
  return ExitOk;
}

int RunRead(const std::string& path, const std::string& target, bool json) {
  ProjectView project;
  if (!LoadProjectFile(path, project)) {
    return ExitFileError;
  }
  TargetReader reader;
  if (!reader.Open(target, false)) {
    PrintError(target + ": " + TargetOpenFailedMessage);
    return ExitFileError;
  }
  TargetBytes bytes;
  bytes.size = reader.Size();
  for (const PageView& page : project.pages) {
    auto& values = bytes.values.emplace_back();
    for (const FlagView& flag : page.flags) {
      int value = 0;
      std::string error;
      if (flag.offset >= bytes.size) {
        values.emplace_back();
      } else if (reader.ReadByte(flag.offset, value, error)) {
        values.emplace_back(value);
      } else {
        PrintError(target + ": " + error);
        return ExitFileError;
      }
    }
  }
  WriteOutput(json ? ReadJson(project, bytes) : ReadText(project, bytes));
  return ExitOk;
}
