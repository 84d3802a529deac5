// ravlinctl as a script runs it: on a fresh copy of the sample installation, without a
// display or a terminal, judged by its exit code, its output and the files it leaves.
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "store/installation_lock.h"
#include "tests/support/program_run.h"
#include "tests/support/test_support.h"

namespace {

namespace fs = std::filesystem;
using rvc::test::FileExists;
using rvc::test::ReadFile;
using rvc::test::Snapshot;
using rvc::test::WriteFile;

using Result = rvc::test::ProgramResult;

// Checks that `text` is one JSON value and nothing else.
class JsonChecker {
 public:
  static bool Valid(const std::string& text) {
    JsonChecker checker(text);
    return checker.Value() && (checker.Blank(), checker.at_ == text.size());
  }

 private:
  explicit JsonChecker(const std::string& text) : text_(text) {}

  void Blank() {
    while (at_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[at_]))) ++at_;
  }
  bool Take(char c) {
    Blank();
    if (at_ < text_.size() && text_[at_] == c) return ++at_, true;
    return false;
  }
  bool String() {
    if (!Take('"')) return false;
    while (at_ < text_.size() && text_[at_] != '"') {
      if (static_cast<unsigned char>(text_[at_]) < 0x20) return false;
      if (text_[at_] == '\\') ++at_;
      ++at_;
    }
    return at_ < text_.size() && text_[at_++] == '"';
  }
  bool Number() {
    Blank();
    const size_t start = at_;
    if (at_ < text_.size() && text_[at_] == '-') ++at_;
    while (at_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[at_]))) ++at_;
    return at_ > start && std::isdigit(static_cast<unsigned char>(text_[at_ - 1]));
  }
  bool Word(const char* word) {
    Blank();
    const std::string w = word;
    if (text_.compare(at_, w.size(), w) != 0) return false;
    at_ += w.size();
    return true;
  }
  bool Value() {
    Blank();
    if (at_ >= text_.size()) return false;
    switch (text_[at_]) {
      case '{':
        ++at_;
        if (Take('}')) return true;
        do {
          if (!String() || !Take(':') || !Value()) return false;
        } while (Take(','));
        return Take('}');
      case '[':
        ++at_;
        if (Take(']')) return true;
        do {
          if (!Value()) return false;
        } while (Take(','));
        return Take(']');
      case '"':
        return String();
      case 't':
        return Word("true");
      case 'f':
        return Word("false");
      case 'n':
        return Word("null");
      default:
        return Number();
    }
  }

  const std::string& text_;
  size_t at_ = 0;
};

class RavlinctlTest : public ::testing::Test {
 protected:
  // The sample is laid out once; each test works on a copy with its own environment file.
  static void SetUpTestSuite() {
    master_ = new rvc::test::TempDir();
    const std::string command =
        std::string(RVC_SOURCE_DIR) + "/scripts/lay_out_sample.sh " + (*master_ / "sample") + " >/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
  }
  static void TearDownTestSuite() {
    delete master_;
    master_ = nullptr;
  }

  void SetUp() override {
    const std::string from = *master_ / "sample";
    fs::copy(from, root_, fs::copy_options::recursive);
    std::string environment = ReadFile(root_ + "environment");
    for (size_t at = environment.find(from); at != std::string::npos; at = environment.find(from, at)) {
      environment.replace(at, from.size(), root_.substr(0, root_.size() - 1));
    }
    // Whoever runs the tests counts as an administrator of the copy.
    if (group* own = ::getgrgid(::getegid())) environment += std::string("RAVLIN_ADMIN_GROUP=") + own->gr_name + "\n";
    WriteFile(root_ + "environment", environment);
  }

  // Runs ravlinctl with `arguments`, the copy's environment file, no display and standard
  // input from /dev/null. `uid`: run as that user (the test runs as root).
  // `terminal`: standard input is a terminal on which this is typed.
  Result Run(const std::vector<std::string>& arguments, const std::map<std::string, std::string>& extra = {},
             int uid = -1, const std::string* terminal = nullptr) {
    rvc::test::ProgramRun run{RAVLINCTL_PROGRAM, arguments, extra, dir_.Path(), uid, terminal};
    run.environment.emplace("RAVLIN_ENVIRONMENT_FILE", root_ + "environment");
    return rvc::test::RunProgram(run);
  }

  // Runs `arguments`, expecting exit code 1 and `message` in the error output.
  Result Refused(const std::vector<std::string>& arguments, const std::string& message) {
    Result result = Run(arguments);
    EXPECT_EQ(result.exitCode, 1) << message;
    EXPECT_TRUE(Has(result.err, message)) << result.err;
    return result;
  }

  std::string Data(const std::string& relative) const { return root_ + "data/" + relative; }
  bool Exists(const std::string& relative) const { return fs::exists(Data(relative)); }
  std::string Trace() const { return ReadFile(root_ + "config/trace_rvc.txt"); }
  static bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }
  static std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
      lines.push_back(text.substr(start, end - start));
    }
    return lines;
  }
  // The blank-separated words of a line.
  static std::vector<std::string> Words(const std::string& line) {
    std::vector<std::string> words;
    size_t at = 0;
    while ((at = line.find_first_not_of(' ', at)) != std::string::npos) {
      size_t end = line.find(' ', at);
      words.push_back(line.substr(at, end == std::string::npos ? std::string::npos : end - at));
      at = end;
    }
    return words;
  }

  static inline rvc::test::TempDir* master_ = nullptr;
  rvc::test::TempDir dir_;
  std::string root_ = dir_ / "sample/";
};

const char* kSubcommands[] = {"flavours", "list",    "show",    "create", "delete",
                              "change-type", "set", "ppd", "ppd-preferences", "restore", "doctor", "recover", "help", "backup", "backup-info"};

TEST_F(RavlinctlTest, HelpAndBadUsage) {
  Result result = Run({"--help"});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.err, "");
  for (const char* name : kSubcommands) {
    EXPECT_TRUE(Has(result.out, std::string("\n  ") + name + " ")) << name;
    Result help = Run({name, "--help"});
    EXPECT_EQ(help.exitCode, 0) << name;
    EXPECT_EQ(help.out.rfind(std::string("Usage: ravlinctl ") + name, 0), 0u) << help.out;
  }
  EXPECT_TRUE(Has(Run({"help", "create"}).out, "--copy-queues-from DISPATCHER"));
  EXPECT_EQ(Run({"--version"}).out.rfind("ravlinctl (Ravlin Configurator) ", 0), 0u);

  const std::vector<std::vector<std::string>> bad = {
      {},
      {"bogus"},
      {"--bogus", "list"},
      {"list", "--bogus"},
      {"list", "extra"},
      {"list", "--flavour"},
      {"show"},
      {"show", "a", "b"},
      {"create", "--flavour", "Tiffmono"},
      {"create", "--type", "CtP_platedriver"},
      {"create", "--flavour", "Dedezi", "--type", "Digital_Press", "--vdp", "maybe"},
      {"create", "--flavour=Tiffmono", "--flavour=Proof", "--type", "X"},
      {"delete"},
      {"delete", "--yes=no", "Mono1"},
      {"change-type", "Mono1"},
      {"set", "Mono1"},
      {"set", "--name", "X"},
      {"ppd"},
      {"ppd", "Mono1", "--all"},
      {"help", "bogus"},
      {"backup", "extra"},
      {"backup-info"},
  };
  for (const auto& arguments : bad) {
    std::string shown;
    for (const auto& argument : arguments) shown += argument + " ";
    Result usage = Run(arguments);
    EXPECT_EQ(usage.exitCode, 2) << shown;
    EXPECT_EQ(usage.out, "") << shown;
    EXPECT_EQ(usage.err.rfind("ravlinctl: ", 0), 0u) << shown << usage.err;
    EXPECT_TRUE(Has(usage.err, "Usage: ravlinctl")) << shown << usage.err;
  }
  EXPECT_TRUE(Has(Run({"create", "--flavour", "Tiffmono"}).err, "--type is missing"));
  // Usage errors touch nothing, not even the trace.
  EXPECT_FALSE(FileExists(root_ + "config/trace_rvc.txt"));
}

