// One end-to-end scenario on a laid-out copy of the sample installation (feature data and
// environment file included), through the very commands the main window and ravlinctl run:
// the New command with its dialog filled as an operator fills it, Delete and Change Type,
// with the real PPD generator behind the creation. Tiffmono gets dispatchers from a PPD,
// without one, with "Use Factory Default" and with copied queues until all ten port
// separators are taken (message 138); one is deleted and its separator is offered again;
// the first dispatcher and another one change type; Dedezi gets a dispatcher in each VDP
// mode. After every step the files on disk, the launchers, the generated PPD (checked by
// cupstestppd) and the list in memory are compared with what the step must have made.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "frame/flavour_catalogue.h"
#include "core/rvc_trace.h"
#include "lifecycle/change_type.h"
#include "lifecycle/dispatcher_deletion.h"
#include "lifecycle/new_dispatcher.h"
#include "lifecycle/new_dispatcher_dialog.h"
#include "lifecycle/scripted_commands.h"
#include "platform/desktop_entry.h"
#include "platform/environment.h"
#include "platform/window_lookup.h"
#include "ripconfig/ravlcfg.h"
#include "store/resource_db.h"
#include "store/shortcuts.h"
#include "tests/lifecycle/sample_flavour.h"
#include "tests/support/dispatcher_launcher.h"
#include "tests/support/shell.h"
#include "tests/support/test_support.h"
#include "ui/headless/headless_ui.h"

namespace rvc::lifecycle {
namespace {

namespace fs = std::filesystem;

using test::FileExists;
using test::Installed;
using test::ReadFile;
using test::RunShell;
using test::ScopedEnv;
using test_fixture::FakeWindows;

using Strings = std::vector<std::string>;

constexpr const char* kLabel = "10.1";
// The papers of the layout's PpdInfo.dat: a film named like one of them is listed twice
// in a generated PPD (a recorded fixed-format finding).
const std::set<std::string> kPpdInfoPapers = {"Letter", "Legal", "Tabloid", "Executive", "A5",  "A4",
                                              "A3",     "A2",    "B5",      "B4",        "SRA3"};

struct Row {
  std::string name, type, folder;
  int base = 0, port = 0;
  bool operator==(const Row&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Row& row) {
  return out << "{" << row.name << ", " << row.type << ", " << row.folder << ", " << row.base << ", " << row.port
             << "}";
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

std::string Unquoted(std::string value) {
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
  return value;
}

// The names of the files directly in `folder` (not ".keep"), sorted.
std::set<std::string> FilesIn(const std::string& folder) {
  std::set<std::string> names;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder, error)) {
    const std::string name = entry.path().filename().string();
    if (entry.is_regular_file() && name != ".keep") names.insert(name);
  }
  return names;
}

std::set<std::string> WithExtension(const std::set<std::string>& names, const std::string& extension) {
  std::set<std::string> found;
  for (const std::string& name : names) {
    if (name.size() >= extension.size() && Lower(name.substr(name.size() - extension.size())) == extension) {
      found.insert(name);
    }
  }
  return found;
}

// The New dialog's choices; empty strings leave the dialog's proposal (or the factory default).
NewDispatcherChoices Choices(const std::string& type, const std::string& copyQueuesFrom = "",
                             const std::string& ppd = "", const std::string& name = "",
                             std::optional<bool> vdpActive = std::nullopt) {
  NewDispatcherChoices choices;
  choices.type = type;
  if (!copyQueuesFrom.empty()) choices.copyQueuesFrom = copyQueuesFrom;
  if (!ppd.empty()) choices.ppd = ppd;
  if (!name.empty()) choices.name = name;
  choices.vdpActive = vdpActive;
  return choices;
}

// How a dispatcher came about, for the checks of its files.
struct Made {
  Row row;
  // Copied queues: the sample's five queues named after the dispatcher, with hot folders
  // named after its folder and LPR port command port + 6. None: "Use Factory Default"
  // (no servers.ini, no *.usr).
  bool queues = false;
  bool fromPpd = false;                  // made with sample/ppds/OrvaTiffsetter.ppd
  std::optional<std::string> vdpMode;    // Dedezi: "VDP" or "STATIC"
  std::optional<std::string> ripMemory;  // the RIP_MEMORY the ini must hold
};

class LifecycleScenarioTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = dir_ / "ravlin";
    // The layout as an installer would make it, with its environment file.
    ASSERT_EQ(RunShell(std::string(RVC_SOURCE_DIR) + "/scripts/lay_out_sample.sh '" + root_ + "' >/dev/null").status,
              0);
    // As in an installation, the program's templates are older than the dispatchers'
    // files, which were configured after the installation.
    const fs::file_time_type installed = fs::file_time_type::clock::now() - std::chrono::hours(24 * 30);
    for (const auto& entry : fs::recursive_directory_iterator(root_ + "/prog")) {
      if (entry.is_regular_file()) fs::last_write_time(entry.path(), installed);
    }
    // The variables come from the environment file, read as at start-up; the process's
    // own values (which would win) are put aside for the test.
    std::istringstream lines(ReadFile(root_ + "/environment"));
    for (std::string line; std::getline(lines, line);) {
      if (line.empty() || line[0] == '#' || line.find('=') == std::string::npos) continue;
      variables_.push_back(std::make_unique<ScopedEnv>(line.substr(0, line.find('=')), std::nullopt));
    }
    ASSERT_EQ(variables_.size(), 10u);
    variables_.push_back(std::make_unique<ScopedEnv>("RAVLIN_ENVIRONMENT_FILE", root_ + "/environment"));
    variables_.push_back(std::make_unique<ScopedEnv>("RVC_PPD_LIMITNAME", std::nullopt));
    platform::KW_EnvironmentSetupEx();
    ASSERT_EQ(platform::GetEnv("KW_CMS").value_or(""), root_ + "/cms");
    ASSERT_EQ(platform::GetEnv("KW_PROG_RAVLINCONFIG").value_or(""), root_ + "/configurator");

