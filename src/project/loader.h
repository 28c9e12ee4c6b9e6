#pragma once
// The project file loader: from the file named by ProjectFileName into the
// project tables.
#include <cstdint>
#include <string>

#include "platform/string_list.h"

constexpr int ErrEndOfFile = -1;
constexpr int ErrBadOffset = -2;
constexpr int ErrTooManyPages = -3;
constexpr int ErrTooManyFlags = -4;

// What the loader needs of the window that shows the project. The main
// window installs one; without one (the command-line tool) nothing is shown.
class LoaderWindow {
public:
  virtual ~LoaderWindow() = default;
  // The title label's caption: project-file bytes, code page 932.
  virtual void SetTitleCaption(const std::string& bytes) = 0;
  // Replaces the tabs by a copy of the page names.
  virtual void SetTabs(const TStringList& names) = 0;
  virtual void RepaintTabs() = 0;
  virtual void ShowPage(int page) = 0;
  virtual void ShowFlagValue() = 0;
  // The modal error box: caption "エラー", OK only, no icon. UTF-8 text.
  virtual void ShowLoadError(const std::string& message) = 0;
};
void SetLoaderWindow(LoaderWindow* window);

// The message of a failure code (UTF-8), as the error box shows it.
std::string LoadErrorMessage(int code);

// Loads the file named by ProjectFileName. Returns 0, or a failure code
// after the failure has been shown and the project emptied. A file that
// cannot be opened empties the project and the window as a failed load does
// (without a box of its own) and then lets the EFOpenError through.
int LoadProject();

// 1-based number of the line the last load stopped on, for "FILE:LINE"
// reports:
// - after a failure code: the failing line (the bad offset line, the name
//   line of the 17th page or flag), or the file's last line when the lines
//   ran out (ErrEndOfFile);
// - after a success: the "#end" line that ended the walk, or else the
//   file's last line (the line count; 0 for a file without lines);
// - 0 before any load and when the file could not be opened or read.
int LoadStopLine();

// The steps of a load; exposed for tests.
int ParseProject();
int ParseTabSection(int& cursor, int count);
void ParseDocSection(int& cursor, int count, int page);
int AddPage(int& cursor, int count);
int AddFlag(int& cursor, int count, int page);
// Stores and returns the offset on line `cursor`, or ErrBadOffset when the
// line is not a whole number or the number is negative.
int ReadOffset(int cursor, int32_t& destination);
int SkipBlankLines(int& cursor, int count);
void ResetProject(int code);

// The offset syntax alone: leading spaces, then decimal with an optional
// sign or hexadecimal after $, x, X, 0x, 0X (at most 8 significant digits,
// a 32-bit pattern). Returns false when `line` is not a whole number; a
// negative number is returned as read (the loader refuses it).
bool ParseOffsetText(const std::string& line, int32_t& value);
