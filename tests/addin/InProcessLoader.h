// In the cross builds the stand-in KestrinLIB is compiled into the test program, and this loader
// stands in for LoadLibrary: it "loads" the library from a variant's directory and looks the
// exports up by name, failing as the real loader fails for a missing file or export.
#pragma once

#include <string>

#include "addin/LibraryLoader.h"

namespace kestrin::test {

class InProcessLoader final : public LibraryLoader {
 public:
  explicit InProcessLoader(std::string directory) : directory_(std::move(directory)) {}
  HRESULT SupportLibraryPath(std::string* path) override;
  HRESULT Load(const std::string& fullPath, Handle* handle) override;
  HRESULT Lookup(Handle handle, const char* name, Function* function) override;
  void Unload(Handle) override {}

 private:
  std::string directory_;
};

}  // namespace kestrin::test
