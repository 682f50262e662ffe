// The problem categories as the user sees them: bit, engine type, name, group
// and icons. Category bit = 1 << (engine type - 1).
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <span>
#include <string>

namespace clarivo {

inline constexpr std::int32_t kSeriousMask = 0x1005;
inline constexpr std::int32_t kGeneralMask = 0x06FA;
inline constexpr std::int32_t kFullScanMask = 0x16FF;
inline constexpr int kCategoryBitCount = 15;  // bits 0x0001 .. 0x4000

enum class CategoryGroup { kNone, kSerious, kGeneral };

struct CategoryInfo {
  std::int32_t bit;
  int type;                // engine problem type number
  const char* identifier;  // e.g. "MissingShareDLL"; null for none
  CategoryGroup group;
  const char* name;              // message identifier; null for none
  const char* icon;              // without findings, relative to the image folder
  const char* icon_with_errors;  // with findings
};

// Bits 0x0001 to 0x1000 in rising order.
std::span<const CategoryInfo> Categories();
// The entry of one bit; null for a bit outside the table.
const CategoryInfo* FindCategory(std::int32_t bit);

// The translated name; empty for a bit without a name.
std::u16string GetCategoryName(std::int32_t bit);

// The category icons of the shared image list: 22 icons added in a fixed
// order, the key of each being its bit (+ 1031 with findings).
class CategoryImageTable {
 public:
  // Adds one icon file to the image list; answers its list index or -1.
  using AddIcon = std::function<int(const std::string& icon_file)>;

  static int Key(std::int32_t bit, bool with_findings) { return bit + (with_findings ? 1031 : 0); }

  // Adds every icon in list order (without findings first, then with).
  void Build(const AddIcon& add);
  bool built() const { return built_; }
  // The list index for the category's icon, or -1 when there is none.
  int Get(std::int32_t bit, bool with_findings) const;

 private:
  bool built_ = false;
  std::map<int, int> index_by_key_;
};

}  // namespace clarivo
