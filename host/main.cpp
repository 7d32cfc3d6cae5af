// kestrin-host: plays Outlook for the Linux build of Kestrin.
#include <iostream>
#include <string>
#include <vector>

#include "ScenarioRunner.h"
#include "SettingsCommand.h"

namespace {

using Command = int (*)(const std::vector<std::string>&, std::ostream&, std::ostream&);

struct Entry {
  const char* name;
  Command run;
  const char* help;
};

// One line per command.
const Entry kCommands[] = {
    {"settings", kestrin::host::RunSettingsCommand, "show a hive's settings as the add-in reads them"},
    {"reg", kestrin::host::RunRegCommand, "add, delete or query typed registry values (like reg.exe)"},
    {"run", kestrin::host::RunScenarioCommand, "play a scenario file against the add-in (docs/scenarios.md)"},
};

int Usage(std::ostream& os) {
  os << "usage: kestrin-host COMMAND [ARGS]\n\ncommands:\n";
  for (const Entry& e : kCommands) os << "  " << e.name << "\t" << e.help << "\n";
  os << "\nThe hive is $KESTRIN_HIVE, or $XDG_CONFIG_HOME/kestrin/registry.db; --hive PATH overrides.\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) return Usage(std::cerr);
  if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    Usage(std::cout);
    return 0;
  }
  for (const Entry& e : kCommands)
    if (args[0] == e.name) return e.run(args, std::cout, std::cerr);
  std::cerr << "kestrin-host: unknown command " << args[0] << "\n";
  return Usage(std::cerr);
}
