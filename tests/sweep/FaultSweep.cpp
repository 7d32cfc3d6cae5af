// The fault sweep: each sample scenario is played once clean, to count the calls it makes of
// every operation of the stand-in Outlook and the stand-in MAPI32; then once per operation and
// call index with that single call failing (E_FAIL, and MAPI_E_NOT_FOUND for MAPI). Each faulty
// run is played in a child process of its own (a crash is a finding, not the end of the sweep,
// and every run starts with nothing loaded) and must keep the invariants below.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "host/Json.h"
#include "host/ScenarioNode.h"
#include "host/ScenarioRunner.h"
#include "settings/modRegistry.h"
#include "standin/Profile.h"

namespace kestrin::host {
namespace {

namespace fs = std::filesystem;

// Outlook operations of the filter whose failure the handler returns as ItemAdd's result.
const std::set<std::string> kReturnedByItemAdd = {"MailItem.Parent", "Folder.FolderPath",
                                                   "MailItem.EntryID", "MailItem.UnRead",
                                                   "MailItem.Move"};
// The one failure after which an item stays in its folder with the flag of the move set.
const char kMove[] = "MailItem.Move";
// A fault-injection name nobody calls: the clean run's first step, so that every run counts its
// calls from the same place.
const char kNobody[] = "Sweep.Nothing";

bool IsMapiOp(const std::string& op) { return op.find('.') == std::string::npos; }

std::string ReadText(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

Json Parse(const std::string& text, const std::string& what) {
  JsonError e;
  auto j = ParseJson(text, &e);
  if (!j) throw std::runtime_error(what + ":" + std::to_string(e.pos.line) + ": " + e.message);
  return *j;
}

const Json& At(const Json& j, std::string_view key) {
  static const Json null;
  const Json* m = j.IsObject() ? j.Find(key) : nullptr;
  return m ? *m : null;
}

Json Without(const Json& object, std::string_view key) {
  Json out = Json::Object();
  for (const auto& [k, v] : object.Members())
    if (k != key) out.Set(k, v);
  return out;
}

std::string Str(const Json& j) { return j.IsString() ? j.AsString() : j.Dump(-1); }

// ---- one run, in a child process ----

struct Fault {
  std::string op;
  std::int64_t nth = 0;
  std::string hr = "E_FAIL";
  std::string Name() const { return op + "#" + std::to_string(nth) + " " + hr; }
};

struct RunResult {
  std::string problem;  // the child did not end normally, or its output could not be read
  std::string cutShort; // why a step after the fault could not run
  Json steps;           // the output: one object per step
  std::int64_t liveOutlook = 0, liveMapiObjects = 0, liveMapiBuffers = 0;  // after the run
};

class Workspace {
 public:
  Workspace() {
    // A hive per run: on a memory file system where there is one, as SQLite syncs its files.
    const fs::path base = fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
    std::string tmpl = (base / "kestrin-sweep.XXXXXX").string();
    if (!mkdtemp(tmpl.data())) throw std::runtime_error("cannot make a directory under " + base.string());
    dir_ = tmpl;
    setenv("TMPDIR", dir_.c_str(), 1);
  }
  ~Workspace() {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  const fs::path& dir() const { return dir_; }

 private:
  fs::path dir_;
};

RunResult Play(const Workspace& ws, const Json& scenario) {
  const fs::path file = ws.dir() / "scenario.json", out = ws.dir() / "out.json",
                 err = ws.dir() / "err.txt", left = ws.dir() / "left.txt";
  {
    std::ofstream f(file, std::ios::binary | std::ios::trunc);
    f << scenario.Dump(-1);
  }
  const pid_t pid = fork();
  RunResult r;
  if (pid < 0) {
    r.problem = "fork failed";
    return r;
  }
  if (pid == 0) {
    int rc = 99;
    {
      std::ofstream o(out, std::ios::binary | std::ios::trunc), e(err, std::ios::binary | std::ios::trunc);
      RunOptions options;
      options.file = file.string();
      options.compact = true;
      rc = RunScenario(options, o, e);
      const standin::Profile& p = standin::Profile::Current();
      std::ofstream l(left, std::ios::trunc);
      l << p.liveOutlookObjects << " " << p.liveMapiObjects << " " << p.liveMapiBuffers << "\n";
    }
    _exit(rc);
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
  }
  if (WIFSIGNALED(status)) {
    r.problem = "crashed with signal " + std::to_string(WTERMSIG(status)) + ": " + ReadText(err);
    return r;
  }
  const int rc = WEXITSTATUS(status);
  if (rc == kRunBadInput) {
    // A later step of the file needs what the fault prevented (a page that was never added):
    // the run stops there, and the steps printed so far are checked.
    r.cutShort = ReadText(err);
  } else if (rc != kRunOk && rc != kRunMismatch) {
    r.problem = "kestrin-host run ended with " + std::to_string(rc) + ": " + ReadText(err);
    return r;
  }
  // One step per line: "  {...}," (compact output), so a run cut short still reads.
  r.steps = Json::Array();
  std::istringstream lines(ReadText(out));
  try {
    for (std::string line; std::getline(lines, line);) {
      if (line.rfind("  {", 0) != 0) continue;
      if (line.back() == ',') line.pop_back();
      r.steps.Push(Parse(line, "output"));
    }
  } catch (const std::exception& e) {
    r.problem = e.what();
    return r;
  }
  std::istringstream l(ReadText(left));
  l >> r.liveOutlook >> r.liveMapiObjects >> r.liveMapiBuffers;
  return r;
}

// ---- the scenario as the sweep plays it ----

struct Scenario {
  std::string name;
  Json root;                  // without expectations, showing calls and settings
  std::vector<Json> steps;    // the file's steps, without expectations
  std::string defaultInbox;   // where a delivery without "to" goes
};

std::string DefaultInboxPath(const Json& root) {
  const Json& profile = At(root, "profile");
  const Json& stores = At(profile, "stores");
  if (!stores.IsArray() || stores.Elements().empty()) return "\\Personal Folders\\Inbox";
  const Json* store = &stores.Elements()[0];
  for (const Json& s : stores.Elements())
    if (At(s, "default").IsBool() && At(s, "default").AsBool()) store = &s;
  const std::string top = At(*store, "top").IsString() ? At(*store, "top").AsString() : At(*store, "name").AsString();
  std::string inbox = "Inbox";
  for (const Json& f : At(*store, "folders").Elements())
    if (At(f, "inbox").IsBool() && At(f, "inbox").AsBool()) inbox = At(f, "name").AsString();
  return "\\" + top + "\\" + inbox;
}

Scenario Load(const fs::path& file) {
  Scenario s;
  s.name = file.stem().string();
  const Json doc = Parse(ReadText(file), file.string());
  s.root = Without(Without(Without(doc, "expect"), "steps"), "show");
  Json show = Json::Array();
  show.Push("calls");
  show.Push("settings");
  s.root.Set("show", show);
  for (const Json& st : At(doc, "steps").Elements()) s.steps.push_back(Without(st, "expect"));
  s.defaultInbox = DefaultInboxPath(doc);
  return s;
}

// The file's steps after a first step that sets the fault, and a disconnect at the end when the
// file leaves the add-in connected.
Json WithFault(const Scenario& s, const Fault& f, bool disconnectAtEnd) {
  Json steps = Json::Array();
  Json first = Json::Object();
  first.Set("do", "fault");
  first.Set("op", f.op);
  first.Set("nth", f.nth);
  first.Set("hr", f.hr);
  steps.Push(first);
  for (const Json& st : s.steps) steps.Push(st);
  if (disconnectAtEnd) {
    Json d = Json::Object();
    d.Set("do", "disconnect");
    steps.Push(d);
  }
  Json root = s.root;
  root.Set("steps", steps);
  return root;
}

std::int64_t Calls(const Json& step, const std::string& op) {
  const Json& n = At(At(At(step, "state"), "calls"), op);
  return n.IsInteger() ? n.AsInt() : 0;
}

// ---- the invariants ----

struct ItemStart {
  std::string folder;
  bool unread = true;
};

class Checker {
 public:
  Checker(const Scenario& s, const Json& clean) : s_(s), clean_(clean.Elements()) {
    // Where each item starts: the profile's items as before the first step, delivered ones as
    // their step gives them.
    for (const Json& item : At(At(clean_[0], "state"), "items").Elements())
      start_[Str(At(item, "id"))] = ItemStart{Str(At(item, "folder")), At(item, "unread").AsBool()};
    for (std::size_t i = 0; i < s.steps.size(); ++i) {
      const Json& st = s.steps[i];
      if (Str(At(st, "do")) != "deliver") continue;
      const std::string id = Str(At(clean_[i + 1], "item"));
      const Json& spec = At(st, "item");
      const Json& unread = At(spec, "unread");
      const Json& to = At(st, "to");
      start_[id] = ItemStart{to.IsString() ? to.AsString() : s.defaultInbox, unread.IsBool() ? unread.AsBool() : true};
    }
  }

  // Every problem of one run, one line each.
  std::vector<std::string> Check(const Fault* fault, const RunResult& run) const {
    std::vector<std::string> problems;
    auto fail = [&](std::size_t step, const std::string& what) {
      problems.push_back("step " + std::to_string(step) + " (" + Str(At(run.steps.Elements()[step], "do")) + "): " + what);
    };
    if (!run.problem.empty()) return {run.problem};
    const auto& steps = run.steps.Elements();
    if (!run.cutShort.empty() && !fault) return {"the clean run stopped: " + run.cutShort};
    if (steps.empty() || steps.size() > clean_.size() || (run.cutShort.empty() && steps.size() != clean_.size()))
      return {"printed " + std::to_string(steps.size()) + " steps of " + std::to_string(clean_.size())};

    // The step in which the faulty call was made; every step before it is as in the clean run.
    std::size_t fired = steps.size();
    if (fault) {
      const std::int64_t base = Calls(steps[0], fault->op);
      for (std::size_t i = 1; i < steps.size() && fired == steps.size(); ++i)
        if (Calls(steps[i], fault->op) - base >= fault->nth) fired = i;
      if (fired == steps.size())
        problems.push_back(run.cutShort.empty() ? "the faulty call was never made" : "stopped before the fault: " + run.cutShort);
    }
    for (std::size_t i = 1; i < std::min(fired, steps.size()); ++i) {
      if (At(steps[i], "hr") != At(clean_[i], "hr") ||
          At(At(steps[i], "state"), "items") != At(At(clean_[i], "state"), "items"))
        fail(i, "differs from the clean run before the fault");
    }

    std::set<std::string> destinations;
    std::set<bool> movedUnread;  // the unread flags that a moved item may have
    bool started = false;
    for (std::size_t i = 0; i < steps.size(); ++i) {
      const Json& st = steps[i];
      const Json& state = At(st, "state");
      const std::string did = Str(At(st, "do"));
      const Json& settings = At(state, "settings");
      if (At(settings, "SpamDestinationFolderPath").IsString())
        destinations.insert(At(settings, "SpamDestinationFolderPath").AsString());
      if (did == "startup") {
        // The flag is read last at start-up; until then (and after a failed start-up) it is false.
        const Json& mark = At(settings, "MarkSpamAsRead");
        const std::string text = mark.IsString() ? mark.AsString() : "";
        const bool markRead = YesNoToBool(RegistryValue(std::u16string(text.begin(), text.end())));
        movedUnread = {!markRead};
        if (Str(At(st, "hr")) != "S_OK") movedUnread.insert(true);
        started = true;
      }
      if (!started) movedUnread = {true};

      // MAPI: nothing alive but the session, and the session only while KestrinLIB is loaded.
      const Json& live = At(state, "live");
      if (At(live, "mapiBuffers").AsInt() != 0) fail(i, "MAPI buffers alive: " + At(live, "mapiBuffers").Dump(-1));
      const std::int64_t objects = At(live, "mapiObjects").AsInt();
      const bool loaded = At(At(state, "addin"), "loaded").AsBool();
      if (objects > 1 || (!loaded && objects != 0)) fail(i, "MAPI objects alive: " + std::to_string(objects));
      if (did == "disconnect" && At(live, "outlookObjects") != At(At(At(clean_[i], "state"), "live"), "outlookObjects"))
        fail(i, "Outlook objects alive after disconnect: " + At(live, "outlookObjects").Dump(-1) + ", clean run " +
                    At(At(At(clean_[i], "state"), "live"), "outlookObjects").Dump(-1));

      // The result of the event in which the call failed.
      if (fault && i == fired && (did == "deliver" || did == "itemAdd")) {
        const std::string got = Str(At(st, "hr"));
        if (kReturnedByItemAdd.count(fault->op) && got != fault->hr)
          fail(i, "ItemAdd returned " + got + ", not the failure " + fault->hr);
        // (Another result may follow from the library's answer: the path of a moved item.)
        if (IsMapiOp(fault->op) && got == fault->hr && got != Str(At(clean_[i], "hr")))
          fail(i, "ItemAdd returned " + got + ": a MAPI failure inside KestrinLIB reached the add-in");
      }

      // Every item: where it started, untouched; or moved with the flag of the settings; or, when
      // the move itself failed, where it started with that flag. Never lost, never twice.
      const auto& items = At(state, "items").Elements();
      const auto& cleanItems = At(At(clean_[i], "state"), "items").Elements();
      if (items.size() != cleanItems.size()) {
        fail(i, std::to_string(items.size()) + " items, clean run " + std::to_string(cleanItems.size()));
        continue;
      }
      for (std::size_t j = 0; j < items.size(); ++j) {
        const std::string id = Str(At(items[j], "id"));
        if (id != Str(At(cleanItems[j], "id"))) fail(i, "item " + id + " out of order");
        if (items[j] == cleanItems[j]) continue;  // as in the clean run (a deleted folder too)
        const auto start = start_.find(id);
        if (start == start_.end()) {
          fail(i, "item " + id + " differs from the clean run");
          continue;
        }
        const Json& folder = At(items[j], "folder");
        const bool unread = At(items[j], "unread").AsBool();
        const bool atStart = folder.IsString() && folder.AsString() == start->second.folder;
        const bool moved = folder.IsString() && destinations.count(folder.AsString()) && movedUnread.count(unread);
        const bool untouched = atStart && unread == start->second.unread;
        const bool moveFailed = atStart && fault && fault->op == kMove && movedUnread.count(unread);
        if (!untouched && !moved && !moveFailed)
          fail(i, "item " + id + " " + items[j].Dump(-1) + " (it started in " + start->second.folder +
                      (start->second.unread ? ", unread)" : ", read)"));
      }
    }
    // (A run cut short leaves the host's own references behind: nothing to learn from them.)
    if (run.cutShort.empty() && (run.liveOutlook || run.liveMapiObjects || run.liveMapiBuffers))
      problems.push_back("alive after the run: " + std::to_string(run.liveOutlook) + " Outlook objects, " +
                         std::to_string(run.liveMapiObjects) + " MAPI objects, " +
                         std::to_string(run.liveMapiBuffers) + " MAPI buffers");
    return problems;
  }

 private:
  const Scenario& s_;
  const std::vector<Json>& clean_;
  std::map<std::string, ItemStart> start_;
};

// ---- the sweep ----

// The bundled samples and every scenario under tests/host that delivers mail to the filter.
std::vector<std::string> SampleScenarios() {
  std::vector<std::string> files;
  for (const char* dir : {"/samples", "/tests/host/scenarios"}) {
    std::vector<std::string> found;
    for (const auto& e : fs::directory_iterator(std::string(KESTRIN_SOURCE_DIR) + dir))
      if (e.path().extension() == ".json" && ReadText(e.path()).find("\"deliver\"") != std::string::npos)
        found.push_back(e.path().string());
    std::sort(found.begin(), found.end());
    files.insert(files.end(), found.begin(), found.end());
  }
  return files;
}

class FaultSweep : public ::testing::TestWithParam<std::string> {};

TEST_P(FaultSweep, EverySingleFailingCallKeepsMailAndFreesEverything) {
  const auto t0 = std::chrono::steady_clock::now();
  Workspace ws;
  const Scenario s = Load(GetParam());

  const Fault none{kNobody, 1, "E_FAIL"};
  RunResult clean = Play(ws, WithFault(s, none, false));
  ASSERT_TRUE(clean.problem.empty()) << clean.problem;
  const bool connectedAtEnd = At(At(At(clean.steps.Elements().back(), "state"), "addin"), "loaded").AsBool();
  if (connectedAtEnd) {
    clean = Play(ws, WithFault(s, none, true));
    ASSERT_TRUE(clean.problem.empty()) << clean.problem;
  }
  const Checker checker(s, clean.steps);
  for (const std::string& p : checker.Check(nullptr, clean)) ADD_FAILURE() << s.name << " clean: " << p;

  // Every operation and call index that the clean run reaches.
  std::vector<Fault> faults;
  const auto& cleanSteps = clean.steps.Elements();
  for (const auto& [op, n] : At(At(cleanSteps.back(), "state"), "calls").Members()) {
    if (op == kNobody) continue;
    const std::int64_t reached = n.AsInt() - Calls(cleanSteps[0], op);
    for (std::int64_t k = 1; k <= reached; ++k) {
      faults.push_back(Fault{op, k, "E_FAIL"});
      if (IsMapiOp(op)) faults.push_back(Fault{op, k, "MAPI_E_NOT_FOUND"});
    }
  }
  ASSERT_FALSE(faults.empty());

  std::size_t failed = 0, cutShort = 0;
  for (const Fault& f : faults) {
    const RunResult run = Play(ws, WithFault(s, f, connectedAtEnd));
    const auto problems = checker.Check(&f, run);
    if (!problems.empty()) ++failed;
    if (!run.cutShort.empty()) ++cutShort;
    for (const std::string& p : problems) ADD_FAILURE() << s.name << " with " << f.Name() << ": " << p;
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  std::printf("%s: %zu faulty runs (%zu stopped at a step that the fault made impossible), %zu with problems, %.1f s\n",
              s.name.c_str(), faults.size(), cutShort, failed, seconds);
}

INSTANTIATE_TEST_SUITE_P(Samples, FaultSweep, ::testing::ValuesIn(SampleScenarios()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           std::string n = fs::path(info.param).stem().string();
                           std::replace(n.begin(), n.end(), '-', '_');
                           return n;
                         });

}  // namespace
}  // namespace kestrin::host
