// Reference-counted handles of the host interface: an IUnknown-shaped base and its smart pointer.
#pragma once

#include <cstdint>
#include <cstring>
#include <utility>

#include "../settings/HResult.h"

namespace kestrin {

struct Guid {
  std::uint32_t data1;
  std::uint16_t data2;
  std::uint16_t data3;
  std::uint8_t data4[8];
  friend bool operator==(const Guid& a, const Guid& b) { return std::memcmp(&a, &b, sizeof a) == 0; }
};

// The {XXXXXXXX-0000-0000-C000-000000000046} family of Outlook's and COM's interfaces.
constexpr Guid OleGuid(std::uint32_t first) {
  return Guid{first, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
}

inline constexpr Guid IID_IUnknown = OleGuid(0x00000000);
inline constexpr Guid IID_IDispatch = OleGuid(0x00020400);

struct Unknown {
  virtual HRESULT QueryInterface(const Guid& iid, void** out) = 0;
  virtual std::uint32_t AddRef() = 0;
  virtual std::uint32_t Release() = 0;

 protected:
  ~Unknown() = default;
};

// Owns one reference. put() releases the old value before handing out its address.
template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(std::nullptr_t) {}
  // Takes a new reference to p.
  explicit ComPtr(T* p) : p_(p) { if (p_) p_->AddRef(); }
  ComPtr(const ComPtr& o) : ComPtr(o.p_) {}
  ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  ComPtr& operator=(ComPtr o) noexcept { std::swap(p_, o.p_); return *this; }
  ~ComPtr() { reset(); }

  // Adopts a reference the caller already owns.
  static ComPtr Attach(T* p) { ComPtr c; c.p_ = p; return c; }
  T* Detach() { return std::exchange(p_, nullptr); }

  void reset() { if (T* p = std::exchange(p_, nullptr)) p->Release(); }
  T** put() { reset(); return &p_; }
  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }

  // QueryInterface into another holder; Q must name its IID as Q::iid.
  template <class Q>
  [[nodiscard]] HRESULT As(ComPtr<Q>& out) const {
    if (!p_) return hr::pointer;
    return p_->QueryInterface(Q::iid, reinterpret_cast<void**>(out.put()));
  }

 private:
  T* p_ = nullptr;
};

// IClassFactory, as DllGetClassObject hands it out.
struct ClassFactory : Unknown {
  static constexpr Guid iid = OleGuid(0x00000001);
  virtual HRESULT CreateInstance(Unknown* outer, const Guid& iid, void** out) = 0;
  virtual HRESULT LockServer(bool lock) = 0;
 protected:
  ~ClassFactory() = default;
};

// The four entry points of an in-process COM server, as the host looks them up by name.
using DllGetClassObjectFn = HRESULT (*)(const Guid& clsid, const Guid& iid, void** out);
using DllCanUnloadNowFn = HRESULT (*)();
using DllRegisterServerFn = HRESULT (*)();
using DllUnregisterServerFn = HRESULT (*)();

}  // namespace kestrin
