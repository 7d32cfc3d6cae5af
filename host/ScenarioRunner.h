// `kestrin-host run FILE`: plays a scenario file against the add-in (docs/scenarios.md).
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace kestrin::host {

struct RunOptions {
  std::string file;
  std::string hive;    // empty: a fresh temporary hive, removed afterwards
  std::string binDir;  // where the deliverables are; empty: beside this program
  bool compact = false;  // one line per step
  bool quiet = false;    // print nothing but mismatches and errors
};

// Exit codes.
inline constexpr int kRunOk = 0;
inline constexpr int kRunMismatch = 1;    // the output differs from the scenario's expectations
inline constexpr int kRunBadInput = 2;    // the scenario file or the command line is wrong
inline constexpr int kRunSetupFailed = 3; // the hive or a deliverable could not be set up

int RunScenario(const RunOptions& options, std::ostream& out, std::ostream& err);
int RunScenarioCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace kestrin::host