TEST_F(RavlinctlTest, BackupMakesAFolderThatBackupInfoListsAndADamagedIndexIsRefused) {
  const std::string into = dir_ / "backups";
  // No rvc_setup on PATH: the backup jobs are traced as skipped.
  Result backup = Run({"backup", "--to", into}, {{"COMPUTERNAME", "RIP-01"}, {"PATH", "/usr/bin:/bin"}});
  ASSERT_EQ(backup.exitCode, 0) << backup.err;
  const std::string folder = Lines(backup.out).back();
  EXPECT_EQ(folder.rfind(into + "/RVC_Backup_rip-01_", 0), 0u) << folder;
  EXPECT_TRUE(Has(Trace(), "RVC::Backup location:" + folder));

  Result info = Run({"backup-info", folder});
  EXPECT_EQ(info.exitCode, 0) << info.err;
  EXPECT_TRUE(Has(info.out, "Ravlin Tiff\n  Mono  Orginal  folder=Tiffmono  type=Imagesetter_Film  base=0  port=5004\n"))
      << info.out;
  Result json = Run({"backup-info", folder, "--json"});
  EXPECT_TRUE(JsonChecker::Valid(json.out)) << json.out;
  EXPECT_TRUE(Has(json.out, "\"name\": \"Mono1\", \"mode\": \"Clone\""));

  WriteFile(folder + "/BackupInfo.tmp", "[Mono]\nFlavour=Ravlin Tiff\n");
  Refused({"backup-info", folder}, "truncated");
}

TEST_F(RavlinctlTest, ListsFlavoursAndDispatchersPlainAndAsJson) {
  Result flavours = Run({"flavours"});
  EXPECT_EQ(flavours.exitCode, 0);
  const auto lines = Lines(flavours.out);
  ASSERT_EQ(lines.size(), 4u) << flavours.out;
  // Sorted by display name, as the catalogue keeps them.
  EXPECT_EQ(Words(lines[0]), (std::vector<std::string>{"Approval", "10.1", "2", "Approval"}));
  EXPECT_EQ(Words(lines[2]), (std::vector<std::string>{"Tiffmono", "10.1", "3", "Ravlin", "Tiff"}));

  Result list = Run({"list"});
  EXPECT_EQ(list.exitCode, 0);
  EXPECT_EQ(Lines(list.out).size(), 9u) << list.out;
  list = Run({"list", "-f", "tiffmono"});
  ASSERT_EQ(Lines(list.out).size(), 3u) << list.out;
  EXPECT_EQ(Words(Lines(list.out)[1]),
            (std::vector<std::string>{"Tiffmono", "Mono1", "CtP_platedriver", "CtP_platedriver", "1", "5104"}));

  Result show = Run({"show", "mono3_orvatiffsetter"});
  EXPECT_EQ(show.exitCode, 0);
  for (const char* part : {"Name:            Mono3_OrvaTiffsetter\n", "Type:            Generic_FromPPD\n",
                           "Port separator:  3\n", "Command port:    5304\n", "Position:        3 of 3\n"}) {
    EXPECT_TRUE(Has(show.out, part)) << part << show.out;
  }
  EXPECT_TRUE(Has(Run({"show", "Mono"}).out, "1 of 3 (the flavour's first dispatcher)"));

  for (const auto& arguments : std::vector<std::vector<std::string>>{{"flavours", "--json"},
                                                                     {"list", "--json"},
                                                                     {"list", "--flavour", "Dedezi", "--json"},
                                                                     {"show", "Velmora1", "--json"}}) {
    Result json = Run(arguments);
    EXPECT_EQ(json.exitCode, 0) << arguments[0];
    EXPECT_TRUE(JsonChecker::Valid(json.out)) << json.out;
  }
  const std::string all = Run({"flavours", "--json"}).out;
  EXPECT_TRUE(Has(all, "\"key\": \"Tiffmono\", \"name\": \"Ravlin Tiff\", \"version\": \"10.1\"")) << all;
  EXPECT_TRUE(Has(all, "\"deviceTypes\": [\"Imagesetter_Film\", \"CtP_platedriver\", \"Generic_FromPPD\"]")) << all;
  EXPECT_TRUE(Has(Run({"list", "--json"}).out,
                  "{\"flavour\": \"Dedezi\", \"name\": \"Velmora1\", \"type\": "
                  "\"Sheetfed_Plate\", \"folder\": \"Sheetfed_Plate\", "
                  "\"portSeparator\": 1, \"commandPort\": 7104}"));
  const std::string one = Run({"show", "Velmora1", "--json"}).out;
  EXPECT_TRUE(Has(one, "\"path\": \"" + root_ + "data/Dedezi/Sheetfed_Plate\"")) << one;
  EXPECT_TRUE(Has(one, "\"position\": 2, \"count\": 2")) << one;

  // Unknown names are refused with a reason; listing writes nothing but the trace.
  const auto before = Snapshot(root_ + "data");
  EXPECT_EQ(Refused({"list", "--flavour", "Nope"},
                    "ravlinctl: unknown flavour Nope (flavours: Approval, Proof, Tiffmono, Dedezi)")
                .out,
            "");
  Refused({"show", "Nope"}, "no dispatcher Nope");
  EXPECT_EQ(Snapshot(root_ + "data"), before);

  // Another catalogue: the same for version 10.1, none for 9.9.
  EXPECT_EQ(Run({"--version", "10.1", "list"}).out, Run({"list"}).out);
  Refused({"list", "--version=9.9"}, "RDB error " + root_ + "config/rvc_9.9.dat");
}

TEST_F(RavlinctlTest, ANameUsedInTwoFlavoursMustBeQualified) {
  const std::string list = root_ + "data/Proof/rvc1.cfg";
  std::string text = ReadFile(list);
  text.replace(text.find("Name=Proofer"), 12, "Name=mono1");
  WriteFile(list, text);

  Result ambiguous = Refused({"show", "Mono1"}, "ambiguous");
  EXPECT_TRUE(Has(ambiguous.err, "Proof/mono1")) << ambiguous.err;
  EXPECT_TRUE(Has(ambiguous.err, "Tiffmono/Mono1")) << ambiguous.err;
  EXPECT_EQ(Run({"delete", "--yes", "Mono1"}).exitCode, 1);
  EXPECT_TRUE(Exists("Tiffmono/CtP_platedriver"));

  Result qualified = Run({"show", "proof/Mono1"});
  EXPECT_EQ(qualified.exitCode, 0);
  EXPECT_TRUE(Has(qualified.out, "Flavour:         Proof (Ravlin Proof)")) << qualified.out;
  EXPECT_TRUE(Has(Run({"show", "Nope/Mono1"}).err, "unknown flavour Nope"));
}

