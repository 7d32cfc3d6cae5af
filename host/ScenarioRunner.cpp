#include "ScenarioRunner.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <algorithm>
#include <ostream>
#include <sstream>

#include "../platform/linux/ComActivation.h"
#include "../platform/linux/SqliteHive.h"
#include "Expect.h"
#include "PageSteps.h"
#include "ScenarioSetup.h"
#include "ScenarioSteps.h"
#include "Session.h"
#include "Utf8.h"

namespace kestrin::host {

namespace {

namespace fs = std::filesystem;

const char* const kDefaultSections[] = {"addin", "items", "subscriptions", "live", "mapi"};

// Something outside the scenario file went wrong (the hive, a library).
struct SetupError {
  std::string message;
};

std::string ProgramDir() {
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  return ec ? std::string(".") : exe.parent_path().string();
}

// A fresh hive in a directory of its own, removed with everything in it at the end.
class TempHive {
 public:
  TempHive() {
    std::string tmpl = (fs::temp_directory_path() / "kestrin-host.XXXXXX").string();
    if (!mkdtemp(tmpl.data())) throw SetupError{std::string("cannot make a temporary directory: ") + std::strerror(errno)};
    dir_ = tmpl;
  }
  ~TempHive() {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  std::string path() const { return dir_ + "/registry.db"; }

 private:
  std::string dir_;
};

struct Plan {
  std::vector<std::string> sections;
  std::vector<std::string> libraries;  // to register, full paths
  std::vector<RegWrite> writes;
  std::vector<FaultSpec> faults;
  std::optional<Node> windows;
  std::vector<Node> steps;
  std::vector<const StepInfo*> stepInfo;
  std::optional<Node> expectAll;
  ProfileNames names;
};

std::string StepNames() {
  std::string s;
  for (const StepInfo& st : AllSteps()) s += (s.empty() ? "" : ", ") + st.name;
  return s;
}

Plan Check(const Node& root, const RunOptions& options, standin::Profile& profile) {
  Plan plan;
  root.ExpectObject();
  (void)root.OptStr("description");
  for (const char* s : kDefaultSections) plan.sections.push_back(s);
  if (auto show = root.Opt("show")) {
    for (const Node& n : show->Elements()) {
      const std::string name = n.AsString();
      if (!FindStateSection(name)) {
        std::string known;
        for (const StateInfo& s : AllStateSections()) known += (known.empty() ? "" : ", ") + s.name;
        n.Fail("no state section \"" + name + "\" (sections: " + known + ")");
      }
      if (std::find(plan.sections.begin(), plan.sections.end(), name) == plan.sections.end())
        plan.sections.push_back(name);
    }
  }

  BuildProfile(root.Opt("profile"), profile, &plan.names);

  // Registration: libKestrin.so, and the options page's library when it is there.
  const std::string bin = options.binDir.empty() ? ProgramDir() : options.binDir;
  auto reg = root.Opt("register");
  if (!reg || (reg->value().IsBool() && reg->AsBool())) {
    plan.libraries.push_back(bin + "/libKestrin.so");
    if (fs::exists(bin + "/libKestrinOptionsPage.so")) plan.libraries.push_back(bin + "/libKestrinOptionsPage.so");
  } else if (reg->value().IsArray()) {
    for (const Node& n : reg->Elements()) {
      const std::string lib = n.AsString();
      if (lib.empty() || lib.find('/') != std::string::npos) n.Fail("name a library of the build's bin folder, such as \"libKestrin.so\"");
      plan.libraries.push_back(bin + "/" + lib);
    }
  } else if (!reg->value().IsBool()) {
    reg->Fail("expected true, false or a list of library names");
  }

  if (auto settings = root.Opt("settings")) plan.writes = ReadSettings(*settings);
  if (auto registry = root.Opt("registry")) {
    auto more = ReadRegistryWrites(*registry);
    plan.writes.insert(plan.writes.end(), more.begin(), more.end());
  }
  if (auto faults = root.Opt("faults"))
    for (const Node& f : faults->Elements()) {
      plan.faults.push_back(ReadFault(f));
      f.CheckAllUsed();
    }
  plan.windows = root.Opt("windows");
  if (plan.windows) CheckWindows(*plan.windows);

  for (const Node& s : root.Get("steps").Elements()) {
    const std::string name = s.Str("do");
    const StepInfo* info = FindStep(name);
    if (!info) s.Get("do").Fail("unknown step \"" + name + "\" (steps: " + StepNames() + ")");
    s.MarkUsed("note");
    if (auto e = s.Opt("expect")) e->ExpectObject();
    StepContext ctx;
    (void)info->run(ctx, s);
    s.CheckAllUsed();
    plan.steps.push_back(s);
    plan.stepInfo.push_back(info);
  }
  plan.expectAll = root.Opt("expect");
  if (plan.expectAll) {
    const auto els = plan.expectAll->Elements();
    if (els.size() != plan.steps.size())
      plan.expectAll->Fail("lists " + std::to_string(els.size()) + " expectations for " +
                           std::to_string(plan.steps.size()) + " steps");
    for (const Node& e : els) e.ExpectObject();
  }
  root.CheckAllUsed();
  return plan;
}

std::string Indent(const std::string& text, const std::string& by) {
  std::string out = by;
  for (char c : text) {
    out += c;
    if (c == '\n') out += by;
  }
  return out;
}

// Prints the mismatches of one step; true when there were none.
bool Compare(const RunOptions& options, const Node& expected, const Json& actual, std::size_t index,
             const std::string& name, std::ostream& err) {
  std::vector<Mismatch> mismatches;
  MatchExpected(expected.value(), actual, "$", mismatches);
  if (mismatches.empty()) return true;
  const SourcePos at = expected.value().pos();
  err << options.file << ":" << at.line << ":" << at.col << ": step " << index + 1 << " (" << name
      << ") differs from " << expected.path() << ":\n";
  for (const Mismatch& m : mismatches) {
    err << "  " << m.path << "  (" << options.file << ":" << m.where.line << ":" << m.where.col << ")\n"
        << "  - expected: " << m.expected << "\n"
        << "  + actual:   " << m.actual << "\n";
  }
  return false;
}

int Run(const Node& root, const RunOptions& options, std::ostream& out, std::ostream& err) {
  standin::Profile& profile = standin::Profile::Current();
  profile.Reset();
  Plan plan = Check(root, options, profile);

  // The hive: every library of this process must see this one, so it is fixed before any loads.
  std::optional<TempHive> temp;
  std::string hivePath = options.hive;
  if (hivePath.empty()) {
    temp.emplace();
    hivePath = temp->path();
  }
  {
    std::string why;
    if (!SqliteHive::Open(hivePath, SqliteHive::Mode::ReadWrite, &why)) throw SetupError{"cannot use the hive " + hivePath + ": " + why};
  }
  setenv("KESTRIN_HIVE", hivePath.c_str(), 1);
  Registry& registry = SystemRegistry();

  for (const std::string& lib : plan.libraries) {
    if (!fs::exists(lib)) throw SetupError{"cannot register " + lib + ": no such file (build it first)"};
    const HRESULT h = com::RegisterServer(lib);
    if (Failed(h)) {
      const std::string why = com::LastLoadError();
      throw SetupError{"DllRegisterServer of " + lib + " failed: " + HResultText(h) + (why.empty() ? "" : " (" + why + ")")};
    }
  }
  ApplyRegistryWrites(registry, plan.writes);

  int status = kRunOk;
  bool first = true;
  if (!options.quiet) out << "[";
  {
    standin::Outlook outlook;
    Session session(profile, outlook, registry);
    session.binDir = options.binDir.empty() ? ProgramDir() : options.binDir;
    session.hivePath = hivePath;
    for (std::size_t i = 0; i < plan.names.items.size(); ++i)
      session.NameItem(plan.names.itemNodes[i], plan.names.items[i].first, *plan.names.items[i].second);
    {
      const ComPtr<outlook::Application> app = outlook.Application();
      com::SetRunningApplication(app.get());
    }
    // PropertyPages.Add: Outlook creates the control from its ProgID and shows it in a tab.
    outlook.SetPageAddHook([&session](outlook::PropertyPages&, const std::u16string& progId,
                                      const std::u16string& title) -> HRESULT {
      OpenPage page;
      page.progId = progId;
      page.title = title;
      page.created = com::CreateFromProgId(session.registry, progId, IID_IUnknown,
                                           reinterpret_cast<void**>(page.control.put()));
      const HRESULT h = page.created;
      if (Succeeded(page.created)) SkipOnFailure(HostPage(session, page));  // as a tab hosts a control
      session.dialog.pages.push_back(std::move(page));
      return h;
    });
    if (plan.windows) OpenWindows(session, *plan.windows);
    for (const FaultSpec& f : plan.faults) InjectFault(profile, f);

    for (std::size_t i = 0; i < plan.steps.size(); ++i) {
      const Node& step = plan.steps[i];
      StepContext ctx;
      ctx.checking = false;
      ctx.session = &session;
      outlook.ClearCallLog();
      const HRESULT h = plan.stepInfo[i]->run(ctx, step);
      Json result = Json::Object();
      result.Set("step", static_cast<std::int64_t>(i + 1));
      result.Set("do", plan.stepInfo[i]->name);
      if (auto note = step.Opt("note")) result.Set("note", note->value());
      result.Set("hr", HResultText(h));
      for (const auto& [k, v] : ctx.output.Members()) result.Set(k, v);
      result.Set("state", session.State(plan.sections));
      if (!options.quiet) {
        out << (first ? "\n" : ",\n") << (options.compact ? "  " + result.Dump(-1) : Indent(result.Dump(2), "  "));
        out.flush();
        first = false;
      }
      if (auto e = step.Opt("expect"))
        if (!Compare(options, *e, result, i, plan.stepInfo[i]->name, err)) status = kRunMismatch;
      if (plan.expectAll) {
        const Node e = plan.expectAll->Elements()[i];
        if (!Compare(options, e, result, i, plan.stepInfo[i]->name, err)) status = kRunMismatch;
      }
    }
    if (!options.quiet) out << (first ? "]\n" : "\n]\n");

    // Outlook's end: the pages, the add-in, then Outlook itself.
    session.dialog = OptionsDialog{};
    session.addin.Release();
    com::SetRunningApplication(nullptr);
  }
  if (profile.liveOutlookObjects == 0) profile.Reset();
  return status;
}

}  // namespace

int RunScenario(const RunOptions& options, std::ostream& out, std::ostream& err) {
  std::ifstream in(options.file, std::ios::binary);
  if (!in) {
    err << "kestrin-host: cannot read " << options.file << ": " << std::strerror(errno) << "\n";
    return kRunBadInput;
  }
  std::stringstream buf;
  buf << in.rdbuf();
  const std::string text = buf.str();
  JsonError je;
  const std::optional<Json> doc = ParseJson(text, &je);
  if (!doc) {
    err << options.file << ":" << je.pos.line << ":" << je.pos.col << ": " << je.message << "\n";
    return kRunBadInput;
  }
  try {
    return Run(Node(*doc, "$"), options, out, err);
  } catch (const ScenarioError& e) {
    err << options.file << ":" << e.pos.line << ":" << e.pos.col << ": " << e.path << ": " << e.message << "\n";
    return kRunBadInput;
  } catch (const SetupError& e) {
    err << "kestrin-host: " << e.message << "\n";
    return kRunSetupFailed;
  }
}

int RunScenarioCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  RunOptions options;
  auto usage = [&err]() {
    err << "usage: kestrin-host run FILE.json [--hive PATH] [--bin DIR] [--compact] [--quiet]\n"
           "  plays the scenario and prints each step's result and state as JSON;\n"
           "  exits 1 when the output differs from the scenario's expectations,\n"
           "  2 for a bad scenario file or command line, 3 when the set-up fails.\n";
    return kRunBadInput;
  };
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--hive" || a == "--bin") {
      if (i + 1 >= args.size() || args[i + 1].empty()) {
        err << "kestrin-host run: " << a << " needs a path\n";
        return usage();
      }
      (a == "--hive" ? options.hive : options.binDir) = args[++i];
    } else if (a == "--compact") {
      options.compact = true;
    } else if (a == "--quiet") {
      options.quiet = true;
    } else if (a == "--help" || a == "-h") {
      usage();
      return kRunOk;
    } else if (!a.empty() && a[0] == '-') {
      err << "kestrin-host run: unknown option " << a << "\n";
      return usage();
    } else if (options.file.empty()) {
      options.file = a;
    } else {
      err << "kestrin-host run: one scenario file at a time\n";
      return usage();
    }
  }
  if (options.file.empty()) return usage();
  return RunScenario(options, out, err);
}

}  // namespace kestrin::host
