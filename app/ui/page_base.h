// The skinned windows and the three-level page tree of the main window:
// CDialogBase (a top-level window with a background image, a rounded shape
// and dragging by its background), CFormViewBase (a child window with a
// background image), CPageBase (a top-level page with left buttons and up to
// nine sub-pages), CSubPageBase (a sub-page with a title, four action buttons
// and up to ten views) and CSubSubPageBase (a view).
#pragma once

#include <wx/frame.h>

#include <array>
#include <string>
#include <vector>

#include "app/ui/controls.h"
#include "app/ui/wnd_helper.h"

namespace clarivo::ui {

// Sizes the windows keep when their background image is missing.
inline const wxSize kMainWindowSize(790, 592);
inline const wxSize kPageSize(772, 524);
inline const wxSize kSubPageSize(576, 516);
inline const wxSize kViewSize(576, 462);
// The texts over "attention.png" are centred left of its emblem.
inline constexpr int kAttentionTextWidth = 160;

class CDialogBase : public wxFrame, public CWndHelper, public ISkinBackground {
 public:
  CDialogBase(wxWindow* parent, const wxString& title, const wxSize& default_size);
  wxWindow* GetWnd() override { return this; }
  void PaintBackground(wxDC& dc) override;

 protected:
  // Moves the window to the screen's top-left corner and sizes it to the
  // background image; applies the rounded shape when both corner values are set.
  void InitSkin();

  const wxBitmap* background_ = nullptr;
  int corner_width_ = -1;
  int corner_height_ = -1;

 private:
  void OnPaint(wxPaintEvent& event);
  void OnMouseDown(wxMouseEvent& event);
  void OnMouseMove(wxMouseEvent& event);
  void OnMouseUp(wxMouseEvent& event);

  wxPoint drag_offset_;
  bool dragging_ = false;
};

// The rounded window shape of a skinned window of `size`, corners an ellipse
// of `corner_width` x `corner_height`.
void ApplyRoundedShape(wxNonOwnedWindow* window, const wxSize& size, int corner_width, int corner_height);

class CFormViewBase : public wxWindow, public CWndHelper, public ISkinBackground {
 public:
  CFormViewBase(wxWindow* parent, const wxSize& default_size);
  wxWindow* GetWnd() override { return this; }
  // Stores the background (from the image cache) and takes its size.
  void SetBackground(const std::string& image_name);
  const wxBitmap* background() const { return background_; }
  // White, then the background image, then what the window adds.
  void PaintBackground(wxDC& dc) override;

 protected:
  // Images a window draws over its background (e.g. "attention.png").
  virtual void PaintExtras(wxDC& dc);

 private:
  void OnPaint(wxPaintEvent& event);
  const wxBitmap* background_ = nullptr;
};

class CSubPageBase;

class CPageBase : public CFormViewBase {
 public:
  static constexpr int kSubPageSlots = 9;
  static constexpr int kLeftButtons = 6;
  static constexpr std::array<int, kLeftButtons> kLeftButtonIds = {1027, 1022, 1028, 1029, 1030, 1031};

  explicit CPageBase(wxWindow* parent);

  // Shows sub-page i (0..8) when CanSwitchTo allows it; "page not exist" otherwise.
  void SwitchTo(int index);
  virtual bool CanSwitchTo(int index);
  int current_sub_page() const { return current_; }
  CSubPageBase* sub_page(int index) const;
  CButton4Status* left_button(int slot) const { return left_buttons_[slot]; }

 protected:
  // Registers `page` in slot `index` (hidden unless it is the current one).
  void SetSubPage(int index, CSubPageBase* page);
  // Gives the left button of `slot` its text and shows it.
  void ShowLeftButton(int slot, const wxString& text);
  void PaintExtras(wxDC& dc) override;

 private:
  void OnLeftButton(wxCommandEvent& event);
  void OnUpdateButton(wxCommandEvent& event);

  std::array<CSubPageBase*, kSubPageSlots> sub_pages_{};
  std::array<CButton4Status*, kLeftButtons> left_buttons_{};
  int current_ = 0;
  const wxBitmap& attention_;
};

class CSubPageBase : public CFormViewBase {
 public:
  static constexpr int kMaxViews = 10;
  static constexpr int kFirstActionId = 12745;

  explicit CSubPageBase(wxWindow* parent);

  // Hides the current view, shows view i and takes its title.
  void ShowView(int index);
  int current_view() const { return current_view_; }
  wxWindow* view(int index) const;
  CButton4Status* action_button(int index) const { return actions_[index]; }
  CHMXStatic* title() const { return title_; }
  virtual void OnAction(int index) = 0;

 protected:
  void SetView(int index, wxWindow* view, const wxString& title);
  // Gives action button `index` its text and shows it.
  void ShowAction(int index, const wxString& text);

 private:
  std::array<wxWindow*, kMaxViews> views_{};
  std::array<wxString, kMaxViews> view_titles_;
  std::array<CButton4Status*, 4> actions_{};
  CHMXStatic* title_ = nullptr;
  int current_view_ = 0;
};

class CSubSubPageBase : public CFormViewBase {
 public:
  CSubSubPageBase(wxWindow* parent, const std::string& background);
};

// Commands the pages share with the main window.
// The update check (2.5 s wait, then "Update_already_new.html").
void CheckForUpdates();

}  // namespace clarivo::ui
