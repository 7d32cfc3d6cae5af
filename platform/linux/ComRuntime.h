// The little of ole32 that the Linux deliverables need from their process: creating an object
// by ProgID, as CoCreateInstance does. kestrin-host implements and exports it; a library finds
// it with dlsym(RTLD_DEFAULT, "KestrinCoCreateInstance"), as a control finds ole32 in Outlook.
#pragma once

#include "../../addin/ComPtr.h"

// "Outlook.Application" gives the running Outlook's Application; any other ProgID is activated
// from the hive (ProgID -> CLSID -> InprocServer32 -> DllGetClassObject -> CreateInstance).
// *out receives a new reference for iid, or null on failure.
extern "C" kestrin::HRESULT KestrinCoCreateInstance(const char16_t* progId, const kestrin::Guid* iid,
                                                    void** out);

// The type of the function, for a library that looks it up by name.
using KestrinCoCreateInstanceFn = kestrin::HRESULT (*)(const char16_t* progId, const kestrin::Guid* iid,
                                                       void** out);
