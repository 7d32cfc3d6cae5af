#include "SqliteHive.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "../../settings/CodePage.h"

namespace kestrin {

namespace {

constexpr char kFormat[] = "kestrin-hive-1";

constexpr char kSchema[] =
    "CREATE TABLE IF NOT EXISTS meta(name TEXT PRIMARY KEY, value TEXT NOT NULL);"
    "CREATE TABLE IF NOT EXISTS keys(id INTEGER PRIMARY KEY, parent INTEGER REFERENCES keys(id) ON DELETE CASCADE,"
    " name BLOB NOT NULL, fold BLOB NOT NULL, UNIQUE(parent, fold));"
    "CREATE TABLE IF NOT EXISTS vals(key INTEGER NOT NULL REFERENCES keys(id) ON DELETE CASCADE,"
    " name BLOB NOT NULL, fold BLOB NOT NULL, type INTEGER NOT NULL, data BLOB NOT NULL, PRIMARY KEY(key, fold));"
    "INSERT OR IGNORE INTO keys(id, parent, name, fold) VALUES"
    " (1, NULL, 'HKEY_CLASSES_ROOT', 'HKEY_CLASSES_ROOT'),"
    " (2, NULL, 'HKEY_CURRENT_USER', 'HKEY_CURRENT_USER'),"
    " (3, NULL, 'HKEY_LOCAL_MACHINE', 'HKEY_LOCAL_MACHINE');";

// Names compare as the registry compares them: upper-cased, as wide text.
std::string Fold(const std::string& name) {
  const std::u16string upper = UpperCase(FromCodePage(name));
  return std::string(reinterpret_cast<const char*>(upper.data()), upper.size() * sizeof(char16_t));
}

std::int64_t RootId(RegKey key) {
  switch (key) {
    case kHkeyClassesRoot: return 1;
    case kHkeyCurrentUser: return 2;
    case kHkeyLocalMachine: return 3;
    default: return 0;
  }
}

// One prepared statement, finalized at scope end.
class Statement {
 public:
  Statement(sqlite3* db, const char* sql) { ok_ = sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr) == SQLITE_OK; }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  ~Statement() { sqlite3_finalize(stmt_); }
  bool ok() const { return ok_; }
  Statement& Bind(int i, std::int64_t v) { ok_ = ok_ && sqlite3_bind_int64(stmt_, i, v) == SQLITE_OK; return *this; }
  Statement& Bind(int i, const std::string& blob) {
    ok_ = ok_ && sqlite3_bind_blob(stmt_, i, blob.data(), static_cast<int>(blob.size()), SQLITE_TRANSIENT) == SQLITE_OK;
    return *this;
  }
  Statement& Bind(int i, const std::uint8_t* data, std::uint32_t size) {
    static const std::uint8_t empty = 0;
    ok_ = ok_ && sqlite3_bind_blob(stmt_, i, data ? data : &empty, static_cast<int>(size), SQLITE_TRANSIENT) == SQLITE_OK;
    return *this;
  }
  int Step() { return ok_ ? sqlite3_step(stmt_) : SQLITE_ERROR; }
  std::int64_t Int(int col) const { return sqlite3_column_int64(stmt_, col); }
  std::string Blob(int col) const {
    const void* p = sqlite3_column_blob(stmt_, col);
    const int n = sqlite3_column_bytes(stmt_, col);
    return p ? std::string(static_cast<const char*>(p), static_cast<std::size_t>(n)) : std::string();
  }

 private:
  sqlite3_stmt* stmt_ = nullptr;
  bool ok_ = false;
};

// BEGIN IMMEDIATE ... COMMIT; rolled back unless committed.
class Transaction {
 public:
  explicit Transaction(sqlite3* db) : db_(db) { ok_ = sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK; }
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  ~Transaction() { if (ok_ && !done_) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr); }
  bool ok() const { return ok_; }
  bool Commit() { done_ = true; return sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK; }

 private:
  sqlite3* db_;
  bool ok_ = false;
  bool done_ = false;
};

std::vector<std::string> SplitPath(const std::string& path, bool* bad) {
  std::vector<std::string> parts;
  *bad = !path.empty() && path.front() == '\\';
  std::size_t start = 0;
  while (start < path.size()) {
    std::size_t pos = path.find('\\', start);
    if (pos == std::string::npos) pos = path.size();
    if (pos == start) {
      if (pos + 1 < path.size() || pos == 0) *bad = true;  // an empty name inside the path
    } else {
      parts.push_back(path.substr(start, pos - start));
    }
    start = pos + 1;
  }
  return parts;
}

bool MakeDirs(const std::string& dir) {
  if (dir.empty()) return true;
  std::string partial;
  for (std::size_t i = 0; i <= dir.size(); ++i) {
    if (i == dir.size() || (dir[i] == '/' && i > 0)) {
      partial = dir.substr(0, i);
      if (mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
  }
  return true;
}

}  // namespace

std::string DefaultHivePath() {
  if (const char* p = std::getenv("KESTRIN_HIVE"); p && *p) return p;
  if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x) return std::string(x) + "/kestrin/registry.db";
  if (const char* h = std::getenv("HOME"); h && *h) return std::string(h) + "/.config/kestrin/registry.db";
  return "kestrin-registry.db";
}

