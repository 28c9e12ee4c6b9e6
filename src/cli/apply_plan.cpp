#include "cli/apply_plan.h"

#include <map>

#include "cli/refs.h"
#include "cli/values.h"

bool ParseSetArguments(const std::vector<std::string>& arguments, std::vector<SetRequest>& sets,
                       std::string& error) {
  sets.clear();
  for (const std::string& argument : arguments) {
    SetRequest request;
    request.argument = argument;
    std::string valueText;
    if (!SplitSetArgument(argument, request.ref, valueText)) {
      error = "--set \"" + argument + "\": expected REF=VALUE";
      return false;
    }
    if (!ParseByteValue(valueText, request.value)) {
      error = "--set \"" + argument + "\": bad value \"" + valueText +
              "\": expected 0 to 255 in decimal, or hexadecimal after 0x or $";
      return false;
    }
    sets.push_back(std::move(request));
  }
  return true;
}

bool PlanWrites(const ProjectView& project, const std::vector<SetRequest>& sets,
                const std::optional<std::string>& page, bool all, WritePlan& plan,
                std::string& error) {
  plan = WritePlan{};
  std::map<FlagRef, int> values;
  std::vector<FlagRef> refs;  // one per --set, in the order given
  for (const SetRequest& request : sets) {
    FlagRef ref;
    if (!ResolveFlagRef(project, request.ref, ref, error)) {
      error = "--set \"" + request.argument + "\": " + error;
      return false;
    }
    refs.push_back(ref);
    values[ref] = request.value;
  }

  if (all) {
    plan.scope = WriteScope::AllPages;
  } else if (page) {
    plan.scope = WriteScope::OnePage;
    if (!ResolvePage(project, *page, plan.page, error)) {
      error = "--page \"" + *page + "\": " + error;
      return false;
    }
    for (size_t i = 0; i < sets.size(); ++i) {
      if (refs[i].page != plan.page) {
        error = "--set \"" + sets[i].argument + "\" names a flag of page " +
                std::to_string(refs[i].page) + ", outside --page " + std::to_string(plan.page) +
                "; it would not be written";
        return false;
      }
    }
  } else if (values.empty()) {
    error = "nothing to write: give --set REF=VALUE, --page PAGE or --all";
    return false;
  }

  const auto add = [&](int p, int f) {
    const FlagRef ref{p, f};
    const auto it = values.find(ref);
    const int value = it == values.end() ? 0 : it->second;
    const int32_t offset = project.pages[static_cast<size_t>(p)].flags[static_cast<size_t>(f)].offset;
    plan.writes.push_back({ref, offset, value});
  };
  if (plan.scope == WriteScope::NamedFlags) {
    for (const auto& [ref, value] : values) {  // FlagRef order is declaration order
      add(ref.page, ref.flag);
    }
  } else {
    for (int p = 0; p < static_cast<int>(project.pages.size()); ++p) {
      if (plan.scope == WriteScope::OnePage && p != plan.page) {
        continue;
      }
      for (int f = 0; f < static_cast<int>(project.pages[static_cast<size_t>(p)].flags.size()); ++f) {
        add(p, f);
      }
    }
  }
  error.clear();
  return true;
}
