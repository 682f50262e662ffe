// Records of the "attributeList" sections of a skin file.
#pragma once

#include <wx/string.h>
#include <wx/xml/xml.h>

#include <cstdint>
#include <vector>

namespace tweaks {

struct AttributeRecord {
  wxString id;
  int32_t x = 0;
  int32_t y = 0;
  int32_t height = 0;
  int32_t width = 0;
  wxString font_name;
  wxString colour_name;
  wxString text;
};

class AttributeList {
 public:
  // Reads the skin file `file` (relative to the skin folder) once.
  explicit AttributeList(const wxString& file);
  explicit AttributeList(const wxXmlDocument& doc);

  // First record whose id equals `id` without regard to case.
  virtual bool Get(const wxString& id, AttributeRecord& out) const;
  virtual ~AttributeList();

  const std::vector<AttributeRecord>& Records() const { return records_; }

 private:
  void Read(const wxXmlDocument& doc);
  std::vector<AttributeRecord> records_;
};

}  // namespace tweaks
