#include "project/loader.h"

#include <algorithm>
#include <memory>
#include <string_view>

#include "project/tables.h"

namespace {

LoaderWindow* Window = nullptr;
int StopLine = 0;

bool LineIs(int cursor, std::string_view word) { return ProjectLines->Line(cursor) == word; }

// Empties the tables and the window as after a failed load, without a box.
void EmptyProjectAndWindow() {
  ClearFlagValues();
  FreePageLists();
  CreatePageLists();
  if (Window) Window->SetTabs(*PageNames);
  ProjectCredit = NotLoadedCredit;
  if (Window) {
    Window->SetTitleCaption("");
    Window->ShowFlagValue();
    Window->ShowPage(0);
  }
}

// Releases ProjectLines however the load ends.
struct ProjectLinesScope {
  ProjectLinesScope() { ProjectLines = std::make_unique<TStringList>(); }
  ~ProjectLinesScope() { ProjectLines.reset(); }
  ProjectLinesScope(const ProjectLinesScope&) = delete;
  ProjectLinesScope& operator=(const ProjectLinesScope&) = delete;
};

}  // namespace

void SetLoaderWindow(LoaderWindow* window) { Window = window; }

std::string LoadErrorMessage(int code) {
  switch (code) {
    case ErrEndOfFile:
      return "ﾌﾟﾛｼﾞｪｸﾄﾌｧｲﾙの終端に達しました。";
    case ErrBadOffset:
      return "ﾌﾟﾛｼﾞｪｸﾄﾌｧｲﾙの文法に異常があります。\nｵﾌｾｯﾄが整数ではありません。";
    case ErrTooManyPages:
      return "これ以上ﾍﾟｰｼﾞﾃﾞｰﾀは増やせません。";
    case ErrTooManyFlags:
      return "これ以上ﾌﾗｸﾞﾃﾞｰﾀは増やせません。";
    default:
      return "";
  }
}

int LoadStopLine() { return StopLine; }

int LoadProject() {
  StopLine = 0;
  int result;
  {
    ProjectLinesScope lines;
    ProjectCredit.clear();
    try {
      result = ParseProject();
    } catch (...) {
      // The file could not be read (or memory ran out): the tables are
      // already emptied, so the window must not go on showing the old
      // project. The caller reports the exception.
      ProjectLines.reset();
      EmptyProjectAndWindow();
      throw;
    }
  }
  if (result < 0) ResetProject(result);
  return result;
}

int ParseProject() {
  int page = -1;
  ClearFlagValues();
  FreePageLists();
  CreatePageLists();
  ProjectLines->LoadFromFile(ProjectFileName);
  const int count = ProjectLines->Count();
  int cursor = 0;
  int last_read = count;
  while (cursor < count) {
    if (LineIs(cursor, "#copy")) {
      // On the last line there is nothing to take: the text stays.
      if (cursor + 1 < count) CopyToTextBuffer(ProjectCredit, ProjectLines->Line(++cursor));
    } else if (LineIs(cursor, "#title")) {
      if (cursor + 1 < count) CopyToTextBuffer(ProjectTitle, ProjectLines->Line(++cursor));
    } else if (LineIs(cursor, "#tab")) {
      ++cursor;
      int result = ParseTabSection(cursor, count);
      if (result < 0) {
        StopLine = std::min(cursor + 1, count);
        return result;
      }
      page = result;
    } else if (LineIs(cursor, "#doc")) {
      ++cursor;
      ParseDocSection(cursor, count, page);
    } else if (LineIs(cursor, "#end")) {
      last_read = cursor + 1;
      cursor = count;
    }
    ++cursor;
  }
  StopLine = last_read;

  if (Window) {
    Window->SetTitleCaption(ProjectTitle);
    Window->SetTabs(*PageNames);
    Window->RepaintTabs();
    Window->ShowPage(0);
    Window->ShowFlagValue();
  }
  return 0;
}

int ParseTabSection(int& cursor, int count) {
  const int page = AddPage(cursor, count);
  if (page < 0) return page;
  for (;;) {
    ++cursor;
    if (cursor >= count) return ErrEndOfFile;
    if (ProjectLines->Line(cursor).starts_with('#')) {
      --cursor;
      return page;
    }
    const int flag = AddFlag(cursor, count, page);
    if (flag < 0) return flag;
    ++cursor;
    if (cursor >= count) return ErrEndOfFile;
    const int offset = ReadOffset(cursor, FlagOffsets[page][flag]);
    if (offset < 0) return offset;
  }
}

void ParseDocSection(int& cursor, int count, int page) {
  if (page < 0) return;
  int end = cursor;
  while (end < count && !LineIs(end, "#eodoc")) ++end;
  // The lines are not read again: move them over in one step.
  PageDocs[page]->AddMoved(*ProjectLines, cursor, end);
  cursor = end;
}

int AddPage(int& cursor, int count) {
  if (SkipBlankLines(cursor, count) < 0) return ErrEndOfFile;
  if (PageNames->Count() >= MaxPages) return ErrTooManyPages;
  return PageNames->Add(std::string(ProjectLines->Line(cursor)));
}

int AddFlag(int& cursor, int count, int page) {
  if (SkipBlankLines(cursor, count) < 0) return ErrEndOfFile;
  if (FlagNames[page]->Count() >= MaxFlags) return ErrTooManyFlags;
  return FlagNames[page]->Add(std::string(ProjectLines->Line(cursor)));
}

int ReadOffset(int cursor, int32_t& destination) {
  int32_t value = 0;
  // A negative offset is as bad as no number: no such byte exists.
  if (!ParseOffsetText(std::string(ProjectLines->Line(cursor)), value) || value < 0) value = ErrBadOffset;
  destination = value;
  return value;
}

int SkipBlankLines(int& cursor, int count) {
  for (;;) {
    if (cursor >= count) return ErrEndOfFile;
    if (!ProjectLines->Line(cursor).empty()) return 0;
    ++cursor;
  }
}

void ResetProject(int code) {
  const std::string message = LoadErrorMessage(code);
  EmptyProjectAndWindow();
  if (Window) Window->ShowLoadError(message);
}
