// The event subscription field: a reference to an Outlook object that is also a subscription to
// its events. Assigning an object subscribes the field's sink; assigning another object or null
// unsubscribes from the previous one first; destruction unsubscribes.
#pragma once

#include <cstdint>

#include "ComPtr.h"

namespace kestrin {

template <class Source>
class EventField {
 public:
  using Sink = typename Source::Sink;

  // The sink is not owned: it must outlive the field. *stillSubscribed is set when a source
  // refuses to let the sink go, so its owner keeps it alive.
  EventField(Sink* sink, bool* stillSubscribed) : sink_(sink), stillSubscribed_(stillSubscribed) {}
  EventField(const EventField&) = delete;
  EventField& operator=(const EventField&) = delete;
  ~EventField() { Clear(); }

  // Unsubscribes from the held object, then holds and subscribes to source (null: holds nothing).
  // A failed subscription leaves the field empty and returns the failure.
  [[nodiscard]] HRESULT Assign(Source* source) {
    ComPtr<Source> keep(source);  // source may be the object held now
    Clear();
    if (!keep) return hr::ok;
    std::uint32_t cookie = 0;
    KESTRIN_RETURN_IF_FAILED(keep->Advise(sink_, &cookie));
    object_ = std::move(keep);
    cookie_ = cookie;
    return hr::ok;
  }
  [[nodiscard]] HRESULT Assign(const ComPtr<Source>& source) { return Assign(source.get()); }

  // Storing null: unsubscribes and lets go. The reference goes also when the source refuses
  // the Unadvise; the sink, which it may still call, is then flagged to stay.
  void Clear() noexcept {
    ComPtr<Source> old = std::move(object_);
    object_ = nullptr;
    if (old && Failed(old->Unadvise(cookie_)) && stillSubscribed_) *stillSubscribed_ = true;
    cookie_ = 0;
  }

  Source* get() const { return object_.get(); }
  Source* operator->() const { return object_.get(); }
  explicit operator bool() const { return static_cast<bool>(object_); }
  const ComPtr<Source>& ptr() const { return object_; }

 private:
  Sink* sink_;
  bool* stillSubscribed_;
  ComPtr<Source> object_;
  std::uint32_t cookie_ = 0;
};

}  // namespace kestrin