    frame::CatalogueOptions options;
    options.interactive = false;
    ASSERT_TRUE(frame::LoadFlavourCatalogue(frame::CataloguePath("rvc.dat"), "", options, flavours_));
    haveCupstestppd_ = Installed("cupstestppd");
    haveValidator_ = Installed("desktop-file-validate");
    if (!haveCupstestppd_) std::printf("cupstestppd is not installed (cups-client): PPDs are not checked by it\n");
    if (!haveValidator_) std::printf("desktop-file-validate is not installed: launchers are not validated\n");
  }

  int FlavourIndex(const std::string& key) const {
    for (size_t i = 0; i < flavours_.size(); ++i) {
      if (flavours_[i]->Key == key) return static_cast<int>(i);
    }
    ADD_FAILURE() << "no flavour " << key;
    return 0;
  }
  frame::CFlavour& Flavour(const std::string& key) { return *flavours_.at(static_cast<size_t>(FlavourIndex(key))); }
  std::string DataFolder(const std::string& key) { return Flavour(key).DispatcherList->DataFolder(); }

  std::vector<Row> Rows(const std::string& key) { return RowsOf(*Flavour(key).DispatcherList); }
  static std::vector<Row> RowsOf(const store::CDispatcherList& list) {
    std::vector<Row> rows;
    for (int i = 0; i < list.GetCount(); ++i) {
      const store::DispatcherRecord& r = list.GetAt(i).Record;
      rows.push_back({r.Name, r.Type, r.Folder, r.Base, r.CommandPort});
    }
    return rows;
  }
  int RowOf(const std::string& key, const std::string& name) {
    const std::vector<Row> rows = Rows(key);
    for (size_t i = 0; i < rows.size(); ++i) {
      if (rows[i].name == name) return static_cast<int>(i);
    }
    ADD_FAILURE() << "no dispatcher " << name;
    return -1;
  }

  // The launchers an installation has for its dispatchers, which creation copies.
  void MakeLaunchers(const std::string& key) {
    for (const Row& row : Rows(key)) {
      for (bool desktop : {true, false}) test::MakeDispatcherLauncher(row.name, row.folder, desktop);
    }
  }
  std::string Launcher(const std::string& name, bool desktop) const {
    return root_ + (desktop ? "/desktop/" : "/programs/Orva/") + name + " " + kLabel + " dispatcher.desktop";
  }

  // The trace lines written since the last call, without time stamps.
  Strings TakeTraces() {
    const std::string file = root_ + "/config/trace_rvc.txt";
    std::istringstream in(ReadFile(file));
    Strings lines;
    for (std::string line; std::getline(in, line);) {
      const size_t tag = line.find("\tRVC::");
      lines.push_back(tag == std::string::npos ? line : line.substr(tag + 6));
    }
    const Strings fresh(lines.begin() + static_cast<long>(std::min(tracesSeen_, lines.size())), lines.end());
    tracesSeen_ = lines.size();
    return fresh;
  }
  Strings TakeMessages() {
    const Strings all = ui_.MessageTexts();
    const Strings fresh(all.begin() + static_cast<long>(std::min(messagesSeen_, all.size())), all.end());
    messagesSeen_ = all.size();
    return fresh;
  }

  // The New command of flavour `key` with the dialog filled from `choices`; `inspect` sees
  // the dialog as it opens.
  bool New(const std::string& key, const NewDispatcherChoices& choices,
           const std::function<void(CNewDispatcherDialog&)>& inspect = {}) {
    const std::string dialogName = key == "Dedezi" ? "NewDispatcherVDPMode" : "NewDispatcher";
    ui_.QueueDialog(dialogName, [&](ui::IDialogModel& model) {
      auto& dialog = dynamic_cast<CNewDispatcherDialog&>(model);
      if (inspect) inspect(dialog);
      EXPECT_EQ(FillNewDispatcherDialog(dialog, choices), "");
      return ui::DialogResult::Ok;
    });
    frame::CFlavour& flavour = Flavour(key);
    CommandContext context = MakeCommandContext(flavours_, FlavourIndex(key), -1);
    const std::unique_ptr<IPpdGenerator> generator = MakePpdGenerator(flavour);
    context.PpdGenerator = generator.get();
    int refreshes = 0;
    context.RefreshList = [&refreshes] { ++refreshes; };
    const size_t dialogs = ui_.DialogsRun().size();
    const bool created = OnNewDispatcher(context);
    EXPECT_EQ(ui_.DialogsRun().size(), dialogs + 1) << "the dialog runs once";
    EXPECT_EQ(context.CurrentIndex, -1);
    EXPECT_EQ(refreshes, created ? 1 : 0);
    return created;
  }

