#include "app/ui/skin_cache.h"

#include <wx/icon.h>
#include <wx/image.h>
#include <wx/log.h>

#include <map>
#include <memory>

#include "app/core/categories.h"
#include "app/core/ini.h"

namespace clarivo::ui {
namespace {

struct Cache {
  std::map<std::string, std::unique_ptr<wxBitmap>> images;
  int loads = 0;
};

Cache& TheCache() {
  static Cache cache;
  return cache;
}

std::string Slashes(std::string text) {
  for (char& c : text) {
    if (c == '\\') c = '/';
  }
  return text;
}

}  // namespace

std::string GetImagePath(const std::string& name) {
  std::string folder = Slashes(GetDeployPath("IMAGE"));
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder + Slashes(name);
}

wxBitmap LoadImageFile(const std::string& path) {
  wxLogNull quiet;  // a missing skin file is not reported
  wxImage image;
  if (!wxFileExists(wxString::FromUTF8(path)) || !image.LoadFile(wxString::FromUTF8(path))) return {};
  return wxBitmap(image);
}

const wxBitmap& GetImage(const std::string& name) {
  Cache& cache = TheCache();
  auto found = cache.images.find(name);
  if (found != cache.images.end()) return *found->second;
  ++cache.loads;
  auto image = std::make_unique<wxBitmap>(LoadImageFile(GetImagePath(name)));
  return *cache.images.emplace(name, std::move(image)).first->second;
}

int ImageCacheLoads() { return TheCache().loads; }

namespace {

struct CategoryList {
  wxImageList list{16, 16, true, 0};
  CategoryImageTable table;
};

CategoryList& TheCategoryList() {
  static CategoryList categories;
  if (!categories.table.built()) {
    categories.table.Build([&](const std::string& icon_file) -> int {
      wxLogNull quiet;
      wxImage image;
      const wxString path = wxString::FromUTF8(GetImagePath(icon_file));
      if (!wxFileExists(path) || !image.LoadFile(path, wxBITMAP_TYPE_ICO)) return -1;
      if (image.GetWidth() != 16 || image.GetHeight() != 16) image.Rescale(16, 16, wxIMAGE_QUALITY_HIGH);
      return categories.list.Add(wxBitmap(image));
    });
  }
  return categories;
}

}  // namespace

wxImageList& GetCategoryImageList() { return TheCategoryList().list; }

int GetCategoryImage(std::int32_t bit, bool with_findings) {
  return TheCategoryList().table.Get(bit, with_findings);
}

}  // namespace clarivo::ui
