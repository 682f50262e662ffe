#include "skin_test_support.h"

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/debug.h>
#include <wx/init.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "skin/skin_paths.h"

namespace fs = std::filesystem;

TempSkin::TempSkin() {
  std::string pattern = (fs::temp_directory_path() / "tweaks-skin-XXXXXX").string();
  char* made = mkdtemp(pattern.data());
  EXPECT_NE(made, nullptr);
  folder_ = pattern;
  tweaks::SetSkinFolder(wxString::FromUTF8(folder_));
}

TempSkin::~TempSkin() {
  tweaks::SetSkinFolder(wxString());
  std::error_code ignored;
  fs::remove_all(folder_, ignored);
}

void TempSkin::Write(const std::string& relative, const std::string& text) const {
  fs::path path = Path(relative);
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

void TempSkin::SavePng(const std::string& relative, const wxImage& image) const {
  fs::create_directories(fs::path(Path(relative)).parent_path());
  ASSERT_TRUE(image.SaveFile(wxString::FromUTF8(Path(relative)), wxBITMAP_TYPE_PNG));
}

void TempSkin::SaveIco(const std::string& relative, const wxImage& image) const {
  fs::create_directories(fs::path(Path(relative)).parent_path());
  ASSERT_TRUE(image.SaveFile(wxString::FromUTF8(Path(relative)), wxBITMAP_TYPE_ICO));
}

wxImage SolidImage(int w, int h, unsigned char r, unsigned char g, unsigned char b) {
  wxImage image(w, h, false);
  image.SetRGB(wxRect(0, 0, w, h), r, g, b);
  return image;
}

static bool IsInk(const wxImage& image, int x, int y, unsigned char r, unsigned char g, unsigned char b) {
  return image.GetRed(x, y) != r || image.GetGreen(x, y) != g || image.GetBlue(x, y) != b;
}

wxRect InkBox(const wxImage& image, unsigned char r, unsigned char g, unsigned char b) {
  int left = image.GetWidth(), top = image.GetHeight(), right = -1, bottom = -1;
  for (int y = 0; y < image.GetHeight(); ++y) {
    for (int x = 0; x < image.GetWidth(); ++x) {
      if (!IsInk(image, x, y, r, g, b)) continue;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = std::max(bottom, y);
    }
  }
  if (right < 0) return wxRect();
  return wxRect(left, top, right - left + 1, bottom - top + 1);
}

int InkRowBands(const wxImage& image, unsigned char r, unsigned char g, unsigned char b) {
  int bands = 0;
  bool previous = false;
  for (int y = 0; y < image.GetHeight(); ++y) {
    bool ink = false;
    for (int x = 0; x < image.GetWidth() && !ink; ++x) ink = IsInk(image, x, y, r, g, b);
    if (ink && !previous) ++bands;
    previous = ink;
  }
  return bands;
}

bool PixelIs(const wxImage& image, int x, int y, unsigned char r, unsigned char g, unsigned char b) {
  return image.GetRed(x, y) == r && image.GetGreen(x, y) == g && image.GetBlue(x, y) == b;
}

namespace {

void PrintAssert(const wxString& file, int line, const wxString& func, const wxString& cond,
                 const wxString& msg) {
  std::fprintf(stderr, "wx assert %s:%d %s: %s %s\n", static_cast<const char*>(file.utf8_str()), line,
               static_cast<const char*>(func.utf8_str()), static_cast<const char*>(cond.utf8_str()),
               static_cast<const char*>(msg.utf8_str()));
  // The skin code must never trip the toolkit's checks: each one is a fault.
  ADD_FAILURE() << "wx assert: " << cond.utf8_str() << " " << msg.utf8_str();
}

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  bool listing = testing::GTEST_FLAG(list_tests);
  const char* display = std::getenv("DISPLAY");
  if (listing) return RUN_ALL_TESTS();
  if (display == nullptr || *display == '\0') {
    // ctest counts this status as skipped (SKIP_RETURN_CODE).
    std::fprintf(stderr, "No DISPLAY: skipping the skin tests (install xvfb-run to run them).\n");
    return 77;
  }
  wxSetAssertHandler(PrintAssert);
  wxApp::SetInstance(new wxApp);
  if (!wxEntryStart(argc, argv)) {
    std::fprintf(stderr, "cannot initialise the toolkit\n");
    return 1;
  }
  wxInitAllImageHandlers();
  int result = RUN_ALL_TESTS();
  wxEntryCleanup();
  return result;
}
