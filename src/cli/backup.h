#pragma once
// The backup that `qmt apply --backup` makes before it writes.
#include <string>

// Copies the file at `path` to `path`.bak: written to a temporary name in
// the same folder, flushed to disk and renamed into place, so that an
// existing backup is replaced only by a complete one. Keeps the file's
// permission bits. False with a one-line reason in `error` when anything
// failed; no temporary file is left behind then.
bool WriteBackup(const std::string& path, std::string& error);
