// kestrin-host's registry commands: `settings` shows a hive's three settings as the add-in reads
// them, `reg` writes, deletes and lists typed values, in the spirit of Windows' reg.exe.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace kestrin::host {

// Each returns the process exit code; messages go to out/err.
int RunSettingsCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int RunRegCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace kestrin::host
