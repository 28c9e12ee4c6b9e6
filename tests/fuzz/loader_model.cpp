#include "loader_model.h"

#include <optional>

#include "value_model.h"

namespace model {
namespace {

constexpr size_t PageLimit = 16;
constexpr size_t FlagLimit = 16;
constexpr size_t TextLimit = 255;

// At most 255 bytes, never ending inside a double-byte character.
std::string TextBuffer(const std::string& text) {
  size_t end = 0;
  for (size_t i = 0; i < text.size();) {
    const unsigned char b = static_cast<unsigned char>(text[i]);
    const bool lead = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    const size_t next = lead && i + 1 < text.size() ? i + 2 : i + 1;
    if (next > TextLimit) break;
    end = i = next;
  }
  return text.substr(0, end);
}

class Reader {
public:
  Reader(std::string_view bytes, const std::string& title) : lines_(Lines(bytes)) {
    project_.title = title;
  }

  Project Run() {
    const int result = TopLevel();
    if (result < 0) {
      project_.result = result;
      project_.pages.clear();
      project_.credit = "(Not load...)";
    }
    return project_;
  }

private:
  bool AtEnd() const { return at_ >= lines_.size(); }
  const std::string& Line() const { return lines_[at_]; }

  int TopLevel() {
    int current = -1;
    for (; !AtEnd(); ++at_) {
      const std::string& line = Line();
      if (line == "#copy" || line == "#title") {
        if (at_ + 1 == lines_.size()) continue;  // nothing to take: the text stays
        std::string& buffer = line == "#copy" ? project_.credit : project_.title;
        ++at_;
        buffer = TextBuffer(Line());
      } else if (line == "#tab") {
        ++at_;
        const int page = PageSection();
        if (page < 0) return page;
        current = page;
      } else if (line == "#doc") {
        ++at_;
        if (current < 0) continue;  // the next line is passed over
        for (; !AtEnd() && Line() != "#eodoc"; ++at_) project_.pages[current].doc.push_back(Line());
      } else if (line == "#end") {
        break;
      }
    }
    return 0;
  }

  // The first non-empty line from here on, or false at the end.
  bool NextNonEmpty() {
    while (!AtEnd() && Line().empty()) ++at_;
    return !AtEnd();
  }

  int PageSection() {
    if (!NextNonEmpty()) return -1;
    if (project_.pages.size() == PageLimit) return -3;
    project_.pages.push_back({Line(), {}, {}});
    Page& page = project_.pages.back();
    for (;;) {
      // The line after the name or after an offset: "#" ends the section
      // and is read again at the top level.
      if (++at_ >= lines_.size()) return -1;
      if (Line().starts_with('#')) {
        --at_;
        return static_cast<int>(project_.pages.size()) - 1;
      }
      if (!NextNonEmpty()) return -1;
      if (page.flags.size() == FlagLimit) return -4;
      page.flags.push_back({Line(), 0});
      if (++at_ >= lines_.size()) return -1;
      const std::optional<int32_t> offset = WholeNumber(Line());
      if (!offset || *offset < 0) return -2;
      page.flags.back().offset = *offset;
    }
  }

  std::vector<std::string> lines_;
  size_t at_ = 0;
  Project project_;
};

}  // namespace

std::vector<std::string> Lines(std::string_view bytes) {
  bytes = bytes.substr(0, bytes.find('\0'));
  std::vector<std::string> lines;
  std::string line;
  bool open = false;  // bytes or an unterminated line since the last end
  for (size_t i = 0; i < bytes.size(); ++i) {
    const char c = bytes[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(line);
      line.clear();
      open = false;
      if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    } else {
      line += c;
      open = true;
    }
  }
  if (open) lines.push_back(line);
  return lines;
}

Project Load(std::string_view bytes, const std::string& title) { return Reader(bytes, title).Run(); }

}  // namespace model
