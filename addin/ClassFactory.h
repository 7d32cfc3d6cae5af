// The class objects of Kestrin.Connect and Kestrin.OutAddIn, as DllGetClassObject hands them out.
#pragma once

#include "ComPtr.h"
#include "LibraryLoader.h"

namespace kestrin {

// DllGetClassObject's work: the factory of clsid, asked for iid. The loader goes to every
// OutAddIn the factories create.
[[nodiscard]] HRESULT GetKestrinClassObject(const Guid& clsid, const Guid& iid, void** out, LibraryLoader& loader);
// DllCanUnloadNow's answer: S_OK when no object of the library is alive and no lock is held.
[[nodiscard]] HRESULT KestrinCanUnloadNow();

}  // namespace kestrin
