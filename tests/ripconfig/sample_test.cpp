// The configurations of the bundled sample installation's dispatchers.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "ripconfig/ravlcfg.h"
#include "tests/support/test_support.h"

namespace rvc::ripconfig {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::Snapshot;
using test::TempDir;

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) text += line + "\n";
  return text;
}

// Every <flavour>/<folder>/data/zv_config.res below sample/data.
std::vector<std::string> SampleConfigs() {
  std::vector<std::string> configs;
  fs::path data = fs::path(RVC_SOURCE_DIR) / "sample" / "data";
  if (!fs::is_directory(data)) return configs;
  for (const auto& flavour : fs::directory_iterator(data)) {
    if (!flavour.is_directory()) continue;
    for (const auto& folder : fs::directory_iterator(flavour.path())) {
      fs::path config = folder.path() / "data" / "zv_config.res";
      if (fs::is_regular_file(config)) configs.push_back(config.string());
    }
  }
  std::sort(configs.begin(), configs.end());
  return configs;
}

// The sample's first layout numbered its media topics under a "Main" list.
bool UsesNumberedMediaTopics(const std::string& config) {
  fs::path folder = fs::path(config).parent_path();
  for (const char* name : {"zv_film.res", "zv_plate.res"}) {
    if (ReadFile((folder / name).string()).find("[Main]") != std::string::npos) return true;
  }
  return false;
}


class SampleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    configs = SampleConfigs();
    if (configs.empty()) GTEST_SKIP() << "no sample installation";
    for (const std::string& config : configs) {
      if (UsesNumberedMediaTopics(config)) GTEST_SKIP() << config << ": media still in numbered topics";
    }
  }

  std::vector<std::string> configs;
};

TEST_F(SampleTest, EveryDispatcherReadsWithoutProblems) {
  for (const std::string& config : configs) {
    SCOPED_TRACE(config);
    RavlcfgHandle* handle = ravlcfg_open(config);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(ravlcfg_get_nr_errors(handle), 0) << Joined(ravlcfg_get_errormessages(handle));
    EXPECT_EQ(ravlcfg_get_nr_warnings(handle), 0) << Joined(ravlcfg_get_warningmessages(handle));
    ravlcfg_set_lists(handle);
    const BaseRecord& base = *ravlcfg_get_base(handle);
    EXPECT_GT(base.nrConfs, 0);
    EXPECT_GT(base.nrFilms, 0);
    EXPECT_GT(base.nrSets, 0);
    EXPECT_GT(ravlcfg_get_nrnames(handle), 0);
    EXPECT_NE(ravlcfg_getresinfo(handle, base.usedConf), nullptr);
    EXPECT_GT(ravlcfg_get_rec(handle)->maxWidth, 0);
    EXPECT_GT(ravlcfg_get_rec(handle)->maxHeight, 0);
    for (const ResolutionSet* set : ravlcfg_get_sets(handle)) EXPECT_GT(set->Count(), 0) << set->name;
    for (const FilmRecord* film : ravlcfg_get_films(handle)) {
      EXPECT_GT(film->verticalSize, 0) << film->name;
      EXPECT_LE(film->verticalSize, ravlcfg_get_rec(handle)->maxHeight) << film->name;
      EXPECT_LE(film->horizontalSize, ravlcfg_get_rec(handle)->maxWidth) << film->name;
    }
    ravlcfg_close(&handle);
  }
}

TEST_F(SampleTest, ACopyTakesChangesAndReadsThemBack) {
  for (const std::string& config : configs) {
    SCOPED_TRACE(config);
    TempDir dir;
    fs::copy(fs::path(config).parent_path(), dir.Path(), fs::copy_options::recursive);
    std::string copy = dir / "zv_config.res";
    auto before = Snapshot(dir.Path());

    RavlcfgHandle* handle = ravlcfg_open(copy);
    ASSERT_NE(handle, nullptr);
    ASSERT_EQ(ravlcfg_gain_writelock(handle, 0), 1);
    ASSERT_EQ(ravlcfg_write(handle), 1);
    EXPECT_TRUE(Snapshot(dir.Path()) == before) << "a write without changes touches nothing";

    const std::string set = ravlcfg_get_sets(handle)[0]->name;
    ResolutionEntry* entry = ravlcfg_add_resolution(handle, set);
    ASSERT_NE(entry, nullptr);
    entry->dpi = 4321.5;
    ConfigRecord* conf = ravlcfg_get_new_conf(handle);
    conf->name = "Copy_test";
    conf->TakeMediaValues(*ravlcfg_get_films(handle)[0]);
    conf->film = ravlcfg_get_films(handle)[0]->name;
    conf->set = set;
    ASSERT_EQ(ravlcfg_set_used_conf(handle, "Copy_test"), 1);
    ASSERT_EQ(ravlcfg_write(handle), 1) << Joined(ravlcfg_get_errormessages(handle));
    ravlcfg_close(&handle);

    auto after = Snapshot(dir.Path());
    EXPECT_EQ(after.size(), before.size()) << "no file is left behind";
    for (const auto& [file, bytes] : before) {
      if (file != "zv_config.res") {
        EXPECT_EQ(after[file], bytes) << file;
      }
    }
    handle = ravlcfg_open(copy);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(ravlcfg_get_nr_errors(handle), 0) << Joined(ravlcfg_get_errormessages(handle));
    EXPECT_EQ(ravlcfg_exist_resolution(handle, set, 4321.5), 1);
    EXPECT_EQ(ravlcfg_get_base(handle)->usedConf, "Copy_test");
    ravlcfg_close(&handle);
  }
}

}  // namespace
}  // namespace rvc::ripconfig
