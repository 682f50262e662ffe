// The process-wide skin image cache: every skin image is read at most once
// per run; an image that cannot be read stays cached as an empty bitmap
// (size 0, draws nothing) and is never retried. User-interface thread only.
#pragma once

#include <wx/bitmap.h>
#include <wx/imaglist.h>

#include <cstdint>
#include <string>

namespace clarivo::ui {

// The image folder (GetDeployPath("IMAGE")) and the name, backslashes of the
// name turned into slashes.
std::string GetImagePath(const std::string& name);

// The cached image; an invalid bitmap when the file could not be read. The
// reference stays valid until the program ends.
const wxBitmap& GetImage(const std::string& name);

// Width and height of an image, 0 for a failed one.
inline int ImageWidth(const wxBitmap& image) { return image.IsOk() ? image.GetWidth() : 0; }
inline int ImageHeight(const wxBitmap& image) { return image.IsOk() ? image.GetHeight() : 0; }

// Reads an image file directly (the image buttons own theirs); invalid when
// it cannot be read. No message is logged.
wxBitmap LoadImageFile(const std::string& path);

// How many files the cache has read so far (for tests).
int ImageCacheLoads();

// The shared list of category icons (16 x 16), built on first use.
wxImageList& GetCategoryImageList();
// The list index of the category's icon, -1 when there is none.
int GetCategoryImage(std::int32_t bit, bool with_findings);

}  // namespace clarivo::ui
