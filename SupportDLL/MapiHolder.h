// One holder for everything MAPI hands out (objects, buffers, row sets): it frees its value when
// it goes out of scope, so each routine's clean-up runs on every path, newest first.
#pragma once

#include "MapiInterface.h"

namespace kestrin::mapi {

template <class T, class Free>
class MapiHolder {
 public:
  MapiHolder() noexcept = default;
  explicit MapiHolder(T* value) noexcept : value_(value) {}
  MapiHolder(const MapiHolder&) = delete;
  MapiHolder& operator=(const MapiHolder&) = delete;
  MapiHolder(MapiHolder&& other) noexcept : value_(other.release()) {}
  MapiHolder& operator=(MapiHolder&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ~MapiHolder() { reset(); }

  T* get() const noexcept { return value_; }
  T* operator->() const noexcept { return value_; }
  explicit operator bool() const noexcept { return value_ != nullptr; }

  // Frees the current value, then hands out the slot for a MAPI call to fill.
  T** put() noexcept {
    reset();
    return &value_;
  }
  // put() for the out-parameters that MAPI types as void** or IUnknown**.
  template <class Slot>
  Slot* put_as() noexcept {
    return reinterpret_cast<Slot*>(put());
  }

  void reset(T* value = nullptr) noexcept {
    T* old = value_;
    value_ = value;
    if (old) Free{}(old);
  }
  T* release() noexcept {
    T* v = value_;
    value_ = nullptr;
    return v;
  }

 private:
  T* value_ = nullptr;
};

struct ReleaseObject {
  void operator()(void* object) const noexcept { UlRelease(object); }
};
struct FreeBuffer {
  void operator()(void* buffer) const noexcept { MAPIFreeBuffer(buffer); }
};
struct FreeRows {
  void operator()(SRowSet* rows) const noexcept { FreeProws(rows); }
};

template <class Interface>
using MapiObject = MapiHolder<Interface, ReleaseObject>;
template <class T>
using MapiBuffer = MapiHolder<T, FreeBuffer>;
using RowSet = MapiHolder<SRowSet, FreeRows>;

}  // namespace kestrin::mapi