  void Delete(const std::string& key, const std::string& name) {
    CommandContext context = MakeCommandContext(flavours_, FlavourIndex(key), RowOf(key, name));
    int refreshes = 0;
    context.RefreshList = [&refreshes] { ++refreshes; };
    ui_.QueueAnswer(ui::Answer::Yes);
    OnDeleteDispatcher(context);
    EXPECT_EQ(refreshes, 1);
    EXPECT_EQ(context.CurrentIndex, -1);
  }

  bool ChangeType(const std::string& key, const std::string& name, const ChangeTypeChoices& choices) {
    ui_.QueueDialog("ChangeDevType", [&](ui::IDialogModel& model) {
      auto& dialog = dynamic_cast<CChangeDevType&>(model);
      EXPECT_EQ(dialog.ChosenType(), Rows(key).at(static_cast<size_t>(RowOf(key, name))).type);
      EXPECT_EQ(FillChangeDevTypeDialog(dialog, choices), "");
      return ui::DialogResult::Ok;
    });
    frame::CFlavour& flavour = Flavour(key);
    CommandContext context = MakeCommandContext(flavours_, FlavourIndex(key), RowOf(key, name));
    const std::unique_ptr<IPpdGenerator> generator = MakePpdGenerator(flavour);
    context.PpdGenerator = generator.get();
    // As the main window does after the change: its "Create PPD" for the retyped row.
    std::vector<int> ppdRows;
    context.CreatePpd = [&](int row) {
      ppdRows.push_back(row);
      CreatePpdCommand(flavour, row);
    };
    const bool changed = OnChangeType(context);
    EXPECT_EQ(ppdRows, changed ? std::vector<int>{RowOf(key, name)} : std::vector<int>{});
    EXPECT_EQ(context.CurrentIndex, -1);
    return changed;
  }

  // The list in memory: rows in order and the port separator reservations.
  void ExpectList(const std::string& key, const std::vector<Row>& rows) {
    EXPECT_EQ(Rows(key), rows);
    std::set<int> bases;
    for (const Row& row : rows) bases.insert(row.base);
    for (int base = 0; base <= 9; ++base) {
      EXPECT_EQ(Flavour(key).DispatcherList->SeparatorInUse(base), bases.count(base) != 0) << "separator " << base;
    }
  }

