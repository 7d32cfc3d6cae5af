#include "Module.h"

namespace kestrin::module {

namespace {
// Apartment-threaded: Outlook calls the library on one thread.
std::int64_t gObjects = 0;
std::int64_t gLocks = 0;
}  // namespace

void ObjectCreated() { ++gObjects; }
void ObjectDestroyed() { --gObjects; }
void Lock(bool lock) { gLocks += lock ? 1 : -1; }
bool CanUnload() { return gObjects == 0 && gLocks <= 0; }
std::int64_t LiveObjects() { return gObjects; }

}  // namespace kestrin::module
