// The grid list of the pages and the hyperlink text.
//
// CGridListCtrlEx is a report list: columns with a header text, an alignment
// and a width; rows of texts with an image of a small-icon list in the first
// column; a text colour per row that the list asks of its row trait; full-row
// selection; columns the user can drag to another place; sorting by a column
// (a click on its header). The rows live in the control and the native view
// asks for the shown ones only, so 20,000 findings cost no more to show than
// twenty.
#pragma once

#include <wx/dataview.h>
#include <wx/hyperlink.h>
#include <wx/imaglist.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace clarivo::ui {

// Column formats as the pages give them.
inline constexpr int kColumnLeft = 0;
inline constexpr int kColumnRight = 1;
inline constexpr int kColumnCentre = 2;
// Extended styles.
inline constexpr int kHeaderDragDrop = 0x10;
inline constexpr int kFullRowSelect = 0x20;

// The row trait of the category grids: the text colour of each row; a row
// without an entry is green.
class CMyTrait {
 public:
  static constexpr std::uint32_t kDefaultColour = 0x008000;
  void SetColour(int row, std::uint32_t colour) { colours_[row] = colour; }
  std::uint32_t GetColour(int row) const;
  void Clear() { colours_.clear(); }

 private:
  std::map<int, std::uint32_t> colours_;
};

class GridModel;

class CGridListCtrlEx : public wxDataViewCtrl {
 public:
  // show_header false: the page draws its own headings above the list.
  CGridListCtrlEx(wxWindow* parent, int id, const wxPoint& pos, const wxSize& size, bool show_header = true);
  ~CGridListCtrlEx() override;

  // Appends a column; format kColumnLeft / kColumnRight / kColumnCentre.
  int InsertColumn(int index, const wxString& header, int format, int width);
  // Inserts a row at `row` (clamped to the row count) with the first
  // column's text and image (-1: none); answers its index.
  int InsertItem(int row, const wxString& text, int image = -1);
  int AppendItem(const wxString& text, int image = -1) { return InsertItem(GetItemCount(), text, image); }
  void SetItemText(int row, int column, const wxString& text);
  void SetItemImage(int row, int image);
  wxString GetItemText(int row, int column = 0) const;
  int GetItemImage(int row) const;
  void DeleteAllItems();
  int GetItemCount() const;
  int ColumnCount() const;
  // Many rows at once (one refresh of the view): each row's column texts.
  void AppendRows(std::vector<std::vector<wxString>> rows, int image = -1);

  // kFullRowSelect | kHeaderDragDrop; full-row selection is the view's own.
  void SetExtendedStyle(int style);
  int extended_style() const { return extended_style_; }
  // Not owned; must outlive the list.
  void SetImageList(wxImageList* images) { images_ = images; }
  wxImageList* image_list() const { return images_; }
  // Not owned; null: every row in the default colour.
  void SetRowTrait(CMyTrait* trait) { trait_ = trait; }
  CMyTrait* row_trait() const { return trait_; }
  // The colour a row is drawn in (COLORREF).
  std::uint32_t RowColour(int row) const;
  // Sorts the rows by a column's text (stable); the row trait's entries are
  // by row index and stay with the index.
  void SortByColumn(int column, bool ascending);
  int sort_column() const { return sort_column_; }
  bool sort_ascending() const { return sort_ascending_; }

 private:
  friend class GridModel;
  struct Row {
    std::vector<wxString> texts;
    int image = -1;
  };
  void OnHeaderClick(wxDataViewEvent& event);
  void ResetView();

  std::vector<Row> rows_;
  std::vector<int> formats_;
  wxObjectDataPtr<GridModel> model_;
  wxImageList* images_ = nullptr;
  CMyTrait* trait_ = nullptr;
  int extended_style_ = 0;
  int sort_column_ = -1;
  bool sort_ascending_ = true;
};

// A link text: underlined, blue, the hand cursor; a click opens the address
// (or sends wxEVT_HYPERLINK to the parent when the address is empty).
class CHyperLink : public wxGenericHyperlinkCtrl {
 public:
  CHyperLink(wxWindow* parent, int id, const wxString& text, const wxString& url, const wxPoint& pos);
};

}  // namespace clarivo::ui
