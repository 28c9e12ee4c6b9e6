#pragma once
// The target file patcher: choosing the target file and writing flag values
// into it, one byte per flag at the flag's offset.
#include <cstdint>
#include <string>

// What the patcher needs of the window. The main window installs one; the
// command-line tool installs its own.
class PatcherWindow {
public:
  virtual ~PatcherWindow() = default;
  // The target path field's whole text, as the system's path bytes.
  virtual std::string TargetPath() = 0;
  virtual void SetTargetPath(const std::string& path) = 0;
  // Sets the shared open dialog's title and filter index, shows it, and on
  // confirmation returns true with the chosen full path.
  virtual bool ShowOpenDialog(const std::string& title, int filterIndex, std::string& path) = 0;
  // Selected page (tab) and flag (list item); -1 for none.
  virtual int SelectedPage() = 0;
  virtual int SelectedFlag() = 0;
  // The modal error box: caption "エラー", OK only, no icon. UTF-8 text.
  virtual void ShowError(const std::string& message) = 0;
};
// Installs the window that every function below works through. One must be
// installed before any of them runs; using the patcher without a window ends
// the program with a message on standard error.
void SetPatcherWindow(PatcherWindow* window);

extern const char* const TargetOpenFailedMessage;   // "ﾀｰｹﾞｯﾄﾌｧｲﾙが開けませんでした。"
extern const char* const TargetWriteFailedMessage;  // "ﾀｰｹﾞｯﾄﾌｧｲﾙに書き込めませんでした。"

int SelectTargetFile();
// Opens the path of the target field in mode "rb+"; a file without any
// write permission bit is refused, also for root. Shows the open message on
// failure and returns -1.
int OpenTargetFile();
// Closes the stream (completing pending writes). Returns 0, or -1 when the
// close failed; does nothing and returns 0 without a stream.
int CloseTargetFile();
// 0, or -1 when the seek or the write failed.
int WriteFlagByte(int32_t offset, int32_t value);
// Stop at the first failed write and return -1; 0 otherwise.
int WritePage(int page);
int WriteAllPages();

// The write commands, as the three buttons run them: open, write, close,
// reporting a failed write or close with TargetWriteFailedMessage.
void WriteSelectedFlagCommand();
void WriteSelectedPageCommand();
void WriteAllPagesCommand();
