// The syntax of an offset line: the byte string's whole-number syntax.
#include "platform/str_to_int.h"
#include "project/loader.h"

bool ParseOffsetText(const std::string& line, int32_t& value) { return TryStrToInt(line, value); }
