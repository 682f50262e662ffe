#include "app/ui/grid_list.h"

#include <algorithm>
#include <numeric>

#include "app/ui/wnd_helper.h"

namespace clarivo::ui {

std::uint32_t CMyTrait::GetColour(int row) const {
  auto found = colours_.find(row);
  return found == colours_.end() ? kDefaultColour : found->second;
}

// The rows as the native view asks for them: by row index, on demand.
class GridModel : public wxDataViewVirtualListModel {
 public:
  explicit GridModel(CGridListCtrlEx* grid) : wxDataViewVirtualListModel(0), grid_(grid) {}

  unsigned GetColumnCount() const override { return static_cast<unsigned>(grid_->formats_.size()); }
  wxString GetColumnType(unsigned column) const override {
    return column == 0 ? "wxDataViewIconText" : "string";
  }

  void GetValueByRow(wxVariant& value, unsigned row, unsigned column) const override {
    if (row >= grid_->rows_.size()) return;
    const CGridListCtrlEx::Row& data = grid_->rows_[row];
    const wxString text = column < data.texts.size() ? data.texts[column] : wxString();
    if (column != 0) {
      value = text;
      return;
    }
    wxIcon icon;
    if (grid_->images_ != nullptr && data.image >= 0 && data.image < grid_->images_->GetImageCount()) {
      icon = grid_->images_->GetIcon(data.image);
    }
    value << wxDataViewIconText(text, icon);
  }

  bool SetValueByRow(const wxVariant&, unsigned, unsigned) override { return false; }

  bool GetAttrByRow(unsigned row, unsigned, wxDataViewItemAttr& attr) const override {
    attr.SetColour(FromColorRef(grid_->RowColour(static_cast<int>(row))));
    return true;
  }