  // Everything a made (or retyped) dispatcher must have on disk.
  void ExpectDispatcher(const std::string& key, const Made& made) {
    const Row& row = made.row;
    SCOPED_TRACE(row.name);
    const std::string program = root_ + "/prog/" + key + "/dat/templates/";
    const std::string folder = DataFolder(key) + row.folder;
    const std::string data = folder + "/data/";
    const std::string firstFolder = Rows(key).at(0).folder;
    ASSERT_TRUE(fs::is_directory(folder));
    EXPECT_FALSE(fs::exists(folder + "_dub"));

    // The ini file: its own name, names, folders and ports; the type's device section.
    const std::string iniName = "zv" + row.folder + "_dispatcher.ini";
    const std::set<std::string> files = FilesIn(data);
    EXPECT_EQ(WithExtension(files, "_dispatcher.ini"), std::set<std::string>{iniName});
    const store::ResourceDb ini = store::ResourceDb::OpenOrThrow(data + iniName);
    const std::string tamrix = "%KW_DATA_TAMRIX%\\" + row.folder + "\\";
    const std::map<std::pair<std::string, std::string>, std::string> lines = {
        {{"global", "flavor"}, row.folder},
        {{"global", "papname"}, row.name + "_AT"},
        {{"global", "pipename"}, row.name + "_pipe"},
        {{"global", "kw_cpu"}, row.name},
        {{"PavoNet", "commandport"}, std::to_string(row.port)},
        {{"PavoNet", "tcp_status"}, std::to_string(row.port + 1)},
        {{"PavoNet", "tcp_preview"}, std::to_string(row.port + 2)},
        {{"PavoNet", "ldir1"}, tamrix + "LocalDir1"},
        {{"PavoNet", "ldir2"}, tamrix + "LocalDir2"},
        {{"environment", "KW_DATA_TAMRIX"}, "%RAVLIN_SAMPLE_ROOT%\\data\\" + key},
        {{"environment", "KW_DATA_SPOOL"}, tamrix + "Tmp\\"},
        {{"environment", "KW_PROG_JOBSCRIPTS"}, tamrix + "scripts\\"}};
    for (const auto& [at, value] : lines) {
      EXPECT_EQ(ini.Find(at.first, at.second).value_or("<none>"), value) << at.first << "/" << at.second;
    }
    const store::ResourceDb iniTemplate =
        store::ResourceDb::OpenOrThrow(program + "inifiles/zv" + key + "_dispatcher_" + row.type + ".ini");
    for (const char* item : {"driver", "bitsperspot", "channels"}) {
      EXPECT_EQ(ini.Find("device", item), iniTemplate.Find("device", item)) << item;
    }
    if (made.ripMemory) {
      EXPECT_EQ(ini.Find("environment", "RIP_MEMORY").value_or("<none>"), *made.ripMemory);
    }
    EXPECT_EQ(ini.Find("environment", "VDP_MODE"), made.vdpMode);
    // The copy the list rebuild reads.
    EXPECT_EQ(ReadFile(DataFolder(key) + "data/" + iniName), ReadFile(data + iniName));

    // Resource files from the type's templates; the configuration's command port.
    const std::string fidBase = Lower(key);
    EXPECT_EQ(WithExtension(files, ".fid"), std::set<std::string>{fidBase + ".fid"});
    EXPECT_EQ(ReadFile(data + fidBase + ".fid"), ReadFile(program + key + "/" + fidBase + "_" + row.type + ".fid"));
    EXPECT_EQ(ReadFile(data + "zv_names.res"), ReadFile(program + key + "/zv_names.res"));
    const bool plate = FileExists(program + key + "/zv_plate_" + row.type + ".res");
    const std::string media = plate ? "zv_plate" : "zv_film";
    ASSERT_TRUE(FileExists(data + media + ".res")) << media;
    // The configuration library reads the media of the dispatcher's type, not those of a
    // former type whose file the folder still holds.
    EXPECT_EQ(ConfiguredMedia(data), MediaNames(data + media + ".res"))
        << (FileExists(data + (plate ? "zv_film.res" : "zv_plate.res")) ? "the former type's media file is there too"
                                                                        : "");
    const std::string configTemplate = ReadFile(program + key + "/zv_config_" + row.type + ".res");
    const std::string config = ReadFile(data + "zv_config.res");
    EXPECT_EQ(store::ResourceDb::Parse(config, "zv_config.res").Find("PavoNet", "commandport").value_or("<none>"),
              std::to_string(row.port));
    if (made.fromPpd) {
      // The PPD's model, sizes (1008 x 1800 points, 14000 x 25000 mil) and resolutions
      // replace the template's, in the recorder and in the film of the configuration in use.
      const store::ResourceDb cfg = store::ResourceDb::Parse(config, "zv_config.res");
      EXPECT_EQ(cfg.Find("Main", "origin").value_or(""), "FROM_PPD_OrvaTiffsetter");
      // Resolution entries: dpi, enabled, gamma, gamma used, calibration 0, 0, 1000, 1000.
      std::vector<std::vector<double>> set0;
      for (int i = 0; i < cfg.ItemCount("set_0"); ++i) {
        const std::string item = cfg.ItemAt("set_0", i).value_or("");
        if (item.rfind("res", 0) != 0) continue;
        std::istringstream fields(cfg.Find("set_0", item).value_or(""));
        std::vector<double>& values = set0.emplace_back();
        for (std::string field; std::getline(fields, field, ',');) values.push_back(std::stod(field));
      }
      EXPECT_EQ(set0, (std::vector<std::vector<double>>{{1200, 1, 50, 1, 0, 0, 1000, 1000},
                                                        {2400, 1, 50, 1, 0, 0, 1000, 1000},
                                                        {3600, 1, 50, 1, 0, 0, 1000, 1000}}));
      const store::ResourceDb recorder = store::ResourceDb::OpenOrThrow(data + "zv_recorder.res");
      EXPECT_EQ(recorder.Find("Recorder", "maxwidth").value_or(""), "14000");
      EXPECT_EQ(recorder.Find("Recorder", "maxheight").value_or(""), "25000");
      const store::ResourceDb films = store::ResourceDb::OpenOrThrow(data + media + ".res");
      const std::string used = cfg.Find(cfg.Find("Main", "used").value_or(""), "film").value_or("<none>");
      EXPECT_EQ(films.Find(used, "hsize").value_or(""), "14000") << used;
      EXPECT_EQ(films.Find(used, "vsize").value_or(""), "25000") << used;
      EXPECT_EQ(WithExtension(files, ".ppd"), std::set<std::string>{"OrvaTiffsetter.ppd"});
      EXPECT_EQ(ReadFile(data + "OrvaTiffsetter.ppd"), ReadFile(root_ + "/ppds/OrvaTiffsetter.ppd"));
    } else {
      // The type's templates as they are, but for the command port.
      std::string expected = configTemplate;
      const size_t at = expected.find("\ncommandport=");
      ASSERT_NE(at, std::string::npos);
      const size_t end = expected.find('\n', at + 1);
      expected.replace(at, end - at, "\ncommandport=" + std::to_string(row.port));
      EXPECT_EQ(config, expected);
      EXPECT_EQ(ReadFile(data + "zv_recorder.res"), ReadFile(program + key + "/zv_recorder_" + row.type + ".res"));
      EXPECT_EQ(ReadFile(data + media + ".res"), ReadFile(program + key + "/" + media + "_" + row.type + ".res"));
    }

    // Swap files in their canonical form (lower case, both sections; exact texts: the
    // creation tests), naming the dispatcher's folder instead of the first one's.
    for (int n = 0; n < 3; ++n) {
      const std::string text = ReadFile(data + "swap_" + std::to_string(n) + ".sfd");
      EXPECT_EQ(text.rfind("[persistent]\n", 0), 0u) << text;
      EXPECT_NE(text.find("\n[volatile]\n"), std::string::npos) << text;
      EXPECT_EQ(text, Lower(text));
      EXPECT_NE(text.find("\\" + Lower(row.folder) + "\\"), std::string::npos) << text;
      const std::string first = "\\" + Lower(firstFolder) + "\\";
      EXPECT_TRUE(row.folder == firstFolder || text.find(first) == std::string::npos) << text;
    }
    EXPECT_FALSE(FileExists(data + "History.txt"));

    // Queues.
    if (!made.queues) {
      EXPECT_FALSE(FileExists(data + "servers.ini"));
      EXPECT_EQ(WithExtension(files, ".usr"), std::set<std::string>{});
    } else {
      EXPECT_EQ(WithExtension(files, ".usr"), (std::set<std::string>{"nightshift.usr", "operator.usr"}));
      const store::ResourceDb servers = store::ResourceDb::OpenOrThrow(data + "servers.ini");
      const std::string hot = "%RAVLIN_SAMPLE_ROOT%\\hotfolders\\" + row.folder + "\\";
      const std::map<std::pair<std::string, std::string>, std::string> queues = {
          {{"Server", "Description"}, "Orva Server 10.1"},
          {{"1", "Name"}, row.name + "_AT"},
          {{"1", "Class"}, "pap"},
          {{"2", "Name"}, row.name + "_pipe"},
          {{"2", "Class"}, "npipe"},
          {{"3", "Class"}, "hf"},
          {{"3", "folder"}, hot + "PS"},
          {{"3", "OkFolder"}, hot + "PS\\Ok"},
          {{"3", "ErrorFolder"}, hot + "PS\\Error"},
          {{"4", "folder"}, hot + "PDF"},
          {{"5", "Class"}, "inifile"},
          {{"5", "tcp_pap"}, std::to_string(row.port + 6)}};
      for (const auto& [at, value] : queues) {
        EXPECT_EQ(Unquoted(servers.Find(at.first, at.second).value_or("<none>")), value)
            << at.first << "/" << at.second;
      }
      // The hot folders were made.
      for (const char* sub : {"PS", "PDF"}) {
        EXPECT_TRUE(fs::is_directory(root_ + "/hotfolders/" + row.folder + "/" + sub)) << sub;
      }
    }

    // Launchers: made from the source's, starting this dispatcher in its folder.
    for (bool desktop : {true, false}) {
      const std::string path = Launcher(row.name, desktop);
      ASSERT_TRUE(FileExists(path)) << path;
      platform::DesktopEntry entry;
      std::string error;
      ASSERT_TRUE(platform::DesktopEntry::Parse(ReadFile(path), entry, &error)) << error;
      std::string exec, arguments;
      ASSERT_TRUE(entry.GetCommand(exec, arguments));
      EXPECT_EQ(exec, test::kDispatcherProgram);
      EXPECT_EQ(arguments, row.folder + " \"" + row.name + "\"");
      EXPECT_EQ(entry.Name(), row.name + " " + kLabel + " dispatcher");
      struct stat info {};
      EXPECT_EQ(::stat(path.c_str(), &info), 0);
      EXPECT_NE(info.st_mode & S_IXUSR, 0u) << path;
      if (haveValidator_) {
        const test::ShellResult validated = RunShell("desktop-file-validate '" + path + "'");
        EXPECT_EQ(validated.status, 0) << validated.output;
        EXPECT_EQ(validated.output, "") << path;
      }
    }

    ExpectPpd(key, row);
  }

