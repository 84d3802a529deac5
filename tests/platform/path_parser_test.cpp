#include "platform/path_parser.h"

#include <gtest/gtest.h>

namespace rvc::platform {
namespace {

void ExpectParts(const std::string& path, const std::string& node, const std::string& device,
                 const std::string& directory, const std::string& name, const std::string& type) {
  SCOPED_TRACE(path);
  ParsedPath parts = ParsePath(path);
  EXPECT_EQ(parts.node, node);
  EXPECT_EQ(parts.device, device);
  EXPECT_EQ(parts.directory, directory);
  EXPECT_EQ(parts.name, name);
  EXPECT_EQ(parts.type, type);
}

TEST(PathParserTest, SplitsLocalPaths) {
  ExpectParts("/data/flav/data/zv_config.res", "", "", "/data/flav/data/", "zv_config", ".res");
  ExpectParts("rvc2.cfg", "", "", "", "rvc2", ".cfg");
  ExpectParts("dat/types.dat", "", "", "dat/", "types", ".dat");
  ExpectParts("/data/flav/", "", "", "/data/flav/", "", "");
  ExpectParts("/data/flav", "", "", "/data/", "flav", "");
  ExpectParts("/", "", "", "/", "", "");
  ExpectParts("", "", "", "", "", "");
}

TEST(PathParserTest, TypeIsTheLastDotOfTheFileNameOnly) {
  ExpectParts("/a.b/c", "", "", "/a.b/", "c", "");
  ExpectParts("/x/archive.tar.gz", "", "", "/x/", "archive.tar", ".gz");
  ExpectParts("/x/file.", "", "", "/x/", "file", ".");
  // A leading dot is part of the name.
  ExpectParts("/home/.profile", "", "", "/home/", ".profile", "");
  ExpectParts("/x/..", "", "", "/x/../", "", "");
  ExpectParts(".", "", "", "./", "", "");
}

TEST(PathParserTest, NodeAndDevice) {
  ExpectParts("//server/share/dir/file.txt", "//server", "", "/share/dir/", "file", ".txt");
  ExpectParts("\\\\server\\share\\file.txt", "//server", "", "/share/", "file", ".txt");
  ExpectParts("//server", "//server", "", "", "", "");
  ExpectParts("C:\\prog\\dat\\types.dat", "", "C:", "/prog/dat/", "types", ".dat");
  ExpectParts("d:file.txt", "", "d:", "", "file", ".txt");
  // Three separators are no node; a colon later in the text is no device.
  ExpectParts("///x/y", "", "", "/x/", "y", "");
  ExpectParts("/ab:c/d", "", "", "/ab:c/", "d", "");
}

TEST(PathParserTest, BackslashesAndRunsOfSeparatorsFold) {
  ExpectParts("\\data\\\\flav\\/data\\zv.ini", "", "", "/data/flav/data/", "zv", ".ini");
  ExpectParts("/data//flav//", "", "", "/data/flav/", "", "");
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
