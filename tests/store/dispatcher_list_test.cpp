// The dispatcher list: loading the list file, rebuilding it from the dispatchers on disk,
// its order, Add and Remove, and saving with the repair of duplicates.
#include "store/dispatcher_list.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <tuple>

#include "core/rvc_exception.h"
#include "store/confinement.h"
#include "store/resource_db.h"
#include "store/template_list.h"
#include "tests/store/rvc_error_expect.h"
#include "tests/support/test_support.h"
#include "ui/headless/headless_ui.h"

namespace rvc::store {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

auto Fields(const DispatcherRecord& r) { return std::tie(r.Flavour, r.Name, r.Type, r.Folder, r.Base, r.CommandPort); }

// The records of `list` are `expected`, one by one.
void ExpectRecords(const CDispatcherList& list, const std::vector<DispatcherRecord>& expected) {
  ASSERT_EQ(list.GetCount(), static_cast<int>(expected.size()));
  for (int i = 0; i < list.GetCount(); ++i) EXPECT_EQ(Fields(list.GetAt(i).Record), Fields(expected[i])) << i;
}

std::vector<DispatcherRecord> Records(const CDispatcherList& list) {
  std::vector<DispatcherRecord> records;
  for (int i = 0; i < list.GetCount(); ++i) records.push_back(list.GetAt(i).Record);
  return records;
}

std::vector<std::string> Folders(const CDispatcherList& list) {
  std::vector<std::string> folders;
  for (int i = 0; i < list.GetCount(); ++i) folders.push_back(list.GetAt(i).Record.Folder);
  return folders;
}

struct Entry {
  std::string name, type, folder, base, port, flavour;
};

// A list file with `entries`; empty fields are left out.
std::string ListFileText(const std::vector<Entry>& entries) {
  std::string text = "[Main]\nInstall=somewhere\nNrConfigs=" + std::to_string(entries.size()) + "\n";
  for (size_t i = 0; i < entries.size(); ++i) {
    const Entry& e = entries[i];
    text += "[Config" + std::to_string(i + 1) + "]\n";
    if (!e.name.empty()) text += "Name=" + e.name + "\n";
    if (!e.type.empty()) text += "Type=" + e.type + "\n";
    if (!e.folder.empty()) text += "Folder=" + e.folder + "\n";
    if (!e.base.empty()) text += "Base=" + e.base + "\n";
    if (!e.port.empty()) text += "CommandPort=" + e.port + "\n";
    if (!e.flavour.empty()) text += "Flavour=" + e.flavour + "\n";
  }
  return text;
}

const char* kLuxFid = "[Main]\nRavlin=Lux 1.0\nFID=LUX\nMedia=1\n";
const char* kAgfaFid = "[Main]\nRavlin=Agfa 2.0\nFID=AGFA\nMedia=2\n";

// No environment file; the trace goes to the test's folder.
class TracedTest : public ::testing::Test {
 protected:
  TracedTest()
      : env_("RAVLIN_ENVIRONMENT_FILE", dir_ / "no-environment"), trace_("KW_DATA_RAVLINCONFIG", dir_ / "cfg/") {
    std::filesystem::create_directories(dir_ / "cfg");
  }
  std::string Trace() const { return ReadFile(dir_ / "cfg/trace_rvc.txt"); }
  void ExpectTraced(const std::string& line) const {
    EXPECT_NE(Trace().find("\tRVC::" + line + "\n"), std::string::npos) << Trace();
  }

  TempDir dir_;
  test::ScopedEnv env_;
  test::ScopedEnv trace_;
};

// A flavour "Ravlin" with the types Lux and Agfa.
class DispatcherListTest : public TracedTest {
 protected:
  DispatcherListTest() {
    WriteFile(
        dir_ / "prog/rvc2.cfg",
        "[Main]\nNrConfigs=2\nFIDbase=ravlin\nFlavor=Ravlin\n"
        "[Config1]\nName=Lux\nFID=ravlin_Lux.fid\nZV_PLATE_OR_FILM=PLATE\nZV_PLATE=zv_plate_Lux.res\n"
        "ZV_CONFIG=zv_config_Lux.res\nZV_RECORDER=zv_recorder_Lux.res\nZV_DISPATCHER=zvRavlin_dispatcher_Lux.ini\n"
        "[Config2]\nName=Agfa\nFID=ravlin_Agfa.fid\nZV_PLATE_OR_FILM=FILM\nZV_FILM=zv_film_Agfa.res\n"
        "ZV_CONFIG=zv_config_Agfa.res\nZV_RECORDER=zv_recorder_Agfa.res\n"
        "ZV_DISPATCHER=zvRavlin_dispatcher_Agfa.ini\n");
    WriteFile(dir_ / "prog/dat/templates/Ravlin/ravlin_Lux.fid", kLuxFid);
    WriteFile(dir_ / "prog/dat/templates/Ravlin/ravlin_Agfa.fid", kAgfaFid);
    WriteFile(dir_ / "prog/dat/templates/Ravlin/zv_config_Lux.res", "[PavoNet]\nname=Lux\ncommandport=4000\n");
    WriteFile(dir_ / "prog/dat/templates/Ravlin/zv_config_Agfa.res", "[PavoNet]\nname=Agfa\ncommandport=4000\n");
    templates_ = std::make_unique<CTemplateList>("Ravlin", dir_ / "prog/rvc2.cfg", false);
  }

