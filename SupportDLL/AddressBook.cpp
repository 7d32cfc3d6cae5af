// IsSenderInAddressBook's search: "Outlook Address Book" and the containers directly below it.
#include <cstring>

#include "MapiHolder.h"
#include "MapiSession.h"

namespace kestrin::lib {

using mapi::MapiObject;
using mapi::RowSet;

namespace {

constexpr char kOutlookAddressBook[] = "Outlook Address Book";
// Column order matters: 1 opens containers, 2 is compared; 0 is not read.
constexpr ULONG kEntryIdColumn = 1;
constexpr ULONG kAddressColumn = 2;

unsigned char FoldAToZ(unsigned char c) noexcept {
  return static_cast<unsigned char>(c + (static_cast<unsigned>(c - 'A') < 26u ? 'a' - 'A' : 0));
}

// An address up to this long is folded once per search instead of once per entry.
constexpr std::size_t kFoldedChars = 512;

// AddressEquals with a already folded and free of NULs: b's NUL never equals one of its bytes.
bool FoldedEquals(const unsigned char* a, std::size_t aLength, const char* b) noexcept {
  for (std::size_t i = 0; i < aLength; ++i)
    if (FoldAToZ(static_cast<unsigned char>(b[i])) != a[i]) return false;
  return b[aLength] == '\0';
}

// The row's PR_ENTRYID, or null when the row lacks one.
const SBinary* RowEntryId(const SRow& row) noexcept {
  if (row.cValues <= kEntryIdColumn || !row.lpProps) return nullptr;
  const SPropValue& v = row.lpProps[kEntryIdColumn];
  return v.ulPropTag == PR_ENTRYID ? &v.Value.bin : nullptr;
}

}  // namespace

bool AddressEquals(const char* a, std::size_t aLength, const char* b) noexcept {
  for (std::size_t i = 0; i < aLength; ++i) {
    const auto cb = static_cast<unsigned char>(b[i]);
    if (cb == '\0' || FoldAToZ(static_cast<unsigned char>(a[i])) != FoldAToZ(cb)) return false;
  }
  return b[aLength] == '\0';
}

HRESULT SearchOutlookAddressBook(LPMAPISESSION session, const char* address) noexcept {
  // Declared oldest first, so scope end releases newest first: the entry rows, the hierarchy
  // rows, the contents table, the hierarchy table, the child container, the container (root or
  // Outlook Address Book), the address book.
  MapiObject<IAddrBook> addressBook;
  MapiObject<IABContainer> container;
  MapiObject<IABContainer> child;
  MapiObject<IMAPITable> hierarchy;
  MapiObject<IMAPITable> contents;
  RowSet hierarchyRows;
  RowSet entryRows;

  SizedSPropTagArray(3, columns) = {3, {PR_DISPLAY_NAME_A, PR_ENTRYID, PR_EMAIL_ADDRESS_A}};
  const auto columnSet = reinterpret_cast<LPSPropTagArray>(&columns);
  SPropValue name{};
  name.ulPropTag = PR_DISPLAY_NAME_A;
  name.Value.lpszA = const_cast<LPSTR>(kOutlookAddressBook);
  SRestriction byName{};
  byName.rt = RES_CONTENT;
  byName.res.resContent.ulFuzzyLevel = FL_FULLSTRING;
  byName.res.resContent.ulPropTag = PR_DISPLAY_NAME_A;
  byName.res.resContent.lpProp = &name;

  const std::size_t addressLength = std::strlen(address);
  unsigned char folded[kFoldedChars];
  const bool isFolded = addressLength <= kFoldedChars;
  if (isFolded)
    for (std::size_t i = 0; i < addressLength; ++i) folded[i] = FoldAToZ(static_cast<unsigned char>(address[i]));
  const auto equals = [&](const char* entry) noexcept {
    return isFolded ? FoldedEquals(folded, addressLength, entry) : AddressEquals(address, addressLength, entry);
  };
  bool found = false;
  ULONG objectType = 0;

  // Every step below sets the status; the first failure ends the search.
  const auto search = [&]() noexcept -> HRESULT {
    HRESULT hr = session->OpenAddressBook(0, nullptr, AB_NO_DIALOG, addressBook.put());
    if (FAILED(hr)) return hr;
    hr = addressBook->OpenEntry(0, nullptr, nullptr, 0, &objectType, container.put_as<LPUNKNOWN>());
    if (FAILED(hr)) return hr;
    hr = container->GetHierarchyTable(0, hierarchy.put());
    if (FAILED(hr)) return hr;
    hr = HrQueryAllRows(hierarchy.get(), columnSet, &byName, nullptr, 0, hierarchyRows.put());
    if (FAILED(hr)) return hr;
    container.reset();  // the root is done with

    // No container of that name: the address cannot be in it.
    if (!hierarchyRows || hierarchyRows->cRows == 0) return MAPI_E_NOT_FOUND;
    const SBinary* bookId = RowEntryId(hierarchyRows->aRow[0]);
    if (!bookId) return MAPI_E_INVALID_ENTRYID;
    hr = addressBook->OpenEntry(bookId->cb, reinterpret_cast<LPENTRYID>(bookId->lpb), nullptr, 0, &objectType,
                                container.put_as<LPUNKNOWN>());
    if (FAILED(hr)) return hr;
    hierarchyRows.reset();
    hierarchy.reset();

    hr = container->GetHierarchyTable(0, hierarchy.put());
    if (FAILED(hr)) return hr;
    hr = HrQueryAllRows(hierarchy.get(), columnSet, nullptr, nullptr, 0, hierarchyRows.put());
    if (FAILED(hr)) return hr;

    for (ULONG c = 0; c < hierarchyRows->cRows; ++c) {
      const SBinary* childId = RowEntryId(hierarchyRows->aRow[c]);
      if (!childId) return MAPI_E_INVALID_ENTRYID;
      hr = addressBook->OpenEntry(childId->cb, reinterpret_cast<LPENTRYID>(childId->lpb), nullptr, 0, &objectType,
                                  child.put_as<LPUNKNOWN>());
      if (FAILED(hr)) return hr;
      hr = child->GetContentsTable(0, contents.put());
      if (FAILED(hr)) return hr;
      hr = HrQueryAllRows(contents.get(), columnSet, nullptr, nullptr, 0, entryRows.put());
      if (FAILED(hr)) return hr;

      // Every entry is compared, a match does not end the scan. An entry without an address
      // holds an error value in that column and is skipped.
      for (ULONG e = 0; e < entryRows->cRows; ++e) {
        const SRow& row = entryRows->aRow[e];
        if (row.cValues <= kAddressColumn || !row.lpProps) continue;
        const SPropValue& entry = row.lpProps[kAddressColumn];
        if (entry.ulPropTag != PR_EMAIL_ADDRESS_A || !entry.Value.lpszA) continue;
        if (equals(entry.Value.lpszA)) found = true;
      }
      entryRows.reset();
      contents.reset();
      child.reset();
    }
    return hr;
  };

  const HRESULT status = search();
  // A sender found in an earlier container stays found, whatever a later call reports.
  if (found && status == MAPI_E_NOT_FOUND) return S_OK;
  if (status == S_OK) return found ? S_OK : MAPI_E_NOT_FOUND;
  return status;
}

}  // namespace kestrin::lib
