// Basic facts about this machine for the "Overview" view, read from the
// usual places (/etc/os-release, uname, /proc/meminfo, statvfs of home).
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace tweaks::overview {

// PRETTY_NAME of an os-release text, else NAME and VERSION, else empty.
std::string DistributionFromOsRelease(const std::string& text);

// "MemTotal" and "MemAvailable" of a /proc/meminfo text, in bytes (0 when
// missing).
struct Memory {
  uint64_t total = 0;
  uint64_t available = 0;
};
Memory MemoryFromMeminfo(const std::string& text);

// 1536 -> "1.5 KiB"; below 1024 bytes "N B".
std::string FormatBytes(uint64_t bytes);

// Label/value pairs in display order; labels are English message ids the
// caller translates.
std::vector<std::pair<std::string, std::string>> CollectFacts(const std::string& homeFolder);

// The facts as a script the skin's page includes: it sets
// `window.tweaksHeading` and `window.tweaksFacts`, an array of {label, value}.
std::string FactsScript(const std::string& heading,
                        const std::vector<std::pair<std::string, std::string>>& facts);

}  // namespace tweaks::overview
