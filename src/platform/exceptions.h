#pragma once
// Exceptions of the platform layer. Messages are UTF-8 text, as the user
// will read them; the default report appends a full stop.
#include <stdexcept>
#include <string>

class Exception : public std::runtime_error {
public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
  std::string Message() const { return what(); }
};

// A file that cannot be opened or read: "ﾌｧｲﾙ <path> は開けません".
class EFOpenError : public Exception {
public:
  explicit EFOpenError(const std::string& path);
  const std::string& Path() const { return path_; }

private:
  std::string path_;
};
