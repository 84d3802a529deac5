#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/time.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "core/rvc_exception.h"
#include "store/resource_db.h"
#include "store/rvc_utils.h"
#include "tests/store/rvc_error_expect.h"
#include "tests/support/test_support.h"

namespace rvc::store {
namespace {

using test::FileExists;
using test::ReadFile;
using test::TempDir;

struct Item {
  std::string name, value, comment;
};
struct Topic {
  std::string name, comment;
  std::vector<Item> items;
};
using Content = std::vector<Topic>;

void WriteDb(const std::string& path, const Content& content) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  ResourceDb db = ResourceDb::Create(path);
  for (const Topic& topic : content) {
    db.AddTopic(topic.name, topic.comment);
    for (const Item& item : topic.items) db.AddItem(topic.name, item.name, item.value, item.comment);
  }
  db.Flush();
}

Content ReadDb(const std::string& path) {
  Content content;
  auto db = ResourceDb::Open(path);
  if (!db) {
    ADD_FAILURE() << "cannot open " << path;
    return content;
  }
  for (int t = 0; t < db->TopicCount(); ++t) {
    Topic topic{*db->TopicAt(t), db->TopicComment(*db->TopicAt(t)).value_or(""), {}};
    for (int i = 0; i < db->ItemCount(topic.name); ++i) {
      std::string name = *db->ItemAt(topic.name, i);
      topic.items.push_back(
          {name, db->Find(topic.name, name).value_or("?"), db->FindItemComment(topic.name, name).value_or("")});
    }
    content.push_back(std::move(topic));
  }
  return content;
}

// Values only, for comparisons where comments do not matter.
std::string Describe(const Content& content, bool withComments = false) {
  std::string out;
  for (const Topic& topic : content) {
    out += "[" + topic.name + "]" + (withComments ? " ;" + topic.comment : "") + "\n";
    for (const Item& item : topic.items) {
      out += item.name + "=" + item.value + (withComments ? " ;" + item.comment : "") + "\n";
    }
  }
  return out;
}

// Sets the file's modification time far into the past, to see whether it is rewritten.
void Age(const std::string& path) {
  struct timeval times[2] = {{1000000000, 0}, {1000000000, 0}};
  ASSERT_EQ(::utimes(path.c_str(), times), 0);
}

bool WasRewritten(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && st.st_mtime != 1000000000;
}

const Content kTemplate = {
    {"Main", "", {{"a", "1", ""}, {"b", "2", ""}, {"c", "3", "template comment"}}},
    {"Old", "old topic", {{"x", "1", ""}}},
};
const Content kCustomised = {
    {"Main", "", {{"a", "1", ""}, {"b", "20", "kept?"}, {"d", "4", ""}}},
    {"New", "", {{"y", "5", ""}, {"z", "", ""}}},
};

class DifferenceTest : public ::testing::Test {
 protected:
  TempDir dir;
  CRvcUtils utils;
  std::string templ = dir / "templates/zv_config.res";
  std::string customised = dir / "Press/data/zv_config.res";
};

TEST_F(DifferenceTest, MakeRecordsChangedAddedAndRemovedEntries) {
  WriteDb(templ, kTemplate);
  WriteDb(customised, kCustomised);
  utils.MakeDifferenceFile(templ, customised, dir / "diff.res");
  EXPECT_EQ(Describe(ReadDb(dir / "diff.res"), true),
            "[Main] ;\n"
            "b=20 ;\n"
            "d=4 ;\n"
            "c=removed ;removed item\n"
            "[New] ;new customized topic\n"
            "y=5 ;\n"
            "z= ;\n"
            "[Old] ;removed\n"
            "removed=removed ;removed\n");
  EXPECT_FALSE(FileExists(customised + "Dif"));
}

TEST_F(DifferenceTest, DefaultNamesAreTheFileNameFollowedByDif) {
  WriteDb(templ, kTemplate);
  WriteDb(customised, kCustomised);
  // Named in another case, the file found on disk gives the name.
  utils.MakeDifferenceFile(templ, dir / "press/DATA/ZV_CONFIG.RES");
  ASSERT_TRUE(FileExists(customised + "Dif"));

  // Carried onto a fresh copy of the template, the customisation comes back.
  std::string target = dir / "Updated/data/zv_config.res";
  WriteDb(target, kTemplate);
  std::rename((customised + "Dif").c_str(), (target + "Dif").c_str());
  utils.ApplyDifferenceFile(target);
  EXPECT_EQ(Describe(ReadDb(target)), Describe(kCustomised));
  EXPECT_EQ(ReadDb(target)[1].comment, "new customized topic");
}

TEST_F(DifferenceTest, IdenticalFilesLeaveNoDifferenceFile) {
  WriteDb(templ, kTemplate);
  WriteDb(customised, kTemplate);
  test::WriteFile(customised + "Dif", "stale difference from an earlier run\n");
  utils.MakeDifferenceFile(templ, customised, "");
  EXPECT_FALSE(FileExists(customised + "Dif"));
}

TEST_F(DifferenceTest, MakeWithAMissingFileRaises109AndWritesNothing) {
  WriteDb(customised, kCustomised);
  ExpectRvcError([&] { utils.MakeDifferenceFile(dir / "templates/missing.res", customised); }, 109,
                 "RDB error " + (dir / "templates/missing.res"));
  EXPECT_FALSE(FileExists(customised + "Dif"));
  WriteDb(templ, kTemplate);
  EXPECT_THROW(utils.MakeDifferenceFile(templ, dir / "Press/data/missing.res"), CRvcException);
  EXPECT_FALSE(FileExists(dir / "Press/data/missing.resDif"));
}

TEST_F(DifferenceTest, ApplyToATargetThatAlreadyMatchesChangesNothingButFlushes) {
  WriteDb(templ, kTemplate);
  WriteDb(customised, kCustomised);
  utils.MakeDifferenceFile(templ, customised);
  std::string before = ReadFile(customised);
  Age(customised);
  utils.ApplyDifferenceFile(customised);
  EXPECT_EQ(ReadFile(customised), before);
  EXPECT_TRUE(WasRewritten(customised));
}

TEST_F(DifferenceTest, ApplyWithoutADifferenceFileDoesNothingAndToAMissingTargetRaises109) {
  WriteDb(customised, kCustomised);
  std::string before = ReadFile(customised);
  Age(customised);
  utils.ApplyDifferenceFile(customised, dir / "nowhere.resDif");
  utils.ApplyDifferenceFile(customised);
  EXPECT_EQ(ReadFile(customised), before);
  EXPECT_FALSE(WasRewritten(customised));

  // A missing target is 109.
  WriteDb(dir / "diff.res", kCustomised);
  ExpectRvcError([&] { utils.ApplyDifferenceFile(dir / "missing.res", dir / "diff.res"); }, 109,
                 "RDB error " + (dir / "missing.res"));
  EXPECT_FALSE(FileExists(dir / "missing.res"));
}

TEST_F(DifferenceTest, ApplyRulesPerItem) {
  std::string target = dir / "target.res";
  WriteDb(target, {{"main", "", {{"keep", "1", "c"}, {"gone", "x", ""}, {"GONE2", "y", ""}, {"set", "old", ""}}},
                   {"Dropped", "", {{"a", "1", ""}}}});
  WriteDb(dir / "diff.res", {{"MAIN",
                              "",
                              {{"set", "new", ""},
                               {"gone", "removed", ""},
                               {"gone2", "REMOVED", ""},
                               {"added", "v", ""},
                               {"notThere", "removed", ""}}},
                             {"dropped", "removed", {{"removed", "removed", "removed"}}},
                             {"Fresh", "", {{"f", "1", ""}}},
                             {"AlsoMissing", "", {{"removed", "removed", "removed"}}}});
  utils.ApplyDifferenceFile(target, dir / "diff.res");
  // Topic names take the difference file's spelling; an item removed in the difference
  // file that the target lacks is not added.
  EXPECT_EQ(Describe(ReadDb(target), true),
            "[MAIN] ;\n"
            "keep=1 ;c\n"
            "set=new ;\n"
            "added=v ;\n"
            "[Fresh] ;new customized topic\n"
            "f=1 ;\n");
}

TEST_F(DifferenceTest, ConfsAreReconciledWithTheTargetsConfigurations) {
  std::string target = dir / "zv_config.res";
  WriteDb(target, {{"Main", "", {{"confs", "maxsize conf1", ""}}},
                   {"maxsize", "", {{"w", "1", ""}}},
                   {"conf1", "", {{"w", "1", ""}}},
                   {"conf2", "", {{"w", "2", ""}}}});
  WriteDb(dir / "diff.res", {{"Main", "", {{"Confs", "field conf1 gone CONF1 conf2 conf3  conf10", ""}}},
                             {"field", "new customized topic", {{"w", "9", ""}}},
                             {"conf2", "removed", {{"removed", "removed", "removed"}}},
                             {"conf3", "new customized topic", {{"w", "3", ""}}}});
  utils.ApplyDifferenceFile(target, dir / "diff.res");
  EXPECT_EQ(Describe(ReadDb(target)),
            "[Main]\nconfs=maxsize conf1 conf3\n"
            "[maxsize]\nw=1\n"
            "[conf1]\nw=1\n"
            "[conf3]\nw=3\n");
}

TEST_F(DifferenceTest, ConfsKeepFieldWhenTheTargetHasNoMaxsize) {
  std::string target = dir / "zv_config.res";
  WriteDb(target, {{"Main", "", {{"confs", "conf1", ""}}}, {"conf1", "", {{"w", "1", ""}}}});
  WriteDb(dir / "diff.res", {{"field", "new customized topic", {{"w", "9", ""}}},
                             {"Main", "", {{"confs", "conf1 field conf10 conf1x", ""}}},
                             {"conf10", "new customized topic", {{"w", "10", ""}}}});
  utils.ApplyDifferenceFile(target, dir / "diff.res");
  // A word already contained in the rebuilt text is dropped ("conf1" in "conf10" would
  // be; "conf1x" is no topic).
  EXPECT_EQ(Describe(ReadDb(target)),
            "[Main]\nconfs=conf1 field conf10\n"
            "[conf1]\nw=1\n"
            "[field]\nw=9\n"
            "[conf10]\nw=10\n");
}

TEST_F(DifferenceTest, ConfsWordContainedInEarlierWordIsDropped) {
  std::string target = dir / "zv_config.res";
  WriteDb(target, {{"Main", "", {{"confs", "x", ""}}}, {"conf10", "", {}}, {"conf1", "", {}}});
  WriteDb(dir / "diff.res", {{"Main", "", {{"confs", "conf10 conf1", ""}}}});
  utils.ApplyDifferenceFile(target, dir / "diff.res");
  EXPECT_EQ(ReadDb(target)[0].items[0].value, "conf10");
}

TEST_F(DifferenceTest, ConfsAreNotReconciledWhenEqualOrNew) {
  std::string target = dir / "zv_config.res";
  WriteDb(target, {{"Main", "", {{"confs", "field ghost", ""}}}, {"maxsize", "", {}}});
  WriteDb(dir / "diff.res", {{"Main", "", {{"confs", "field ghost", ""}}}, {"Other", "", {{"confs", "ghost", ""}}}});
  utils.ApplyDifferenceFile(target, dir / "diff.res");
  EXPECT_EQ(Describe(ReadDb(target)), "[Main]\nconfs=field ghost\n[maxsize]\n[Other]\nconfs=ghost\n");
}

TEST_F(DifferenceTest, ConfsValueIsLimitedTo4096Characters) {
  std::string target = dir / "zv_config.res";
  Content targetContent = {{"Main", "", {{"confs", "", ""}}}};
  std::string confs;
  for (int i = 0; i < 1000; ++i) {
    std::string name = "c" + std::to_string(1000 + i);  // 5 characters, none inside another
    targetContent.push_back({name, "", {}});
    confs += (i == 0 ? "" : " ") + name;
  }
  WriteDb(target, targetContent);
  WriteDb(dir / "diff.res", {{"Main", "", {{"confs", confs, ""}}}});
  utils.ApplyDifferenceFile(target, dir / "diff.res");
  std::string value = ReadDb(target)[0].items[0].value;
  EXPECT_EQ(value.size(), 682u * 6 - 1);
  EXPECT_EQ(value, confs.substr(0, value.size()));
}

}  // namespace
}  // namespace rvc::store
