#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "TestRegistry.h"
#include "platform/linux/SqliteHive.h"

namespace kestrin::test {

std::unique_ptr<Registry> MakeTestRegistry() {
  static std::atomic<int> counter{0};
  const char* tmp = std::getenv("TMPDIR");
  const std::string path = std::string(tmp && *tmp ? tmp : "/tmp") + "/kestrin-settings-test-" +
                           std::to_string(getpid()) + "-" + std::to_string(counter++) + ".db";
  std::remove(path.c_str());
  std::string error;
  auto hive = SqliteHive::Open(path, SqliteHive::Mode::ReadWrite, &error);
  // The file may go at once: the open connection keeps it.
  std::remove(path.c_str());
  std::remove((path + "-wal").c_str());
  std::remove((path + "-shm").c_str());
  return hive;
}

}  // namespace kestrin::test
