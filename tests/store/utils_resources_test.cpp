#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "core/rvc_exception.h"
#include "platform/environment.h"
#include "store/resource_db.h"
#include "store/rvc_utils.h"
#include "tests/store/rvc_error_expect.h"
#include "tests/support/test_support.h"

namespace rvc::store {
namespace {

using test::FileExists;
using test::ReadFile;
using test::ScopedEnv;
using test::TempDir;

class ResourcesTest : public ::testing::Test {
 protected:
  // Creates a database with `topics`, each a list of item name/value pairs.
  std::string Db(const std::string& relative,
                 const std::vector<std::pair<std::string, std::vector<std::pair<std::string, std::string>>>>& topics) {
    std::string path = dir / relative;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    ResourceDb db = ResourceDb::Create(path);
    for (const auto& [topic, items] : topics) {
      db.AddTopic(topic);
      for (const auto& [item, value] : items) db.AddItem(topic, item, value);
    }
    db.Flush();
    return path;
  }

  void Expect109(const std::string& path, const std::function<void()>& call) {
    ExpectRvcError(call, 109, "RDB error " + path);
  }

  TempDir dir;
  CRvcUtils utils;
  ScopedEnv noInstallation{"RAVLIN_ENVIRONMENT_FILE", dir / "no-environment"};
  ScopedEnv traceFolder{"KW_DATA_RAVLINCONFIG", dir.Path()};
};

TEST_F(ResourcesTest, PavoNetCommandPort) {
  std::string ini = Db("zvA_dispatcher.ini", {{"Main", {}}, {"pavonet", {{"CommandPort", "4711"}}}});
  EXPECT_EQ(utils.GetPavoNetCommandPort(ini), 4711);
  std::string without = Db("zvB_dispatcher.ini", {{"PavoNet", {{"other", "1"}}}});
  EXPECT_EQ(utils.GetPavoNetCommandPort(without), -1);
  Expect109(dir / "missing.ini", [&] { utils.GetPavoNetCommandPort(dir / "missing.ini"); });
}

TEST_F(ResourcesTest, SetEnvironmentItemModifiesAddsAndCreatesTheTopic) {
  std::string ini = Db("a.ini", {{"Main", {{"x", "1"}}}, {"environment", {{"VDP_MODE", "VDP"}}}});
  utils.SetEnvironmentItem(ini, "vdp_mode", "STATIC");
  utils.SetEnvironmentItem(ini, "KW_CPU", "2");
  auto db = ResourceDb::Open(ini);
  ASSERT_TRUE(db);
  EXPECT_EQ(db->Find("environment", "VDP_MODE"), "STATIC");
  EXPECT_EQ(db->Find("environment", "KW_CPU"), "2");
  EXPECT_EQ(db->ItemCount("environment"), 2);
  EXPECT_EQ(db->Find("Main", "x"), "1");

  std::string bare = Db("b.ini", {{"Main", {}}});
  utils.SetEnvironmentItem(bare, "VDP_MODE", "VDP");
  db = ResourceDb::Open(bare);
  ASSERT_TRUE(db);
  EXPECT_EQ(db->Find("environment", "VDP_MODE"), "VDP");
  Expect109(dir / "missing.ini", [&] { utils.SetEnvironmentItem(dir / "missing.ini", "a", "b"); });
  EXPECT_FALSE(FileExists(dir / "missing.ini"));
}

TEST_F(ResourcesTest, GetResourcePathFallsBackToAllAndExpands) {
  ScopedEnv prog("RVC_TEST_PROG", "/opt/prog");
  std::string types =
      Db("dat/types.dat",
         {{"All", {{"generaldll", "%RVC_TEST_PROG%\\bin\\general.so"}, {"backupdll", "\"/opt/x/backup.so\""}}},
          {"Press", {{"generaldll", "%RVC_TEST_PROG%\\bin\\press.so"}}}});
  EXPECT_EQ(utils.GetResourcePath(types, "Press", "generaldll"), "/opt/prog/bin/press.so");
  EXPECT_EQ(utils.GetResourcePath(types, "Proof", "generaldll"), "/opt/prog/bin/general.so");
  EXPECT_EQ(utils.GetResourcePath(types, "Press", "backupdll"), "/opt/x/backup.so") << "quotes removed";
  EXPECT_EQ(utils.GetResourcePath(types, "Press", "nothing"), "");
  Expect109(dir / "dat/missing.dat", [&] { utils.GetResourcePath(dir / "dat/missing.dat", "Press", "x"); });

  ScopedEnv longValue("RVC_TEST_LONG", std::string(300, 'x'));
  std::string longTypes = Db("dat/long.dat", {{"All", {{"generaldll", "%RVC_TEST_LONG%"}}}});
  ExpectRvcError([&] { utils.GetResourcePath(longTypes, "Press", "generaldll"); }, 108,
                 "Failed to expand environment string %RVC_TEST_LONG%");
}

// The C library stands in for a plug-in: it is a shared object every test can load.
std::string SharedLibraryPath() {
  Dl_info info{};
  if (::dladdr(reinterpret_cast<void*>(&std::printf), &info) == 0 || info.dli_fname == nullptr) return "";
  return info.dli_fname;
}

TEST_F(ResourcesTest, LoadPluginLibraryLoadsByFullPathAndExtendsPath) {
  std::string library = SharedLibraryPath();
  ASSERT_FALSE(library.empty());
  ASSERT_EQ(library.front(), '/');
  std::string folder = library.substr(0, library.rfind('/') + 1);
  ScopedEnv path("PATH", "/usr/bin");
  std::string types = Db("dat/types.dat", {{"All", {{"dispatcherdll", library}}}, {"Press", {}}});

  auto loaded = utils.LoadPluginLibrary(dir / "DAT/TYPES.DAT", "Press", "dispatcherdll");
  ASSERT_NE(loaded, nullptr);
  EXPECT_NE(loaded->Symbol("printf"), nullptr);
  EXPECT_EQ(platform::GetEnv("PATH"), "/usr/bin:" + folder);

  auto again = utils.LoadPluginLibrary(types, "Press", "dispatcherdll");
  EXPECT_NE(again, nullptr);
  EXPECT_EQ(platform::GetEnv("PATH"), "/usr/bin:" + folder) << "a folder is added once";
}

TEST_F(ResourcesTest, LoadPluginLibraryGivesNothingWhenThereIsNothingToLoad) {
  ScopedEnv path("PATH", "/usr/bin");
  EXPECT_EQ(utils.LoadPluginLibrary(dir / "dat/missing.dat", "Press", "generaldll"), nullptr);
  std::string types = Db("dat/types.dat", {{"All", {{"generaldll", (dir / "bin/missing.so")}}}, {"Press", {}}});
  EXPECT_EQ(utils.LoadPluginLibrary(types, "Press", "otherdll"), nullptr) << "no item";
  EXPECT_EQ(platform::GetEnv("PATH"), "/usr/bin");

  EXPECT_EQ(utils.LoadPluginLibrary(types, "Press", "generaldll"), nullptr);
  std::string trace = ReadFile(dir / "trace_rvc.txt");
  EXPECT_NE(trace.find("RVC::LoadLibrary " + (dir / "bin/missing.so") + " failed: "), std::string::npos) << trace;
  EXPECT_EQ(platform::GetEnv("PATH"), "/usr/bin:" + (dir / "bin/"));
}

TEST_F(ResourcesTest, TopicCountsAndListsSkipTheFirstTopic) {
  std::string file = Db("RAVConfig.cfg", {{"Header", {{"Resolution", "0"}}},
                                          {"Fine", {{"Resolution", "2400"}}},
                                          {"Draft", {{"other", "x"}}},
                                          {"Coarse", {{"resolution", "600"}}}});
  EXPECT_EQ(CRvcUtils::CountTopics(file), 4);
  EXPECT_EQ(CRvcUtils::ListTopicNames(file), (std::vector<std::string>{"Fine", "Draft", "Coarse"}));
  EXPECT_EQ(CRvcUtils::ListItemValues(file, "Resolution"), (std::vector<std::string>{"2400", "", "600"}));

  std::string empty = Db("empty.cfg", {});
  EXPECT_EQ(CRvcUtils::CountTopics(empty), 0);
  EXPECT_TRUE(CRvcUtils::ListTopicNames(empty).empty());

  EXPECT_EQ(CRvcUtils::CountTopics(dir / "missing.cfg"), -1);
  EXPECT_TRUE(CRvcUtils::ListTopicNames(dir / "missing.cfg").empty());
  EXPECT_TRUE(CRvcUtils::ListItemValues(dir / "missing.cfg", "Resolution").empty());
}

}  // namespace
}  // namespace rvc::store