TEST_F(RavlinctlTest, CreateBuildsTheDispatcherAsTheNewCommandDoes) {
  Result result = Run({"create", "--flavour", "Tiffmono", "--type", "ctp_platedriver", "--name", "Press"});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, "Tiffmono  Press  CtP_platedriver  CtP_platedriver_2  2  5204\n");
  // The launchers of the sample are missing: warnings only, then the announcement.
  EXPECT_TRUE(Has(result.err, "ravlinctl: Cannot create icon (7)!\n")) << result.err;
  EXPECT_TRUE(Has(result.err, "The new dispatcher configuration Press has been created.")) << result.err;
  const std::string ini = ReadFile(Data("Tiffmono/CtP_platedriver_2/data/zvCtP_platedriver_2_dispatcher.ini"));
  EXPECT_TRUE(Has(ini, "papname=Press_AT")) << ini;
  EXPECT_TRUE(Has(ini, "commandport=5204")) << ini;
  EXPECT_FALSE(Exists("Tiffmono/CtP_platedriver_2/data/servers.ini"));  // the factory default
  EXPECT_TRUE(Has(Trace(), "\tRVC::Start\n"));

  // The proposed name; the queues of another dispatcher; the VDP mode.
  result = Run({"create", "-f", "Proof", "-t", "Inkjet_Proof", "--copy-queues-from", "proofer"});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, "Proof  Proofer1  Inkjet_Proof  Inkjet_Proof  1  6104\n");
  EXPECT_TRUE(Has(ReadFile(Data("Proof/Inkjet_Proof/data/servers.ini")), "Proofer1_AT")) << root_;

  result = Run({"create", "--flavour", "Dedezi", "--type", "Sheetfed_Plate", "--name", "Press B", "--vdp", "disabled"});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, "Dedezi  Press_B  Sheetfed_Plate  Sheetfed_Plate_2  2  7204\n");
  EXPECT_TRUE(Has(ReadFile(Data("Dedezi/Sheetfed_Plate_2/data/zvSheetfed_Plate_2_dispatcher.ini")), "VDP_MODE=STATIC"));

  // A PPD type with its PPD, given relative to the working folder: the model joins the name.
  // Press, made before, holds separator 2; 3 is Mono3's.
  result = Run({"create", "--flavour", "Tiffmono", "--type", "Generic_FromPPD", "--name", "Setter", "--ppd",
                fs::relative(root_ + "ppds/OrvaTiffsetter.ppd").string()});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, "Tiffmono  Setter_OrvaTiffsetter  Generic_FromPPD  Generic_FromPPD_2  4  5404\n");
  EXPECT_EQ(ReadFile(Data("Tiffmono/Generic_FromPPD_2/data/OrvaTiffsetter.ppd")),
            ReadFile(root_ + "ppds/OrvaTiffsetter.ppd"));
  EXPECT_TRUE(Has(ReadFile(Data("Tiffmono/Generic_FromPPD_2/data/zv_config.res")), "FROM_PPD_"));
  EXPECT_TRUE(Has(Trace(), "A copy of used ppd file can be found at : " + Data("Tiffmono/Generic_FromPPD_2/data/")));

  // An error reported after the dispatcher exists still fails the command: here the PPD
  // cannot be applied to a configuration without the resolution set "set_0".
  const std::string config = root_ + "prog/Tiffmono/dat/templates/Tiffmono/zv_config_Generic_FromPPD.res";
  std::string text = ReadFile(config);
  text.replace(text.find("sets=set_0 set_1"), 16, "sets=set_1");
  text.replace(text.find("set=set_0"), 9, "set=set_1");
  text.erase(text.find("[set_0]"), text.find("[set_1]") - text.find("[set_0]"));
  WriteFile(config, text);
  result = Run(
      {"create", "-f", "Tiffmono", "-t", "Generic_FromPPD", "-n", "Late", "--ppd", root_ + "ppds/OrvaTiffsetter.ppd"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.out, "Tiffmono  Late_OrvaTiffsetter  Generic_FromPPD  Generic_FromPPD_3  5  5504\n");
  EXPECT_TRUE(Has(result.err, "ravlinctl: Failed to create resource file parameters from selected Ppd file\n"))
      << result.err;
  EXPECT_TRUE(Exists("Tiffmono/Generic_FromPPD_3/data/OrvaTiffsetter.ppd"));
}

TEST_F(RavlinctlTest, CreateRefusesWhatTheNewDialogRefuses) {
  const auto before = Snapshot(root_ + "data");
  const std::string ppd = root_ + "ppds/OrvaTiffsetter.ppd";
  WriteFile(dir_ / "broken.ppd", "no PPD at all\n");
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"--name", "Velmora"}, "ravlinctl: Velmora already exists, please choose another name\n"},
      {{"--name", "mono1"}, "ravlinctl: mono1 already exists, please choose another name\n"},
      {{"--name", "a|b"}, "ravlinctl: Following characters may not be used: \\/:*?\"<>|\n"},
      {{"--name", "a\nb"}, "ravlinctl: You can not create a dispatcher whose name holds a control character"},
      {{"--name", std::string(129, 'n')}, "ravlinctl: You can not create a dispatcher whose name is longer than 128"},
      {{"--name", "X", "--type", "Nope"}, "unknown device type Nope (device types: Imagesetter_Film, CtP_platedriver"},
      {{"--name", "X", "--copy-queues-from", "Velmora"}, "no dispatcher Velmora in this flavour to copy the queues"},
      {{"--name", "X", "--type", "Generic_FromPPD"}, "ravlinctl: Please browse and select a PPD file.\n"},
      {{"--name", "X", "--ppd", ppd}, "device type CtP_platedriver is not made from a PPD"},
      {{"--name", "X", "--type", "Generic_FromPPD", "--ppd", dir_ / "none.ppd"}, "no PPD file " + (dir_ / "none.ppd")},
      {{"--name", "X", "--type", "Generic_FromPPD", "--ppd", dir_ / "broken.ppd"},
       "Error while parsing the options from: " + (dir_ / "broken.ppd")},
      {{"--name", "X", "--vdp", "active"}, "the dispatchers of this flavour have no variable data printing mode"},
  };
  for (const auto& [options, message] : cases) {
    std::vector<std::string> arguments = {"create", "--flavour", "Tiffmono"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    if (std::find(options.begin(), options.end(), "--type") == options.end()) {
      arguments.insert(arguments.end(), {"--type", "CtP_platedriver"});
    }
    EXPECT_EQ(Refused(arguments, message).out, "") << message;
  }
  Refused({"create", "--flavour", "Nope", "--type", "X"}, "unknown flavour Nope");
  Refused({"create", "-f", "Dedezi", "-t", "Digital_Press", "-n", "X", "--ppd", ppd},
          "the dispatchers of this flavour are not made from a PPD");
  EXPECT_EQ(Snapshot(root_ + "data"), before);

  // The 113 check is also traced by the creation when the dialog lets a name through: not
  // here, the dialog refuses first. All ten port separators in use: 138.
  std::string list = "[Main]\nNrConfigs=10\n";
  for (int i = 0; i < 10; ++i) {
    const std::string n = std::to_string(i);
    list += "[Config" + std::to_string(i + 1) + "]\nName=M" + n +
            "\nType=CtP_platedriver\nFolder=" + (i == 0 ? std::string("Tiffmono") : "F" + n) + "\nBase=" + n +
            "\nCommandPort=5" + n + "04\nFlavour=Tiffmono\n";
  }
  WriteFile(root_ + "data/Tiffmono/rvc1.cfg", list);
  const auto full = Snapshot(root_ + "data");
  Result ten = Run({"create", "--flavour", "Tiffmono", "--type", "CtP_platedriver", "--name", "Eleven"});
  EXPECT_EQ(ten.exitCode, 1);
  EXPECT_EQ(ten.err, "ravlinctl: You cannot create more than nine clones of one dispatcher.\n");
  EXPECT_EQ(Snapshot(root_ + "data"), full);
}

TEST_F(RavlinctlTest, PpdPreferencesAreShownCheckedAndSetAsTheDialogSetsThem) {
  const std::string defaults = "ExtraPPDLocation=\nIncludeDGCInPPD=1\nIncludeDotJobInPPD=0\n";
  EXPECT_EQ(Run({"ppd-preferences"}).out, defaults);
  Refused({"ppd-preferences", "--copy-location", root_ + "missing"}, "Path does not exist. Please specify a valid path!");
  EXPECT_EQ(Run({"ppd-preferences", "--dgc", "maybe"}).exitCode, 2);
  EXPECT_EQ(Run({"ppd-preferences"}).out, defaults) << "a refused change changes nothing";

  const Result set = Run({"ppd-preferences", "--copy-location", root_ + "tmp", "--dgc", "off", "--job-dot-shape", "on"});
  EXPECT_EQ(set.exitCode, 0) << set.err;
  EXPECT_EQ(set.out, "ExtraPPDLocation=" + root_ + "tmp\nIncludeDGCInPPD=0\nIncludeDotJobInPPD=1\n");
  EXPECT_NE(ReadFile(root_ + "config/rvc.dat").find("IncludeDotJobInPPD=1"), std::string::npos);
}

