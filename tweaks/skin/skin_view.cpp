#include "skin/skin_view.h"

#include <wx/animate.h>
#include <wx/bmpbuttn.h>
#include <wx/dcclient.h>
#include <wx/dcmemory.h>
#include <wx/display.h>
#include <wx/nonownedwnd.h>
#include <wx/region.h>
#include <wx/settings.h>
#include <wx/toplevel.h>
#include <wx/xrc/xmlres.h>

#include <algorithm>

#include "skin/button_bitmaps.h"
#include "skin/skin_loaders.h"
#include "skin/skin_xml.h"

namespace tweaks {

SkinView::SkinView(const wxString& file) {
  loaded_ = LoadSkinXml(file, doc_);
  if (!loaded_) return;
  if (const wxXmlNode* view = FirstSkinSection(doc_, "view")) root_ = LayoutNode::Read(view);
  bitmaps_ = std::make_unique<BitmapList>(doc_);
  buttonSection_ = FirstSkinSection(doc_, "button_bitmaps");
}

SkinView::~SkinView() = default;

void SkinView::Apply(wxWindow* window, wxBitmap& background, const wxSize& size, const wxString& viewId) {
  window_ = window;
  // Only a missing entry keeps the caller's background; an entry whose image
  // could not be composed replaces it with its empty bitmap.
  wxBitmap fromList;
  if (bitmaps_ && bitmaps_->Get(viewId, fromList)) background = fromList;
  background_ = background;
  root_.Layout(size);
  if (window_ != nullptr) ApplyNode(root_, window_);
}

bool SkinView::GetBitmap(const wxString& id, wxBitmap& out) { return bitmaps_ && bitmaps_->Get(id, out); }

bool SkinView::PaintBackground(wxBitmap& bitmap, wxWindow* window, bool useMask) {
  if (window == nullptr || !bitmap.IsOk()) return false;
  wxMemoryDC source(bitmap);
  wxClientDC target(window);
  if (!source.IsOk() || !target.IsOk()) return false;
  const wxSize size = window->GetClientSize();
  target.Blit(0, 0, size.x, size.y, &source, 0, 0, wxCOPY, useMask);
  return true;
}

void SkinView::Reapply() {
  if (window_ != nullptr) ApplyNode(root_, window_);
}

void SkinView::ApplyNode(const LayoutNode& node, wxWindow* root) {
  if (!node.id.empty()) {
    // XRCID of an unknown name is a fresh id that matches no window.
    if (wxWindow* target = root->FindWindow(wxXmlResource::GetXRCID(node.id))) ApplyToWindow(node, target);
  }
  for (const LayoutNode& child : node.children) ApplyNode(child, root);
}

void SkinView::ApplyToWindow(const LayoutNode& node, wxWindow* target) {
  auto* topLevel = target->IsTopLevel() ? dynamic_cast<wxTopLevelWindow*>(target) : nullptr;
  wxFont font;
  if (!node.fontName.empty() && fonts_.FindFont(node.fontName, font)) target->SetFont(font);
  if (!node.title.empty() && topLevel != nullptr) topLevel->SetTitle(TranslateSkinText(node.title));

  if (node.computedWidth != 0 || node.computedHeight != 0) {
    if (topLevel != nullptr) {
      target->SetClientSize(node.computedWidth, node.computedHeight);
    } else {
      target->SetSize(node.computedWidth, node.computedHeight);
    }
  }
  if (topLevel == nullptr) {
    target->Move(node.computedX, node.computedY);
  } else {
    const wxSize screen = wxGetDisplaySize();
    const int button = std::max(0, wxSystemSettings::GetMetric(wxSYS_CAPTION_Y, target));
    target->Move(PlaceByLocation(node.location, node.width, node.height, screen.x, screen.y, button));
  }

  wxColour colour;
  if (!node.backColour.empty() && colours_.FindColour(node.backColour, colour))
    target->SetBackgroundColour(colour);
  if (!node.foreColour.empty() && colours_.FindColour(node.foreColour, colour))
    target->SetForegroundColour(colour);

  if (!node.iconFile.empty() && topLevel != nullptr) {
    wxIcon icon;
    if (LoadSkinIcon(node.iconFile, icon, 16)) topLevel->SetIcon(icon);
  }
  if (!node.gifFile.empty()) {
    if (auto* animation = dynamic_cast<wxAnimationCtrlBase*>(target))
      LoadSkinAnimation(node.gifFile, animation);
  }
  if (!node.maskFile.empty() && topLevel != nullptr) {
    wxBitmap mask;
    if (LoadSkinBitmap(node.maskFile, mask) && mask.IsOk()) {
      topLevel->SetWindowStyleFlag(topLevel->GetWindowStyleFlag() | wxFRAME_SHAPED);
      topLevel->SetShape(wxRegion(mask, *wxBLACK));
    }
  }
  if (dynamic_cast<wxBitmapButton*>(target) != nullptr) BuildButton(node, target);
}

const wxXmlNode* SkinView::FindButtonElement(const wxString& id) const {
  for (const wxXmlNode* button : ElementChildren(buttonSection_)) {
    if (SkinAttr(button, "id").IsSameAs(id, false)) return button;
  }
  return nullptr;
}

void SkinView::BuildButton(const LayoutNode& node, wxWindow* target) {
  wxBitmap crop;
  if (background_.IsOk()) {
    const wxRect wanted(node.computedX, node.computedY, node.computedWidth, node.computedHeight);
    // Only the part of the button that lies on the background can be cut.
    const wxRect rect = wanted.Intersect(wxRect(0, 0, background_.GetWidth(), background_.GetHeight()));
    if (!rect.IsEmpty()) crop = background_.GetSubBitmap(rect);
  }
  const wxXmlNode* element = FindButtonElement(node.id);
  if (element == nullptr) return;
  ButtonBitmaps bitmaps = ButtonBitmaps::Build(element, crop, wxSize(node.computedWidth, node.computedHeight),
                                               fonts_, colours_, function_);
  bitmaps.SetOn(static_cast<wxBitmapButton*>(target));
}

}  // namespace tweaks
