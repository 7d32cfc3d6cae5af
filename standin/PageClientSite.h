// The client site that Outlook's Options dialog gives each page control it hosts. It answers
// PropertyPageSite when it offers a page site (a scenario or a test may ask for one that does
// not) and counts OnStatusChange, which is how the dialog learns to ask Dirty again.
#pragma once

#include <cstdint>

#include "../addin/OutlookHost.h"

namespace kestrin::standin {

class PageClientSite final : public outlook::PropertyPageSite {
 public:
  explicit PageClientSite(bool offersPageSite) : offers_(offersPageSite) { ++live; }
  HRESULT QueryInterface(const Guid& iid, void** out) override {
    if (!out) return hr::pointer;
    *out = nullptr;
    if (iid == IID_IUnknown || (offers_ && iid == outlook::PropertyPageSite::iid)) {
      *out = static_cast<outlook::PropertyPageSite*>(this);
      AddRef();
      return hr::ok;
    }
    return hr::noInterface;
  }
  std::uint32_t AddRef() override { return ++refs_; }
  std::uint32_t Release() override {
    const std::uint32_t left = --refs_;
    if (left == 0) delete this;
    return left;
  }
  HRESULT OnStatusChange() override {
    ++statusChanges;
    return statusChangeResult;
  }

  bool offers() const { return offers_; }
  std::int64_t statusChanges = 0;
  HRESULT statusChangeResult = hr::ok;  // what OnStatusChange answers
  static inline int live = 0;           // sites not yet released

 private:
  ~PageClientSite() { --live; }
  bool offers_;
  std::uint32_t refs_ = 1;
};

}  // namespace kestrin::standin
