#include "MapiSession.h"

namespace kestrin::lib {

bool MapiStarted = false;
LPMAPISESSION MapiSession = nullptr;

namespace {
constexpr char kCallerKey[] = "463079";
constexpr int kKeyLength = 6;
}  // namespace

std::int32_t CompareKey(const char* key) noexcept {
  if (!key) return -1;  // no key compares like an empty one
  for (int i = 0; i < kKeyLength; ++i) {
    const auto given = static_cast<unsigned char>(key[i]);
    const auto stored = static_cast<unsigned char>(kCallerKey[i]);
    if (given != stored) return given < stored ? -1 : 1;
  }
  return 0;
}

HRESULT StartMapiSession() noexcept {
  MAPIINIT_0 init = {MAPI_INIT_VERSION, MAPI_NO_COINIT};
  HRESULT hr = MAPIInitialize(&init);
  if (FAILED(hr)) return hr;

  hr = MAPILogonEx(0, nullptr, nullptr, MAPI_ALLOW_OTHERS | MAPI_NO_MAIL, &MapiSession);
  if (SUCCEEDED(hr) && MapiSession) {
    MapiStarted = true;
    return hr;
  }
  if (SUCCEEDED(hr)) hr = MAPI_E_LOGON_FAILED;  // success without a session is no session
  if (MapiSession) {
    MapiSession->Release();
    MapiSession = nullptr;
  }
  MAPIUninitialize();
  return hr;
}

void ReleaseMapiSession() noexcept {
  if (MapiSession) {
    MapiSession->Release();
    MapiSession = nullptr;
  }
  MapiStarted = false;
}

}  // namespace kestrin::lib
