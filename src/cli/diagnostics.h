#pragma once
// Standard error and exit statuses of qmt.
#include <string>

enum ExitStatus {
  ExitOk = 0,
  ExitFileError = 1,  // a file could not be loaded, opened, read or written
  ExitUsage = 2,      // unknown option, bad value, unknown flag
};

// Writes one line to standard error; line feeds inside become blanks.
void PrintError(const std::string& line);
// "qmt: MESSAGE" on standard error; returns ExitUsage.
int UsageError(const std::string& message);