  // A dispatcher folder with its ini file; `config` empty leaves out "zv_config.res".
  void Dispatcher(const std::string& folder, const std::string& ini, const std::string& fid,
                  const std::string& config) {
    WriteFile(dir_ / ("data/data/zv" + folder + "_dispatcher.ini"), ini);
    if (!fid.empty()) WriteFile(dir_ / ("data/" + folder + "/data/ravlin.fid"), fid);
    if (!config.empty()) WriteFile(dir_ / ("data/" + folder + "/data/zv_config.res"), config);
  }

  // An ini file for `name` with its ports on separator `base`.
  static std::string Ini(const std::string& name, int base) {
    const std::string b = std::to_string(base);
    return "[Ravlin]\npapname=" + name + "_AT\npipename=" + name + "\ncommandport=4" + b + "11\ntcp_pap=4" + b +
           "12\nKW_DATA_RAVLIN=/ravlin/" + name + "/data\n";
  }

  std::unique_ptr<CDispatcherList> Load() {
    return std::make_unique<CDispatcherList>(dir_ / "data/rvc1.cfg", *templates_, false, "Ravlin 10");
  }
  std::unique_ptr<CDispatcherList> Rebuild() {
    return std::make_unique<CDispatcherList>(dir_ / "data/rvc1.cfg", *templates_, true, "Ravlin 10");
  }

