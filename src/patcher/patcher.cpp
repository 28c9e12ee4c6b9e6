// The target file patcher. The target file is opened by each write command
// and closed again before the command returns; it is written one byte per
// flag and never read, created or shortened.
#include "patcher/patcher.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "project/tables.h"

const char* const TargetOpenFailedMessage = "ﾀｰｹﾞｯﾄﾌｧｲﾙが開けませんでした。";
const char* const TargetWriteFailedMessage = "ﾀｰｹﾞｯﾄﾌｧｲﾙに書き込めませんでした。";

namespace {

PatcherWindow* patcherWindow = nullptr;

// The stream on the open target file; null outside a write command.
std::FILE* TargetFile = nullptr;

// Every command needs the window for its path, selection and messages.
PatcherWindow& Window() {
  if (patcherWindow == nullptr) {
    std::fputs("qmt: the patcher was used before a window was installed\n", stderr);
    std::abort();
  }
  return *patcherWindow;
}

// Ends a write command: closes the file and reports a failed write or close.
void FinishWriteCommand(int writeResult) {
  int closeResult = CloseTargetFile();
  if (writeResult != 0 || closeResult != 0) Window().ShowError(TargetWriteFailedMessage);
}

}  // namespace

void SetPatcherWindow(PatcherWindow* window) { patcherWindow = window; }

int SelectTargetFile() {
  std::string path;
  if (!Window().ShowOpenDialog("Open save-data file.", 2, path)) return -1;
  Window().SetTargetPath(path);
  return 0;
}

int OpenTargetFile() {
  const std::string path = Window().TargetPath();
  std::FILE* file = nullptr;
  // A zero byte would silently cut the path short and name another file.
  if (path.find('\0') == std::string::npos) file = std::fopen(path.c_str(), "rb+");
  if (file != nullptr) {
    // Root may open a file that nobody may write; such a file is read-only
    // for us as well.
    struct stat st {};
    if (fstat(fileno(file), &st) != 0 || (st.st_mode & 0222) == 0) {
      std::fclose(file);
      file = nullptr;
    }
  }
  TargetFile = file;
  if (TargetFile == nullptr) {
    Window().ShowError(TargetOpenFailedMessage);
    return -1;
  }
  return 0;
}

int CloseTargetFile() {
  if (TargetFile == nullptr) return 0;
  int result = std::fclose(TargetFile);
  TargetFile = nullptr;
  return result == 0 ? 0 : -1;
}

int WriteFlagByte(int32_t offset, int32_t value) {
  if (TargetFile == nullptr) return -1;
  if (fseeko(TargetFile, static_cast<off_t>(offset), SEEK_SET) != 0) return -1;
  if (std::fputc(static_cast<unsigned char>(value & 0xFF), TargetFile) == EOF) return -1;
  return 0;
}

int WritePage(int page) {
  if (page < 0 || page >= MaxPages) return 0;
  const int count = std::min(FlagNames[page]->Count(), MaxFlags);
  for (int flag = 0; flag < count; ++flag) {
    if (WriteFlagByte(FlagOffsets[page][flag], FlagValues[page][flag]) != 0) return -1;
  }
  return 0;
}

int WriteAllPages() {
  const int count = std::min(PageNames->Count(), MaxPages);
  for (int page = 0; page < count; ++page) {
    if (WritePage(page) != 0) return -1;
  }
  return 0;
}

void WriteSelectedFlagCommand() {
  if (OpenTargetFile() != 0) return;
  const int page = Window().SelectedPage();
  const int flag = Window().SelectedFlag();
  int result = 0;
  // Only a declared flag: the offsets of undeclared ones may be left over
  // from an earlier project.
  if (page >= 0 && flag >= 0 && page < MaxPages && flag < FlagNames[page]->Count()) {
    result = WriteFlagByte(FlagOffsets[page][flag], FlagValues[page][flag]);
  }
  FinishWriteCommand(result);
}

void WriteSelectedPageCommand() {
  if (OpenTargetFile() != 0) return;
  FinishWriteCommand(WritePage(Window().SelectedPage()));
}

void WriteAllPagesCommand() {
  if (OpenTargetFile() != 0) return;
  FinishWriteCommand(WriteAllPages());
}
