#include "app/core/categories.h"

#include <array>

#include "app/core/translation.h"

namespace clarivo {
namespace {

using G = CategoryGroup;

constexpr std::array<CategoryInfo, 13> kTable = {{
    {0x0001, 1, "MissingShareDLL", G::kSerious, N_("Invalid shared DLLs"), "icon/5_MissingShareDLL.ico",
     "icon_witherror/5_MissingShareDLL.ico"},
    {0x0002, 2, "InvalidApplication", G::kGeneral, N_("Invalid file associations"),
     "icon/6_InvalidApplication.ico", "icon_witherror/6_InvalidApplication.ico"},
    {0x0004, 3, "InvalidActiveXAndCOM", G::kSerious, N_("Invalid ActiveX,COM section"),
     "icon/7_InvalidActiveXAndCOM.ico", "icon_witherror/7_InvalidActiveXAndCOM.ico"},
    {0x0008, 4, "InvalidStartMenuOrding", G::kGeneral, N_("Invalid Shortcuts on start menu"),
     "icon/8_InvalidStartMenuOrding.ico", "icon_witherror/8_InvalidStartMenuOrding.ico"},
    {0x0010, 5, "InvalidInstaller", G::kGeneral, N_("Invalid Install information"),
     "icon/9_InvalidInstaller.ico", "icon_witherror/9_InvalidInstaller.ico"},
    {0x0020, 6, "InvalidDefaultIcon", G::kGeneral, N_("Invalid Default Icons"),
     "icon/10_InvalidDefaultIcon.ico", "icon_witherror/10_InvalidDefaultIcon.ico"},
    {0x0040, 7, "InvalidOpenWithApplication", G::kGeneral, N_("Invalid open with App"),
     "icon/11_InvalidOpenWithApplication.ico", "icon_witherror/11_InvalidOpenWithApplication.ico"},
    {0x0080, 8, "MUICache", G::kGeneral, N_("Invalid Multilanguage User Interface cache"),
     "icon/1_MUICache.ico", "icon_witherror/1_MUICache.ico"},
    {0x0100, 9, nullptr, G::kNone, nullptr, nullptr, nullptr},
    {0x0200, 10, "ObsoleteSoftware", G::kGeneral, N_("Invalid Install information"),
     "icon/2_ObsoleteSoftware.ico", "icon_witherror/2_ObsoleteSoftware.ico"},
    {0x0400, 11, "HelpFiles", G::kGeneral, N_("Invalid Help files"), "icon/3_HelpFiles.ico",
     "icon_witherror/3_HelpFiles.ico"},
    {0x0800, 12, nullptr, G::kNone, N_("Fonts"), nullptr, nullptr},
    {0x1000, 13, "UnusedFileExtensions", G::kSerious, N_("Unused file extensions"),
     "icon/4_UnusedFileExtensions.ico", "icon_witherror/4_UnusedFileExtensions.ico"},
}};

// The order in which the icons enter the image list.
constexpr std::array<std::int32_t, 11> kIconOrder = {0x0080, 0x0200, 0x0400, 0x1000, 0x0001, 0x0002,
                                                     0x0004, 0x0008, 0x0010, 0x0020, 0x0040};

}  // namespace

std::span<const CategoryInfo> Categories() { return kTable; }

const CategoryInfo* FindCategory(std::int32_t bit) {
  for (const CategoryInfo& info : kTable) {
    if (info.bit == bit) return &info;
  }
  return nullptr;
}

std::u16string GetCategoryName(std::int32_t bit) {
  const CategoryInfo* info = FindCategory(bit);
  return info && info->name ? Translate(info->name) : std::u16string();
}

void CategoryImageTable::Build(const AddIcon& add) {
  index_by_key_.clear();
  for (bool with_findings : {false, true}) {
    for (std::int32_t bit : kIconOrder) {
      const CategoryInfo* info = FindCategory(bit);
      if (info == nullptr) continue;  // an icon order entry without a table row gets no image
      index_by_key_[Key(bit, with_findings)] = add(with_findings ? info->icon_with_errors : info->icon);
    }
  }
  built_ = true;
}

int CategoryImageTable::Get(std::int32_t bit, bool with_findings) const {
  auto it = index_by_key_.find(Key(bit, with_findings));
  return it == index_by_key_.end() ? -1 : it->second;
}

}  // namespace clarivo