  // The media names of a film or plate file, in file order.
  static Strings MediaNames(const std::string& path) {
    Strings names;
    const store::ResourceDb db = store::ResourceDb::OpenOrThrow(path);
    for (int i = 0; i < db.TopicCount(); ++i) names.push_back(*db.TopicAt(i));
    return names;
  }
  // The media the configuration library gives for the dispatcher whose data folder this is.
  static Strings ConfiguredMedia(const std::string& data) {
    ripconfig::RavlcfgHandle* cfg = ripconfig::ravlcfg_open(data + "zv_config.res");
    Strings names;
    if (cfg == nullptr) {
      ADD_FAILURE() << "the configuration does not open: " << data;
      return names;
    }
    for (const ripconfig::FilmRecord* film : ripconfig::ravlcfg_get_films(cfg)) names.push_back(film->name);
    ripconfig::ravlcfg_close(&cfg);
    return names;
  }
  // A media name as a PPD paper: blanks and quotes removed, "Inch" for inch marks.
  static std::string PaperName(const std::string& media) {
    std::string paper;
    for (char c : media) {
      if (c != ' ' && c != '"') paper += c;
    }
    return media.find('"') == std::string::npos ? paper : paper + "Inch";
  }

  // The generated PPD and ravlin.inf of the dispatcher, and cupstestppd's verdict.
  void ExpectPpd(const std::string& key, const Row& row) {
    const std::string folder = DataFolder(key) + row.folder;
    const std::set<std::string> files = FilesIn(folder + "/ppd");
    const std::set<std::string> ppds = WithExtension(files, ".ppd");
    ASSERT_EQ(ppds.size(), 1u) << "one PPD in " << folder << "/ppd";
    EXPECT_EQ(files.size(), 2u);
    ASSERT_TRUE(files.count("ravlin.inf"));
    const std::string ppdName = *ppds.begin();
    // Named after flavour, port separator and type.
    EXPECT_EQ(ppdName.rfind("QB" + Upper(key) + std::to_string(row.base) + "_", 0), 0u) << ppdName;
    const std::string path = folder + "/ppd/" + ppdName;
    const std::string text = ReadFile(path);
    EXPECT_EQ(text.find("<Add "), std::string::npos) << "a placeholder left in " << ppdName;
    EXPECT_NE(text.find("*ModelName: \"ORVA-" + Upper(key) + "-" + Upper(row.type) + "\""), std::string::npos);
    EXPECT_NE(text.find("*PCFileName: \"QB" + Upper(key).substr(0, 3) + std::to_string(row.base)), std::string::npos);
    EXPECT_NE(text.find("*QBScreenFilter Moire_Reduction"), std::string::npos);
    EXPECT_NE(text.find("*QBPlateSettings Newsprint_Uncoated.ini"), std::string::npos);
    EXPECT_NE(text.find("*QBGlobalDGC Plate_DGC"), std::string::npos);
    // Every resolution of the configuration is offered.
    const store::ResourceDb config = store::ResourceDb::OpenOrThrow(folder + "/data/zv_config.res");
    EXPECT_NE(text.find("*DefaultQBConfiguration: " + config.Find("Main", "used").value_or("?") + "\n"),
              std::string::npos);
    for (const std::string set : {"set_0", "set_1"}) {
      for (int i = 0; i < config.ItemCount(set); ++i) {
        const std::string item = config.ItemAt(set, i).value_or("");
        if (item.rfind("res", 0) != 0) continue;
        const std::string dpi = config.Find(set, item)->substr(0, config.Find(set, item)->find(','));
        EXPECT_NE(text.find("*Resolution " + dpi + "dpi"), std::string::npos) << dpi;
      }
    }
    // The media of the dispatcher's type are its papers.
    const bool plate = FileExists(root_ + "/prog/" + key + "/dat/templates/" + key + "/zv_plate_" + row.type + ".res");
    const Strings media = MediaNames(folder + (plate ? "/data/zv_plate.res" : "/data/zv_film.res"));
    for (const std::string& name : media) {
      EXPECT_NE(text.find("\n*PageSize " + PaperName(name) + ":"), std::string::npos) << ppdName << ": " << name;
    }
    // The INF installs this PPD.
    EXPECT_NE(ReadFile(folder + "/ppd/ravlin.inf").find("= " + ppdName + "\n"), std::string::npos);

    if (!haveCupstestppd_) return;
    // Media named like PpdInfo.dat papers are listed twice (finding 2).
    Strings doubled;
    for (const std::string& name : media) {
      if (kPpdInfoPapers.count(PaperName(name))) doubled.push_back(PaperName(name));
    }
    test::ExpectCupsAccepts(path, row.type, doubled);
  }

