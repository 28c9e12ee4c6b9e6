#pragma once
// The loaded project: module-level tables for the whole run of the program.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/string_list.h"

constexpr int MaxPages = 16;
constexpr int MaxFlags = 16;

// Lines of the project file while one load runs; null otherwise.
extern std::unique_ptr<TStringList> ProjectLines;

// One entry per declared page, in declaration order.
extern std::unique_ptr<TStringList> PageNames;
// Per page slot: flag names and document lines. All 16 exist between
// CreatePageLists and FreePageLists, declared or not.
extern std::unique_ptr<TStringList> FlagNames[MaxPages];
extern std::unique_ptr<TStringList> PageDocs[MaxPages];

extern int32_t FlagOffsets[MaxPages][MaxFlags];
extern int32_t FlagValues[MaxPages][MaxFlags];

// The path the next load reads: the system's own bytes, kept whole.
extern std::string ProjectFileName;
// Text buffers of the project file's bytes (code page 932), at most
// MaxTextBytes bytes each.
extern std::string ProjectTitle;
extern std::string ProjectCredit;

constexpr size_t MaxTextBytes = 255;
constexpr const char* NotLoadedCredit = "(Not load...)";

// Copies `text` into a text buffer, cut to at most 255 bytes and never in
// the middle of a double-byte character.
void CopyToTextBuffer(std::string& buffer, std::string_view text);

void CreatePageLists();
void FreePageLists();
void ClearFlagValues();