// A backup of Mono1 with a file more and whose History.txt is another: the
// restore copies the one and keeps the installed other; a backup holding a link is refused.
TEST_F(RavlinctlTest, RestoreBringsADispatcherBackAndRefusesAHostileBackup) {
  const std::string backup = root_ + "RVC_Backup_host-2026-01-01-00-00";
  fs::create_directories(backup + "/Ravlin Tiff");
  fs::copy(Data("Tiffmono/CtP_platedriver/data"), backup + "/Ravlin Tiff/Mono1", fs::copy_options::recursive);
  WriteFile(backup + "/Ravlin Tiff/Mono1/restored.txt", "from the backup");
  WriteFile(backup + "/Ravlin Tiff/Mono1/History.txt", "from the backup");
  WriteFile(backup + "/BackupInfo.tmp",
            "[Mono1]\nFlavour=Ravlin Tiff\nVersion=10.1\nName=Mono1\nMode=Clone\nFolder=CtP_platedriver\n"
            "Type=CtP_platedriver\nBase=1\nPort=5104\n[_internal_]\n;@=##=DO NOT EDIT THIS FILE   =##\nVersion=\nFlavours=Ravlin Tiff\n");
  const std::string history = ReadFile(Data("Tiffmono/CtP_platedriver/data/History.txt"));

  // Hostile backups: refused with their message, nothing changed inside or outside.
  const std::string index = ReadFile(backup + "/BackupInfo.tmp");
  const std::string approvalMono1 =
      "[Mono1]\nFlavour=Approval\nVersion=10.1\nName=Mono1\nMode=Clone\nFolder=ApprPlate\nType=Platesetter\nBase=1\n"
      "Port=5104\n";
  struct Hostile {
    std::string what;
    std::function<void()> plant, clear;
    std::string message;
  };
  const std::vector<Hostile> cases = {
      {"link out of the backup", [&] { fs::create_directory_symlink(dir_ / "outside", backup + "/Ravlin Tiff/Mono1/out"); },
       [&] { fs::remove(backup + "/Ravlin Tiff/Mono1/out"); }, "a link or special file in a backup is not restored"},
      {"the same name in another flavour, whose data is all there is",
       [&] {
         WriteFile(backup + "/BackupInfo.tmp",
                   approvalMono1 + index.substr(0, index.find("Flavours=")) + "Flavours=Ravlin Tiff|Approval\n");
         fs::create_directories(backup + "/Approval");
         fs::rename(backup + "/Ravlin Tiff/Mono1", backup + "/Approval/Mono1");
       },
       [&] {
         fs::rename(backup + "/Approval/Mono1", backup + "/Ravlin Tiff/Mono1");
         WriteFile(backup + "/BackupInfo.tmp", index);
       },
       "Failed to open " + backup + "/Ravlin Tiff/Mono1"},
  };
  WriteFile(dir_ / "outside/kept", "kept");
  for (const Hostile& c : cases) {
    c.plant();
    const auto inside = Snapshot(root_ + "data");
    const auto outside = Snapshot(dir_ / "outside");
    Refused({"restore", backup, "--flavour", "Ravlin Tiff", "--dispatcher", "Mono1"}, c.message);
    EXPECT_EQ(Snapshot(root_ + "data"), inside) << c.what;
    EXPECT_EQ(Snapshot(dir_ / "outside"), outside) << c.what;
    c.clear();
  }

  Result restored = Run({"restore", backup, "--dispatcher", "mono1"});
  EXPECT_EQ(restored.exitCode, 0) << restored.err;
  EXPECT_EQ(ReadFile(Data("Tiffmono/CtP_platedriver/data/restored.txt")), "from the backup");
  EXPECT_EQ(ReadFile(Data("Tiffmono/CtP_platedriver/data/History.txt")), history);
  EXPECT_EQ(Run({"restore"}).exitCode, 2);
  Refused({"restore", root_ + "data"}, "BackupInfo.tmp");
}

// Round trip: the sample backed up, a clone deleted and another changed, the flavour
// restored as a whole: the dispatcher list and every dispatcher's data folder are as they
// were, byte for byte, but for the volatile files of docs/restore.md (what the backup
// plug-in added comes back too; a re-created clone has no "History.txt" and keeps the
// names file its type's templates gave it). The proof
// server's stand-in tools run in the backup and in the restore of Ravlin Proof.
TEST_F(RavlinctlTest, AFlavourRestoredFromItsBackupEqualsTheOriginal) {
  auto dataFolders = [&] {
    std::map<std::string, std::string> all;
    for (const auto& entry : fs::directory_iterator(Data("Tiffmono"))) {
      const std::string folder = entry.path().filename().string();
      if (!fs::is_directory(entry.path() / "data")) continue;
      for (const auto& [path, bytes] : Snapshot((entry.path() / "data").string())) {
        if (path == "device_data.txt" || (folder != "Tiffmono" && (path == "History.txt" || path == "zv_names.res"))) continue;
        all[folder + "/" + path] = bytes;
      }
    }
    return all;
  };
  // Job files of the same name in every dispatcher: a re-created clone gets its own back.
  for (const auto& entry : fs::directory_iterator(Data("Tiffmono"))) {
    if (!fs::is_directory(entry.path() / "data")) continue;
    WriteFile((entry.path() / "data/spool/a.job").string(), entry.path().filename().string());
  }
  const auto before = dataFolders();
  const std::string list = Run({"list", "--flavour", "Tiffmono"}).out;
  const std::map<std::string, std::string> tools{{"PATH", "/usr/bin:/bin"}, {"RVC_SAMPLE_TOOL_LOG", dir_ / "tools.log"}};
  const Result backup = Run({"backup", "--to", dir_ / "backups"}, tools);
  ASSERT_EQ(backup.exitCode, 0) << backup.err;
  const std::string folder = Lines(backup.out).back();

  ASSERT_EQ(Run({"delete", "Mono1", "--yes"}).exitCode, 0);
  ASSERT_EQ(Run({"set", "Mono3_OrvaTiffsetter", "--port-separator", "7"}).exitCode, 0);
  WriteFile(Data("Tiffmono/Tiffmono/data/zv_config.res"), "changed");
  const Result restored = Run({"restore", folder, "--flavour", "Ravlin Tiff", "--yes", "--json"});
  EXPECT_EQ(restored.exitCode, 0) << restored.err;
  EXPECT_EQ(restored.out.substr(0, restored.out.find("\"messages\"")),
            "{\"folder\": \"" + folder + "\", \"flavour\": \"Ravlin Tiff\", \"outcome\": \"restored\", "
            "\"wholeFlavour\": true, \"removed\": [\"Mono3_OrvaTiffsetter\"], \"recreated\": [\"Mono1\", "
            "\"Mono3_OrvaTiffsetter\"], \"restored\": [\"Mono\", \"Mono1\", \"Mono3_OrvaTiffsetter\"], \"skipped\": [], ");
  EXPECT_TRUE(Has(restored.out, "\"Dispatcher successfully restored!\"]}\n")) << restored.out;
  EXPECT_EQ(Run({"list", "--flavour", "Tiffmono"}).out, list);
  EXPECT_EQ(dataFolders(), before);
  EXPECT_FALSE(fs::exists(root_ + "config/rvc_intent.journal"));

  const Result proof = Run({"restore", folder, "--flavour", "Ravlin Proof", "--yes"}, tools);
  EXPECT_EQ(proof.exitCode, 0) << proof.err;
  EXPECT_EQ(ReadFile(dir_ / "tools.log"),
            "cfgbackuprestore_setup backup " + folder + "/Proof/ProofServer.BackUp " + folder + "/Proof//\n" +
                "cfgbackuprestore_setup restore " + folder + "/Proof/ProofServer.BackUp " + folder + "/Proof//\n");
}

TEST_F(RavlinctlTest, DeleteAsksAndRefusesTheFirstDispatcher) {
  Result unanswered = Refused({"delete", "Mono1"}, "ravlinctl: Are you sure you want to delete dispatcher Mono1?\n");
  EXPECT_TRUE(Has(unanswered.err, "--yes")) << unanswered.err;
  EXPECT_TRUE(Exists("Tiffmono/CtP_platedriver/data"));

  // On a terminal the question is asked; anything but yes keeps the dispatcher.
  const std::string no = "n\n", yes = "y\n";
  Result declined = Run({"delete", "Mono1"}, {}, -1, &no);
  EXPECT_EQ(declined.exitCode, 1);
  EXPECT_EQ(declined.err,
            "ravlinctl: Are you sure you want to delete dispatcher Mono1? [y/N] ravlinctl: nothing was changed\n");
  EXPECT_TRUE(Exists("Tiffmono/CtP_platedriver/data"));
  Result confirmed = Run({"delete", "Mono3_OrvaTiffsetter"}, {}, -1, &yes);
  EXPECT_EQ(confirmed.exitCode, 0) << confirmed.err;
  EXPECT_FALSE(Exists("Tiffmono/Generic_FromPPD"));

  Result deleted = Run({"delete", "-y", "Mono1"});
  EXPECT_EQ(deleted.exitCode, 0) << deleted.err;
  EXPECT_EQ(deleted.out + deleted.err, "");
  EXPECT_FALSE(Exists("Tiffmono/CtP_platedriver"));
  EXPECT_FALSE(Exists("Tiffmono/data/zvCtP_platedriver_dispatcher.ini"));
  EXPECT_TRUE(Has(Trace(), "\tRVC::Dispatcher Mono1 deleted\n"));

  const auto before = Snapshot(root_ + "data");
  Result first = Run({"delete", "--yes", "Mono"});
  EXPECT_EQ(first.exitCode, 1);
  EXPECT_EQ(first.err, "ravlinctl: You can not delete this dispatcher\n");
  EXPECT_TRUE(Has(Trace(), "\tRVC::You can not delete this dispatcher\n"));
  Refused({"delete", "--yes", "Nope"}, "no dispatcher Nope");
  EXPECT_EQ(Snapshot(root_ + "data"), before);
}

