#pragma once
// Read-only access to a target file, for `qmt read` and `qmt apply
// --dry-run`: only the bytes asked for are read, nothing is ever written.
#include <cstdint>
#include <string>

class TargetReader {
public:
  TargetReader() = default;
  TargetReader(const TargetReader&) = delete;
  TargetReader& operator=(const TargetReader&) = delete;
  ~TargetReader();

  // Opens `path` for reading. A folder is refused. With `asForWriting`, a
  // file that the write commands would refuse (no write permission bit at
  // all, or not writable for this user) is refused too. False on failure.
  bool Open(const std::string& path, bool asForWriting);
  int64_t Size() const { return size_; }
  // The byte at `offset`, below Size(). False when the read failed; `error`
  // then holds the system's reason.
  bool ReadByte(int64_t offset, int& value, std::string& error) const;

private:
  int fd_ = -1;
  int64_t size_ = 0;
};

// The size of the file at `path`, or -1 when it cannot be found out.
int64_t FileSize(const std::string& path);
