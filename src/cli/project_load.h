#pragma once
// Loading a project file through the loader, for the command line.
#include <string>

#include "cli/project_view.h"

// Loads `path` into the project tables and copies them into `view`. On
// failure prints "PATH:LINE: MESSAGE" (or "PATH: MESSAGE" for a file that
// cannot be opened) on standard error and returns false.
bool LoadProjectFile(const std::string& path, ProjectView& view);
// The same without the copy, for commands that only need to know whether
// the file loads.
bool LoadProjectFile(const std::string& path);
