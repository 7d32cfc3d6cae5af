// The options page's controls as an interface: what each control is, where it sits, and the
// operations and events that the page's logic uses. The logic runs over any implementation: the
// headless view (tests, kestrin-host) or a window of a toolkit. Nothing here knows a toolkit.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "../settings/HResult.h"

namespace kestrin::page {

enum class ControlId : std::uint8_t {
  Label5,
  Label4,
  Label1,
  cmdFolder,
  txtFolder,
  chk_MarkRead,
  Label2,
  Txt_ExcludeDomain,
  Command1,
  lst_Domains,
  Label3,
};
inline constexpr std::size_t kControlCount = 11;

enum class ControlKind : std::uint8_t { Label, CommandButton, TextBox, CheckBox, ListBox };

// Sizes and positions are twips (1/1440 inch) from the page's top left corner.
struct ControlSpec {
  ControlId id;
  std::u16string_view name;
  ControlKind kind;
  std::u16string_view caption;  // empty for text boxes and the list box
  std::int32_t left, top, width, height;
  std::int32_t tabIndex;        // position in the focus order, -1 when the control takes no focus
  char16_t accessKey;           // the letter after "&" in the caption, 0 when none
};

inline constexpr std::int32_t kPageWidth = 3675;
inline constexpr std::int32_t kPageHeight = 5595;

// In ControlId order. Every control uses the page's default dialog font but Label5.
inline constexpr std::array<ControlSpec, kControlCount> kControls{{
    {ControlId::Label5, u"Label5", ControlKind::Label, u"Kestrin", 120, 0, 1215, 375, -1, 0},
    {ControlId::Label4, u"Label4", ControlKind::Label, u"Halvarn Incorporated", 120, 360, 1695, 255, -1, 0},
    {ControlId::Label1, u"Label1", ControlKind::Label, u"Junk E-Mail:", 120, 960, 975, 255, -1, 0},
    {ControlId::cmdFolder, u"cmdFolder", ControlKind::CommandButton, u"Destination &Folder...", 1320, 960, 2175, 315, 0, u'F'},
    {ControlId::txtFolder, u"txtFolder", ControlKind::TextBox, u"", 120, 1320, 3375, 315, 1, 0},
    {ControlId::chk_MarkRead, u"chk_MarkRead", ControlKind::CheckBox, u"Mark Spam as read", 120, 1680, 1695, 495, 5, 0},
    {ControlId::Label2, u"Label2", ControlKind::Label, u"Accept mail from these domains:", 120, 2280, 2415, 255, -1, 0},
    {ControlId::Txt_ExcludeDomain, u"Txt_ExcludeDomain", ControlKind::TextBox, u"", 120, 2520, 2295, 315, 2, 0},
    {ControlId::Command1, u"Command1", ControlKind::CommandButton, u"Add", 2640, 2520, 855, 315, 3, 0},
    {ControlId::lst_Domains, u"lst_Domains", ControlKind::ListBox, u"", 120, 3000, 3375, 2010, 4, 0},
    {ControlId::Label3, u"Label3", ControlKind::Label, u"Double-Click on item to remove", 120, 5160, 3255, 255, -1, 0},
}};

constexpr const ControlSpec& Spec(ControlId id) { return kControls[static_cast<std::size_t>(id)]; }

// No button is the page's default or cancel button; the list box is single-selection and keeps
// the order in which entries were added (not sorted).
inline constexpr bool kListSorted = false;

// The title label's font and colour.
struct FontSpec {
  std::u16string_view face;
  std::int32_t points;
  std::int32_t weight;
  bool italic, underline, strikeout;
  std::uint8_t charset;
};
inline constexpr FontSpec kTitleFont{u"NATURALBORN", 12, 400, false, false, false, 2 /* symbol */};
// A COLORREF (0x00BBGGRR): red.
inline constexpr std::uint32_t kTitleColor = 0x0000FFu;

// Check box values.
inline constexpr std::int32_t kUnchecked = 0;
inline constexpr std::int32_t kChecked = 1;
inline constexpr std::int32_t kGrayed = 2;

// The control events the page handles, and nothing else.
enum class ControlEvent : std::uint8_t { Change, Click, DblClick };
struct HandledEvent {
  ControlId control;
  ControlEvent event;
};
inline constexpr std::array<HandledEvent, 5> kHandledEvents{{
    {ControlId::txtFolder, ControlEvent::Change},
    {ControlId::chk_MarkRead, ControlEvent::Click},
    {ControlId::Command1, ControlEvent::Click},
    {ControlId::lst_Domains, ControlEvent::DblClick},
    {ControlId::cmdFolder, ControlEvent::Click},
}};

// The page's handlers, one per row of kHandledEvents. A view raises them on the page's thread; a
// handler's result is the event's result.
struct PageEvents {
  virtual HRESULT txtFolder_Change() = 0;
  virtual HRESULT chk_MarkRead_Click() = 0;
  virtual HRESULT Command1_Click() = 0;
  virtual HRESULT lst_Domains_DblClick() = 0;
  virtual HRESULT cmdFolder_Click() = 0;

 protected:
  ~PageEvents() = default;
};

// What the page's logic does to its controls. As a real control does, a text box raises Change
// whenever its text changes, also when the page sets it; the check box raises Click whenever its
// value changes, also when the page sets it. Setting the same text or value raises nothing.
class PageView {
 public:
  virtual ~PageView() = default;

  // The sink of the control events; null stops them.
  virtual void SetEvents(PageEvents* events) = 0;

  // Text boxes.
  [[nodiscard]] virtual HRESULT GetText(ControlId control, std::u16string* text) = 0;
  [[nodiscard]] virtual HRESULT SetText(ControlId control, std::u16string_view text) = 0;
  // The check box: kUnchecked, kChecked or kGrayed.
  [[nodiscard]] virtual HRESULT GetValue(ControlId control, std::int32_t* value) = 0;
  [[nodiscard]] virtual HRESULT SetValue(ControlId control, std::int32_t value) = 0;
  // The list box.
  [[nodiscard]] virtual HRESULT ListCount(ControlId control, std::int32_t* count) = 0;
  [[nodiscard]] virtual HRESULT ListText(ControlId control, std::int32_t index, std::u16string* text) = 0;
  [[nodiscard]] virtual HRESULT ListSelected(ControlId control, std::int32_t index, bool* selected) = 0;
  [[nodiscard]] virtual HRESULT AddItem(ControlId control, std::u16string_view text) = 0;
  [[nodiscard]] virtual HRESULT RemoveItem(ControlId control, std::int32_t index) = 0;
};

}  // namespace kestrin::page
