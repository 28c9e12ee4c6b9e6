#include "cli/project_load.h"

#include "cli/diagnostics.h"
#include "platform/cp932.h"
#include "platform/exceptions.h"
#include "project/loader.h"
#include "project/tables.h"

namespace {

ProjectView CopyTables() {
  ProjectView view;
  view.title = Cp932ToUtf8(ProjectTitle);
  view.credit = Cp932ToUtf8(ProjectCredit);
  for (int p = 0; p < PageNames->Count(); ++p) {
    PageView page;
    page.name = Cp932ToUtf8((*PageNames)[p]);
    const TStringList& flags = *FlagNames[p];
    for (int f = 0; f < flags.Count(); ++f) {
      page.flags.push_back({Cp932ToUtf8(flags[f]), FlagOffsets[p][f]});
    }
    const TStringList& doc = *PageDocs[p];
    for (int i = 0; i < doc.Count(); ++i) page.doc.push_back(Cp932ToUtf8(doc.Line(i)));
    view.pages.push_back(std::move(page));
  }
  return view;
}

}  // namespace

bool LoadProjectFile(const std::string& path, ProjectView& view) {
  if (!LoadProjectFile(path)) {
    return false;
  }
  view = CopyTables();
  return true;
}

bool LoadProjectFile(const std::string& path) {
  ProjectFileName = path;
  int code = 0;
  try {
    code = LoadProject();
  } catch (const EFOpenError& e) {
    // The window's default report: the message and a full stop.
    PrintError(path + ": " + e.Message() + ".");
    return false;
  }
  if (code < 0) {
    std::string message = LoadErrorMessage(code);
    if (message.empty()) {
      message = "negative offset " + std::to_string(code);
    }
    PrintError(path + ":" + std::to_string(LoadStopLine()) + ": " + message);
    return false;
  }
  return true;
}
