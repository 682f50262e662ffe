// Helpers of the skin tests: a throw-away skin folder and pixel inspection.
#pragma once

#include <wx/bitmap.h>
#include <wx/image.h>
#include <wx/string.h>

#include <string>

// A fresh folder that is the skin folder while the object lives.
class TempSkin {
 public:
  TempSkin();
  ~TempSkin();
  TempSkin(const TempSkin&) = delete;
  TempSkin& operator=(const TempSkin&) = delete;

  std::string Path(const std::string& relative) const { return folder_ + "/" + relative; }
  // Writes `text` (UTF-8) to a file of the skin folder, making sub-folders.
  void Write(const std::string& relative, const std::string& text) const;
  void SavePng(const std::string& relative, const wxImage& image) const;
  void SaveIco(const std::string& relative, const wxImage& image) const;

 private:
  std::string folder_;
};

wxImage SolidImage(int w, int h, unsigned char r, unsigned char g, unsigned char b);

// Smallest rectangle holding every pixel that differs from (r, g, b); empty
// when there is none.
wxRect InkBox(const wxImage& image, unsigned char r, unsigned char g, unsigned char b);

// Number of separate bands of rows that hold a pixel differing from (r, g, b).
int InkRowBands(const wxImage& image, unsigned char r, unsigned char g, unsigned char b);

bool PixelIs(const wxImage& image, int x, int y, unsigned char r, unsigned char g, unsigned char b);
