#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <string>

#include "core/rvc_exception.h"
#include "store/rvc_utils.h"
#include "tests/store/rvc_error_expect.h"
#include "tests/support/test_support.h"

namespace rvc::store {
namespace {

using test::FileExists;
using test::ReadFile;
using test::Snapshot;
using test::TempDir;
using test::WriteFile;

class TextFileTest : public ::testing::Test {
 protected:
  // Writes `bytes` to data/zvPress_dispatcher.ini and returns its path.
  std::string Ini(const std::string& bytes) {
    std::string path = dir / "data/zvPress_dispatcher.ini";
    WriteFile(path, bytes);
    return path;
  }
  // Only the file itself is left in its folder: no temporary file.
  void ExpectNoLeftovers() {
    auto files = Snapshot(dir.Path());
    EXPECT_EQ(files.size(), 2u) << "expected data/ and the ini file only";
  }

  TempDir dir;
  CRvcUtils utils;
};

TEST_F(TextFileTest, PortWithSeparator) {
  EXPECT_EQ(CRvcUtils::PortWithSeparator(4711, 3), 4311);
  EXPECT_EQ(CRvcUtils::PortWithSeparator(4711, 0), 4011);
  EXPECT_EQ(CRvcUtils::PortWithSeparator(80, 5), 580);
  EXPECT_EQ(CRvcUtils::PortWithSeparator(14999, 9), 14999);
  EXPECT_EQ(CRvcUtils::PortWithSeparator(0, 2), 200);
}

TEST_F(TextFileTest, SetIniCommandPortRewritesPortLinesOnly) {
  std::string ini =
      Ini("[PavoNet]\n"
          "CommandPort=4711\n"
          "TCP_PAP = 80 ; 4711\n"
          "other=4711\n"
          "commandport=none\n"
          "tcp_x=9 9\r\n"
          "COMMANDPORT=\"04711\"");
  utils.SetIniCommandPort(ini, 0);
  EXPECT_EQ(ReadFile(ini),
            "[PavoNet]\n"
            "CommandPort=4011\n"
            "TCP_PAP = 80 ; 4711\n"
            "other=4711\n"
            "commandport=none\n"
            "tcp_x=9 9\r\n"
            "COMMANDPORT=\"4011\"");
  utils.SetIniCommandPort(ini, 5);
  EXPECT_EQ(ReadFile(ini),
            "[PavoNet]\n"
            "CommandPort=4511\n"
            "TCP_PAP = 580 ; 4711\n"
            "other=4711\n"
            "commandport=none\n"
            "tcp_x=509 9\r\n"
            "COMMANDPORT=\"4511\"");
  ExpectNoLeftovers();
}

TEST_F(TextFileTest, RenameIniFlavourKeywordLines) {
  std::string ini =
      Ini("KW_DATA_TAMRIX=C:\\Ravlin\\Old\\data\\\r\n"
          "kw_prog_tamrix=/opt/ravlin/old/prog/\n"
          "KW_PROG_X=C:\\Ravlin\\OldFlavour\\\n"  // not enclosed: unchanged
          "kw_prog_y=C:\\Ravlin\\Old\n"           // not enclosed: unchanged
          "kw_data_Old\\x=\\y\\\n"                // only before "=": unchanged
          "flavorOld=x\n"
          "kw_prog_old=C:\\x\\Old-not\\\n"
          "kw_data_\\Old\\=\\Old\\a\\Old\\b\n"    // last occurrence only
          "flavor=Old\n"
          "Old_flavor=Old_Old\n"
          "Old flavor\n"  // no "=": no value, unchanged
          "flavor=none\n"
          "Path=C:\\Ravlin\\Old\\\n"          // no keyword
          "flavor_kw_data_=\\x\\Old\\ Old");  // kw_data_ decides, last line without newline
  utils.RenameIniFlavour(ini, "old", "New");
  EXPECT_EQ(ReadFile(ini),
            "KW_DATA_TAMRIX=C:\\Ravlin\\New\\data\\\r\n"
            "kw_prog_tamrix=/opt/ravlin/New/prog/\n"
            "KW_PROG_X=C:\\Ravlin\\OldFlavour\\\n"
            "kw_prog_y=C:\\Ravlin\\Old\n"
            "kw_data_Old\\x=\\y\\\n"
            "flavorOld=x\n"
            "kw_prog_old=C:\\x\\Old-not\\\n"
            "kw_data_\\Old\\=\\Old\\a\\New\\b\n"
            "flavor=New\n"
            "Old_flavor=Old_New\n"
            "Old flavor\n"
            "flavor=none\n"
            "Path=C:\\Ravlin\\Old\\\n"
            "flavor_kw_data_=\\x\\New\\ Old");
  ExpectNoLeftovers();
}

TEST_F(TextFileTest, RenameIniFlavourWithEqualNamesDoesNothing) {
  // Not even opened: a missing file raises nothing.
  EXPECT_NO_THROW(utils.RenameIniFlavour(dir / "missing.ini", "Old", "OLD"));
  EXPECT_FALSE(FileExists(dir / "missing.ini"));
}

TEST_F(TextFileTest, RenameIniDispatcherLastOccurrenceInNameLines) {
  std::string ini =
      Ini("papname=\"press_Press_AT\"\r\n"
          "PipeName=\\\\.\\pipe\\PRESS\n"
          "kw_cpu=press\n"
          "name=Press\n"
          "papname=nothing here\n");
  utils.RenameIniDispatcher(ini, "Press", "Proof 2");
  EXPECT_EQ(ReadFile(ini),
            "papname=\"press_Proof 2_AT\"\r\n"
            "PipeName=\\\\.\\pipe\\Proof 2\n"
            "kw_cpu=Proof 2\n"
            "name=Press\n"
            "papname=nothing here\n");
  utils.RenameIniDispatcher(ini, "Proof 2", "Proof 2");
  EXPECT_EQ(ReadFile(dir / "data/zvPress_dispatcher.ini").substr(0, 8), "papname=");
  ExpectNoLeftovers();

  // A change of case alone is a rename.
  ini = Ini("kw_cpu=press\n");
  utils.RenameIniDispatcher(ini, "press", "Press");
  EXPECT_EQ(ReadFile(ini), "kw_cpu=Press\n");
}

TEST_F(TextFileTest, ReplaceInTextFileFirstOccurrencePerLine) {
  std::string file = dir / "Press/Data/swap_0.sfd";
  WriteFile(file, "a=\\OLD\\x\\old\\\r\nb=none\n\nc=\\old\\");
  EXPECT_FALSE(utils.ReplaceInTextFile(file, "\\old\\", "\\NewFolder\\"));
  EXPECT_EQ(ReadFile(file), "a=\\NewFolder\\x\\old\\\r\nb=none\n\nc=\\NewFolder\\");
  EXPECT_TRUE(utils.ReplaceInTextFile(file, "\\gone\\", "\\x\\")) << "nothing replaced";
  EXPECT_EQ(ReadFile(file), "a=\\NewFolder\\x\\old\\\r\nb=none\n\nc=\\NewFolder\\");
  EXPECT_EQ(Snapshot(dir / "Press/Data").size(), 1u) << "no temporary file left";
}

TEST_F(TextFileTest, LongLinesAndEmptyFiles) {
  std::string longValue(20000, 'x');
  std::string ini = Ini("commandport=" + longValue + "4711" + longValue + "\n");
  utils.SetIniCommandPort(ini, 2);
  EXPECT_EQ(ReadFile(ini), "commandport=" + longValue + "4211" + longValue + "\n");

  std::string empty = Ini("");
  EXPECT_TRUE(utils.ReplaceInTextFile(empty, "a", "b"));
  EXPECT_EQ(ReadFile(empty), "");
  ExpectNoLeftovers();
}

TEST_F(TextFileTest, FileNameCaseIsResolvedAndPermissionsKept) {
  std::string ini = Ini("kw_cpu=Press\n");
  ::chmod(ini.c_str(), 0640);
  utils.RenameIniDispatcher(dir / "DATA/ZVPRESS_DISPATCHER.INI", "Press", "Proof");
  EXPECT_EQ(ReadFile(ini), "kw_cpu=Proof\n");
  struct stat st {};
  ASSERT_EQ(::stat(ini.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  ExpectNoLeftovers();
}

TEST_F(TextFileTest, MissingFileRaises104) {
  ExpectRvcError([&] { utils.SetIniCommandPort(dir / "data/missing.ini", 1); }, 104,
                 "Failed to open " + (dir / "data/missing.ini"));
  EXPECT_TRUE(Snapshot(dir.Path()).empty());
}

TEST_F(TextFileTest, WriteFailureRaises111AndLeavesOriginalAndNoTemporaryFile) {
  // A file-size limit below the new text makes writing the temporary file fail.
  std::string ini = Ini("commandport=4711\n" + std::string(200, '#') + "\n");
  struct rlimit saved {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  auto savedHandler = ::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = saved;
  small.rlim_cur = 16;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const CRvcException e = Raised([&] { utils.SetIniCommandPort(ini, 1); });
  ::setrlimit(RLIMIT_FSIZE, &saved);
  ::signal(SIGXFSZ, savedHandler);
  EXPECT_EQ(e.Id(), 111);
  EXPECT_EQ(e.Message(), "System error at " + ini + " (write: File too large)");
  EXPECT_EQ(ReadFile(ini), "commandport=4711\n" + std::string(200, '#') + "\n");
  ExpectNoLeftovers();
}

TEST_F(TextFileTest, SymbolicLinkIsRefusedAndNeitherItNorItsTargetChange) {
  std::string real = dir / "real/zvPress_dispatcher.ini";
  WriteFile(real, "kw_cpu=Press\n");
  ASSERT_EQ(::mkdir((dir / "data").c_str(), 0755), 0);
  std::string link = dir / "data/zvPress_dispatcher.ini";
  ASSERT_EQ(::symlink(real.c_str(), link.c_str()), 0);
  ExpectRvcError([&] { utils.RenameIniDispatcher(link, "Press", "Proof"); }, 104, "Failed to open " + link);
  struct stat st {};
  ASSERT_EQ(::lstat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(ReadFile(real), "kw_cpu=Press\n");
}

}  // namespace
}  // namespace rvc::store