std::unique_ptr<SqliteHive> SqliteHive::Open(const std::string& path, Mode mode, std::string* error) {
  std::string ignored;
  if (!error) error = &ignored;
  struct stat st{};
  const bool exists = stat(path.c_str(), &st) == 0;
  if (!exists && mode == Mode::ReadOnly) {
    *error = "no hive at " + path;
    return nullptr;
  }
  if (exists && !S_ISREG(st.st_mode)) {
    *error = path + " is not a file";
    return nullptr;
  }
  if (!exists && mode == Mode::ReadWrite) {
    const auto slash = path.rfind('/');
    if (slash != std::string::npos && !MakeDirs(path.substr(0, slash))) {
      *error = "cannot create the folder of " + path + ": " + std::strerror(errno);
      return nullptr;
    }
  }
  sqlite3* db = nullptr;
  const int flags = mode == Mode::ReadOnly ? SQLITE_OPEN_READONLY : (SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
  if (sqlite3_open_v2(path.c_str(), &db, flags, nullptr) != SQLITE_OK) {
    *error = "cannot open " + path + ": " + (db ? sqlite3_errmsg(db) : "out of memory");
    sqlite3_close(db);
    return nullptr;
  }
  std::unique_ptr<SqliteHive> hive(new SqliteHive(db));
  sqlite3_busy_timeout(db, 10000);
  sqlite3_extended_result_codes(db, 1);

  // Look before writing anything: a file that is not ours stays as it is.
  int tables = -1;
  {
    Statement s(db, "SELECT count(*) FROM sqlite_master");
    if (s.Step() != SQLITE_ROW) {
      *error = path + " is not a Kestrin hive: " + sqlite3_errmsg(db);
      return nullptr;
    }
    tables = static_cast<int>(s.Int(0));
  }
  if (tables > 0) {
    Statement s(db, "SELECT value FROM meta WHERE name='format'");
    if (s.Step() != SQLITE_ROW || s.Blob(0) != kFormat) {
      *error = path + " is not a Kestrin hive (a database of another kind or version)";
      return nullptr;
    }
  } else if (mode == Mode::ReadOnly) {
    *error = path + " is empty: not a Kestrin hive";
    return nullptr;
  }
  if (mode == Mode::ReadWrite) {
    sqlite3_exec(db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
    sqlite3_exec(db, "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
    if (tables == 0) {
      Transaction t(db);
      const bool made = t.ok() && sqlite3_exec(db, kSchema, nullptr, nullptr, nullptr) == SQLITE_OK &&
                        sqlite3_exec(db, "INSERT OR IGNORE INTO meta VALUES('format','kestrin-hive-1')",
                                     nullptr, nullptr, nullptr) == SQLITE_OK &&
                        t.Commit();
      if (!made) {
        *error = "cannot initialise the hive at " + path + ": " + sqlite3_errmsg(db);
        return nullptr;
      }
    }
  }
  sqlite3_exec(db, "PRAGMA foreign_keys=ON", nullptr, nullptr, nullptr);
  if (sqlite3_exec(db, "PRAGMA quick_check", nullptr, nullptr, nullptr) != SQLITE_OK) {
    *error = path + " is damaged: " + sqlite3_errmsg(db);
    return nullptr;
  }
  return hive;
}

SqliteHive::~SqliteHive() { sqlite3_close_v2(db_); }

RegKey SqliteHive::NewHandle(std::int64_t id) {
  const RegKey h = nextHandle_;
  nextHandle_ += 4;
  handles_[h] = id;
  return h;
}

RegStatus SqliteHive::KeyIdOf(RegKey key, std::int64_t* id) const {
  if (const std::int64_t root = RootId(key)) {
    *id = root;
    return kErrorSuccess;
  }
  auto it = handles_.find(key);
  if (it == handles_.end()) return kErrorInvalidHandle;
  *id = it->second;
  return kErrorSuccess;
}

RegStatus SqliteHive::Walk(std::int64_t from, const std::string& path, bool create, std::int64_t* id) {
  bool bad = false;
  const std::vector<std::string> parts = SplitPath(path, &bad);
  if (bad) return kErrorBadPathname;
  {
    Statement alive(db_, "SELECT 1 FROM keys WHERE id=?");
    const int rc = alive.Bind(1, from).Step();
    if (rc == SQLITE_DONE) return kErrorKeyDeleted;
    if (rc != SQLITE_ROW) return kErrorRegistryIo;
  }
  std::int64_t current = from;
  for (const std::string& name : parts) {
    Statement find(db_, "SELECT id FROM keys WHERE parent=? AND fold=?");
    const int rc = find.Bind(1, current).Bind(2, Fold(name)).Step();
    if (rc == SQLITE_ROW) {
      current = find.Int(0);
      continue;
    }
    if (rc != SQLITE_DONE) return kErrorRegistryIo;
    if (!create) return kErrorFileNotFound;
    Statement add(db_, "INSERT INTO keys(parent, name, fold) VALUES(?,?,?)");
    if (add.Bind(1, current).Bind(2, name).Bind(3, Fold(name)).Step() != SQLITE_DONE) return kErrorRegistryIo;
    current = sqlite3_last_insert_rowid(db_);
  }
  *id = current;
  return kErrorSuccess;
}

RegStatus SqliteHive::OpenKey(RegKey root, const std::string& path, RegKey* out) {
  if (!out) return kErrorInvalidParameter;
  std::int64_t from = 0, id = 0;
  if (RegStatus s = KeyIdOf(root, &from)) return s;
  if (RegStatus s = Walk(from, path, false, &id)) return s;
  *out = NewHandle(id);
  return kErrorSuccess;
}

RegStatus SqliteHive::CreateKey(RegKey root, const std::string& path, RegKey* out) {
  if (!out) return kErrorInvalidParameter;
  std::int64_t from = 0, id = 0;
  if (RegStatus s = KeyIdOf(root, &from)) return s;
  Transaction t(db_);
  if (!t.ok()) return kErrorRegistryIo;
  if (RegStatus s = Walk(from, path, true, &id)) return s;
  if (!t.Commit()) return kErrorRegistryIo;
  *out = NewHandle(id);
  return kErrorSuccess;
}

RegStatus SqliteHive::QueryValue(RegKey key, const std::string& name, std::uint32_t* type,
                                 std::uint8_t* data, std::uint32_t* size) {
  std::int64_t id = 0;
  if (RegStatus s = KeyIdOf(key, &id)) return s;
  if (data && !size) return kErrorInvalidParameter;
  Statement s(db_, "SELECT type, data FROM vals WHERE key=? AND fold=?");
  const int rc = s.Bind(1, id).Bind(2, Fold(name)).Step();
  if (rc == SQLITE_DONE) {
    Statement alive(db_, "SELECT 1 FROM keys WHERE id=?");
    return alive.Bind(1, id).Step() == SQLITE_ROW ? kErrorFileNotFound : kErrorKeyDeleted;
  }
  if (rc != SQLITE_ROW) return kErrorRegistryIo;
  const std::string bytes = s.Blob(1);
  if (type) *type = static_cast<std::uint32_t>(s.Int(0));
  const auto needed = static_cast<std::uint32_t>(bytes.size());
  if (data) {
    if (*size < needed) {
      *size = needed;
      return kErrorMoreData;
    }
    std::memcpy(data, bytes.data(), needed);
  }
  if (size) *size = needed;
  return kErrorSuccess;
}

RegStatus SqliteHive::SetValue(RegKey key, const std::string& name, std::uint32_t type,
                               const std::uint8_t* data, std::uint32_t size) {
  std::int64_t id = 0;
  if (RegStatus s = KeyIdOf(key, &id)) return s;
  if (!data && size) return kErrorInvalidParameter;
  Transaction t(db_);
  if (!t.ok()) return kErrorRegistryIo;
  {
    Statement alive(db_, "SELECT 1 FROM keys WHERE id=?");
    if (alive.Bind(1, id).Step() != SQLITE_ROW) return kErrorKeyDeleted;
  }
  // The name keeps the spelling it was first written with, as the registry keeps it.
  Statement s(db_,
              "INSERT INTO vals(key, name, fold, type, data) VALUES(?,?,?,?,?)"
              " ON CONFLICT(key, fold) DO UPDATE SET type=excluded.type, data=excluded.data");
  if (s.Bind(1, id).Bind(2, name).Bind(3, Fold(name)).Bind(4, static_cast<std::int64_t>(type)).Bind(5, data, size).Step() !=
      SQLITE_DONE)
    return kErrorRegistryIo;
  return t.Commit() ? kErrorSuccess : kErrorRegistryIo;
}

RegStatus SqliteHive::CloseKey(RegKey key) {
  if (RootId(key)) return kErrorSuccess;
  return handles_.erase(key) ? kErrorSuccess : kErrorInvalidHandle;
}

RegStatus SqliteHive::DeleteTree(RegKey root, const std::string& path) {
  std::int64_t from = 0, id = 0;
  if (RegStatus s = KeyIdOf(root, &from)) return s;
  Transaction t(db_);
  if (!t.ok()) return kErrorRegistryIo;
  if (RegStatus s = Walk(from, path, false, &id)) return s;
  if (RootId(root) && id == from) return kErrorAccessDenied;  // a root stays
  Statement s(db_, "DELETE FROM keys WHERE id=?");
  if (s.Bind(1, id).Step() != SQLITE_DONE) return kErrorRegistryIo;
  return t.Commit() ? kErrorSuccess : kErrorRegistryIo;
}

RegStatus SqliteHive::DeleteValue(RegKey key, const std::string& name) {
  std::int64_t id = 0;
  if (RegStatus s = KeyIdOf(key, &id)) return s;
  Statement s(db_, "DELETE FROM vals WHERE key=? AND fold=?");
  if (s.Bind(1, id).Bind(2, Fold(name)).Step() != SQLITE_DONE) return kErrorRegistryIo;
  return sqlite3_changes(db_) ? kErrorSuccess : kErrorFileNotFound;
}

}  // namespace kestrin
