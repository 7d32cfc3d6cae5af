#include "HeadlessView.h"

namespace kestrin::page {

namespace {
bool IsKind(ControlId control, ControlKind kind) { return Spec(control).kind == kind; }
}  // namespace

HRESULT HeadlessView::Raise(ControlId control, ControlEvent event) {
  if (!events_) return hr::ok;
  switch (control) {
    case ControlId::txtFolder:
      if (event == ControlEvent::Change) return events_->txtFolder_Change();
      break;
    case ControlId::chk_MarkRead:
      if (event == ControlEvent::Click) return events_->chk_MarkRead_Click();
      break;
    case ControlId::Command1:
      if (event == ControlEvent::Click) return events_->Command1_Click();
      break;
    case ControlId::lst_Domains:
      if (event == ControlEvent::DblClick) return events_->lst_Domains_DblClick();
      break;
    case ControlId::cmdFolder:
      if (event == ControlEvent::Click) return events_->cmdFolder_Click();
      break;
    default:
      break;
  }
  return hr::ok;  // an event the page does not handle
}

HRESULT HeadlessView::GetText(ControlId control, std::u16string* text) {
  if (!text) return hr::pointer;
  if (control == ControlId::txtFolder) *text = txtFolder_;
  else if (control == ControlId::Txt_ExcludeDomain) *text = txtExcludeDomain_;
  else return hr::invalidArg;
  return hr::ok;
}

HRESULT HeadlessView::SetText(ControlId control, std::u16string_view text) {
  std::u16string* box = control == ControlId::txtFolder           ? &txtFolder_
                        : control == ControlId::Txt_ExcludeDomain ? &txtExcludeDomain_
                                                                  : nullptr;
  if (!box) return hr::invalidArg;
  if (*box == text) return hr::ok;
  box->assign(text);
  return Raise(control, ControlEvent::Change);
}

HRESULT HeadlessView::GetValue(ControlId control, std::int32_t* value) {
  if (!value) return hr::pointer;
  if (control != ControlId::chk_MarkRead) return hr::invalidArg;
  *value = chkMarkRead_;
  return hr::ok;
}

HRESULT HeadlessView::SetValue(ControlId control, std::int32_t value) {
  if (control != ControlId::chk_MarkRead) return hr::invalidArg;
  if (value != kUnchecked && value != kChecked && value != kGrayed) return hr::invalidArg;
  if (chkMarkRead_ == value) return hr::ok;
  chkMarkRead_ = value;
  return Raise(control, ControlEvent::Click);
}

HRESULT HeadlessView::ListCount(ControlId control, std::int32_t* count) {
  if (!count) return hr::pointer;
  if (control != ControlId::lst_Domains) return hr::invalidArg;
  *count = static_cast<std::int32_t>(domains_.size());
  return hr::ok;
}

HRESULT HeadlessView::ListText(ControlId control, std::int32_t index, std::u16string* text) {
  if (!text) return hr::pointer;
  if (control != ControlId::lst_Domains || index < 0 ||
      index >= static_cast<std::int32_t>(domains_.size()))
    return hr::invalidArg;
  *text = domains_[static_cast<std::size_t>(index)];
  return hr::ok;
}

HRESULT HeadlessView::ListSelected(ControlId control, std::int32_t index, bool* selected) {
  if (!selected) return hr::pointer;
  if (control != ControlId::lst_Domains || index < 0 ||
      index >= static_cast<std::int32_t>(domains_.size()))
    return hr::invalidArg;
  *selected = index == selected_;
  return hr::ok;
}

HRESULT HeadlessView::AddItem(ControlId control, std::u16string_view text) {
  if (control != ControlId::lst_Domains) return hr::invalidArg;
  domains_.emplace_back(text);  // not sorted: at the end
  return hr::ok;
}

HRESULT HeadlessView::RemoveItem(ControlId control, std::int32_t index) {
  if (control != ControlId::lst_Domains || index < 0 ||
      index >= static_cast<std::int32_t>(domains_.size()))
    return hr::invalidArg;
  domains_.erase(domains_.begin() + index);
  // As a list box does: removing the selected entry leaves none selected.
  if (selected_ == index) selected_ = -1;
  else if (selected_ > index) --selected_;
  return hr::ok;
}

HRESULT HeadlessView::EnterText(ControlId control, const std::u16string& text) {
  if (!IsKind(control, ControlKind::TextBox)) return hr::invalidArg;
  return SetText(control, text);
}

HRESULT HeadlessView::Click(ControlId control) {
  switch (Spec(control).kind) {
    case ControlKind::CommandButton:
      return Raise(control, ControlEvent::Click);
    case ControlKind::CheckBox:
      return SetValue(control, chkMarkRead_ == kUnchecked ? kChecked : kUnchecked);
    default:
      return hr::invalidArg;
  }
}

HRESULT HeadlessView::Select(ControlId control, std::int32_t index) {
  if (control != ControlId::lst_Domains || index < -1 ||
      index >= static_cast<std::int32_t>(domains_.size()))
    return hr::invalidArg;
  selected_ = index;
  return hr::ok;
}

HRESULT HeadlessView::DoubleClick(ControlId control, std::int32_t index) {
  if (control != ControlId::lst_Domains || index < -1 ||
      index >= static_cast<std::int32_t>(domains_.size()))
    return hr::invalidArg;
  if (index >= 0) selected_ = index;
  return Raise(control, ControlEvent::DblClick);
}

PageState HeadlessView::State() const {
  PageState s;
  s.txtFolder = txtFolder_;
  s.Txt_ExcludeDomain = txtExcludeDomain_;
  s.chk_MarkRead = chkMarkRead_;
  s.lst_Domains = domains_;
  s.selected = selected_;
  return s;
}

}  // namespace kestrin::page