 private:
  CGridListCtrlEx* grid_;
};

CGridListCtrlEx::CGridListCtrlEx(wxWindow* parent, int id, const wxPoint& pos, const wxSize& size,
                                 bool show_header)
    : wxDataViewCtrl(parent, id, pos, size, wxDV_SINGLE | (show_header ? 0 : wxDV_NO_HEADER)),
      model_(new GridModel(this)) {
  AssociateModel(model_.get());
  Bind(wxEVT_DATAVIEW_COLUMN_HEADER_CLICK, &CGridListCtrlEx::OnHeaderClick, this);
}

CGridListCtrlEx::~CGridListCtrlEx() {
  // The model reads this control's rows: it must not outlive them.
  AssociateModel(nullptr);
}

int CGridListCtrlEx::InsertColumn(int index, const wxString& header, int format, int width) {
  const int column = static_cast<int>(formats_.size());
  formats_.push_back(format);
  const wxAlignment align =
      format == kColumnRight ? wxALIGN_RIGHT : (format == kColumnCentre ? wxALIGN_CENTRE : wxALIGN_LEFT);
  int flags = wxDATAVIEW_COL_RESIZABLE;
  if ((extended_style_ & kHeaderDragDrop) != 0) flags |= wxDATAVIEW_COL_REORDERABLE;
  wxDataViewRenderer* renderer = nullptr;
  if (column == 0) {
    renderer = new wxDataViewIconTextRenderer();
  } else {
    renderer = new wxDataViewTextRenderer();
  }
  renderer->SetAlignment(align | wxALIGN_CENTRE_VERTICAL);
  auto* col = new wxDataViewColumn(header, renderer, static_cast<unsigned>(column), width, align, flags);
  if (index >= 0 && index < static_cast<int>(wxDataViewCtrl::GetColumnCount())) {
    wxDataViewCtrl::InsertColumn(static_cast<unsigned>(index), col);
  } else {
    AppendColumn(col);
  }
  return column;
}

int CGridListCtrlEx::InsertItem(int row, const wxString& text, int image) {
  row = std::clamp(row, 0, GetItemCount());
  Row data;
  data.texts.assign(std::max<size_t>(formats_.size(), 1), wxString());
  data.texts[0] = text;
  data.image = image;
  rows_.insert(rows_.begin() + row, std::move(data));
  model_->RowInserted(static_cast<unsigned>(row));
  return row;
}

void CGridListCtrlEx::AppendRows(std::vector<std::vector<wxString>> rows, int image) {
  rows_.reserve(rows_.size() + rows.size());
  for (auto& texts : rows) {
    texts.resize(std::max<size_t>(formats_.size(), 1));
    rows_.push_back(Row{std::move(texts), image});
  }
  ResetView();
}

void CGridListCtrlEx::SetItemText(int row, int column, const wxString& text) {
  if (row < 0 || row >= GetItemCount() || column < 0) return;
  auto& texts = rows_[static_cast<size_t>(row)].texts;
  if (static_cast<size_t>(column) >= texts.size()) texts.resize(static_cast<size_t>(column) + 1);
  texts[static_cast<size_t>(column)] = text;
  model_->RowChanged(static_cast<unsigned>(row));
}

void CGridListCtrlEx::SetItemImage(int row, int image) {
  if (row < 0 || row >= GetItemCount()) return;
  rows_[static_cast<size_t>(row)].image = image;
  model_->RowChanged(static_cast<unsigned>(row));
}

wxString CGridListCtrlEx::GetItemText(int row, int column) const {
  if (row < 0 || row >= GetItemCount() || column < 0) return {};
  const auto& texts = rows_[static_cast<size_t>(row)].texts;
  return static_cast<size_t>(column) < texts.size() ? texts[static_cast<size_t>(column)] : wxString();
}

int CGridListCtrlEx::GetItemImage(int row) const {
  return row >= 0 && row < GetItemCount() ? rows_[static_cast<size_t>(row)].image : -1;
}

void CGridListCtrlEx::DeleteAllItems() {
  rows_.clear();
  ResetView();
}

int CGridListCtrlEx::GetItemCount() const { return static_cast<int>(rows_.size()); }

int CGridListCtrlEx::ColumnCount() const { return static_cast<int>(formats_.size()); }

void CGridListCtrlEx::SetExtendedStyle(int style) {
  extended_style_ = style;
  for (unsigned i = 0; i < wxDataViewCtrl::GetColumnCount(); ++i) {
    GetColumn(i)->SetReorderable((style & kHeaderDragDrop) != 0);
  }
}

std::uint32_t CGridListCtrlEx::RowColour(int row) const {
  return trait_ != nullptr ? trait_->GetColour(row) : CMyTrait::kDefaultColour;
}

void CGridListCtrlEx::SortByColumn(int column, bool ascending) {
  if (column < 0 || column >= ColumnCount()) return;
  sort_column_ = column;
  sort_ascending_ = ascending;
  const auto column_index = static_cast<size_t>(column);
  std::stable_sort(rows_.begin(), rows_.end(), [&](const Row& a, const Row& b) {
    const wxString& left = column_index < a.texts.size() ? a.texts[column_index] : wxString();
    const wxString& right = column_index < b.texts.size() ? b.texts[column_index] : wxString();
    const int order = left.CmpNoCase(right);
    return ascending ? order < 0 : order > 0;
  });
  ResetView();
}

void CGridListCtrlEx::OnHeaderClick(wxDataViewEvent& event) {
  wxDataViewColumn* column = event.GetDataViewColumn();
  if (column == nullptr) return;
  const int index = static_cast<int>(column->GetModelColumn());
  SortByColumn(index, index == sort_column_ ? !sort_ascending_ : true);
}

void CGridListCtrlEx::ResetView() { model_->Reset(static_cast<unsigned>(rows_.size())); }

CHyperLink::CHyperLink(wxWindow* parent, int id, const wxString& text, const wxString& url,
                       const wxPoint& pos)
    : wxGenericHyperlinkCtrl(parent, id, text, url.empty() ? wxString("#") : url, pos, wxDefaultSize,
                             wxHL_ALIGN_LEFT | wxBORDER_NONE) {
  SetNormalColour(wxColour(0, 0, 0xFF));
  SetHoverColour(wxColour(0, 0, 0xFF));
  SetVisitedColour(wxColour(0x80, 0, 0x80));
}

}  // namespace clarivo::ui
