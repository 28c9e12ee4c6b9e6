// apply: writing flag values into the target file through the patcher.
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>

#include "cli/apply_plan.h"
#include "cli/backup.h"
#include "cli/commands.h"
#include "cli/diagnostics.h"
#include "cli/output.h"
#include "cli/project_load.h"
#include "cli/refs.h"
#include "cli/target_reader.h"
#include "patcher/patcher.h"
#include "project/tables.h"

namespace {

// The patcher's view of the command line: the TARGET argument is the target
// path field, and its error box is a line on standard error.
class CommandLinePatcherWindow : public PatcherWindow {
public:
  explicit CommandLinePatcherWindow(std::string target) : target_(std::move(target)) {
    SetPatcherWindow(this);
  }
  ~CommandLinePatcherWindow() override { SetPatcherWindow(nullptr); }

  std::string TargetPath() override { return target_; }
  void SetTargetPath(const std::string& path) override { target_ = path; }
  bool ShowOpenDialog(const std::string&, int, std::string&) override { return false; }
  int SelectedPage() override { return -1; }
  int SelectedFlag() override { return -1; }
  void ShowError(const std::string& message) override { PrintError(target_ + ": " + message); }

private:
  std::string target_;
};

// Reports every write at or beyond the end of a file of `size` bytes;
// true when there is none.
bool AllInsideFile(const ProjectView& project, const WritePlan& plan, const std::string& target,
                   int64_t size) {
  bool inside = true;
  for (const PlannedWrite& w : plan.writes) {
    if (w.offset >= size) {
      PrintError(target + ": flag " + std::to_string(w.ref.page) + ":" +
                 std::to_string(w.ref.flag) + " \"" + FlagDisplayName(project, w.ref) +
                 "\" at offset " + DecHex(w.offset) + " lies at or beyond the end of the file (" +
                 std::to_string(size) + " bytes); --grow allows it");
      inside = false;
    }
  }
  return inside;
}

// Prints "offset old -> new" for each write, reading the old bytes and
// counting the writes before it; writes nothing.
int DryRun(const ProjectView& project, const WritePlan& plan, const ApplyOptions& o) {
  TargetReader reader;
  if (!reader.Open(o.target, true)) {
    PrintError(o.target + ": " + TargetOpenFailedMessage);
    return ExitFileError;
  }
  const int64_t size = reader.Size();
  if (!o.grow && !AllInsideFile(project, plan, o.target, size)) {
    return ExitFileError;
  }
  std::map<int64_t, int> written;
  int64_t end = size;  // the length the file would have by now
  std::string out;
  for (const PlannedWrite& w : plan.writes) {
    std::string old;
    if (const auto it = written.find(w.offset); it != written.end()) {
      old = std::to_string(it->second);
    } else if (w.offset < size) {
      int value = 0;
      std::string error;
      if (!reader.ReadByte(w.offset, value, error)) {
        PrintError(o.target + ": " + error);
        return ExitFileError;
      }
      old = std::to_string(value);
    } else if (w.offset < end) {
      old = "0";  // inside the gap a growing write leaves
    } else {
      old = "past end";
    }
    out += std::to_string(w.offset) + " " + old + " -> " + std::to_string(w.value) + "\n";
    written[w.offset] = w.value;
    end = std::max<int64_t>(end, int64_t{w.offset} + 1);
  }
  WriteOutput(out);
  return ExitOk;
}

int Write(const ProjectView& project, const WritePlan& plan, const ApplyOptions& o) {
  CommandLinePatcherWindow window(o.target);
  if (OpenTargetFile() != 0) {
    return ExitFileError;  // the patcher has reported it
  }
  const int64_t size = FileSize(o.target);
  if (size < 0) {
    PrintError(o.target + ": " + std::strerror(errno));
    CloseTargetFile();
    return ExitFileError;
  }
  if (!o.grow && !AllInsideFile(project, plan, o.target, size)) {
    CloseTargetFile();
    return ExitFileError;
  }
  if (o.backup) {
    std::string error;
    if (!WriteBackup(o.target, error)) {
      PrintError(error + "; the backup failed, nothing was written");
      CloseTargetFile();
      return ExitFileError;
    }
  }

  for (const PlannedWrite& w : plan.writes) {
    FlagValues[w.ref.page][w.ref.flag] = w.value;
  }
  int result = 0;
  if (o.verbose || plan.scope == WriteScope::NamedFlags) {
    for (const PlannedWrite& w : plan.writes) {
      result = WriteFlagByte(FlagOffsets[w.ref.page][w.ref.flag], FlagValues[w.ref.page][w.ref.flag]);
      if (result != 0) {
        break;
      }
      if (o.verbose) {
        WriteOutput(std::to_string(w.offset) + " -> " + std::to_string(w.value) + "\n");
      }
    }
  } else if (plan.scope == WriteScope::OnePage) {
    result = WritePage(plan.page);
  } else {
    result = WriteAllPages();
  }
  const int closed = CloseTargetFile();
  if (result != 0 || closed != 0) {
    PrintError(o.target + ": " + TargetWriteFailedMessage);
    return ExitFileError;
  }
  return ExitOk;
}

}  // namespace

int RunApply(const ApplyOptions& o) {
  std::vector<SetRequest> sets;
  std::string error;
  if (!ParseSetArguments(o.sets, sets, error)) {
    return UsageError(error);
  }
  ProjectView project;
  if (!LoadProjectFile(o.project, project)) {
    return ExitFileError;
  }
  WritePlan plan;
  if (!PlanWrites(project, sets, o.page, o.all, plan, error)) {
    return UsageError(error);
  }
  return o.dryRun ? DryRun(project, plan, o) : Write(project, plan, o);
}