TEST_F(RavlinctlTest, ChangeTypeRebuildsTheDispatcher) {
  Result moved = Run({"change-type", "Mono1", "--type", "Imagesetter_Film"});
  EXPECT_EQ(moved.exitCode, 0) << moved.err;
  EXPECT_EQ(moved.out, "Tiffmono  Mono1  Imagesetter_Film  Imagesetter_Film  1  5104\n");
  EXPECT_FALSE(Exists("Tiffmono/CtP_platedriver"));
  const std::string ini = ReadFile(Data("Tiffmono/Imagesetter_Film/data/zvImagesetter_Film_dispatcher.ini"));
  EXPECT_TRUE(Has(ini, "papname=Mono1_AT")) << ini;
  EXPECT_TRUE(Has(ini, "commandport=5104")) << ini;
  EXPECT_TRUE(Has(Trace(), "Dispatcher Mono1 changed from type CtP_platedriver to Imagesetter_Film"));

  // The first dispatcher keeps its folder.
  Result first = Run({"change-type", "Mono", "--type", "CtP_platedriver"});
  EXPECT_EQ(first.exitCode, 0) << first.err;
  EXPECT_EQ(first.out, "Tiffmono  Mono  CtP_platedriver  Tiffmono  0  5004\n");
  EXPECT_TRUE(Exists("Tiffmono/Tiffmono/data/tiffmono.fid"));
  EXPECT_FALSE(Exists("Tiffmono/Tiffmono_dub"));
  EXPECT_EQ(ReadFile(Data("Tiffmono/Tiffmono/data/tiffmono.fid")),
            ReadFile(root_ + "prog/Tiffmono/dat/templates/Tiffmono/tiffmono_CtP_platedriver.fid"));

  const auto before = Snapshot(root_ + "data");
  const std::vector<std::pair<std::vector<std::string>, std::string>> refused = {
      {{"change-type", "Appr", "--type", "Platesetter"},
       "ravlinctl: Change Type is not offered for flavour Approval\n"},
      {{"change-type", "Mono3_OrvaTiffsetter", "--type", "Generic_FromPPD"},
       "ravlinctl: Please browse and select a PPD file.\n"},
      {{"change-type", "Velmora1", "--type", "Nope"}, "ravlinctl: unknown device type Nope"},
      {{"change-type", "Velmora1", "--type", "Digital_Press", "--ppd", root_ + "ppds/OrvaJet.ppd"},
       "device type Digital_Press is not made from a PPD"},
  };
  for (const auto& [arguments, message] : refused) Refused(arguments, message);
  EXPECT_EQ(Snapshot(root_ + "data"), before);

  // The variable-data mode survives the change of type.
  const std::string velmora = Data("Dedezi/Sheetfed_Plate/data/zvSheetfed_Plate_dispatcher.ini");
  std::string text = ReadFile(velmora);
  text.replace(text.find("VDP_MODE=STATIC"), 15, "VDP_MODE=VDP");
  WriteFile(velmora, text);
  Result vdp = Run({"change-type", "Velmora1", "--type", "Digital_Press"});
  EXPECT_EQ(vdp.exitCode, 0) << vdp.err;
  EXPECT_TRUE(Has(ReadFile(Data("Dedezi/Digital_Press/data/zvDigital_Press_dispatcher.ini")), "VDP_MODE=VDP"));
}

// Each run reads the flavour's list file afresh, as a restart does: what a run changed
// must be in it.
TEST_F(RavlinctlTest, ChangesSurviveARestartOfAFlavourWithAListFile) {
  const std::string ppd = root_ + "ppds/OrvaTiffsetter.ppd";
  for (const char* name : {"Mono2", "Mono4"}) {
    EXPECT_EQ(Run({"create", "-f", "Tiffmono", "-t", "Generic_FromPPD", "-n", name, "--ppd", ppd}).exitCode, 0);
  }
  EXPECT_EQ(Run({"change-type", "Mono1", "--type", "Imagesetter_Film"}).exitCode, 0);
  EXPECT_EQ(Run({"delete", "-y", "Mono3_OrvaTiffsetter"}).exitCode, 0);

  Result list = Run({"list", "-f", "Tiffmono"});
  EXPECT_EQ(list.exitCode, 0) << list.err;
  EXPECT_EQ(list.err, "");
  std::vector<std::vector<std::string>> rows;
  for (const std::string& line : Lines(list.out)) rows.push_back(Words(line));
  EXPECT_EQ(rows, (std::vector<std::vector<std::string>>{
                      {"Tiffmono", "Mono", "Imagesetter_Film", "Tiffmono", "0", "5004"},
                      {"Tiffmono", "Mono2_OrvaTiffsetter", "Generic_FromPPD", "Generic_FromPPD_2", "2", "5204"},
                      {"Tiffmono", "Mono4_OrvaTiffsetter", "Generic_FromPPD", "Generic_FromPPD_3", "4", "5404"},
                      {"Tiffmono", "Mono1", "Imagesetter_Film", "Imagesetter_Film", "1", "5104"},
                  }));
  const std::string file = ReadFile(Data("Tiffmono/rvc1.cfg"));
  EXPECT_TRUE(Has(file, "NrConfigs=4\n")) << file;
  EXPECT_FALSE(Has(file, "Mono3") || Has(file, "CtP_platedriver")) << file;
  // The retyped dispatcher is found where it now is.
  EXPECT_EQ(Run({"ppd", "Mono1"}).exitCode, 0);
  EXPECT_TRUE(Exists("Tiffmono/Imagesetter_Film/ppd/ravlin.inf"));
}

TEST_F(RavlinctlTest, SetModifiesTheDispatcherAsTheModifyDialogDoes) {
  Result renamed = Run({"set", "Mono1", "--name", "Mono 5", "--port-separator", "5"});
  EXPECT_EQ(renamed.exitCode, 0) << renamed.err;
  EXPECT_TRUE(Has(renamed.out, "Tiffmono  Mono_5  CtP_platedriver  CtP_platedriver  5  5504\n")) << renamed.out;
  const std::string ini = ReadFile(Data("Tiffmono/CtP_platedriver/data/zvCtP_platedriver_dispatcher.ini"));
  EXPECT_TRUE(Has(ini, "commandport=5504")) << ini;
  EXPECT_TRUE(Has(ini, "Mono_5")) << ini;
  EXPECT_TRUE(Has(Run({"list", "-f", "Tiffmono"}).out, "Tiffmono  Mono_5                CtP_platedriver   CtP_platedriver  5  5504"));

  // Approval has no list file: the next run rebuilds its list from the files. A new type
  // moves the dispatcher to a folder named after it.
  EXPECT_EQ(Run({"set", "ApprPlate", "--port-separator", "5"}).exitCode, 0);
  Result retyped = Run({"set", "ApprPlate", "--type", "Generic"});
  EXPECT_EQ(retyped.exitCode, 0) << retyped.err;
  EXPECT_TRUE(Has(retyped.out, "Approval  ApprPlate  Generic  Generic  5  8504\n")) << retyped.out;
  EXPECT_FALSE(Exists("Approval/Platesetter"));
  EXPECT_TRUE(Has(Run({"list", "--flavour", "Approval"}).out, "ApprPlate  Generic  Generic   5  8504")) ;

  const auto before = Snapshot(root_ + "data");
  const std::vector<std::pair<std::vector<std::string>, std::string>> refused = {
      {{"set", "Mono", "--folder", "Elsewhere"}, "the folder of Mono cannot be changed"},
      {{"set", "Mono_5", "--name", "Mono"}, "Mono already exists, please choose another name"},
      {{"set", "Mono_5", "--folder", "Generic_FromPPD"}, "Generic_FromPPD already exists, please choose another folder"},
      {{"set", "Mono_5", "--port-separator", "0"}, "port separator 0 is not free (free: 1 2 4 5 6 7 8 9)"},
      {{"set", "Mono_5", "--type", "Nope"}, "the flavour has no device type Nope"},
  };
  for (const auto& [arguments, message] : refused) Refused(arguments, message);
  EXPECT_EQ(Snapshot(root_ + "data"), before);
}

