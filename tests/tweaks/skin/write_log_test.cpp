// log.so as the host loads it: by path, resolving "WriteLog".
#include "log/write_log.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::vector<std::string> Lines(const fs::path& file) {
  std::vector<std::string> lines;
  std::ifstream in(file);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

}  // namespace

TEST(WriteLog, AppendsOneStampedLinePerCallAndMakesTheFolder) {
  void* library = dlopen(TWEAKS_LOG_LIBRARY, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library, nullptr) << dlerror();
  auto write = reinterpret_cast<WriteLogFunction>(dlsym(library, "WriteLog"));
  ASSERT_NE(write, nullptr);

  fs::path folder = fs::temp_directory_path() / ("tweaks-log-" + std::to_string(getpid()));
  fs::remove_all(folder);
  fs::create_directories(folder);  // the program folder; its "log" folder is missing
  fs::path file = folder / "log" / "2026-12-07.log";
  write(file.wstring().c_str(), L"first entry");
  write(file.wstring().c_str(), L"two\nlines\r\nin one, caf\u00e9");
  write(nullptr, L"ignored");
  write(file.wstring().c_str(), nullptr);

  std::vector<std::string> lines = Lines(file);
  ASSERT_EQ(lines.size(), 2u);
  std::regex stamped(R"(\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2} (.*))");
  std::smatch match;
  ASSERT_TRUE(std::regex_match(lines[0], match, stamped)) << lines[0];
  EXPECT_EQ(match[1], "first entry");
  ASSERT_TRUE(std::regex_match(lines[1], match, stamped)) << lines[1];
  EXPECT_EQ(match[1], "two lines  in one, caf\xc3\xa9");

  dlclose(library);
  fs::remove_all(folder);
}
