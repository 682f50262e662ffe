// Tweaks' options file system.xml: any file gives the two options without
// failing; one that is not well-formed gives false for both.

#include <cstdint>
#include <string>

#include "fuzz/fuzz_check.h"
#include "host/host_options.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = fuzz::ScratchFolder() + "/system.xml";
  if (!fuzz::WriteFile(path, std::string_view(reinterpret_cast<const char*>(data), size))) return 0;
  tweaks::HostOptions options;
  options.haveTray = options.singleInstance = true;
  options.checkMode = 2;
  tweaks::LoadHostOptionsFile(wxString::FromUTF8(path.c_str()), options);
  FUZZ_CHECK(options.checkMode == 2, "only the two file-backed options change");
  return 0;
}
