#include "store/resource_db.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/rvc_exception.h"
#include "tests/store/rvc_error_expect.h"
#include "tests/support/test_support.h"

namespace rvc::store {
namespace {

ResourceDb ParseText(const std::string& text) { return ResourceDb::Parse(text, "/nowhere/test.res"); }

// Every topic and item name of the database, in order, as "topic: item item ...".
std::vector<std::string> Outline(const ResourceDb& db) {
  std::vector<std::string> out;
  for (int t = 0; t < db.TopicCount(); ++t) {
    std::string line = *db.TopicAt(t) + ":";
    for (int i = 0; i < db.ItemCount(*db.TopicAt(t)); ++i) line += " " + *db.ItemAt(*db.TopicAt(t), i);
    out.push_back(line);
  }
  return out;
}

TEST(ResourceDbRead, TopicsItemsAndValues) {
  ResourceDb db = ParseText(
      "; header comment\n"
      "[Main]\n"
      "NrConfigs=3\n"
      "Name = \"quoted; value\" \n"
      "\n"
      "[Second] trailing text\n"
      "path=C:\\x=y\n"
      "AQuiteLongParameterName\t=long\n"
      "[ Spaced ]\n"
      "# hash comment\n"
      "no equals sign, and longer than a short name\n"
      "[unclosed=1\n"
      "=nameless\n");
  EXPECT_EQ(Outline(db),
            (std::vector<std::string>{"Main: NrConfigs Name", "Second: path AQuiteLongParameterName", "Spaced: "}));
  EXPECT_EQ(db.TopicAt(3), std::nullopt);
  EXPECT_EQ(db.TopicAt(-1), std::nullopt);
  EXPECT_EQ(db.ItemAt("MAIN", 1), "Name");
  EXPECT_EQ(db.ItemAt("Main", 2), std::nullopt);
  EXPECT_EQ(db.Find("main", "nrconfigs"), "3");
  EXPECT_EQ(db.Find("Main", "Name"), " \"quoted; value\" ");
  EXPECT_EQ(db.Find("Second", "path"), "C:\\x=y");
  EXPECT_EQ(db.Find("Second", "aquitelongparametername"), "long");
  EXPECT_EQ(db.Find("Spaced", ""), "nameless");
  EXPECT_EQ(db.ItemCount("Missing"), 0);
  EXPECT_EQ(db.Find("Main", "Missing"), std::nullopt);
  EXPECT_EQ(db.Find("Missing", "Name"), std::nullopt);
  EXPECT_FALSE(db.HasTopic("Third"));
  EXPECT_TRUE(db.HasItem("SECOND", "PATH"));
}

TEST(ResourceDbRead, LinesBeforeTheFirstTopicAreNoItems) {
  ResourceDb db = ParseText("x=1\n;@ not a comment of anything\ny=2\n[A]\nz=3\n");
  EXPECT_EQ(Outline(db), (std::vector<std::string>{"A: z"}));
}

TEST(ResourceDbRead, CommentsAreTheNoteLinesRightAboveTheirEntry) {
  ResourceDb db = ParseText(
      ";@ of topic A\n"
      "[A]\n"
      "; ordinary comment\n"
      "plain=1\n"
      ";@  of x, with blanks \n"
      "x=1\n"
      ";@ left standing\n"
      "\n"
      "y=2\n"
      ";@\\two\\nlines \\\\ and \\q\n"
      "z=3\n"
      " ;@ indented, so ordinary\n"
      "w=4\n");
  EXPECT_EQ(db.TopicComment("a"), "of topic A");
  const std::pair<const char*, const char*> comments[] = {
      {"plain", ""}, {"x", " of x, with blanks "}, {"y", ""}, {"z", "two\nlines \\ and \\q"}, {"w", ""}};
  for (const auto& [item, comment] : comments) EXPECT_EQ(db.FindItemComment("A", item), comment) << item;
  EXPECT_EQ(db.FindItemComment("A", "missing"), std::nullopt);
  EXPECT_EQ(db.TopicComment("missing"), std::nullopt);
  EXPECT_EQ(db.ItemCount("A"), 5);
}

TEST(ResourceDbRead, EscapedTopicsAndItems) {
  ResourceDb db = ParseText(
      ";@[two\\nlines]\n"
      ";@=a\\=b = c=d\\r\\\\\n"
      ";@=no separator\\=\n");
  ASSERT_EQ(db.TopicCount(), 1);
  EXPECT_EQ(db.TopicAt(0), "two\nlines");
  EXPECT_EQ(db.ItemAt("two\nlines", 0), "a=b ");
  EXPECT_EQ(db.Find("two\nlines", "a=b "), " c=d\r\\");
  EXPECT_EQ(db.ItemCount("two\nlines"), 1);
}

TEST(ResourceDbRead, LineEndsAndBom) {
  ResourceDb crlf = ParseText("\xEF\xBB\xBF[A]\r\nx=1\r\ny=2\r");
  EXPECT_EQ(crlf.TopicAt(0), "A");
  EXPECT_EQ(crlf.Find("A", "x"), "1");
  EXPECT_EQ(crlf.Find("A", "y"), "2");
  ResourceDb inner = ParseText("[A]\nx=a\rb\r\r\n");
  EXPECT_EQ(inner.Find("A", "x"), "a\rb\r");
}

TEST(ResourceDbRead, DuplicatesAreKeptAndTheFirstIsFound) {
  ResourceDb db = ParseText("[A]\nx=1\nX=2\n[B]\n[a]\nx=3\ny=4\n");
  EXPECT_EQ(Outline(db), (std::vector<std::string>{"A: x X", "B:", "a: x X"}));
  EXPECT_EQ(db.Find("A", "x"), "1");
  EXPECT_EQ(db.HasItem("A", "y"), false);
  db.RemoveItem("A", "x");
  EXPECT_EQ(db.ItemCount("A"), 0);
  db.RemoveTopic("a");
  EXPECT_EQ(Outline(db), (std::vector<std::string>{"B:"}));
}

// A lookup remembers where it found a name; a removal in front must not leave it
// pointing at a later entry of the same name.
TEST(ResourceDbRead, FirstOfEqualNamesAfterEntriesInFrontGo) {
  ResourceDb db = ParseText("[X]\nv=0\n[A]\nv=1\nw=1\nw=2\n[A]\nv=2\n");
  EXPECT_EQ(db.Find("A", "v"), "1");
  EXPECT_EQ(db.Find("A", "w"), "1");
  db.RemoveTopic("X");
  db.RemoveItem("A", "v");
  EXPECT_EQ(db.Find("A", "w"), "1");
  EXPECT_EQ(db.FindView("a", "W"), "1");
  db.RenameTopic("A", "B");  // both of them
  EXPECT_FALSE(db.HasTopic("A"));
  EXPECT_EQ(db.Find("b", "w"), "1");
  EXPECT_EQ(db.Find("b", "v"), std::nullopt);
}

TEST(ResourceDbRead, NumbersAndQuotedValues) {
  ResourceDb db = ParseText(
      "[N]\na= -12abc\nb=+7\nc=abc\nd=\ne=99999999999999999999\nf=-\n"
      "q1=\"x y\"\nq2=\"\nq3=x\"\nq4=\"\"\n");
  EXPECT_EQ(db.FindInt("N", "a"), -12);
  EXPECT_EQ(db.FindInt("N", "b"), 7);
  for (const char* item : {"c", "d", "e", "f", "missing"}) EXPECT_EQ(db.FindInt("N", item), std::nullopt) << item;
  // By position the same, and nothing outside the topics.
  for (const char* item : {"a", "b", "c", "e"}) EXPECT_EQ(db.FindIntAt(0, item), db.FindInt("N", item)) << item;
  EXPECT_EQ(db.FindIntAt(1, "a"), std::nullopt);
  // Leading digits are the number, up to the limit of a long.
  const std::pair<const char*, std::optional<long>> numbers[] = {
      {"20004", 20004}, {"0", 0}, {"007x", 7}, {"12 3", 12}, {"123456789012345678", 123456789012345678},
      {"9223372036854775807", 9223372036854775807}, {"9223372036854775808", std::nullopt}};
  for (const auto& [text, number] : numbers) EXPECT_EQ(ResourceDb::ReadInt(text), number) << text;
  const std::pair<const char*, const char*> quoted[] = {{"q1", "x y"}, {"q2", "\""}, {"q3", "x\""}, {"q4", ""}};
  for (const auto& [item, value] : quoted) EXPECT_EQ(db.FindQuoted("N", item), value) << item;
  EXPECT_EQ(db.Find("N", "q1"), "\"x y\"");
  EXPECT_TRUE(db.ModifyInt("N", "a", -5));
  EXPECT_EQ(db.Find("N", "a"), "-5");
}

// Lookups go through per-topic hash tables once lists grow; they must agree with the
// order, find the first of equal names and follow every change.
TEST(ResourceDbRead, LargeDatabasesFindEveryNameIgnoringCase) {
  std::string text;
  for (int t = 0; t < 300; ++t) {
    text += "[Topic" + std::to_string(t) + "]\n";
    for (int i = 0; i < 30; ++i) text += "Item" + std::to_string(i) + "=" + std::to_string(t * 100 + i) + "\n";
    text += "item7=duplicate\n";
  }
  ResourceDb db = ParseText(text);
  ASSERT_EQ(db.TopicCount(), 300);
  for (int t = 0; t < 300; t += 7) {
    std::string topic = "TOPIC" + std::to_string(t);
    ASSERT_EQ(db.ItemCount(topic), 31);
    for (int i = 0; i < 30; ++i) ASSERT_EQ(db.FindInt(topic, "iTEM" + std::to_string(i)), t * 100 + i);
  }
  EXPECT_FALSE(db.HasTopic("Topic300"));
  db.RemoveItem("Topic5", "item7");
  EXPECT_FALSE(db.HasItem("Topic5", "Item7"));
  EXPECT_EQ(db.Find("Topic5", "item8"), "508");
  db.AddItem("Topic5", "Item7", "back");
  db.AddItem("Topic5", "ITEM7", "second");
  EXPECT_EQ(db.Find("Topic5", "item7"), "back");
  for (int i = 0; i < 40; ++i) db.AddTopic("New" + std::to_string(i));
  db.RemoveTopic("Topic0");
  db.RenameTopic("Topic1", "Renamed");
  EXPECT_EQ(db.TopicAt(0), "Renamed");
  EXPECT_EQ(db.Find("renamed", "Item3"), "103");
  EXPECT_FALSE(db.HasTopic("Topic1"));
  EXPECT_TRUE(db.HasTopic("new39"));
  EXPECT_EQ(db.TopicCount(), 339);
  db.RenameTopic("Topic4", "topic3");  // now a duplicate, behind the first "Topic3"
  EXPECT_EQ(db.Find("TOPIC3", "Item0"), "300");
  db.RemoveTopic("Topic3");
  EXPECT_FALSE(db.HasTopic("topic3"));
  EXPECT_EQ(db.TopicCount(), 337);
}

TEST(ResourceDbWrite, NewDatabaseWritesPlainLines) {
  ResourceDb db = ResourceDb::Create("/nowhere/new.res");
  EXPECT_EQ(db.Serialize(), "");
  db.AddTopic("Main", "the main topic");
  db.AddTopic("main", "ignored: already there");
  db.AddItem("Main", "papname", "Disp1", "");
  db.Set("Main", "Count", "2");
  db.Set("Other", "x", "");
  db.Set("Main", "count", "3");
  EXPECT_FALSE(db.AddItem("Missing", "x", "1"));
  EXPECT_EQ(db.Serialize(),
            ";@ the main topic\n"
            "[Main]\n"
            "papname=Disp1\n"
            "Count=3\n"
            "[Other]\n"
            "x=\n");
}

// Text that an ordinary line holds is written plainly, the rest escaped; all of it
// reads back the same.
TEST(ResourceDbWrite, AwkwardTextRoundTrips) {
  const std::vector<std::string> values = {"",    " lead", "trail ", "a;b",        "a=b",  "\"quoted\"", "C:\\path\\",
                                           "\\n", "#x",    "[x]",    ";@ x",       "two\nlines", "cr\r", "\r\n",
                                           std::string("nul\0byte", 8), std::string(100000, 'v')};
  const std::vector<std::string> names = {"plain", " lead", "trail ", "a=b",        "[x",          ";x",
                                          "#x",    "x]",    "",       "two\nlines", "back\\slash", "x;y"};
  ResourceDb db = ResourceDb::Create("/nowhere/new.res");
  for (size_t i = 0; i < names.size(); ++i) {
    db.AddTopic(names[i], values[i % values.size()]);
    for (size_t j = 0; j < values.size(); ++j) {
      db.AddItem(names[i], names[(i + j) % names.size()] + std::to_string(j), values[j],
                 values[(i + j) % values.size()]);
    }
  }
  const std::string written = db.Serialize();
  EXPECT_NE(written.find("\nplain0=\n"), std::string::npos);
  EXPECT_NE(written.find("\nplain3=a;b\n"), std::string::npos);
  EXPECT_NE(written.find("\nplain4=a=b\n"), std::string::npos);
  EXPECT_NE(written.find("\nplain6=C:\\path\\\n"), std::string::npos);
  EXPECT_NE(written.find("\nx;y7=\\n\n"), std::string::npos);
  ResourceDb back = ParseText(written);
  ASSERT_EQ(Outline(back), Outline(db));
  for (size_t i = 0; i < names.size(); ++i) {
    EXPECT_EQ(back.TopicComment(names[i]), db.TopicComment(names[i]));
    for (int j = 0; j < db.ItemCount(names[i]); ++j) {
      std::string item = *db.ItemAt(names[i], j);
      EXPECT_EQ(back.Find(names[i], item), db.Find(names[i], item)) << names[i] << "/" << item;
      EXPECT_EQ(back.FindItemComment(names[i], item), db.FindItemComment(names[i], item));
    }
  }
  EXPECT_EQ(back.Serialize(), written);
}

TEST(ResourceDbWrite, UnchangedFilesAreWrittenBackByteForByte) {
  const std::vector<std::string> files = {"", "\n\n", "[A]\nx=1", "\xEF\xBB\xBF[A]\r\nx=1\r\n\r\n",
                                          "junk before\nx=1\n;@ note\n[A]\n x = 2 \n[A]\nx=3\nx=4\n\n; end\n",
                                          "[A]\nx=1\r", "[A]\r\nx=1\nmixed=2\r\n\r[B]\n",
                                          ";@[esc\\n]\n;@=a\\=b=c\n;@\\n\\n\n[z]\n", "\t[ T ]  \t\n\tk\t=\tv\t\n"};
  for (const std::string& file : files) {
    ResourceDb db = ParseText(file);
    EXPECT_EQ(db.Serialize(), file);
    EXPECT_TRUE(db.Modify("a", "x", *db.Find("a", "x")) || !db.HasItem("a", "x"));
    db.RenameTopic("a", "A");
    EXPECT_EQ(db.Serialize(), file) << "a change to the same text is no change";
    EXPECT_FALSE(db.Changed());
  }
}

TEST(ResourceDbWrite, ChangesTouchOnlyTheirOwnLines) {
  const std::string before =
      "\xEF\xBB\xBF; dispatcher settings\r\n"
      "[General]\r\n"
      "  papname = Disp1\t\r\n"
      "commandport=4711\r\n"
      ";@ old comment\r\n"
      "flavor=Std\r\n"
      "\r\n"
      "[PavoNet]\r\n"
      "ldir1=C:\\x\r\n";
  ResourceDb db = ParseText(before);
  EXPECT_TRUE(db.Modify("general", "COMMANDPORT", "4311"));
  EXPECT_TRUE(db.ModifyItemComment("General", "flavor", "new comment"));
  EXPECT_FALSE(db.Modify("General", "missing", "1"));
  EXPECT_TRUE(db.AddItem("General", "added", "1"));
  EXPECT_TRUE(db.Changed());
  EXPECT_EQ(db.Serialize(),
            "\xEF\xBB\xBF; dispatcher settings\r\n"
            "[General]\r\n"
            "  papname = Disp1\t\r\n"
            "commandport=4311\r\n"
            ";@ new comment\r\n"
            "flavor=Std\r\n"
            "added=1\r\n"
            "\r\n"
            "[PavoNet]\r\n"
            "ldir1=C:\\x\r\n");
}

TEST(ResourceDbWrite, AddingEndsAnOpenLastLineAndFollowsTrailingLines) {
  // An open last line, and a lone "\r" at the end, get an ordinary line end.
  for (const auto& [before, after] : {std::pair<std::string, std::string>{"[A]\nx=1", "[A]\nx=1\ny=2\n"},
                                      std::pair<std::string, std::string>{"[A]\nx=1\r", "[A]\nx=1\r\ny=2\n"}}) {
    ResourceDb db = ParseText(before);
    db.AddItem("A", "y", "2");
    EXPECT_EQ(db.Serialize(), after);
    EXPECT_EQ(ParseText(db.Serialize()).Find("A", "x"), "1");
  }
  ResourceDb trailing = ParseText("[A]\r\nx=1\r\n\r\n; end\r\n");
  trailing.AddItem("A", "y", "2");
  trailing.AddTopic("B", "b");
  trailing.AddItem("B", "z", "3");
  EXPECT_EQ(trailing.Serialize(), "[A]\r\nx=1\r\ny=2\r\n\r\n; end\r\n;@ b\r\n[B]\r\nz=3\r\n");
}

TEST(ResourceDbWrite, ATopicSpacedLikeTheFileGetsItsBlankLine) {
  const std::pair<std::string, std::string> cases[] = {
      {"[A]\nx=1\n\n[B]\ny=2\n", "[A]\nx=1\n\n[B]\ny=2\n\n[C]\n"},
      {"[A]\r\n\r\n[B]\r\ny=2", "[A]\r\n\r\n[B]\r\ny=2\r\n\r\n[C]\r\n"},  // an open last line
      {"[A]\n\n[B]\ny=2\n\n", "[A]\n\n[B]\ny=2\n\n[C]\n"},                // one is there already
      {"[A]\n\n[B]\n; end\n", "[A]\n\n[B]\n; end\n\n[C]\n"},
      {"[A]\nx=1\n[B]\ny=2\n", "[A]\nx=1\n[B]\ny=2\n[C]\n"},  // the file uses none
      {"[A]\n", "[A]\n[C]\n"},
  };
  for (const auto& [before, after] : cases) {
    ResourceDb db = ParseText(before);
    db.AddTopicSpacedLikeFile("C");
    EXPECT_EQ(db.Serialize(), after) << before;
  }
}

TEST(ResourceDbWrite, RemovingKeepsTheLinesAboveAndDropsTheTopicsInside) {
  const std::string text =
      "; file header\n"
      "[A]\n"
      "a1=1\n"
      "; about a2\n"
      ";@ a2 comment\n"
      "a2=2\n"
      "; after a2, so in front of B\n"
      "[B]\n"
      "b1=1\n"
      "\n"
      "; about C\n"
      "[C]\n"
      "c1=1\n";
  ResourceDb db = ParseText(text);
  db.RemoveItem("A", "a2");
  db.RemoveItem("A", "missing");
  EXPECT_EQ(db.Serialize(),
            "; file header\n[A]\na1=1\n; about a2\n; after a2, so in front of B\n[B]\nb1=1\n\n; about C\n[C]\nc1=1\n");
  db.RemoveTopic("b");
  EXPECT_EQ(db.Serialize(),
            "; file header\n[A]\na1=1\n; about a2\n; after a2, so in front of B\n\n; about C\n[C]\nc1=1\n");
  db.RemoveTopic("A");
  db.RemoveTopic("C");
  EXPECT_EQ(db.Serialize(), "; file header\n; after a2, so in front of B\n\n; about C\n");
  EXPECT_EQ(db.TopicCount(), 0);
}

// Only a mark at the very start of the file is one; further down it is part of a text
// line, and stays text when removals bring that line to the start.
TEST(ResourceDbWrite, AByteOrderMarkInsideTheFileStaysText) {
  const std::string bom = "\xEF\xBB\xBF";
  struct Case {
    std::string text, removed, added, expected;
  };
  const Case cases[] = {
      {"[Main]\nx=1\n" + bom + "[Second]\n", "Main", "", bom + bom + "[Second]\n"},
      {"[@]\n" + bom + "[]", "@", "", bom + bom + "[]"},
      {"[A]\n" + bom, "A", "B", bom + bom + "\n[B]\n"},
      {bom + "[A]\n" + bom + "[C]\n", "A", "", bom + bom + "[C]\n"},
  };
  for (const Case& c : cases) {
    ResourceDb db = ParseText(c.text);
    ASSERT_EQ(db.TopicCount(), 1) << c.text;
    db.RemoveTopic(c.removed);
    if (!c.added.empty()) db.AddTopic(c.added);
    EXPECT_EQ(db.Serialize(), c.expected) << c.text;
    ResourceDb back = ParseText(db.Serialize());
    EXPECT_EQ(Outline(back), Outline(db)) << c.text;
    EXPECT_EQ(back.Serialize(), db.Serialize()) << c.text;
  }
}

// A note left standing right above a changed entry must not become its comment.
TEST(ResourceDbWrite, StandingNotesStayOrdinaryComments) {
  ResourceDb db = ParseText(";@ a\n;@ b\n[T]\n;@ c\n;@ d\nk=v\n;@ e\nj=w\n;@ f\n");
  db.RenameTopic("T", "U");
  db.ModifyItemComment("U", "k", "");
  db.RemoveItem("U", "j");
  db.AddTopic("V");
  ResourceDb back = ParseText(db.Serialize());
  EXPECT_EQ(Outline(back), (std::vector<std::string>{"U: k", "V:"}));
  EXPECT_EQ(back.TopicComment("U"), "b");
  EXPECT_EQ(back.FindItemComment("U", "k"), "");
  EXPECT_EQ(back.TopicComment("V"), "");
}

TEST(ResourceDbWrite, RenameChangesTheSpellingAndTheName) {
  ResourceDb db = ParseText(";@ keep\n[main]\nx=1\n[Other]\n");
  db.RenameTopic("MAIN", "Main");
  EXPECT_TRUE(db.Changed());
  EXPECT_EQ(db.Serialize(), ";@ keep\n[Main]\nx=1\n[Other]\n");
  db.RenameTopic("main", "First");
  db.RenameTopic("missing", "Other");
  EXPECT_EQ(db.Serialize(), ";@ keep\n[First]\nx=1\n[Other]\n");
  EXPECT_EQ(db.Find("first", "X"), "1");
  EXPECT_FALSE(db.HasTopic("main"));
}

class ResourceDbFile : public ::testing::Test {
 protected:
  test::TempDir dir;
};

TEST_F(ResourceDbFile, OpenResolvesCaseAndFlushWritesThatFile) {
  test::WriteFile(dir / "Data/Zv_Config.RES", "[Main]\nNrConfigs=1\n");
  auto db = ResourceDb::Open(dir / "data/zv_config.res");
  ASSERT_TRUE(db.has_value());
  EXPECT_EQ(db->Path(), dir / "Data/Zv_Config.RES");
  EXPECT_FALSE(db->Changed());
  db->Set("Main", "NrConfigs", "2");
  EXPECT_EQ(test::ReadFile(dir / "Data/Zv_Config.RES"), "[Main]\nNrConfigs=1\n") << "nothing before Flush";
  db->Flush();
  EXPECT_FALSE(db->Changed());
  EXPECT_EQ(test::ReadFile(dir / "Data/Zv_Config.RES"), "[Main]\nNrConfigs=2\n");
  EXPECT_EQ(test::Snapshot(dir.Path()).size(), 2u) << "the folder and the file: no temporary file, no second spelling";
  db->Set("Main", "Install", "1");
  db->Flush();
  EXPECT_EQ(ResourceDb::OpenOrThrow(dir / "data/ZV_CONFIG.res").Find("Main", "install"), "1");
}

TEST_F(ResourceDbFile, MissingFilesAndFailedWritesRaise109WithThePath) {
  EXPECT_FALSE(ResourceDb::Open(dir / "missing.res").has_value());
  EXPECT_FALSE(ResourceDb::Open(dir.Path()).has_value()) << "a folder is no database";
  CRvcException e = Raised([&] { ResourceDb::OpenOrThrow(dir / "missing.res"); });
  EXPECT_EQ(e.Id(), 109);
  EXPECT_NE(e.Message().find(dir / "missing.res"), std::string::npos) << e.Message();
  ResourceDb db = ResourceDb::Create(dir / "no/such/folder/new.res");
  db.AddTopic("T");
  e = Raised([&] { db.Flush(); });
  EXPECT_EQ(e.Id(), 109);
  EXPECT_NE(e.Message().find("new.res"), std::string::npos) << e.Message();
  EXPECT_TRUE(db.Changed());
}

TEST_F(ResourceDbFile, CreateReplacesWhatIsThere) {
  test::WriteFile(dir / "BackupInfo.tmp", "[Old]\nx=1\n");
  ResourceDb db = ResourceDb::Create(dir / "backupinfo.TMP");
  EXPECT_EQ(db.TopicCount(), 0);
  db.AddTopic("Disp1");
  db.AddItem("Disp1", "Folder", "d1");
  db.Flush();
  EXPECT_EQ(test::ReadFile(dir / "BackupInfo.tmp"), "[Disp1]\nFolder=d1\n");
  ResourceDb empty = ResourceDb::Create(dir / "empty.res");
  empty.Flush();
  EXPECT_TRUE(test::FileExists(dir / "empty.res"));
  EXPECT_EQ(test::ReadFile(dir / "empty.res"), "");
}

// Flush() streams a large file into place in pieces; what lands on disk is what
// Serialize() gives, wherever the pieces end.
TEST_F(ResourceDbFile, LargeFilesFlushAsTheySerialize) {
  auto big = [](const std::string& eol) {
    std::string text;
    for (int t = 0; t < 3000; ++t) {
      text += ";@ note " + std::to_string(t) + eol + "[T" + std::to_string(t) + "]" + eol;
      for (int i = 0; i < 6; ++i) text += ";@ about" + eol + "k" + std::to_string(i) + "=" + std::string(40, 'v') + eol;
    }
    return text;
  };
  const std::string bom = "\xEF\xBB\xBF";
  struct Case {
    const char* name;
    std::string text;
    std::function<void(ResourceDb&)> change;
  };
  const Case cases[] = {
      {"unchanged", big("\n"), [](ResourceDb&) {}},
      {"one item per topic", big("\n"),
       [](ResourceDb& db) {
         for (int t = 0; t < 3000; ++t) db.Modify("T" + std::to_string(t), "k" + std::to_string(t % 6), "x");
       }},
      {"items removed under their notes", bom + big("\r\n"),
       [](ResourceDb& db) {
         for (int t = 0; t < 3000; t += 2) db.RemoveItem("T" + std::to_string(t), "k3");
         db.AddItem("T2999", "new", "1", "added");
       }},
      {"a mark's bytes moved to the start", "[A]\nx=1\n" + bom + "; text\n" + big("\n"),
       [](ResourceDb& db) { db.RemoveTopic("A"); }},
  };
  for (const Case& c : cases) {
    ResourceDb db = ResourceDb::Parse(c.text, dir / "big.res");
    c.change(db);
    db.Flush();
    // Compared whole: a diff of a megabyte would take the test's time.
    const std::string flushed = test::ReadFile(dir / "big.res");
    const std::string expected = db.Serialize();
    EXPECT_TRUE(flushed == expected) << c.name << ": " << flushed.size() << " bytes, " << expected.size() << " expected";
  }
}

}  // namespace
}  // namespace rvc::store
