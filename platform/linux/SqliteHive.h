// The registry on Linux: a per-user hive in one SQLite database, with the registry's semantics.
// Keys and value names compare without regard to case; values are typed bytes; nested keys are
// created on demand; each write is one transaction, so two processes writing at once lose
// nothing, and a process killed in the middle of a write loses nothing written before it.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "../../settings/Registry.h"

struct sqlite3;

namespace kestrin {

class SqliteHive final : public Registry {
 public:
  enum class Mode { ReadWrite, ReadOnly };

  // Opens the hive at path, creating it (ReadWrite) when missing. A file that is not a hive is
  // refused and left untouched: null, with the reason in *error.
  static std::unique_ptr<SqliteHive> Open(const std::string& path, Mode mode, std::string* error);
  ~SqliteHive() override;

  RegStatus OpenKey(RegKey root, const std::string& path, RegKey* out) override;
  RegStatus CreateKey(RegKey root, const std::string& path, RegKey* out) override;
  RegStatus QueryValue(RegKey key, const std::string& name, std::uint32_t* type, std::uint8_t* data,
                       std::uint32_t* size) override;
  RegStatus SetValue(RegKey key, const std::string& name, std::uint32_t type,
                     const std::uint8_t* data, std::uint32_t size) override;
  RegStatus CloseKey(RegKey key) override;
  RegStatus DeleteTree(RegKey root, const std::string& path) override;
  RegStatus DeleteValue(RegKey key, const std::string& name) override;

  // Open handles, so tests can prove every key was closed.
  std::size_t OpenHandles() const { return handles_.size(); }

 private:
  explicit SqliteHive(sqlite3* db) : db_(db) {}
  RegStatus KeyIdOf(RegKey key, std::int64_t* id) const;
  RegStatus Walk(std::int64_t from, const std::string& path, bool create, std::int64_t* id);
  RegKey NewHandle(std::int64_t id);

  sqlite3* db_;
  std::map<RegKey, std::int64_t> handles_;
  RegKey nextHandle_ = 0x1000;
};

// The hive path of this user: $KESTRIN_HIVE, else $XDG_CONFIG_HOME/kestrin/registry.db, else
// ~/.config/kestrin/registry.db.
std::string DefaultHivePath();

}  // namespace kestrin
