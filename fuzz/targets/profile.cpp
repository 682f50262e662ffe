// A section file of the profile: any file reads as values or as damaged,
// never worse; a file that reads takes a new value and keeps the old ones.
#include "app/core/profile.h"

#include <cstdint>
#include <string>
#include <vector>

#include "app/core/user_interface.h"
#include "fuzz/fuzz_check.h"

namespace {

// Leaves every damaged file where it is and shows nothing.
class QuietUser : public clarivo::IUserInterface {
 public:
  void MessageBox(const std::u16string&) override {}
  int ShowHtmlMessage(const std::string&, clarivo::HtmlDialogSize, const std::u16string&,
                      const std::u16string&) override {
    return 0;
  }
  bool AskYesNo(const std::u16string&) override { return false; }
  void ShowMainWindow() override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static QuietUser user;
  clarivo::SetUserInterface(&user);
  const std::string& folder = fuzz::ScratchFolder();
  if (!fuzz::WriteFile(folder + "/Setting", std::string_view(reinterpret_cast<const char*>(data), size)))
    return 0;
  using Status = clarivo::ProfileStore::Status;
  clarivo::ProfileStore store(folder);  // a new store: no file is remembered as kept
  std::int32_t number = 0;
  std::vector<std::uint8_t> bytes;
  const Status int_status = store.GetInt("Setting", "MinimizeToTray", &number);
  const Status bin_status = store.GetBinary("Setting", "LastScanResult", &bytes);
  FUZZ_CHECK(int_status != Status::kFailed && bin_status != Status::kFailed, "a readable file never fails");
  if (int_status == Status::kDamaged) return 0;
  FUZZ_CHECK(store.SetInt("Setting", "FuzzNew", 12345) == Status::kOk, "a readable file takes a new value");
  std::int32_t written = 0;
  FUZZ_CHECK(store.GetInt("Setting", "FuzzNew", &written) == Status::kOk && written == 12345,
             "the new value reads back");
  std::int32_t number_again = 0;
  std::vector<std::uint8_t> bytes_again;
  FUZZ_CHECK(store.GetInt("Setting", "MinimizeToTray", &number_again) == int_status, "old values stay");
  FUZZ_CHECK(number_again == number, "old numbers stay");
  FUZZ_CHECK(store.GetBinary("Setting", "LastScanResult", &bytes_again) == bin_status && bytes_again == bytes,
             "old blobs stay");
  return 0;
}
