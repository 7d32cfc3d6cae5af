// Unloading releases the session, as DllMain does at process detach: no logoff, no
// MAPIUninitialize. Loading and thread notifications do nothing.
#include "MapiSession.h"

#if defined(_WIN32)

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_DETACH) kestrin::lib::ReleaseMapiSession();
  return TRUE;
}

#else

__attribute__((destructor)) static void KestrinLibUnload() { kestrin::lib::ReleaseMapiSession(); }

#endif
