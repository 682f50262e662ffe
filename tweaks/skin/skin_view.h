// A skin file bound to a window built from an XRC resource: layout tree,
// fonts, colours, titles, icons, animations, shapes and button bitmaps applied
// to the windows found by XRC id, and the window's background.
#pragma once

#include <wx/bitmap.h>
#include <wx/gdicmn.h>
#include <wx/string.h>
#include <wx/window.h>
#include <wx/xml/xml.h>

#include <memory>

#include "skin/bitmap_list.h"
#include "skin/colour_table.h"
#include "skin/font_table.h"
#include "skin/layout_node.h"
#include "skin/skin_function.h"

namespace tweaks {

class SkinView {
 public:
  // Reads `file` (relative to the skin folder) once.
  explicit SkinView(const wxString& file);

  // Plug-ins call these four in this order of slots.
  // Remembers `window`, takes `background` from the bitmap list entry `viewId`
  // (unchanged when there is none), lays the tree out with `size` and applies
  // it to `window`.
  virtual void Apply(wxWindow* window, wxBitmap& background, const wxSize& size, const wxString& viewId);
  virtual bool GetBitmap(const wxString& id, wxBitmap& out);
  // Copies `bitmap` onto `window` at (0, 0) over the window's client size.
  virtual bool PaintBackground(wxBitmap& bitmap, wxWindow* window, bool useMask);
  // Applies the tree again to the remembered window, without a new layout.
  virtual void Reapply();
  virtual ~SkinView();

  const LayoutNode& Root() const { return root_; }
  bool Loaded() const { return loaded_; }

 private:
  void ApplyNode(const LayoutNode& node, wxWindow* root);
  void ApplyToWindow(const LayoutNode& node, wxWindow* target);
  void BuildButton(const LayoutNode& node, wxWindow* target);
  const wxXmlNode* FindButtonElement(const wxString& id) const;

  LayoutNode root_;
  wxXmlDocument doc_;
  bool loaded_ = false;
  std::unique_ptr<BitmapList> bitmaps_;
  FontTable fonts_;
  ColourTable colours_;
  SkinFunction function_;
  const wxXmlNode* buttonSection_ = nullptr;
  wxWindow* window_ = nullptr;
  wxBitmap background_;
};

}  // namespace tweaks
