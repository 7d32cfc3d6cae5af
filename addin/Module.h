// What the library as a whole keeps: its live objects and server locks, for DllCanUnloadNow.
#pragma once

#include <cstdint>

namespace kestrin::module {

void ObjectCreated();
void ObjectDestroyed();
void Lock(bool lock);
// True when no object of the library is alive and no lock is held.
bool CanUnload();
std::int64_t LiveObjects();

}  // namespace kestrin::module