  // The "Information" message of a creation.
  static std::string Announcement(const std::string& name) {
    return "The new dispatcher configuration " + name + " has been created.\n\nA shortcut\n\n\t\"" + name + " " +
           kLabel + " dispatcher\"\n\nhas been created on your desktop.\n\nDo not rename this shortcut manually!";
  }
  // The trace lines of a creation with the PPD generated.
  Strings CreationTraces(const std::string& key, const Row& row, bool fromPpd) {
    const std::string folder = DataFolder(key) + row.folder;
    Strings traces;
    if (fromPpd) traces.push_back("A copy of used ppd file can be found at : " + folder + "/data/OrvaTiffsetter.ppd");
    traces.push_back("Ppd file for " + row.name + " is created at:" + folder + "/ppd");
    traces.push_back("Ravlin.inf file for Dispatcher" + row.name + " is created at:" + folder + "/ppd");
    return traces;
  }
  // The trace lines the step wrote that tell of a problem.
  static Strings Problems(const Strings& traces) {
    Strings problems;
    for (const std::string& line : traces) {
      for (const char* word : {"couldn't", "could not", "not added", "Incomplete", "Cannot", "Rollback", "rror"}) {
        if (line.find(word) != std::string::npos) {
          problems.push_back(line);
          break;
        }
      }
    }
    return problems;
  }

