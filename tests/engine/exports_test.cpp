// The built func_Clarivo.so: FunCreate is its only export, and the engine it
// makes answers every call even when no registry can be opened.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <sstream>
#include <string>

#include "shared/clean_reg.h"

namespace clarivo_test {
namespace {

const std::string kLibrary = std::string(CLARIVO_BIN_DIR) + "/func_Clarivo.so";

TEST(EngineLibrary, ExportsFunCreateAndNothingElse) {
  FILE* pipe = ::popen(("nm -D --defined-only '" + kLibrary + "' 2>&1").c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string output;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
  ASSERT_EQ(::pclose(pipe), 0) << output;

  std::set<std::string> functions, others;
  std::istringstream lines(output);
  for (std::string line; std::getline(lines, line);) {
    std::istringstream fields(line);
    std::string address, kind, name;
    if (!(fields >> address >> kind >> name)) continue;
    // Code of any binding (T, W, i); A entries are version nodes, not symbols.
    if (kind == "T" || kind == "t" || kind == "W" || kind == "w" || kind == "i") {
      functions.insert(name);
    } else if (kind != "A") {
      others.insert(name);
    }
  }
  EXPECT_EQ(functions, std::set<std::string>{"FunCreate"}) << output;
  EXPECT_TRUE(others.empty()) << output;
}

TEST(EngineLibrary, AnEngineWithoutARegistryStillAnswers) {
  ::setenv("CLARIVO_REGISTRY", "wine:/nonexistent/clarivo-prefix", 1);
  void* library = ::dlopen(kLibrary.c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library, nullptr) << ::dlerror();
  auto create = reinterpret_cast<FunCreateFn>(::dlsym(library, kFunCreateSymbol));
  ASSERT_NE(create, nullptr);
  Function::ICleanReg* clean = create();
  ASSERT_NE(clean, nullptr);
  for (int type = 1; type <= 13; ++type) EXPECT_EQ(clean->Scan(type, nullptr)->count, 0) << type;
  EXPECT_EQ(clean->HasProblems(), 0);
  EXPECT_EQ(clean->Fix(2, nullptr), 1);
  EXPECT_EQ(clean->Stop(1), 1);
  EXPECT_EQ(clean->HasBackup(), 0);
  clean->Release();
  ::dlclose(library);
  ::unsetenv("CLARIVO_REGISTRY");
}

}  // namespace
}  // namespace clarivo_test
