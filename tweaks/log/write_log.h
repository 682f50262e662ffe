// The export of the logging library "log.dll" (log.so here). The host loads it
// at run time and calls it with the day's log file and one message.
#pragma once

#include <cstddef>

#define TWEAKS_LOG_EXPORT __attribute__((visibility("default")))

extern "C" {
// Appends one line "YYYY-MM-DD HH:MM:SS message" (local time, UTF-8) to
// `logFilePath`. Line breaks inside `message` become spaces so that one call
// is always one line. Null arguments write nothing.
TWEAKS_LOG_EXPORT void WriteLog(const wchar_t* logFilePath, const wchar_t* message);
}

using WriteLogFunction = void (*)(const wchar_t* logFilePath, const wchar_t* message);