TEST_F(RavlinctlTest, PpdGeneratesTheFilesOfOneOrAllDispatchers) {
  Result one = Run({"ppd", "Mono1"});
  EXPECT_EQ(one.exitCode, 0) << one.err;
  EXPECT_TRUE(Has(one.err, "PPD file has been created for selected dispatcher: Mono1\nand stored under: " +
                               Data("Tiffmono/CtP_platedriver/ppd")))
      << one.err;
  EXPECT_TRUE(Has(Run({"show", "Mono1"}).out, "PPD:             " + Data("Tiffmono/CtP_platedriver/ppd/")));
  EXPECT_TRUE(Exists("Tiffmono/CtP_platedriver/ppd/ravlin.inf"));

  Result all = Run({"ppd", "--all"});
  EXPECT_EQ(all.exitCode, 0) << all.err;
  EXPECT_EQ(all.err, "ravlinctl: PPD files have been created for all the dispatchers of installed Ravlin flavours.\n");
  for (const char* dispatcher : {"Velmora1", "Appr", "Proof2_OrvaJet"}) {
    EXPECT_TRUE(Has(Run({"show", dispatcher}).out, "PPD:             " + root_)) << dispatcher;
  }
  // The driver makes no PPD without a screen description; it only traces why.
  fs::remove(Data("Tiffmono/CtP_platedriver/data/tiffmono.fid"));
  one = Run({"ppd", "Mono1"});
  EXPECT_EQ(one.exitCode, 1);
  EXPECT_EQ(one.err, "ravlinctl: no PPD was made for Mono1; the trace " + root_ + "config/trace_rvc.txt says why\n");
  EXPECT_TRUE(Has(Trace(), "Ppd file for Mono1 is not created due to 'Unknown' screen mode\n"));
  // A dispatcher whose configuration cannot be opened fails with 158.
  fs::remove(Data("Dedezi/Dedezi/data/zv_config.res"));
  all = Run({"ppd", "--all"});
  EXPECT_EQ(all.exitCode, 1);
  EXPECT_TRUE(Has(all.err, "ravlinctl: Error in opening resource files data base.\n")) << all.err;
  EXPECT_TRUE(Has(Trace(), "Ppd files couldn't be created for:Velmora\n"));
  Result unknown = Run({"ppd", "Nope"});
  EXPECT_EQ(unknown.exitCode, 1);
}

TEST_F(RavlinctlTest, OnlyAdministratorsChangeAndKwNorvcStopsEverything) {
  const auto before = Snapshot(root_);
  Result stopped = Run({"delete", "--yes", "Mono1"}, {{"kw_norvc", "1"}});
  EXPECT_EQ(stopped.exitCode, 1);
  EXPECT_TRUE(Has(stopped.err, "kw_norvc")) << stopped.err;
  EXPECT_EQ(Snapshot(root_), before);

  if (::geteuid() != 0) GTEST_SKIP() << "needs root to run ravlinctl as another user";
  // The copy must be readable by that user (the folders below dir_ are); the copy's
  // administrators group stays root's.
  ::chmod(dir_.Path().c_str(), 0755);
  constexpr int kNobody = 65534;
  Result refused = Run({"create", "--flavour", "Tiffmono", "--type", "CtP_platedriver", "--name", "X"}, {}, kNobody);
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_EQ(refused.err, "ravlinctl: You should log in as administrator to run Ravlin Configurator\n");
  EXPECT_EQ(Run({"delete", "--yes", "Mono1"}, {}, kNobody).exitCode, 1);
  EXPECT_EQ(Snapshot(root_), before);
  Result listed = Run({"list", "-f", "Tiffmono"}, {}, kNobody);
  EXPECT_EQ(listed.exitCode, 0) << listed.err;
  EXPECT_EQ(Lines(listed.out).size(), 3u);
}

// Planted list records and ini names that lead out of the data folder: the dispatcher is
// listed as broken with its reason, cannot be shown or deleted, and nothing outside the
// installation (a decoy tree beside it) or in another flavour changes.
TEST_F(RavlinctlTest, HostileFoldersDeleteNothingOutsideTheirFlavour) {
  WriteFile(dir_ / "outside/keep/precious.txt", "keep");
  const auto decoy = Snapshot(dir_ / "outside");
  const std::string list = Data("Tiffmono/rvc1.cfg");
  const std::string original = ReadFile(list);
  struct Case {
    std::string folder;   // Mono1's Folder= in the list file, or
    std::string iniName;  // an ini file planted into the rebuilt Approval flavour
    std::string reason;
  };
  const std::vector<Case> cases = {
      {"../../../outside", "", "the dispatcher folder \"../../../outside\" holds a path separator"},
      {dir_ / "outside", "", "holds a path separator"},
      {"/", "", "holds a path separator"},
      {"", "", "the dispatcher folder \"\" is empty"},
      {".", "", "the dispatcher folder \".\" names no folder of its own"},
      {"..", "", "the dispatcher folder \"..\" names no folder of its own"},
      {"Ctp\x01", "", "the dispatcher folder \"Ctp\\x01\" holds a control character"},
      {"", "zv.._dispatcher.ini", "the dispatcher folder \"..\" names no folder of its own"},
      {"", "zv._dispatcher.ini", "the dispatcher folder \".\" names no folder of its own"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reason);
    const std::string name = c.iniName.empty() ? "Mono1" : "Ghost";
    std::string text = original;
    if (c.iniName.empty()) text.replace(text.find("Folder=CtP_platedriver"), 22, "Folder=" + c.folder);
    WriteFile(list, text);
    if (!c.iniName.empty()) WriteFile(Data("Approval/data/" + c.iniName), "[Ravlin]\npapname=Ghost_AT\n");
    const auto before = Snapshot(root_ + "data");

    Result listed = Run({"list"});
    EXPECT_EQ(listed.exitCode, 0) << listed.err;
    EXPECT_TRUE(Has(listed.out, "  " + name + "  ")) << listed.out;
    EXPECT_TRUE(Has(listed.err, c.reason)) << listed.err;
    EXPECT_EQ(Words(Lines(Run({"list", "-f", "Proof"}).out)[0])[1], "Proofer");
    Result shown = Refused({"show", name}, "ravlinctl: dispatcher " + name + " cannot be loaded: ");
    EXPECT_EQ(shown.out, "");
    Refused({"delete", "--yes", name}, c.reason);

    EXPECT_EQ(Snapshot(root_ + "data"), before);
    EXPECT_EQ(Snapshot(dir_ / "outside"), decoy);
    if (!c.iniName.empty()) fs::remove(Data("Approval/data/" + c.iniName));
  }
  WriteFile(list, original);

  // A link on the way out is not followed: the dispatcher folder as a link goes alone, and
  // a link in place of the ini files' folder stops the deletion before anything goes.
  fs::rename(Data("Tiffmono/CtP_platedriver"), dir_ / "outside/CtP_platedriver");
  fs::create_symlink(dir_ / "outside/CtP_platedriver", Data("Tiffmono/CtP_platedriver"));
  const auto linked = Snapshot(dir_ / "outside");
  fs::rename(Data("Tiffmono/data"), dir_ / "inis");
  fs::create_symlink(dir_ / "inis", Data("Tiffmono/data"));
  Refused({"delete", "--yes", "Mono1"}, "Tiffmono/data on its way is a symbolic link");
  EXPECT_TRUE(fs::is_symlink(Data("Tiffmono/CtP_platedriver")));
  fs::remove(Data("Tiffmono/data"));
  fs::rename(dir_ / "inis", Data("Tiffmono/data"));
  Result deleted = Run({"delete", "--yes", "Mono1"});
  EXPECT_EQ(deleted.exitCode, 0) << deleted.err;
  EXPECT_FALSE(fs::exists(Data("Tiffmono/CtP_platedriver")) || fs::is_symlink(Data("Tiffmono/CtP_platedriver")));
  EXPECT_EQ(Snapshot(dir_ / "outside"), linked);
}

