#include "platform/exceptions.h"

EFOpenError::EFOpenError(const std::string& path)
    : Exception("ﾌｧｲﾙ " + path + " は開けません"), path_(path) {}
