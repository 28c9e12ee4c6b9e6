#include "cli/output.h"

#include <cstdio>

#include "cli/json.h"

namespace {

// "label: text", or "label:" alone for an empty text.
std::string Labelled(const std::string& label, const std::string& text) {
  return text.empty() ? label + ":\n" : label + ": " + text + "\n";
}

std::string FlagLine(size_t page, size_t flag, const FlagView& fv, const std::string& extra) {
  return "  " + std::to_string(page) + ":" + std::to_string(flag) + " offset " +
         DecHex(fv.offset) + extra + ": " + fv.name + "\n";
}

}  // namespace

std::string DecHex(int64_t value) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "%lld (0x%llx)", static_cast<long long>(value),
                static_cast<unsigned long long>(value));
  return buf;
}

std::string ShowText(const ProjectView& project) {
  std::string out = Labelled("title", project.title) + Labelled("credit", project.credit);
  for (size_t p = 0; p < project.pages.size(); ++p) {
    const PageView& pv = project.pages[p];
    out += Labelled("page " + std::to_string(p), pv.name);
    for (size_t f = 0; f < pv.flags.size(); ++f) {
      out += FlagLine(p, f, pv.flags[f], "");
    }
    for (const std::string& line : pv.doc) {
      out += Labelled("  doc", line);
    }
  }
  return out;
}

std::string ShowJson(const ProjectView& project) {
  JsonWriter w;
  w.BeginObject();
  w.Key("title").String(project.title);
  w.Key("credit").String(project.credit);
  w.Key("pages").BeginArray();
  for (const PageView& pv : project.pages) {
    w.BeginObject();
    w.Key("name").String(pv.name);
    w.Key("flags").BeginArray();
    for (const FlagView& fv : pv.flags) {
      w.BeginObject().Key("name").String(fv.name).Key("offset").Number(fv.offset).EndObject();
    }
    w.EndArray();
    w.Key("doc").BeginArray();
    for (const std::string& line : pv.doc) {
      w.String(line);
    }
    w.EndArray();
    w.EndObject();
  }
  w.EndArray();
  w.EndObject();
  return w.Text() + "\n";
}

std::string ReadText(const ProjectView& project, const TargetBytes& bytes) {
  std::string out = "size: " + std::to_string(bytes.size) + "\n";
  for (size_t p = 0; p < project.pages.size(); ++p) {
    const PageView& pv = project.pages[p];
    out += Labelled("page " + std::to_string(p), pv.name);
    for (size_t f = 0; f < pv.flags.size(); ++f) {
      const std::optional<int>& v = bytes.values[p][f];
      char buf[32];
      if (v) {
        std::snprintf(buf, sizeof buf, " value %d (0x%02x)", *v, static_cast<unsigned>(*v));
      } else {
        std::snprintf(buf, sizeof buf, " past end");
      }
      out += FlagLine(p, f, pv.flags[f], buf);
    }
  }
  return out;
}

std::string ReadJson(const ProjectView& project, const TargetBytes& bytes) {
  JsonWriter w;
  w.BeginObject();
  w.Key("size").Number(bytes.size);
  w.Key("pages").BeginArray();
  for (size_t p = 0; p < project.pages.size(); ++p) {
    const PageView& pv = project.pages[p];
    w.BeginObject();
    w.Key("name").String(pv.name);
    w.Key("flags").BeginArray();
    for (size_t f = 0; f < pv.flags.size(); ++f) {
      w.BeginObject();
      w.Key("name").String(pv.flags[f].name);
      w.Key("offset").Number(pv.flags[f].offset);
      w.Key("value");
      if (const std::optional<int>& v = bytes.values[p][f]) {
        w.Number(*v);
      } else {
        w.Null();
      }
      w.EndObject();
    }
    w.EndArray();
    w.EndObject();
  }
  w.EndArray();
  w.EndObject();
  return w.Text() + "\n";
}
