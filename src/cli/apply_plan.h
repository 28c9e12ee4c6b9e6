#pragma once
// Which bytes `qmt apply` writes, worked out from its arguments and the
// loaded project before the target is touched.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/project_view.h"

// One --set argument whose value has been read.
struct SetRequest {
  std::string argument;  // "REF=VALUE" as given
  std::string ref;
  int value = 0;
};

// Checks the syntax of every "REF=VALUE"; the first bad one gives a false
// result and a one-line `error` that names it.
bool ParseSetArguments(const std::vector<std::string>& arguments, std::vector<SetRequest>& sets,
                       std::string& error);

enum class WriteScope {
  NamedFlags,  // exactly the flags named by --set
  OnePage,     // --page: every flag of that page
  AllPages,    // --all: every flag of every page
};

struct PlannedWrite {
  FlagRef ref;
  int32_t offset = 0;
  int value = 0;
};

struct WritePlan {
  WriteScope scope = WriteScope::NamedFlags;
  int page = -1;  // for OnePage
  // In declaration order, page by page and flag by flag, as the window
  // writes them; flags without a --set carry 0.
  std::vector<PlannedWrite> writes;
};

// Resolves the references and the page and lists the writes. A --set given
// twice for one flag keeps the later value. False with a one-line `error`
// for an unknown or ambiguous flag or page, a --set outside --page, or
// nothing to write at all.
bool PlanWrites(const ProjectView& project, const std::vector<SetRequest>& sets,
                const std::optional<std::string>& page, bool all, WritePlan& plan,
                std::string& error);
