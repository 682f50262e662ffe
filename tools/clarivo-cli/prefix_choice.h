// The registry named on the command line by a number or a name from the list
// of `clarivo-cli prefixes`, as well as by a folder or a source.
#pragma once

#include <string>
#include <vector>

#include "platform/prefix_discovery.h"

namespace cli {

// Rewrites `word` (the value of --registry) into a registry source: "wine:"
// and "hive:" sources and an existing folder stay as they are (a folder wins
// over a name); a number N picks the Nth listed prefix; otherwise a listed
// prefix's name (exactly, else without regard to case). A word that matches
// nothing stays, so that opening it reports the cause. Returns false with
// `error` set on a usage error: a number beyond the list, or a name shared by
// several prefixes (the message lists them).
bool ResolveRegistryWord(std::string* word, std::string* error);
bool ResolveRegistryWord(const std::vector<platform::WinePrefix>& prefixes, std::string* word,
                         std::string* error);

}  // namespace cli
