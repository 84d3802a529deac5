#include "platform/path_parser.h"

#include <gtest/gtest.h>

namespace rvc::platform {
namespace {

TEST(PathParserTest, SplitsIntoNodeDeviceDirectoryNameAndType) {
  struct Row {
    const char *path, *node, *device, *directory, *name, *type;
  };
  const Row rows[] = {
      {"/data/flav/data/zv_config.res", "", "", "/data/flav/data/", "zv_config", ".res"},
      {"rvc2.cfg", "", "", "", "rvc2", ".cfg"},
      {"dat/types.dat", "", "", "dat/", "types", ".dat"},
      {"/data/flav/", "", "", "/data/flav/", "", ""},
      {"/data/flav", "", "", "/data/", "flav", ""},
      {"/", "", "", "/", "", ""},
      {"", "", "", "", "", ""},
      // The type is the last dot of the file name only; a leading dot is part of the name.
      {"/a.b/c", "", "", "/a.b/", "c", ""},
      {"/x/archive.tar.gz", "", "", "/x/", "archive.tar", ".gz"},
      {"/x/file.", "", "", "/x/", "file", "."},
      {"/home/.profile", "", "", "/home/", ".profile", ""},
      {"/x/..", "", "", "/x/../", "", ""},
      {".", "", "", "./", "", ""},
      // Node and device; three separators are no node, a colon later in the text is no device.
      {"//server/share/dir/file.txt", "//server", "", "/share/dir/", "file", ".txt"},
      {"\\\\server\\share\\file.txt", "//server", "", "/share/", "file", ".txt"},
      {"//server", "//server", "", "", "", ""},
      {"C:\\prog\\dat\\types.dat", "", "C:", "/prog/dat/", "types", ".dat"},
      {"d:file.txt", "", "d:", "", "file", ".txt"},
      {"///x/y", "", "", "/x/", "y", ""},
      {"/ab:c/d", "", "", "/ab:c/", "d", ""},
      // Backslashes and runs of separators fold.
      {"\\data\\\\flav\\/data\\zv.ini", "", "", "/data/flav/data/", "zv", ".ini"},
      {"/data//flav//", "", "", "/data/flav/", "", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path);
    ParsedPath parts = ParsePath(row.path);
    EXPECT_EQ(parts.node, row.node);
    EXPECT_EQ(parts.device, row.device);
    EXPECT_EQ(parts.directory, row.directory);
    EXPECT_EQ(parts.name, row.name);
    EXPECT_EQ(parts.type, row.type);
  }
}

TEST(PathParserTest, JoinsSelectedParts) {
  ParsedPath parts = ParsePath("//server/share/dir/file.txt");
  EXPECT_EQ(JoinPathParts(parts), "//server/share/dir/file.txt");
  EXPECT_EQ(JoinPathParts(parts, kPathFolderParts), "//server/share/dir/");
  EXPECT_EQ(JoinPathParts(parts, kPathName | kPathType), "file.txt");
  EXPECT_EQ(JoinPathParts(parts, kPathNode | kPathName), "//server/file");
  EXPECT_EQ(JoinPathParts(parts, kPathNode), "//server");
  EXPECT_EQ(JoinPathParts(ParsePath("C:\\a\\b.c"), kPathDevice | kPathDirectory), "C:/a/");
  EXPECT_EQ(JoinPathParts(ParsePath("a\\b\\c.d")), "a/b/c.d");
}

TEST(PathParserTest, ParseAndJoinRoundTripsNormalPaths) {
  for (const char* path : {"/data/flav/data/zv_config.res", "rel/x", "/x/.profile", "/x/", "file", "//s/share/",
                           "C:/a/b.c", "/x/archive.tar.gz", "/x/file."}) {
    EXPECT_EQ(JoinPathParts(ParsePath(path)), path);
  }
}

}  // namespace
}  // namespace rvc::platform