  test::TempDir dir_;
  std::string root_;
  std::vector<std::unique_ptr<ScopedEnv>> variables_;
  frame::FlavourList flavours_;
  ui::HeadlessUserInterface ui_;
  ui::ScopedUserInterface scopedUi_{ui_};
  FakeWindows windows_;
  platform::ScopedWindowLookup scopedWindows_{windows_};
  bool haveCupstestppd_ = false;
  bool haveValidator_ = false;
  size_t tracesSeen_ = 0;
  size_t messagesSeen_ = 0;
};

TEST_F(LifecycleScenarioTest, NewDeleteAndChangeTypeOnTheLaidOutSample) {
  MakeLaunchers("Tiffmono");
  MakeLaunchers("Dedezi");
  const std::string ppd = root_ + "/ppds/OrvaTiffsetter.ppd";
  const std::string tiffData = DataFolder("Tiffmono");
  std::vector<Row> tiff = {{"Mono", "Imagesetter_Film", "Tiffmono", 0, 5004},
                           {"Mono1", "CtP_platedriver", "CtP_platedriver", 1, 5104},
                           {"Mono3_OrvaTiffsetter", "Generic_FromPPD", "Generic_FromPPD", 3, 5304}};
  ExpectList("Tiffmono", tiff);
  TakeTraces();
  auto erase = [&tiff](const std::string& name) {
    std::erase_if(tiff, [&name](const Row& row) { return row.name == name; });
  };

  // Creates a dispatcher of flavour `key` and checks everything it must have made.
  auto create = [&](const std::string& key, std::vector<Row>& list, const NewDispatcherChoices& choices,
                    const Made& made, const std::function<void(CNewDispatcherDialog&)>& inspect) {
    SCOPED_TRACE("New " + made.row.name);
    ASSERT_TRUE(New(key, choices, inspect));
    list.push_back(made.row);
    ExpectList(key, list);
    ExpectDispatcher(key, made);
    EXPECT_EQ(TakeMessages(), Strings{Announcement(made.row.name)});
    const Strings traces = TakeTraces();
    EXPECT_EQ(Problems(traces), Strings{});
    for (const std::string& line : CreationTraces(key, made.row, made.fromPpd)) {
      EXPECT_NE(std::find(traces.begin(), traces.end(), line), traces.end()) << line;
    }
  };
  // A Tiffmono creation: the dialog proposes `proposal` and offers the queues of every row.
  auto createTiff = [&](const NewDispatcherChoices& choices, const Made& made, const std::string& proposal) {
    create("Tiffmono", tiff, choices, made, [&](CNewDispatcherDialog& dialog) {
      EXPECT_EQ(dialog.Name, proposal);
      Strings setups = {"Use Factory Default"};
      for (const Row& row : tiff) setups.push_back("Copy " + row.name);
      EXPECT_EQ(dialog.QueueSetups, setups);
    });
  };
  struct Step {
    NewDispatcherChoices choices;
    Made made;
    std::string proposal;
  };
  const Step steps[] = {
      // From a PPD, with the factory default: the model joins the proposed name.
      {Choices("Generic_FromPPD", "", ppd),
       {{"Mono2_OrvaTiffsetter", "Generic_FromPPD", "Generic_FromPPD_2", 2, 5204}, false, true, {}, "768"}, "Mono2"},
      // Without a PPD, factory default: no queues, no user files.
      {Choices("Imagesetter_Film"),
       {{"Mono4", "Imagesetter_Film", "Imagesetter_Film", 4, 5404}, false, false, {}, "768"}, "Mono4"},
      // Queues copied from Mono1: names, hot folders and the LPR port follow.
      {Choices("CtP_platedriver", "Mono1"),
       {{"Mono5", "CtP_platedriver", "CtP_platedriver_2", 5, 5504}, true, false, {}, "512"}, "Mono5"},
      // A PPD and the queues of the PPD dispatcher.
      {Choices("Generic_FromPPD", "Mono3_OrvaTiffsetter", ppd),
       {{"Mono6_OrvaTiffsetter", "Generic_FromPPD", "Generic_FromPPD_3", 6, 5604}, true, true, {}, "512"}, "Mono6"},
      // A name of the operator's own and the first dispatcher's queues.
      {Choices("Imagesetter_Film", "Mono", "", "Press7"),
       {{"Press7", "Imagesetter_Film", "Imagesetter_Film_2", 7, 5704}, true, false, {}, "768"}, "Mono7"},
      {Choices("CtP_platedriver"),
       {{"Mono8", "CtP_platedriver", "CtP_platedriver_3", 8, 5804}, false, false, {}, "768"}, "Mono8"},
      // The queues of a dispatcher made in this scenario.
      {Choices("Imagesetter_Film", "Mono5"),
       {{"Mono9", "Imagesetter_Film", "Imagesetter_Film_3", 9, 5904}, true, false, {}, "512"}, "Mono9"},
  };
  for (const Step& step : steps) createTiff(step.choices, step.made, step.proposal);

  // All ten port separators are taken: message 138, nothing is made.
  {
    SCOPED_TRACE("New with all separators in use");
    const auto before = test::Snapshot(root_);
    EXPECT_FALSE(New("Tiffmono", Choices("Imagesetter_Film", "", "", "Press10"),
                     [](CNewDispatcherDialog& dialog) { EXPECT_EQ(dialog.Name, "Mono-1"); }));
    EXPECT_EQ(TakeMessages(), Strings{"You cannot create more than nine clones of one dispatcher."});
    ExpectList("Tiffmono", tiff);
    EXPECT_EQ(test::Snapshot(root_), before);
    TakeTraces();
  }

  // Deleting Mono4 frees separator 4 and its folder; the next New offers both again.
  {
    SCOPED_TRACE("Delete Mono4");
    Delete("Tiffmono", "Mono4");
    EXPECT_EQ(TakeMessages(), Strings{"Are you sure you want to delete dispatcher Mono4?"});
    erase("Mono4");
    ExpectList("Tiffmono", tiff);
    EXPECT_FALSE(fs::exists(tiffData + "Imagesetter_Film"));
    EXPECT_FALSE(FileExists(tiffData + "data/zvImagesetter_Film_dispatcher.ini"));
    EXPECT_FALSE(FileExists(Launcher("Mono4", true)));
    EXPECT_FALSE(FileExists(Launcher("Mono4", false)));
    EXPECT_TRUE(FileExists(Launcher("Mono", true)));
  }
  createTiff(Choices("Imagesetter_Film", "Mono1"),
             {{"Mono4", "Imagesetter_Film", "Imagesetter_Film", 4, 5404}, true, false, {}, "512"}, "Mono4");

  // Changes the type of `name`, expecting `made` and the message naming the PPD folder.
  auto retype = [&](const std::string& name, const ChangeTypeChoices& choices, const Made& made) {
    SCOPED_TRACE("Change Type of " + name);
    ASSERT_TRUE(ChangeType("Tiffmono", name, choices));
    ExpectDispatcher("Tiffmono", made);
    EXPECT_EQ(TakeMessages(), Strings{"PPD file has been created for selected dispatcher: " + name +
                                      "\nand stored under: " + tiffData + made.row.folder + "/ppd"});
    EXPECT_EQ(Problems(TakeTraces()), Strings{});
  };
  // The first dispatcher changes type: it stays first, in its folder, with its queues.
  tiff[0].type = "CtP_platedriver";
  retype("Mono", {"CtP_platedriver", std::nullopt}, {tiff[0], true, false, {}, "768"});
  ExpectList("Tiffmono", tiff);
  EXPECT_FALSE(FileExists(tiffData + "data/zvTiffmono_dub_dispatcher.ini"));

  // Another one takes a PPD type: it moves to that type's folder and to the end of the
  // list, and keeps its name, separator, command port, queues and launchers.
  const Row moved = {"Mono5", "Generic_FromPPD", "Generic_FromPPD_4", 5, 5504};
  retype("Mono5", {"Generic_FromPPD", ppd}, {moved, true, true, {}, "512"});
  erase("Mono5");
  tiff.push_back(moved);
  ExpectList("Tiffmono", tiff);
  EXPECT_FALSE(fs::exists(tiffData + "CtP_platedriver_2"));
  EXPECT_FALSE(FileExists(tiffData + "data/zvCtP_platedriver_2_dispatcher.ini"));

  // What the configurator finds on disk at its next start is the list in memory.
  {
    const store::CDispatcherList rebuilt(Flavour("Tiffmono").DispatcherList->ListFile(),
                                         *Flavour("Tiffmono").TemplateList, true, "Tiffmono");
    auto byName = [](const Row& a, const Row& b) { return a.name < b.name; };
    std::vector<Row> fromDisk = RowsOf(rebuilt), inMemory = tiff;
    std::sort(fromDisk.begin(), fromDisk.end(), byName);
    std::sort(inMemory.begin(), inMemory.end(), byName);
    EXPECT_EQ(fromDisk, inMemory);
  }

  // Dedezi: one dispatcher in each variable data printing mode.
  std::vector<Row> dedezi = {{"Velmora", "Digital_Press", "Dedezi", 0, 7004},
                             {"Velmora1", "Sheetfed_Plate", "Sheetfed_Plate", 1, 7104}};
  ExpectList("Dedezi", dedezi);
  auto createDedezi = [&](const NewDispatcherChoices& choices, const Made& made) {
    create("Dedezi", dedezi, choices, made, [&](CNewDispatcherDialog& dialog) {
      EXPECT_EQ(dialog.Name, made.row.name);
      EXPECT_EQ(dynamic_cast<CNewDispatcherVDPMode&>(dialog).VdpModes, (Strings{"Active", "Disabled"}));
    });
  };
  createDedezi(Choices("Digital_Press", "", "", "", true),
               {{"Velmora2", "Digital_Press", "Digital_Press", 2, 7204}, false, false, "VDP", {}});
  createDedezi(Choices("Sheetfed_Plate", "Velmora1", "", "", false),
               {{"Velmora3", "Sheetfed_Plate", "Sheetfed_Plate_2", 3, 7304}, true, false, "STATIC", {}});

  // The other flavours were not touched.
  EXPECT_EQ(Rows("Proof").size(), 2u);
  EXPECT_EQ(ui_.DialogsRun().size(), 13u);
}

}  // namespace
}  // namespace rvc::lifecycle
