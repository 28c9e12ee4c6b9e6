#pragma once
// The search for line stops (LF, CR and zero bytes) that the string list
// cuts its texts at: blocks of 64 bytes at a time, with the processor's
// vector instructions where it has them.
#include <cstddef>
#include <cstdint>

#include "platform/string_list.h"

namespace line_scan {

// Lists the places, counted from `p`, of the line stops among `blocks`
// blocks of 64 bytes at `p`: every LF, CR and zero byte, except an LF that
// follows a CR in the same block (the second byte of a CR LF). `places`
// must have room for 64 * blocks + 4 entries, and `blocks` * 64 may be at
// most 65536.
struct Found {
  size_t count;  // places listed
  bool zero;     // whether any of the bytes is zero
};
using ScanFn = Found (*)(const char* p, size_t blocks, uint16_t* places);

// The scan in use: the best the processor offers unless a test chose one.
ScanFn Current();
bool Select(string_list_detail::Scan scan);

}  // namespace line_scan
