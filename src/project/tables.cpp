#include "project/tables.h"

#include "platform/cp932.h"

std::unique_ptr<TStringList> ProjectLines;
std::unique_ptr<TStringList> PageNames;
std::unique_ptr<TStringList> FlagNames[MaxPages];
std::unique_ptr<TStringList> PageDocs[MaxPages];

int32_t FlagOffsets[MaxPages][MaxFlags];
int32_t FlagValues[MaxPages][MaxFlags];

std::string ProjectFileName;
std::string ProjectTitle;
std::string ProjectCredit;

void CopyToTextBuffer(std::string& buffer, std::string_view text) {
  // Walk character by character from the start: only there is it known
  // whether a byte is a lead byte or the trail byte of a pair.
  size_t kept = 0;
  while (kept < text.size()) {
    size_t width = IsCp932LeadByte(static_cast<unsigned char>(text[kept])) && kept + 1 < text.size() ? 2 : 1;
    if (kept + width > MaxTextBytes) break;
    kept += width;
  }
  buffer.assign(text.substr(0, kept));
}

void CreatePageLists() {
  PageNames = std::make_unique<TStringList>();
  for (int p = 0; p < MaxPages; ++p) {
    FlagNames[p] = std::make_unique<TStringList>();
    PageDocs[p] = std::make_unique<TStringList>();
  }
}

void FreePageLists() {
  PageNames.reset();
  for (int p = 0; p < MaxPages; ++p) {
    FlagNames[p].reset();
    PageDocs[p].reset();
  }
}

void ClearFlagValues() {
  for (int p = 0; p < MaxPages; ++p) {
    for (int f = 0; f < MaxFlags; ++f) FlagValues[p][f] = 0;
  }
}
