// The one error currency of every seam: a 32-bit HRESULT, negative is failure.
// No exception crosses a seam or a COM boundary; Guarded() is the catch-all at each entry point.
#pragma once

#include <cstdint>
#include <new>
#include <utility>

namespace kestrin {

using HRESULT = std::int32_t;

namespace hr {
inline constexpr HRESULT ok = 0;                                            // S_OK
inline constexpr HRESULT falseOk = 1;                                       // S_FALSE
inline constexpr HRESULT notImpl = static_cast<HRESULT>(0x80004001u);       // E_NOTIMPL
inline constexpr HRESULT noInterface = static_cast<HRESULT>(0x80004002u);   // E_NOINTERFACE
inline constexpr HRESULT pointer = static_cast<HRESULT>(0x80004003u);       // E_POINTER
inline constexpr HRESULT fail = static_cast<HRESULT>(0x80004005u);          // E_FAIL
inline constexpr HRESULT unexpected = static_cast<HRESULT>(0x8000FFFFu);    // E_UNEXPECTED
inline constexpr HRESULT outOfMemory = static_cast<HRESULT>(0x8007000Eu);   // E_OUTOFMEMORY
inline constexpr HRESULT invalidArg = static_cast<HRESULT>(0x80070057u);    // E_INVALIDARG
inline constexpr HRESULT classNotAvailable = static_cast<HRESULT>(0x80040111u);  // CLASS_E_CLASSNOTAVAILABLE
inline constexpr HRESULT noAggregation = static_cast<HRESULT>(0x80040110u);      // CLASS_E_NOAGGREGATION
inline constexpr HRESULT dispUnknownName = static_cast<HRESULT>(0x80020006u);    // DISP_E_UNKNOWNNAME
inline constexpr HRESULT dispException = static_cast<HRESULT>(0x80020009u);      // DISP_E_EXCEPTION
inline constexpr HRESULT regClassNotReg = static_cast<HRESULT>(0x80040154u);     // REGDB_E_CLASSNOTREG
inline constexpr HRESULT selfRegClass = static_cast<HRESULT>(0x80040201u);       // SELFREG_E_CLASS

// HRESULT_FROM_WIN32
constexpr HRESULT FromWin32(std::int32_t code) {
  return code <= 0 ? code : static_cast<HRESULT>((static_cast<std::uint32_t>(code) & 0xFFFFu) | 0x80070000u);
}
}  // namespace hr

constexpr bool Failed(HRESULT h) { return h < 0; }
constexpr bool Succeeded(HRESULT h) { return h >= 0; }

// A step of a "skip a failing step and go on" handler: its failure is dropped on purpose.
inline void SkipOnFailure(HRESULT) noexcept {}

// Runs f (returning HRESULT) so that no exception escapes: the catch-all of an entry point.
template <class F>
[[nodiscard]] HRESULT Guarded(F&& f) noexcept {
  try {
    return std::forward<F>(f)();
  } catch (const std::bad_alloc&) {
    return hr::outOfMemory;
  } catch (...) {
    return hr::unexpected;
  }
}

}  // namespace kestrin

// Stop-at-the-first-failure: evaluates expr once and returns its HRESULT when it failed.
#define KESTRIN_RETURN_IF_FAILED(expr)                 \
  do {                                                 \
    const ::kestrin::HRESULT kestrin_hr_ = (expr);     \
    if (::kestrin::Failed(kestrin_hr_)) return kestrin_hr_; \
  } while (0)