  std::unique_ptr<CTemplateList> templates_;
};

TEST_F(DispatcherListTest, LoadsRecordsAndPutsTheMainDispatcherFirst) {
  WriteFile(dir_ / "data/rvc1.cfg", ListFileText({{"Press", "Agfa", "Press", "13", "4311", "Ravlin"},
                                                  {"Proof", "Lux", "Proof", "", "", ""},
                                                  {"Ravlin", "Lux", "RAVLIN", "0", "4011", "ravlin"}}));
  auto list = Load();
  EXPECT_EQ(list->DataFolder(), dir_ / "data/");
  EXPECT_EQ(Folders(*list), (std::vector<std::string>{"RAVLIN", "Press", "Proof"}));

  const CDispatcher& press = list->GetAt(1);
  EXPECT_EQ(Fields(press.Record), Fields(DispatcherRecord{"Ravlin", "Press", "Agfa", "Press", 3, 4311}));
  EXPECT_EQ(press.Path(), dir_ / "data/Press");
  // Optional items keep their defaults.
  EXPECT_EQ(Fields(list->GetAt(2).Record), Fields(DispatcherRecord{"", "Proof", "Lux", "Proof", 0, -1}));

  // "Base" 13 is port separator 3; a missing "Base" reserves nothing.
  EXPECT_TRUE(list->SeparatorInUse(3));
  EXPECT_TRUE(list->SeparatorInUse(0));
  EXPECT_FALSE(list->SeparatorInUse(1));
  EXPECT_EQ(list->LowestFreeSeparator(), 1);
  EXPECT_THROW(list->GetAt(3), std::out_of_range);
  EXPECT_THROW(list->GetAt(-1), std::out_of_range);
}

TEST_F(DispatcherListTest, LoadFailuresOfTheWholeList) {
  const std::string file = dir_ / "data/rvc1.cfg";
  EXPECT_EQ(Raised([&] { Load(); }).Message(), "RDB error " + file);

  WriteFile(file, "[Main]\nNrConfigs=0\n");
  const CRvcException e = Raised([&] { Load(); });
  EXPECT_EQ(e.Id(), 110);
  EXPECT_EQ(e.Message(), "Configuration " + file + " failed");

  // Without "NrConfigs" the list is just empty.
  WriteFile(file, "[Main]\nInstall=x\n");
  EXPECT_EQ(Load()->GetCount(), 0);
}

// Record n is the first topic named "Config<n>" ignoring case; other spellings of the
// number name no record.
TEST_F(DispatcherListTest, RecordsAreTheTopicsOfTheirNumbers) {
  auto record = [](const char* topic, const char* folder) {
    return "[" + std::string(topic) + "]\nName=" + folder + "\nType=Lux\nFolder=" + folder + "\n";
  };
  struct Case {
    std::string topics;
    std::vector<std::string> folders;
    size_t broken;
  };
  const Case cases[] = {
      {record("config2", "B") + record("CONFIG1", "A") + "[Main]\nNrConfigs=2\n", {"A", "B"}, 0},
      {"[Main]\nNrConfigs=2\n" + record("Config1", "A") + record("Config1", "C") + record("Config02", "B"), {"A"}, 1},
      {"[Main]\nNrConfigs=4\n" + record("Config4", "D") + record("Config5", "E"), {"D"}, 3},
  };
  for (const Case& c : cases) {
    WriteFile(dir_ / "data/rvc1.cfg", c.topics);
    auto list = Load();
    SCOPED_TRACE(c.topics);
    EXPECT_EQ(Folders(*list), c.folders);
    EXPECT_EQ(list->Broken().size(), c.broken);
  }
}

// A record that escapes the data folder, would break a file line or lacks an item is left
// out with a reason naming the file; the others load.
TEST_F(DispatcherListTest, HostileListRecordsAreLeftOutWithTheirReason) {
  const std::string file = dir_ / "data/rvc1.cfg";
  const std::string where = file + ", [Config2]: ";
  struct Case {
    std::string items;  // of [Config2]
    std::string reason;
  };
  const std::string longName(kMaxDispatcherNameLength + 1, 'n');
  const std::vector<Case> cases = {
      {"Name=X\nType=Lux\nFolder=../../../../outside\n", "the dispatcher folder \"../../../../outside\" holds a path separator"},
      {"Name=X\nType=Lux\nFolder=\n", "the dispatcher folder \"\" is empty"},
      {"Name=X\nType=Lux\nFolder=.\n", "the dispatcher folder \".\" names no folder of its own"},
      {"Name=X\nType=Lux\nFolder=..\n", "the dispatcher folder \"..\" names no folder of its own"},
      {"Name=X\nType=Lux\nFolder=/\n", "holds a path separator"},
      {"Name=X\nType=Lux\nFolder=a\\b\n", "holds a path separator"},
      {"Name=X\nType=Lux\nFolder=a\x1b" "b\n", "the dispatcher folder \"a\\x1Bb\" holds a control character"},
      {"Type=Lux\nFolder=F\n;@=Name=x\\ny_AT\n", "the dispatcher name \"x\\x0Ay_AT\" holds a control character"},
      {"Type=Lux\nFolder=F\nName=a\rb\n", "holds a control character"},
      {"Type=Lux\nFolder=F\nName=\xC3\xA9\x7F\n", "holds a control character"},
      {"Type=Lux\nFolder=F\nName=" + std::string("a\0b", 3) + "\n", "the dispatcher name \"a\\x00b\" holds a control"},
      {"Type=Lux\nFolder=F\nName=" + longName + "\n", "is longer than 128 bytes"},
      {"Type=Lux\nFolder=F\nName=*\n", "the dispatcher name \"*\" holds a path separator or a wildcard"},
      {"Type=Lux\nFolder=F\nName=../x\n", "holds a path separator or a wildcard"},
      // Flaws at either end and in the middle of names of several lengths.
      {"Name=X\nType=Lux\nFolder=T\x01" "iff_01234567_Film\n", "holds a control character"},
      {"Type=Lux\nFolder=F\nName=Mono1_Orva_Tiffsetter?\n", "holds a path separator or a wildcard"},
      {"Type=Lux\nFolder=F\nName=?ono1_Orva\n", "holds a path separator or a wildcard"},
      {"Type=Lux\nFolder=F\nName=ab\\cd\n", "holds a path separator or a wildcard"},
      {"Name=X\nType=Lux\n", "the item Folder is missing"},
      {"Name=X\nFolder=F\n", "the item Type is missing"},
      {"Type=Lux\nFolder=F\n", "the item Name is missing"},
  };
  for (const Case& c : cases) {
    WriteFile(file, "[Main]\nNrConfigs=3\n[Config1]\nName=Ravlin\nType=Lux\nFolder=Ravlin\nBase=0\n[Config2]\n" + c.items +
                        "Base=1\n[Config3]\nName=Press\nType=Agfa\nFolder=Press\nBase=2\n");
    auto list = Load();
    SCOPED_TRACE(c.reason);
    EXPECT_EQ(Folders(*list), (std::vector<std::string>{"Ravlin", "Press"}));
    EXPECT_FALSE(list->SeparatorInUse(1));
    ASSERT_EQ(list->Broken().size(), 1u);
    const std::string& reason = list->Broken()[0].Reason;
    EXPECT_EQ(reason.rfind(where, 0), 0u) << reason;
    EXPECT_NE(reason.find(c.reason), std::string::npos) << reason;
    ExpectTraced("Dispatcher skipped: " + reason);
  }
  // The long name is shown cut.
  EXPECT_NE(Trace().find("\"" + std::string(64, 'n') + "...\""), std::string::npos);
}

TEST_F(DispatcherListTest, AddAndRemove) {
  WriteFile(dir_ / "data/rvc1.cfg", ListFileText({{"Ravlin", "Lux", "Ravlin", "0", "", "Ravlin"},
                                                  {"Press", "Agfa", "Press", "1", "", "Ravlin"}}));
  auto list = Load();
  CDispatcher source(dir_ / "data/Proof");
  source.Record = DispatcherRecord{"Ravlin", "Proof", "Lux", "Proof", 2, 4211};

  CDispatcher& added = list->Add(source);
  EXPECT_NE(&added, &source);
  EXPECT_EQ(list->GetCount(), 3);
  EXPECT_EQ(Fields(list->GetAt(2).Record), Fields(source.Record));

  source.Record.Name = "Proof2";
  list->Add(source, 1);
  EXPECT_EQ(Folders(*list), (std::vector<std::string>{"Ravlin", "Proof", "Proof"}));
  EXPECT_EQ(list->GetAt(1).Record.Name, "Proof2");
  EXPECT_THROW(list->Add(source, 3), std::out_of_range);

  list->SetCurrent(2);
  std::unique_ptr<CDispatcher> removed = list->Remove(list->GetAt(1));
  ASSERT_NE(removed, nullptr);
  EXPECT_EQ(removed->Record.Name, "Proof2");
  EXPECT_EQ(list->GetCount(), 2);
  EXPECT_EQ(list->GetCurrent().Record.Name, "Proof");  // still the same dispatcher
  EXPECT_EQ(list->Remove(source), nullptr);

  // A loaded dispatcher copied or taken out of the list keeps its texts once the list is gone.
  const CDispatcher copy = list->GetAt(0);
  std::unique_ptr<CDispatcher> taken = list->Remove(list->GetAt(0));
  ASSERT_NE(taken, nullptr);
  list.reset();
  for (const CDispatcher* d : {&copy, static_cast<const CDispatcher*>(taken.get())}) {
    EXPECT_EQ(Fields(d->Record), Fields(DispatcherRecord{"Ravlin", "Ravlin", "Lux", "Ravlin", 0, -1}));
    EXPECT_EQ(d->Path(), dir_ / "data/Ravlin");
    EXPECT_EQ(std::strlen(d->Path().c_str()), d->Path().size());
  }
}

TEST_F(DispatcherListTest, RebuildRecognisesNamesTypesAndPorts) {
  // Whole-file match: Lux; main dispatcher.
  Dispatcher("Ravlin", Ini("Ravlin", 0), kLuxFid, "[PavoNet]\nname=Lux\ncommandport=4011\n");
  // Only the "Ravlin" lines match Agfa; the name comes from papname=Press_AT.
  Dispatcher("Press", "[x]\nPAPNAME=Press_AT\npapname=Other_AT\n", "[Main]\nravlin = agfa 2.0\nFID=XX\n",
             "[PavoNet]\nname=Agfa\ncommandport=4311\n");
  // Only the "FID" lines match Lux; a quoted papname without "_AT" loses its last character.
  Dispatcher("Proof", "papname=\"Proof\"\n", "[Main]\nRavlin=Other\nFID: lux\n",
             "[PavoNet]\nname=Changed\ncommandport=port 4512 and 4613\n");
  // Nothing matches; no name, no configuration file.
  Dispatcher("Odd", "[x]\nfoo=bar\n", "[Main]\nRavlin=Odd\nFID=ODD\n", "");
  // A port on a thousand boundary keeps the separator 0.
  Dispatcher("Round", "papname=Round_AT\n", kAgfaFid, "[PavoNet]\nname=Agfa\ncommandport=5000\n");
  // Saved and backed-up copies are no dispatchers.
  Dispatcher("PressSav", Ini("PressSav", 5), kLuxFid, "");
  Dispatcher("Backup", Ini("Backup", 6), kLuxFid, "");
  WriteFile(dir_ / "data/data/zvPress_dispatcher.ini.bak", "x\n");

  auto list = Rebuild();
  ExpectRecords(*list, {{"Ravlin", "Ravlin", "Lux", "Ravlin", 0, 4011},
                        {"Ravlin", "Ravlin", "Generic", "Odd", 0, -1},
                        {"Ravlin", "Press", "Agfa", "Press", 3, 4311},
                        {"Ravlin", "Proof", "Lux", "Proof", 5, 4512},
                        {"Ravlin", "Round", "Agfa", "Round", 0, 5000}});
  EXPECT_EQ(list->GetAt(2).Path(), dir_ / "data/Press");
  for (int base : {0, 3, 5}) EXPECT_TRUE(list->SeparatorInUse(base)) << base;
  EXPECT_FALSE(list->SeparatorInUse(6));

  ExpectTraced("Inconsistent configuration found");
  // Proof's configuration differs from the Lux template in its "name" lines.
  ExpectTraced("Inconsistent configuration found in: " + dir_ / "data/Proof/data/zv_config.res" +
               " and in:" + dir_ / "prog/dat/templates/Ravlin/zv_config_Lux.res");
  EXPECT_EQ(Trace().find("found in: " + dir_ / "data/Press/"), std::string::npos) << Trace();
}

TEST_F(DispatcherListTest, RebuildTracesWhatItCannotCompare) {
  // The template folder in another case; the Agfa type without its configuration template.
  std::filesystem::rename(dir_ / "prog/dat/templates/Ravlin", dir_ / "prog/dat/templates/RAVLIN");
  std::filesystem::remove(dir_ / "prog/dat/templates/RAVLIN/zv_config_Agfa.res");
  // Without its configuration file the main dispatcher differs from its type's template.
  Dispatcher("Ravlin", Ini("Ravlin", 0), kLuxFid, "");
  Dispatcher("Press", Ini("Press", 1), kAgfaFid, "[PavoNet]\nname=Agfa\ncommandport=4111\n");
  // Line ends of another platform: the name ends before them.
  Dispatcher("Proof", "[Ravlin]\r\ntcp_pap=4212\r\nPAPNAME=\"Proof\"\r\n", kLuxFid,
             "[PavoNet]\nname=Lux\ncommandport=4211\n");

  auto list = Rebuild();
  ExpectRecords(*list, {{"Ravlin", "Ravlin", "Lux", "Ravlin", 0, -1},
                        {"Ravlin", "Press", "Agfa", "Press", 1, 4111},
                        {"Ravlin", "Proof", "Lux", "Proof", 2, 4211}});

  const std::string missing = dir_ / "data/Ravlin/data/zv_config.res";
  ExpectTraced(CRvcException(104, missing).Message());
  ExpectTraced("Inconsistent configuration found in: " + missing +
               " and in:" + dir_ / "prog/dat/templates/RAVLIN/zv_config_Lux.res");
  ExpectTraced("No command port for Ravlin: cannot open " + missing);
  ExpectTraced("Inconsistent configuration found in: " + dir_ / "data/Press/data/zv_config.res" +
               " and in:" + dir_ / "prog/dat/templates/RAVLIN/zv_config_Agfa.res");
  EXPECT_EQ(Trace().find("found in: " + dir_ / "data/Proof/"), std::string::npos) << Trace();
}

// A type's ".fid" template that is a pipe, a device or a folder matches nothing, and a
// pipe in place of a configuration gives no command port: the rebuild neither blocks nor
// reads without end.
TEST_F(DispatcherListTest, RebuildReadsNoPipesOrDevices) {
  const std::string luxFid = dir_ / "prog/dat/templates/Ravlin/ravlin_Lux.fid";
  const std::string config = dir_ / "data/Ravlin/data/zv_config.res";
  const std::function<void()> plants[] = {
      [&] { ASSERT_EQ(::mkfifo(luxFid.c_str(), 0600), 0); },
      [&] { std::filesystem::create_symlink("/dev/zero", luxFid); },
      [&] { std::filesystem::create_directory(luxFid); },
  };
  Dispatcher("Ravlin", Ini("Ravlin", 0), kLuxFid, "");
  ASSERT_EQ(::mkfifo(config.c_str(), 0600), 0);
  for (size_t i = 0; i < std::size(plants); ++i) {
    SCOPED_TRACE(i);
    std::filesystem::remove(luxFid);
    plants[i]();
    ExpectRecords(*Rebuild(), {{"Ravlin", "Ravlin", "Generic", "Ravlin", 0, -1}});
  }
}

// A planted or half-deleted dispatcher is left out of the rebuilt list with a reason; the
// others are rebuilt.
TEST_F(DispatcherListTest, RebuildLeavesOutWhatItCannotLoad) {
  EXPECT_EQ(Raised([&] { Rebuild(); }).Id(), 110);  // no ini file at all

  Dispatcher("Ravlin", Ini("Ravlin", 0), kLuxFid, "");
  const std::string iniFolder = dir_ / "data/data/";
  const std::string mem = "/proc/self/mem";  // opens, but cannot be read even by root
  // The ini text, or a link target starting with "/".
  struct Case {
    std::string iniName;
    std::string ini;
    std::string name, reason;
  };
  const std::vector<Case> cases = {
      {"zv.._dispatcher.ini", Ini("Ghost", 1), "Ghost", "the dispatcher folder \"..\" names no folder of its own"},
      {"zv._dispatcher.ini", Ini("Ghost", 1), "Ghost", "the dispatcher folder \".\" names no folder of its own"},
      {"zv_dispatcher.ini", Ini("Ghost", 1), "Ghost", "the dispatcher folder \"\" is empty"},
      {"zvPress_dispatcher.ini", "papname=Pr\x1b[2Jess_AT\n", "Pr\x1b[2Jess", "the dispatcher name \"Pr\\x1B[2Jess\""},
      {"zvPlatesetter_2_dispatcher.ini", Ini("Plate", 1), "Plate",
       "Configuration Platesetter_2 failed: " + iniFolder + "zvPlatesetter_2_dispatcher.ini names it, but " +
           (dir_ / "data/Platesetter_2/data/") + " holds no *.fid file"},
      {"zvPress_dispatcher.ini", mem, "",
       "Failed to open " + iniFolder + "zvPress_dispatcher.ini (error = 10, OS error = 5)\n"
       "Please close all running 'Ravlin 10' dispatchers and then try again!\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.iniName);
    const std::string ini = iniFolder + c.iniName;
    if (c.ini.front() == '/') {
      std::filesystem::create_symlink(c.ini, ini);
    } else {
      WriteFile(ini, c.ini);
    }
    auto list = Rebuild();
    std::filesystem::remove(ini);
    EXPECT_EQ(Folders(*list), std::vector<std::string>{"Ravlin"});
    ASSERT_EQ(list->Broken().size(), 1u);
    const BrokenDispatcher& broken = list->Broken()[0];
    EXPECT_EQ(broken.Name, c.name);
    EXPECT_NE(broken.Reason.find(c.reason), std::string::npos) << broken.Reason;
    ExpectTraced("Dispatcher skipped: " + broken.Reason);
  }
  // A pipe or a device under an ini file's name is no ini file: never opened, so the load
  // cannot block on it or read without end.
  ASSERT_EQ(::mkfifo((iniFolder + "zvPipe_dispatcher.ini").c_str(), 0600), 0);
  std::filesystem::create_symlink("/dev/zero", iniFolder + "zvZero_dispatcher.ini");
  auto list = Rebuild();
  EXPECT_EQ(Folders(*list), std::vector<std::string>{"Ravlin"});
  EXPECT_TRUE(list->Broken().empty());
}

TEST_F(DispatcherListTest, RebuiltRecordsEqualThoseOfAListFile) {
  Dispatcher("Ravlin", Ini("Ravlin", 0), kLuxFid, "[PavoNet]\nname=Lux\ncommandport=4011\n");
  Dispatcher("Press", Ini("Press", 2), kAgfaFid, "[PavoNet]\nname=Agfa\ncommandport=4211\n");
  auto rebuilt = Rebuild();

  WriteFile(dir_ / "data/rvc1.cfg", ListFileText({{"Press", "Agfa", "Press", "2", "4211", "Ravlin"},
                                                  {"Ravlin", "Lux", "Ravlin", "0", "4011", "Ravlin"}}));
  auto loaded = Load();
  ExpectRecords(*rebuilt, Records(*loaded));
  for (int i = 0; i < loaded->GetCount(); ++i) EXPECT_EQ(rebuilt->GetAt(i).Path(), loaded->GetAt(i).Path());

  // Saving the rebuilt list and loading it again gives the same records.
  std::filesystem::remove(dir_ / "data/rvc1.cfg");
  ASSERT_TRUE(rebuilt->Save());
  ExpectRecords(*Load(), Records(*loaded));
  ResourceDb file = ResourceDb::OpenOrThrow(dir_ / "data/rvc1.cfg");
  EXPECT_EQ(file.Find("Main", "Install"), dir_ / "data/");
  EXPECT_EQ(file.Find("Main", "NrConfigs"), "2");
}

TEST_F(DispatcherListTest, SaveRenamesASecondPressAndMovesItsPorts) {
  WriteFile(dir_ / "data/rvc1.cfg", ListFileText({{"Ravlin", "Lux", "Ravlin", "0", "4011", "Ravlin"},
                                                  {"Press", "Agfa", "Press", "2", "4211", "Ravlin"},
                                                  {"Press", "Agfa", "Press2", "2", "4211", "Ravlin"},
                                                  {"Old", "Agfa", "Old", "7", "", "Ravlin"}}));
  for (const auto& [folder, base] : std::vector<std::pair<std::string, int>>{{"Ravlin", 0}, {"Press", 2}}) {
    WriteFile(dir_ / ("data/data/zv" + folder + "_dispatcher.ini"), Ini(folder, base));
  }
  WriteFile(dir_ / "data/data/zvPress2_dispatcher.ini", Ini("Press", 2));
  const auto untouched = test::Snapshot(dir_ / "data/data");
  auto list = Load();
  list->Remove(list->GetAt(3));

  ASSERT_TRUE(list->Save());
  EXPECT_EQ(Fields(list->GetAt(2).Record), Fields(DispatcherRecord{"Ravlin", "PressCopy", "Agfa", "Press2", 3, 4311}));
  EXPECT_TRUE(list->SeparatorInUse(3));
  EXPECT_EQ(ReadFile(dir_ / "data/data/zvPress2_dispatcher.ini"),
            "[Ravlin]\npapname=PressCopy_AT\npipename=PressCopy\ncommandport=4311\ntcp_pap=4312\n"
            "KW_DATA_RAVLIN=/ravlin/Press/data\n");
  auto after = test::Snapshot(dir_ / "data/data");
  after.erase("zvPress2_dispatcher.ini");
  auto before = untouched;
  before.erase("zvPress2_dispatcher.ini");
  EXPECT_EQ(after, before);

  ExpectRecords(*Load(), Records(*list));
  // The removed dispatcher's topic is gone with it.
  EXPECT_FALSE(ResourceDb::OpenOrThrow(dir_ / "data/rvc1.cfg").HasTopic("Config4"));
}

// A separator equal to one before it goes up by 1 until it clashes with none of them,
// and its ini file's ports follow.
TEST_F(DispatcherListTest, SaveIncreasesADuplicateSeparatorByOne) {
  const struct {
    std::vector<int> bases, expected;
  } cases[] = {
      {{0, 0, 1}, {0, 1, 2}}, {{0, 1, 0}, {0, 1, 2}}, {{1, 0, 0}, {1, 0, 2}}, {{9, 9}, {9, 0}}, {{3, 5, 7}, {3, 5, 7}},
  };
  for (const auto& c : cases) {
    std::vector<Entry> entries;
    for (size_t i = 0; i < c.bases.size(); ++i) {
      const std::string folder(1, static_cast<char>('A' + i));
      entries.push_back({folder, "Lux", folder, std::to_string(c.bases[i]), "", "Ravlin"});
      WriteFile(dir_ / ("data/data/zv" + folder + "_dispatcher.ini"), Ini(folder, c.bases[i]));
    }
    WriteFile(dir_ / "data/rvc1.cfg", ListFileText(entries));
    auto list = Load();
    ASSERT_TRUE(list->Save());
    for (size_t i = 0; i < c.bases.size(); ++i) {
      const std::string folder(1, static_cast<char>('A' + i));
      EXPECT_EQ(list->GetAt(static_cast<int>(i)).Record.Base, c.expected[i]) << folder << " of " << c.bases.size();
      EXPECT_EQ(ReadFile(dir_ / ("data/data/zv" + folder + "_dispatcher.ini")), Ini(folder, c.expected[i])) << folder;
    }
  }
}

TEST_F(DispatcherListTest, SaveMovesASecondUseOfAFolder) {
  WriteFile(dir_ / "data/rvc1.cfg", ListFileText({{"Ravlin", "Lux", "Ravlin", "0", "", "Ravlin"},
                                                  {"Press", "Agfa", "Press", "1", "", "Ravlin"},
                                                  {"Proof", "Lux", "press", "2", "", "Ravlin"},
                                                  {"Draft", "Lux", "PRESS", "3", "", "Ravlin"}}));
  // Only the third dispatcher's files were copied to the new folder; the fourth has none.
  WriteFile(dir_ / "data/data/zvpressCopy_dispatcher.ini", "[x]\nKW_DATA_RAVLIN=/ravlin/Press/data\nflavor=Ravlin\n");
  auto list = Load();
  ASSERT_TRUE(list->Save());
  EXPECT_EQ(Folders(*list), (std::vector<std::string>{"Ravlin", "Press", "pressCopy", "PRESSCopyCopy"}));
  EXPECT_EQ(list->GetAt(2).Path(), dir_ / "data/pressCopy");
  EXPECT_EQ(ReadFile(dir_ / "data/data/zvpressCopy_dispatcher.ini"),
            "[x]\nKW_DATA_RAVLIN=/ravlin/pressCopy/data\nflavor=Ravlin\n");
  EXPECT_EQ(Folders(*Load()), Folders(*list));
}

TEST_F(DispatcherListTest, SaveFailureIsReportedAndWritesNothing) {
  ui::HeadlessUserInterface headless;
  ui::ScopedUserInterface scoped(headless);
  const std::string text =
      ListFileText({{"Ravlin", "Lux", "Ravlin", "4", "", "Ravlin"}, {"Press", "Agfa", "Press", "4", "", "Ravlin"}});
  WriteFile(dir_ / "data/rvc1.cfg", text);
  auto list = Load();
  // The port clash needs Press's ini file, which is missing.
  EXPECT_FALSE(list->Save());
  ASSERT_EQ(headless.Messages().size(), 1u);
  EXPECT_EQ(headless.Messages()[0].title, "Error");
  EXPECT_EQ(headless.Messages()[0].text.rfind("Failed to open ", 0), 0u) << headless.Messages()[0].text;
  EXPECT_EQ(ReadFile(dir_ / "data/rvc1.cfg"), text);
}

TEST_F(DispatcherListTest, SaveCreatesAMissingListFile) {
  WriteFile(dir_ / "data/rvc1.cfg", ListFileText({{"Ravlin", "Lux", "Ravlin", "0", "", "Ravlin"}}));
  auto list = Load();
  std::filesystem::remove(dir_ / "data/rvc1.cfg");
  ASSERT_TRUE(list->Save());
  ResourceDb file = ResourceDb::OpenOrThrow(dir_ / "data/rvc1.cfg");
  EXPECT_EQ(file.Find("Config1", "Name"), "Ravlin");
  EXPECT_EQ(file.Find("Config1", "CommandPort"), "-1");
  EXPECT_EQ(file.Find("Config1", "Flavour"), "Ravlin");
}

// The bundled sample installation, copied: every flavour's list as rebuilt from disk.
class SampleInstallationTest : public TracedTest {
 protected:
  SampleInstallationTest() {
    std::filesystem::create_directories(dir_ / "sample");
    for (const char* part : {"prog", "data"}) {
      std::filesystem::copy(std::string(RVC_SOURCE_DIR "/sample/") + part, dir_ / ("sample/" + std::string(part)),
                            std::filesystem::copy_options::recursive);
    }
  }
  std::string Prog(const std::string& key) const { return dir_ / ("sample/prog/" + key + "/rvc2.cfg"); }
  std::string Data(const std::string& key) const { return dir_ / ("sample/data/" + key + "/rvc1.cfg"); }
};

TEST_F(SampleInstallationTest, RebuildingAFlavourGivesTheRecordsOfItsListFile) {
  for (const std::string key : {"Tiffmono", "Proof", "Dedezi"}) {
    const CTemplateList types(key, Prog(key), false);
    const CDispatcherList loaded(Data(key), types, false, key);
    const CDispatcherList rebuilt(Data(key), types, true, key);
    SCOPED_TRACE(key);
    ASSERT_GT(loaded.GetCount(), 1);
    EXPECT_EQ(loaded.GetAt(0).Record.Folder, key);
    ExpectRecords(rebuilt, Records(loaded));
  }
  EXPECT_EQ(Trace().find("Inconsistent"), std::string::npos);
}

TEST_F(SampleInstallationTest, ListlessFlavourIsRebuiltAndSaved) {
  const CTemplateList types("Approval", Prog("Approval"), true);
  EXPECT_EQ(types.FIDbase(), "approval");
  ASSERT_EQ(types.GetCount(), 2);
  EXPECT_EQ(types.GetAt(0)->Name, "Generic");
  EXPECT_TRUE(types.GetAt(0)->IsFilm());
  EXPECT_EQ(types.GetAt(0)->DispatcherIni, "zvApproval_dispatcher_Generic.ini");
  EXPECT_EQ(types.GetAt(1)->Name, "Platesetter");
  EXPECT_EQ(types.GetAt(1)->PlateOrFilmFile, "zv_plate_Platesetter.res");

  CDispatcherList list(Data("Approval"), types, true, "Approval");
  ExpectRecords(list, {{"Approval", "Appr", "Generic", "Approval", 0, 8004},
                       {"Approval", "ApprPlate", "Platesetter", "Platesetter", 3, 8304}});
  EXPECT_EQ(Trace().find("Inconsistent"), std::string::npos);

  const auto before = test::Snapshot(dir_ / "sample/data/Approval");
  ASSERT_TRUE(list.Save());
  auto after = test::Snapshot(dir_ / "sample/data/Approval");
  EXPECT_EQ(after.erase("rvc1.cfg"), 1u);
  EXPECT_EQ(after, before);  // nothing to repair
  ExpectRecords(CDispatcherList(Data("Approval"), types, false, "Approval"), Records(list));
}

}  // namespace
}  // namespace rvc::store
