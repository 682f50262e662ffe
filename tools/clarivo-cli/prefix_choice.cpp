#include "tools/clarivo-cli/prefix_choice.h"

#include <sys/stat.h>

#include <cctype>

namespace cli {
namespace {

bool SameNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

bool IsFolder(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

bool ResolveRegistryWord(std::string* word, std::string* error) {
  if (word->rfind("wine:", 0) == 0 || word->rfind("hive:", 0) == 0 || IsFolder(*word)) return true;
  return ResolveRegistryWord(platform::DiscoverWinePrefixes(), word, error);
}

bool ResolveRegistryWord(const std::vector<platform::WinePrefix>& prefixes, std::string* word,
                         std::string* error) {
  if (word->rfind("wine:", 0) == 0 || word->rfind("hive:", 0) == 0 || IsFolder(*word)) return true;
  if (!word->empty() && word->size() < 10 && word->find_first_not_of("0123456789") == std::string::npos) {
    const unsigned long number = std::stoul(*word);
    if (number < 1 || number > prefixes.size()) {
      *error = "there is no prefix number " + *word + " (" + std::to_string(prefixes.size()) +
               " listed by 'clarivo-cli prefixes')";
      return false;
    }
    *word = "wine:" + prefixes[number - 1].path;
    return true;
  }
  for (const bool exact : {true, false}) {
    std::vector<std::size_t> matches;
    for (std::size_t i = 0; i < prefixes.size(); ++i) {
      if (exact ? prefixes[i].name == *word : SameNoCase(prefixes[i].name, *word)) matches.push_back(i);
    }
    if (matches.size() == 1) {
      *word = "wine:" + prefixes[matches.front()].path;
      return true;
    }
    if (matches.size() > 1) {
      *error = "several prefixes are named '" + *word + "'; choose one by its number or folder:";
      for (const std::size_t i : matches) {
        *error += "\n  " + std::to_string(i + 1) + "  " + prefixes[i].path;
      }
      return false;
    }
  }
  return true;
}

}  // namespace cli
