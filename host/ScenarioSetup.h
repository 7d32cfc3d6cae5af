// The parts of a scenario that come before its steps: the profile, registry values, windows
// open at connection, faults. Each is read and checked in full before anything changes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "../settings/Registry.h"
#include "../standin/Profile.h"
#include "ScenarioNode.h"

namespace kestrin::host {

class Session;

// Builds the profile into profile (which must be empty); items get their scenario names through
// nameItem. Without a "profile" member: one store "Personal Folders" with an Inbox and an empty
// "Outlook Address Book".
struct ProfileNames {
  std::vector<std::pair<std::string, standin::Item*>> items;  // name ("" = automatic), item
  std::vector<Node> itemNodes;
};
void BuildProfile(const std::optional<Node>& spec, standin::Profile& profile, ProfileNames* names);

// One registry write (or deletion).
struct RegWrite {
  explicit RegWrite(Node where) : at(std::move(where)) {}
  Node at;
  RegKey root = kHkeyCurrentUser;
  std::string key;                  // code-page bytes
  std::optional<std::string> name;  // none: the key itself (delete only); "" is the default value
  std::uint32_t type = kRegSz;
  std::vector<std::uint8_t> data;
  bool erase = false;
};
// "registry": [...] entries and the "settings": {...} shorthand.
std::vector<RegWrite> ReadRegistryWrites(const Node& list);
std::vector<RegWrite> ReadSettings(const Node& settings);
// Fails at the entry's node when the registry refuses the write.
void ApplyRegistryWrites(Registry& registry, const std::vector<RegWrite>& writes);

struct FaultSpec {
  std::string op;
  std::vector<std::uint64_t> nth;  // counted from the moment the fault is set, 1 = the next call
  HRESULT result = hr::fail;
};
FaultSpec ReadFault(const Node& fault);
// Injects it into the profile, relative to the calls made so far.
void InjectFault(standin::Profile& profile, const FaultSpec& fault);

// "windows": [{"explorer": "e1", "folder": ...}, {"inspector": "i1", "item": ...}]: opened before
// the add-in connects, in order.
void CheckWindows(const Node& list);
void OpenWindows(Session& session, const Node& list);

}  // namespace kestrin::host
