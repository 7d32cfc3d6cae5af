#include "Connect.h"

#include "Module.h"

namespace kestrin {

Connect::Connect(LibraryLoader& loader) : loader_(loader) { module::ObjectCreated(); }

Connect::~Connect() { module::ObjectDestroyed(); }

HRESULT Connect::QueryInterface(const Guid& id, void** out) {
  if (!out) return hr::pointer;
  *out = nullptr;
  if (id == IID_IUnknown || id == IID_IDispatch || id == IID__Connect || id == DTExtensibility2::iid) {
    *out = static_cast<DTExtensibility2*>(this);
    AddRef();
    return hr::ok;
  }
  return hr::noInterface;
}

std::uint32_t Connect::AddRef() { return ++refs_; }

std::uint32_t Connect::Release() {
  const std::uint32_t left = --refs_;
  if (left == 0) delete this;
  return left;
}

HRESULT Connect::OnConnection(Unknown* application, std::int32_t, Unknown*, void*) {
  // Every failure is swallowed: the host always hears success.
  SkipOnFailure(Guarded([&] { return Connection(application); }));
  return hr::ok;
}

HRESULT Connect::Connection(Unknown* application) {
  ComPtr<outlook::Application> app;
  KESTRIN_RETURN_IF_FAILED(ComPtr<Unknown>(application).As(app));
  if (!app) return hr::pointer;
  // Outlook running without a window (a sync, a MAPI client): stay unattached.
  ComPtr<outlook::Explorers> explorers;
  KESTRIN_RETURN_IF_FAILED(app->get_Explorers(explorers.put()));
  if (!explorers) return hr::pointer;
  std::int32_t explorerCount = 0;
  KESTRIN_RETURN_IF_FAILED(explorers->get_Count(&explorerCount));
  ComPtr<outlook::Inspectors> inspectors;
  KESTRIN_RETURN_IF_FAILED(app->get_Inspectors(inspectors.put()));
  if (!inspectors) return hr::pointer;
  std::int32_t inspectorCount = 0;
  KESTRIN_RETURN_IF_FAILED(inspectors->get_Count(&inspectorCount));
  if (explorerCount == 0 && inspectorCount == 0) return hr::ok;

  if (!objAddIn) objAddIn = ComPtr<OutAddIn>(new OutAddIn(loader_));
  return objAddIn->AttachToOutlook(app.get());
}

HRESULT Connect::OnDisconnection(std::int32_t, void*) {
  return Guarded([&]() -> HRESULT {
    if (objAddIn) KESTRIN_RETURN_IF_FAILED(objAddIn->DetachFromOutlook());
    objAddIn = nullptr;
    return hr::ok;
  });
}

HRESULT Connect::OnAddInsUpdate(void*) { return hr::ok; }
HRESULT Connect::OnStartupComplete(void*) { return hr::ok; }
HRESULT Connect::OnBeginShutdown(void*) { return hr::ok; }

}  // namespace kestrin
