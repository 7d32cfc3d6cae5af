#include "ClassFactory.h"

#include "Connect.h"
#include "Module.h"
#include "OutAddIn.h"

namespace kestrin {

namespace {

// One factory class for both: the class it makes is chosen at construction.
class Factory final : public ClassFactory {
 public:
  Factory(const Guid& clsid, LibraryLoader& loader) : clsid_(clsid), loader_(loader) { module::ObjectCreated(); }

  HRESULT QueryInterface(const Guid& id, void** out) override {
    if (!out) return hr::pointer;
    *out = nullptr;
    if (id == IID_IUnknown || id == ClassFactory::iid) {
      *out = static_cast<ClassFactory*>(this);
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

  HRESULT CreateInstance(Unknown* outer, const Guid& iid, void** out) override {
    if (!out) return hr::pointer;
    *out = nullptr;
    if (outer) return hr::noAggregation;
    return Guarded([&]() -> HRESULT {
      // OutAddIn made from outside is never attached: only Connect can attach one.
      ComPtr<Unknown> object = clsid_ == CLSID_Connect
                                   ? ComPtr<Unknown>(static_cast<outlook::DTExtensibility2*>(new Connect(loader_)))
                                   : ComPtr<Unknown>(new OutAddIn(loader_));
      return object->QueryInterface(iid, out);
    });
  }
  HRESULT LockServer(bool lock) override {
    module::Lock(lock);
    return hr::ok;
  }

 private:
  ~Factory() { module::ObjectDestroyed(); }
  std::uint32_t refs_ = 0;
  Guid clsid_;
  LibraryLoader& loader_;
};

}  // namespace

HRESULT GetKestrinClassObject(const Guid& clsid, const Guid& iid, void** out, LibraryLoader& loader) {
  if (!out) return hr::pointer;
  *out = nullptr;
  if (!(clsid == CLSID_Connect) && !(clsid == CLSID_OutAddIn)) return hr::classNotAvailable;
  return Guarded([&]() -> HRESULT {
    ComPtr<ClassFactory> factory(new Factory(clsid, loader));
    return factory->QueryInterface(iid, out);
  });
}

HRESULT KestrinCanUnloadNow() { return module::CanUnload() ? hr::ok : hr::falseOk; }

}  // namespace kestrin