// One flavour or dispatcher that cannot be loaded (an ini file left without its folder, a
// list file without dispatchers) is reported; the rest loads and works.
TEST_F(RavlinctlTest, WhatCannotBeLoadedIsListedAsBrokenAndTheRestWorks) {
  WriteFile(Data("Approval/data/zvPlatesetter_2_dispatcher.ini"), "[Ravlin]\npapname=Half_AT\n");
  WriteFile(Data("Proof/rvc1.cfg"), "[Main]\nNrConfigs=0\n");
  const std::string proofFailed = "flavour Proof cannot be loaded: Configuration " + Data("Proof/rvc1.cfg") + " failed";

  Result listed = Run({"list"});
  EXPECT_EQ(listed.exitCode, 0) << listed.err;
  const auto rows = Lines(listed.out);
  EXPECT_NE(std::find_if(rows.begin(), rows.end(),
                         [](const std::string& row) {
                           return Words(row) ==
                                  std::vector<std::string>{"Approval", "Half", "broken", "Platesetter_2", "-", "-"};
                         }),
            rows.end())
      << listed.out;
  EXPECT_TRUE(Has(listed.err, "ravlinctl: Approval: dispatcher skipped: Configuration Platesetter_2 failed: ")) << listed.err;
  EXPECT_TRUE(Has(listed.err, "ravlinctl: " + proofFailed + "\n")) << listed.err;
  EXPECT_TRUE(Has(Run({"list", "--json"}).out, "{\"flavour\": \"Approval\", \"name\": \"Half\", \"folder\": "
                                               "\"Platesetter_2\", \"broken\": true, \"reason\": \"Configuration "))
      << Run({"list", "--json"}).out;
  Result flavours = Run({"flavours", "--json"});
  EXPECT_TRUE(JsonChecker::Valid(flavours.out)) << flavours.out;
  EXPECT_TRUE(Has(flavours.out, "{\"key\": \"Proof\", \"name\": \"Ravlin Proof\", \"broken\": true")) << flavours.out;
  const auto flavourRows = Lines(Run({"flavours"}).out);
  EXPECT_EQ(Words(flavourRows.back()), (std::vector<std::string>{"Proof", "-", "broken", "Ravlin", "Proof"}));

  Result other = Run({"list", "-f", "Tiffmono"});
  EXPECT_EQ(other.exitCode, 0);
  EXPECT_EQ(other.err, "");
  EXPECT_EQ(Lines(other.out).size(), 3u);
  Refused({"list", "-f", "Proof"}, proofFailed);
  Result created = Run({"create", "-f", "Approval", "-t", "Platesetter", "-n", "Plate2"});
  EXPECT_EQ(created.exitCode, 0) << created.err;
  Result deleted = Run({"delete", "--yes", "ApprPlate"});
  EXPECT_EQ(deleted.exitCode, 0) << deleted.err;
  EXPECT_FALSE(Exists("Approval/Platesetter"));
}

// Names with bytes that are no UTF-8 are escaped in JSON (the Latin-1 reading as \u00XX);
// a control character in a name (a NUL here) makes the dispatcher broken, shown escaped,
// and the plain listing goes on after it.
TEST_F(RavlinctlTest, OddBytesInNamesKeepTheOutputWhole) {
  const std::string list = Data("Tiffmono/rvc1.cfg");
  std::string text = ReadFile(list);
  text.replace(text.find("Name=Mono1\n"), 11, "Name=Mon\xe9\n");
  text.replace(text.find("Name=Mono3_OrvaTiffsetter"), 25, std::string("Name=Mo\0no\xc3\xa9", 12));
  WriteFile(list, text);

  Result json = Run({"list", "--json"});
  EXPECT_EQ(json.exitCode, 0);
  EXPECT_TRUE(JsonChecker::Valid(json.out)) << json.out;
  EXPECT_TRUE(Has(json.out, "\"name\": \"Mon\\u00e9\"")) << json.out;
  EXPECT_TRUE(Has(json.out, "\"name\": \"Mo\\u0000no\xc3\xa9\"")) << json.out;
  size_t high = 0;
  for (char c : json.out) high += static_cast<unsigned char>(c) >= 0x80;
  EXPECT_EQ(high, 4u);  // only the valid "\xc3\xa9", in the name and in the reason

  Result plain = Run({"list"});
  EXPECT_EQ(Lines(plain.out).size(), 9u) << plain.out;
  EXPECT_TRUE(Has(plain.out, "Tiffmono  Mo\\x00no\xc3\xa9")) << plain.out;
  EXPECT_TRUE(Has(plain.out, "Dedezi")) << plain.out;
  EXPECT_TRUE(Has(plain.err, "the dispatcher name \"Mo\\x00no\xc3\xa9\" holds a control character")) << plain.err;
}

// Each damage adds its finding to those of the damages before it; the doctor itself
// changes nothing.
TEST_F(RavlinctlTest, DoctorNamesEachProblemWithItsFileAndFix) {
  // Loading the flavours traces as for any listing; nothing else may change.
  auto files = [this] {
    auto snapshot = Snapshot(root_);
    snapshot.erase("config/trace_rvc.txt");
    return snapshot;
  };
  const auto before = files();
  Result healthy = Run({"doctor"});
  EXPECT_EQ(healthy.exitCode, 0) << healthy.out << healthy.err;
  EXPECT_EQ(healthy.out, "The installation is healthy.\n");
  EXPECT_TRUE(files() == before);

  auto replace = [](const std::string& path, const std::string& from, const std::string& to) {
    std::string text = ReadFile(path);
    const size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos) << path;
    WriteFile(path, text.replace(at, from.size(), to));
  };
  const struct {
    std::function<void()> damage;
    std::string check;
    std::string file;  // the end of the file named
  } cases[] = {
      {[&] { fs::rename(Data("Proof/Proof"), Data("Proof/Moved")); }, "dispatcher", "data/Proof/Proof"},
      {[&] { fs::copy_file(Data("Tiffmono/data/zvTiffmono_dispatcher.ini"), Data("Tiffmono/data/zvX_dispatcher.ini")); },
       "dispatcher", "zvX_dispatcher.ini"},
      {[&] { replace(Data("Tiffmono/rvc1.cfg"), "Base=1", "Base=0"); }, "ports", "Tiffmono/rvc1.cfg"},
      {[&] { replace(Data("Dedezi/rvc1.cfg"), "Folder=Sheetfed_Plate", "Folder=../x"); }, "dispatcher",
       "Dedezi/rvc1.cfg"},
      {[&] { WriteFile(Data("Proof/.rvc1.cfg.rvctmpAb12Cd"), ""); }, "debris", ".rvc1.cfg.rvctmpAb12Cd"},
      {[&] { WriteFile(Data("Tiffmono/Tiffmono/data/swap_0.tmp"), ""); }, "debris", "swap_0.tmp"},
      {[&] { WriteFile(root_ + "desktop/Mono 10.1 dispatcher.desktop.x1Y2z3", ""); }, "debris", ".desktop.x1Y2z3"},
      {[&] {
         WriteFile(root_ + "desktop/Mono 10.1 dispatcher.desktop",
                   "[Desktop Entry]\nType=Application\nName=Mono\nExec=/nonexistent/rip Tiffmono \"Mono\"\n");
       },
       "launcher", "Mono 10.1 dispatcher.desktop"},
      {[&] { fs::remove(root_ + "config/rvc.dat"); }, "catalogue", "config/rvc.dat"},
      {[&] { replace(root_ + "environment", "KW_DATA_RAVLINCONFIG=", "#"); }, "environment", "environment"},
  };
  for (const auto& c : cases) {
    c.damage();
    Result json = Run({"doctor", "--json"});
    EXPECT_EQ(json.exitCode, 1) << c.file;
    EXPECT_TRUE(JsonChecker::Valid(json.out)) << json.out;
    EXPECT_TRUE(Has(json.out, "{\"check\": \"" + c.check + "\", \"file\": \"")) << c.check << json.out;
    EXPECT_TRUE(Has(json.out, c.file + "\", \"problem\": ")) << c.file << json.out;
    Result plain = Run({"doctor"});
    EXPECT_EQ(plain.exitCode, 1);
    EXPECT_TRUE(Has(plain.out, "  fix:  ")) << plain.out;
  }
  // The other subcommands, which cannot load anything now, tell the doctor's findings.
  Result list = Run({"list"});
  EXPECT_EQ(list.exitCode, 1);
  EXPECT_TRUE(Has(list.err, "KW_DATA_RAVLINCONFIG is not set: " + root_ + "environment\n  fix: set ")) << list.err;
}

}  // namespace

