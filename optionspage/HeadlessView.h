// The options page's controls without a window: their state in memory, the events a real control
// raises, and the user's actions (PageDriver). Tests and kestrin-host work the page through it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "PageDriver.h"
#include "PageView.h"

namespace kestrin::page {

class HeadlessView final : public PageView {
 public:
  HeadlessView() = default;

  void SetEvents(PageEvents* events) override { events_ = events; }

  HRESULT GetText(ControlId control, std::u16string* text) override;
  HRESULT SetText(ControlId control, std::u16string_view text) override;
  HRESULT GetValue(ControlId control, std::int32_t* value) override;
  HRESULT SetValue(ControlId control, std::int32_t value) override;
  HRESULT ListCount(ControlId control, std::int32_t* count) override;
  HRESULT ListText(ControlId control, std::int32_t index, std::u16string* text) override;
  HRESULT ListSelected(ControlId control, std::int32_t index, bool* selected) override;
  HRESULT AddItem(ControlId control, std::u16string_view text) override;
  HRESULT RemoveItem(ControlId control, std::int32_t index) override;

  // ---- the user (see PageDriver) ----
  HRESULT EnterText(ControlId control, const std::u16string& text);
  HRESULT Click(ControlId control);
  HRESULT Select(ControlId control, std::int32_t index);
  HRESULT DoubleClick(ControlId control, std::int32_t index);
  PageState State() const;

 private:
  // Raises the page's handler for (control, event) when the page handles it.
  HRESULT Raise(ControlId control, ControlEvent event);

  PageEvents* events_ = nullptr;
  std::u16string txtFolder_;
  std::u16string txtExcludeDomain_;
  std::int32_t chkMarkRead_ = kUnchecked;
  std::vector<std::u16string> domains_;
  std::int32_t selected_ = -1;
};

}  // namespace kestrin::page
