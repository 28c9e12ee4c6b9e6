#pragma once
// Flag and page references on the command line, resolved against a loaded
// project. Names compare as exact UTF-8 bytes of the decoded names.
#include <string>
#include <string_view>

#include "cli/project_view.h"

// Splits "REF=VALUE" at its last '=' (names may hold '=', values never do).
// False when there is no '=' or the reference is empty.
bool SplitSetArgument(std::string_view argument, std::string& ref, std::string& value);

// REF is "P:F", the 0-based page and flag numbers, or "PAGE/FLAG", a page
// name and a flag name; every '/' is tried as the place between the two, so
// names may hold '/'. Exactly one flag must match; otherwise `error` gets a
// one-line message that says why and suggests the numbers.
bool ResolveFlagRef(const ProjectView& project, std::string_view ref, FlagRef& found,
                    std::string& error);

// PAGE is a 0-based page number (digits only) or a page name.
bool ResolvePage(const ProjectView& project, std::string_view text, int& page,
                 std::string& error);

// "PAGE/FLAG" as the user would write it for this flag.
std::string FlagDisplayName(const ProjectView& project, const FlagRef& ref);
