// Connect: the object Outlook creates by the ProgID Kestrin.Connect and connects as an add-in.
// It owns its OutAddIn (objAddIn) and attaches it when at least one Outlook window is open.
#pragma once

#include <cstdint>

#include "ComPtr.h"
#include "LibraryLoader.h"
#include "OutAddIn.h"
#include "OutlookHost.h"

namespace kestrin {

// The identities of the class and its default interface _Connect (dual, hidden, no members).
inline constexpr Guid CLSID_Connect = {0x5E1C7A40, 0x3B9D, 0x4F60, {0x9A, 0x11, 0x2C, 0x7E, 0x48, 0xD0, 0x61, 0xB3}};
inline constexpr Guid IID__Connect = {0x5E1C7A41, 0x3B9D, 0x4F60, {0x9A, 0x11, 0x2C, 0x7E, 0x48, 0xD0, 0x61, 0xB3}};
// The type library "Kestrin", version 1.0.
inline constexpr Guid LIBID_Kestrin = {0x5E1C7A44, 0x3B9D, 0x4F60, {0x9A, 0x11, 0x2C, 0x7E, 0x48, 0xD0, 0x61, 0xB3}};

class Connect final : public outlook::DTExtensibility2 {
 public:
  explicit Connect(LibraryLoader& loader);
  Connect(const Connect&) = delete;
  Connect& operator=(const Connect&) = delete;

  HRESULT QueryInterface(const Guid& iid, void** out) override;
  std::uint32_t AddRef() override;
  std::uint32_t Release() override;

  HRESULT OnConnection(Unknown* application, std::int32_t connectMode, Unknown* addInInst,
                       void* custom) override;
  HRESULT OnDisconnection(std::int32_t removeMode, void* custom) override;
  HRESULT OnAddInsUpdate(void* custom) override;
  HRESULT OnStartupComplete(void* custom) override;
  HRESULT OnBeginShutdown(void* custom) override;

  // The OutAddIn, or null: for tests and the host's report.
  OutAddIn* AddIn() const { return objAddIn.get(); }

 private:
  ~Connect();
  HRESULT Connection(Unknown* application);

  std::uint32_t refs_ = 0;
  LibraryLoader& loader_;
  ComPtr<OutAddIn> objAddIn;
};

}  // namespace kestrin
