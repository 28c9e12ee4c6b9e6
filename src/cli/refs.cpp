#include "cli/refs.h"

#include <algorithm>
#include <vector>

namespace {

// Digits only, no sign; false for anything else or a number past 9 digits.
bool ParseIndex(std::string_view text, int& value) {
  if (text.empty() || text.size() > 9) {
    return false;
  }
  int v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') {
      return false;
    }
    v = v * 10 + (c - '0');
  }
  value = v;
  return true;
}

std::string Quoted(std::string_view text) {
  std::string s = "\"";
  s += text;
  s += '"';
  return s;
}

std::string PageList(const ProjectView& project) {
  if (project.pages.empty()) {
    return "the project has no pages";
  }
  std::string s = "pages:";
  for (size_t p = 0; p < project.pages.size(); ++p) {
    s += (p == 0 ? " " : ", ");
    s += std::to_string(p) + " " + Quoted(project.pages[p].name);
  }
  return s;
}

std::string FlagList(const ProjectView& project, int page) {
  const PageView& pv = project.pages[static_cast<size_t>(page)];
  if (pv.flags.empty()) {
    return "page " + std::to_string(page) + " " + Quoted(pv.name) + " has no flags";
  }
  std::string s = "flags of page " + std::to_string(page) + " " + Quoted(pv.name) + ":";
  for (size_t f = 0; f < pv.flags.size(); ++f) {
    s += (f == 0 ? " " : ", ");
    s += std::to_string(page) + ":" + std::to_string(f) + " " + Quoted(pv.flags[f].name);
  }
  return s;
}

std::string RefText(const FlagRef& r) {
  return std::to_string(r.page) + ":" + std::to_string(r.flag);
}

bool ResolveNumbers(const ProjectView& project, std::string_view ref, size_t colon,
                    FlagRef& found, std::string& error) {
  int page = 0;
  int flag = 0;
  if (!ParseIndex(ref.substr(0, colon), page) || !ParseIndex(ref.substr(colon + 1), flag)) {
    return false;
  }
  const int pages = static_cast<int>(project.pages.size());
  if (page >= pages) {
    error = "no flag " + std::string(ref) + ": " + PageList(project);
    return true;
  }
  const int flags = static_cast<int>(project.pages[static_cast<size_t>(page)].flags.size());
  if (flag >= flags) {
    error = "no flag " + std::string(ref) + ": " + FlagList(project, page);
    return true;
  }
  found = {page, flag};
  error.clear();
  return true;
}

}  // namespace

bool SplitSetArgument(std::string_view argument, std::string& ref, std::string& value) {
  const size_t eq = argument.rfind('=');
  if (eq == std::string_view::npos || eq == 0) {
    return false;
  }
  ref = argument.substr(0, eq);
  value = argument.substr(eq + 1);
  return true;
}

bool ResolveFlagRef(const ProjectView& project, std::string_view ref, FlagRef& found,
                    std::string& error) {
  const size_t colon = ref.find(':');
  if (colon != std::string_view::npos && ref.find('/') == std::string_view::npos) {
    if (ResolveNumbers(project, ref, colon, found, error)) {
      return error.empty();
    }
  }
  if (ref.find('/') == std::string_view::npos) {
    error = "bad flag reference " + Quoted(ref) +
            ": expected P:F (page and flag numbers) or PAGE/FLAG (names)";
    return false;
  }

  std::vector<FlagRef> matches;
  std::vector<int> namedPages;
  for (size_t slash = ref.find('/'); slash != std::string_view::npos;
       slash = ref.find('/', slash + 1)) {
    const std::string_view pageName = ref.substr(0, slash);
    const std::string_view flagName = ref.substr(slash + 1);
    for (size_t p = 0; p < project.pages.size(); ++p) {
      const PageView& pv = project.pages[p];
      if (pv.name != pageName) {
        continue;
      }
      namedPages.push_back(static_cast<int>(p));
      for (size_t f = 0; f < pv.flags.size(); ++f) {
        if (pv.flags[f].name == flagName) {
          matches.push_back({static_cast<int>(p), static_cast<int>(f)});
        }
      }
    }
  }

  std::sort(matches.begin(), matches.end());
  if (matches.size() == 1) {
    found = matches[0];
    error.clear();
    return true;
  }
  if (matches.size() > 1) {
    error = Quoted(ref) + " matches more than one flag:";
    for (size_t i = 0; i < matches.size(); ++i) {
      error += (i == 0 ? " " : ", ") + RefText(matches[i]);
    }
    error += "; use P:F";
    return false;
  }
  error = "no flag matches " + Quoted(ref);
  if (namedPages.empty()) {
    error += "; no page has that name; " + PageList(project);
  } else {
    for (int p : namedPages) {
      error += "; " + FlagList(project, p);
    }
  }
  return false;
}

bool ResolvePage(const ProjectView& project, std::string_view text, int& page,
                 std::string& error) {
  const int pages = static_cast<int>(project.pages.size());
  int number = 0;
  if (ParseIndex(text, number)) {
    if (number >= pages) {
      error = "no page " + std::string(text) + ": " + PageList(project);
      return false;
    }
    page = number;
    return true;
  }
  std::vector<int> matches;
  for (int p = 0; p < pages; ++p) {
    if (project.pages[static_cast<size_t>(p)].name == text) {
      matches.push_back(p);
    }
  }
  if (matches.size() == 1) {
    page = matches[0];
    return true;
  }
  if (matches.empty()) {
    error = "no page named " + Quoted(text) + "; " + PageList(project);
  } else {
    error = "page name " + Quoted(text) + " matches more than one page:";
    for (size_t i = 0; i < matches.size(); ++i) {
      error += (i == 0 ? " " : ", ") + std::to_string(matches[i]);
    }
    error += "; use the number";
  }
  return false;
}

std::string FlagDisplayName(const ProjectView& project, const FlagRef& ref) {
  const PageView& pv = project.pages[static_cast<size_t>(ref.page)];
  return pv.name + "/" + pv.flags[static_cast<size_t>(ref.flag)].name;
}
