// What a user does on a headless options page, and what the page then shows. The page object
// answers QueryInterface for PageDriver when its view is the headless one, so kestrin-host works
// the page of the library it loaded through this interface alone (virtual calls, inline code).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "../addin/ComPtr.h"
#include "PageView.h"

namespace kestrin::page {

// The controls' state.
struct PageState {
  std::u16string txtFolder;
  std::u16string Txt_ExcludeDomain;
  std::int32_t chk_MarkRead = kUnchecked;
  std::vector<std::u16string> lst_Domains;  // in list order
  std::int32_t selected = -1;               // the selected entry of lst_Domains, -1 for none
};

struct PageDriver : Unknown {
  static constexpr Guid iid = Guid{0xAAF3B7BC, 0x43A4, 0x4683, {0xA0, 0x84, 0x1A, 0x67, 0xB7, 0x2E, 0x0A, 0x0D}};

  // The user replaces the text of a text box in one edit (a paste over all of it). txtFolder
  // raises Change when the text differs; the result is the handler's.
  virtual HRESULT EnterText(ControlId control, const std::u16string& text) = 0;
  // A click on a button, or on the check box (which turns a ticked or grey box clear, a clear one
  // ticked, and raises Click). The result is the handler's, S_OK where none runs.
  virtual HRESULT Click(ControlId control) = 0;
  // Selects entry index of the list box without raising anything the page handles.
  virtual HRESULT Select(ControlId control, std::int32_t index) = 0;
  // A double-click on entry index, which selects it first; -1 double-clicks below the entries,
  // leaving the selection as it is.
  virtual HRESULT DoubleClick(ControlId control, std::int32_t index) = 0;
  virtual HRESULT GetState(PageState* state) = 0;

 protected:
  ~PageDriver() = default;
};

}  // namespace kestrin::page