namespace {

TEST_F(RavlinctlTest, ASecondWriterIsRefusedNamingTheHolderWhileReadersGoOn) {
  {
    // This test process holds the lock, as another program would.
    rvc::test::ScopedEnv config("KW_DATA_RAVLINCONFIG", root_ + "config");
    rvc::store::CInstallationLock lock("test holder");
    const Result refused = Refused({"create", "--flavour", "Approval", "--type", "Platesetter"},
                                   "the installation is being changed by process " + std::to_string(::getpid()));
    EXPECT_TRUE(Has(refused.err, "test holder)")) << refused.err;
    EXPECT_FALSE(Exists("Approval/Platesetter_2"));
    EXPECT_EQ(Run({"list"}).exitCode, 0);
  }
  EXPECT_EQ(Run({"create", "--flavour", "Approval", "--type", "Platesetter"}).exitCode, 0);
  const Result recover = Run({"recover"});
  EXPECT_EQ(recover.exitCode, 0);
  EXPECT_EQ(recover.out, "nothing to recover\n");
}

TEST_F(RavlinctlTest, TwoConcurrentCreatesNeverShareAPortSeparatorPortsOrName) {
  const std::string approval = Data("Approval");
  const std::string pristine = dir_ / "pristine";
  fs::copy(approval, pristine, fs::copy_options::recursive);
  for (int round = 0; round < 100; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    // Odd rounds ask twice for the same name.
    const std::vector<std::string> names{"AA", round % 2 == 1 ? "AA" : "BB"};
    Result results[2];
    auto create = [&](int i) {
      const std::string scratch = dir_ / ("run" + std::to_string(i) + "/");
      fs::create_directories(scratch);
      rvc::test::ProgramRun run{RAVLINCTL_PROGRAM,
                                {"create", "--flavour", "Approval", "--type", "Platesetter", "--name", names[i]},
                                {{"RAVLIN_ENVIRONMENT_FILE", root_ + "environment"}},
                                scratch};
      results[i] = rvc::test::RunProgram(run);
    };
    std::thread other(create, 1);
    create(0);
    other.join();
    const int created = (results[0].exitCode == 0) + (results[1].exitCode == 0);
    EXPECT_EQ(created, names[0] == names[1] ? 1 : 2) << results[0].err << results[1].err;

    std::set<std::string> seenNames, separators, ports, folders;
    const auto rows = Lines(Run({"list", "--flavour", "Approval"}).out);
    for (const std::string& row : rows) {
      const auto words = Words(row);
      ASSERT_EQ(words.size(), 6u) << row;
      EXPECT_TRUE(seenNames.insert(words[1]).second) << row;
      EXPECT_TRUE(folders.insert(words[3]).second) << row;
      EXPECT_TRUE(separators.insert(words[4]).second) << row;
      EXPECT_TRUE(ports.insert(words[5]).second) << row;
    }
    EXPECT_EQ(rows.size(), 2u + static_cast<size_t>(created));
    fs::remove_all(approval);
    fs::copy(pristine, approval, fs::copy_options::recursive);
  }
}

}  // namespace

// env, folders, swap and config: the pages of the Modify dialog from the shell, one step
// after the other on the same copy. Each step's output (standard output or error) holds
// `says`, and afterwards the dispatcher's `file` holds `holds`.
TEST_F(RavlinctlTest, SettingsPagesFromTheShell) {
  struct Step {
    std::vector<std::string> arguments;
    int exitCode;
    std::string says;
    std::string file;  // in Tiffmono/CtP_platedriver/data/
    std::string holds;
  };
  const std::string ini = "zvCtP_platedriver_dispatcher.ini";
  const std::vector<Step> steps = {
      {{"env", "Mono1", "list"}, 0, "RIP_MEMORY=512  # Memory of the RIP in MB\n", "", ""},
      {{"env", "Mono1", "list", "--json"}, 0, "{\"name\": \"RIP_MEMORY\", \"value\": \"512\"", "", ""},
      {{"env", "Mono1", "set", "RIP_MEMORY", "1024", "--comment", "MB"}, 0, "", ini, ";@ MB\nRIP_MEMORY=1024\n"},
      {{"env", "Mono1", "set", "KW_EXTRA"}, 0, "", ini, "\nKW_EXTRA=\n"},
      {{"env", "Mono1", "unset", "KW_PROG_JOBSCRIPTS"}, 0, "", ini, "KW_DATA_SPOOL"},
      {{"env", "Mono1", "unset", "KW_PROG_JOBSCRIPTS"}, 1, "Mono1 has no environment variable KW_PROG_JOBSCRIPTS", "", ""},
      {{"env", "Mono1", "rename", "A"}, 2, "unknown action rename (one of list, set, unset)", "", ""},
      {{"folders", "Mono1", "--ldir2", "/var/rip/two"}, 0, "", ini, "ldir2=/var/rip/two/\n"},
      {{"folders", "Mono1", "--json"}, 0, "\"ldir2\": \"/var/rip/two/\"", "", ""},
      {{"swap", "Mono1", "list"}, 0, "1  %kw_data_tamrix%\\ctp_platedriver\\swapfiles\\channel1\n", "", ""},
      {{"swap", "Mono1", "add", "1", "/var/swap"}, 0, "", "swap_1.sfd", "channel1\n/var/swap\n[volatile]\n"},
      {{"swap", "Mono1", "add", "1", "/VAR/SWAP"}, 1, "/VAR/SWAP is in swap file 1 of Mono1 already", "", ""},
      {{"swap", "Mono1", "remove", "2", "%KW_DATA_TAMRIX%\\CtP_platedriver\\swapfiles\\channel2"}, 1,
       "You can not delete this swapfile", "swap_2.sfd", "channel2"},
      {{"swap", "Mono1", "remove", "1", "/var/swap"}, 0, "", "swap_1.sfd", "[persistent]\n%kw_data_tamrix%\\ctp_platedriver\\swapfiles\\channel1\n[volatile]"},
      {{"swap", "Mono1", "add", "3", "/x"}, 2, "CHANNEL is 0, 1 or 2", "", ""},
      {{"config", "Mono1", "list"}, 0, "Standard  (in use)\nmaxsize\n", "", ""},
      {{"config", "Mono1", "delete", "Standard", "--yes"}, 1,
       "You are not allowed to delete the default or the last configuration.", "zv_config.res", "used=Standard"},
      {{"config", "Mono1", "delete", "maxsize"}, 1, "not answered: give --yes", "zv_config.res", "confs=Standard maxsize"},
      {{"config", "Mono1", "use", "MAXSIZE"}, 0, "", "zv_config.res", "used=maxsize"},
      {{"config", "Mono1", "delete", "Standard", "--yes"}, 0, "", "zv_config.res", "confs=maxsize\n"},
      {{"config", "Mono1", "list", "--json"}, 0, "[{\"name\": \"maxsize\", \"inUse\": true}]", "", ""},
      {{"config", "Mono1", "use", "Tabloid"}, 1, "Mono1 has no configuration Tabloid", "", ""},
  };
  for (const Step& step : steps) {
    std::string shown;
    for (const std::string& argument : step.arguments) shown += argument + " ";
    const Result result = Run(step.arguments);
    EXPECT_EQ(result.exitCode, step.exitCode) << shown << result.err;
    EXPECT_TRUE(Has(result.out + result.err, step.says)) << shown << result.out << result.err;
    if (step.arguments.back() == "--json") {
      EXPECT_TRUE(JsonChecker::Valid(result.out)) << result.out;
    }
    if (!step.file.empty()) {
      EXPECT_TRUE(Has(ReadFile(Data("Tiffmono/CtP_platedriver/data/" + step.file)), step.holds)) << shown;
    }
  }
  EXPECT_TRUE(Has(Run({"env", "--help"}).out, "have no command here"));
}
