#include "store/resource_db.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frame/rvc_exception.h"
#include "tests/support/test_support.h"

namespace rvc::store {
namespace {

ResourceDb ParseText(const std::string& text) { return ResourceDb::Parse(text, "/nowhere/test.res"); }

TEST(ResourceDbRead, TopicsItemsAndValues) {
  ResourceDb db = ParseText(
      "; header comment\n"
      "[Main]\n"
      "NrConfigs=3\n"
      "Name = \"quoted; value\" \n"
      "\n"
      "[Second] trailing text\n"
      "path=C:\\x=y\n");
  ASSERT_EQ(db.TopicCount(), 2);
  EXPECT_EQ(db.TopicAt(0), "Main");
  EXPECT_EQ(db.TopicAt(1), "Second");
  EXPECT_EQ(db.TopicAt(2), std::nullopt);
  EXPECT_EQ(db.ItemCount("main"), 2);
  EXPECT_EQ(db.ItemAt("MAIN", 1), "Name");
  EXPECT_EQ(db.Find("main", "nrconfigs"), "3");
  EXPECT_EQ(db.FindInt("Main", "NrConfigs"), 3);
  EXPECT_EQ(db.Find("Main", "Name"), " \"quoted; value\" ");
  EXPECT_EQ(db.Find("Second", "path"), "C:\\x=y");
  EXPECT_EQ(db.ItemCount("Missing"), 0);
  EXPECT_EQ(db.Find("Main", "Missing"), std::nullopt);
  EXPECT_FALSE(db.HasTopic("Third"));
}

TEST(ResourceDbWrite, NewDatabaseWritesPlainLines) {
  ResourceDb db = ResourceDb::Create("/nowhere/new.res");
  db.AddTopic("Main", "the main topic");
  db.AddItem("Main", "papname", "Disp1", "");
  db.Set("Main", "Count", "2");
  db.Set("Other", "x", "");
  EXPECT_EQ(db.Serialize(),
            ";@ the main topic\n"
            "[Main]\n"
            "papname=Disp1\n"
            "Count=2\n"
            "[Other]\n"
            "x=\n");
}

TEST(ResourceDbRoundTrip, UnchangedFileIsByteIdentical) {
  const std::vector<std::string> files = {
      "",
      "[A]\nx=1",
      "\xEF\xBB\xBF[A]\r\nx=1\r\n\r\n",
      "junk before\nx=1\n;@ note\n[A]\n x = 2 \n[A]\nx=3\n\n; end\n",
      "[A]\nx=1\r",
  };
  for (const std::string& file : files) {
    EXPECT_EQ(ParseText(file).Serialize(), file);
  }
}

}  // namespace
}  // namespace rvc::store
