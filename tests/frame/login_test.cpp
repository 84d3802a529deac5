// The login dialog with a scripted account service, the folder-dialog guard, and the
// system's account services where the machine allows checking them.
#include "frame/login.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <tuple>

#include "frame/rvc_app.h"
#include "core/rvc_exception.h"
#include "platform/accounts.h"
#include "platform/path.h"
#include "tests/support/test_support.h"
#include "ui/headless/headless_ui.h"

namespace rvc::frame {
namespace {

// Accounts "admin" and "clerk" (password "secret"), "admin@corp" in the domain corp;
// "admin" accounts are administrators. Records every call.
class FakeAccounts : public IAccountServices {
 public:
  bool IsAdministrator(const AccountToken* token) override {
    calls.push_back("IsAdministrator");
    if (token == nullptr) return processIsAdministrator;
    return token->LoggedOn && token->AccountName.rfind("admin", 0) == 0;
  }
  AccountToken LogOn(const std::string& domain, const std::string& user, const std::string& password) override {
    calls.push_back("LogOn " + domain + " " + user);
    AccountToken token;
    token.AccountName = AccountNameFor(domain, user);
    token.LoggedOn = password == "secret" && (token.AccountName == "admin" || token.AccountName == "clerk" ||
                                              token.AccountName == "admin@corp" || token.AccountName.empty());
    return token;
  }
  void Impersonate(const AccountToken& token) override { calls.push_back("Impersonate " + token.AccountName); }
  void RevertToSelf() override { calls.push_back("RevertToSelf"); }

  bool processIsAdministrator = false;
  std::vector<std::string> calls;
};

ui::HeadlessUserInterface::DialogScript Enter(std::string user, std::string password) {
  return [user, password](ui::IDialogModel& model) {
    auto& login = dynamic_cast<CLoginDialog&>(model);
    login.UserName = user;
    login.Password = password;
    return ui::DialogResult::Ok;
  };
}

class LoginDialogTest : public ::testing::Test {
 protected:
  LoginDialogTest()
      : env_("RAVLIN_ENVIRONMENT_FILE", dir_ / "no-environment"), data_("KW_DATA_RAVLINCONFIG", dir_.Path()) {
    CRvcApp::LogonToken.reset();
  }
  ~LoginDialogTest() override { CRvcApp::LogonToken.reset(); }

  test::TempDir dir_;
  test::ScopedEnv env_;
  test::ScopedEnv data_;
  ui::HeadlessUserInterface ui_;
  ui::ScopedUserInterface scoped_{ui_};
  FakeAccounts accounts_;
  CLoginDialog dialog_{accounts_};
};

TEST(UserNameTest, ADomainPrecedesTheFirstBackslash) {
  using Row = std::tuple<const char*, const char*, const char*>;  // name, domain, user
  for (const auto& [name, domain, user] :
       {Row{"corp\\alice", "corp", "alice"}, Row{"alice", ".", "alice"}, Row{"corp\\eu\\alice", "corp", "eu\\alice"}}) {
    std::string splitDomain, splitUser;
    SplitUserName(name, splitDomain, splitUser);
    EXPECT_EQ(splitDomain + " " + splitUser, std::string(domain) + " " + user) << name;
  }

  EXPECT_EQ(AccountNameFor(".", "alice"), "alice");
  EXPECT_EQ(AccountNameFor("corp", "alice"), "alice@corp");
  char host[256] = {};
  ASSERT_EQ(::gethostname(host, sizeof host - 1), 0);
  EXPECT_EQ(AccountNameFor(platform::ToUpperAscii(host), "alice"), "alice");
}

TEST_F(LoginDialogTest, AnAdministratorLogsOnAndIsImpersonated) {
  ui_.QueueDialog("Login", Enter("admin", "secret"));
  EXPECT_EQ(dialog_.Run(), CLoginDialog::Result::Ok);
  EXPECT_TRUE(ui_.Messages().empty());
  EXPECT_EQ(accounts_.calls,
            (std::vector<std::string>{"RevertToSelf", "LogOn . admin", "Impersonate admin", "IsAdministrator"}));
  ASSERT_TRUE(CRvcApp::LogonToken);
  EXPECT_TRUE(CRvcApp::LogonToken->LoggedOn);
  EXPECT_EQ(CRvcApp::LogonToken->AccountName, "admin");

  // A domain user logs on to that domain.
  accounts_.calls.clear();
  ui_.QueueDialog("Login", Enter("corp\\admin", "secret"));
  EXPECT_EQ(dialog_.Run(), CLoginDialog::Result::Ok);
  EXPECT_EQ(accounts_.calls[1], "LogOn corp admin");
  EXPECT_EQ(CRvcApp::LogonToken->AccountName, "admin@corp");
}

TEST_F(LoginDialogTest, WrongCredentialsAndNonAdministratorsKeepTheDialogOpen) {
  ui_.QueueDialog("Login", Enter("admin", "wrong"));
  ui_.QueueDialog("Login", Enter("clerk", "secret"));
  ui_.QueueDialog("Login", Enter("admin", "secret"));
  EXPECT_EQ(dialog_.Run(), CLoginDialog::Result::Ok);
  EXPECT_EQ(ui_.DialogsRun().size(), 3u);
  EXPECT_EQ(ui_.MessageTexts(), (std::vector<std::string>{MessageText(169), MessageText(121)}));
  EXPECT_EQ(ui_.Messages()[0].icon, ui::Icon::Exclamation);
  EXPECT_EQ(MessageText(121), "You should log in as administrator to run Ravlin Configurator");
}

TEST_F(LoginDialogTest, AFailedLogonLeavesAnEmptyToken) {
  ui_.QueueDialog("Login", Enter("admin", "wrong"));
  EXPECT_EQ(dialog_.Run(), CLoginDialog::Result::Cancel);  // the next run of the dialog cancels
  ASSERT_TRUE(CRvcApp::LogonToken);
  EXPECT_FALSE(CRvcApp::LogonToken->LoggedOn);
  EXPECT_EQ(ui_.MessageTexts(), std::vector<std::string>{MessageText(169)});
}

TEST_F(LoginDialogTest, AnEmptyUserNameClosesNothing) {
  accounts_.processIsAdministrator = true;
  ui_.QueueDialog("Login", Enter("", "secret"));
  EXPECT_EQ(dialog_.Run(), CLoginDialog::Result::Cancel);
  EXPECT_EQ(ui_.DialogsRun().size(), 2u);
  ui_.QueueDialog("Login", Enter(".\\", "secret"));
  EXPECT_EQ(dialog_.Run(), CLoginDialog::Result::Cancel);
  EXPECT_EQ(ui_.DialogsRun().size(), 4u);
}

TEST_F(LoginDialogTest, ViewModeDropsAnEarlierLogon) {
  ui_.QueueDialog("Login", Enter("clerk", "secret"));
  ui_.QueueDialog("Login", [](ui::IDialogModel& model) {
    dynamic_cast<CLoginDialog&>(model).ChooseViewMode();
    return ui::DialogResult::Cancel;
  });
  EXPECT_EQ(dialog_.Run(), CLoginDialog::Result::ViewMode);
  EXPECT_EQ(accounts_.calls.back(), "RevertToSelf");
  EXPECT_FALSE(CRvcApp::LogonToken);
}

TEST_F(LoginDialogTest, FolderDialogsRunWithoutTheImpersonation) {
  CImpersonationAwareUserInterface guarded(ui_, accounts_);
  ui_.QueueFolder("/first/");
  EXPECT_EQ(guarded.BrowseForFolder("Select DATA folder", "/"), "/first/");
  EXPECT_EQ(accounts_.calls, std::vector<std::string>{"RevertToSelf"});

  accounts_.calls.clear();
  CRvcApp::LogonToken = AccountToken{"admin", true};
  EXPECT_EQ(guarded.BrowseForFolder("Select DATA folder", "/"), "");
  EXPECT_EQ(accounts_.calls, (std::vector<std::string>{"RevertToSelf", "Impersonate admin"}));
  EXPECT_EQ(ui_.FolderTitles().size(), 2u);
}

TEST(SystemAccountsTest, TheAdministratorGroupComesFromTheInstallationsEnvironmentFile) {
  test::TempDir dir;
  test::ScopedEnv file("RAVLIN_ENVIRONMENT_FILE", dir / "environment");
  test::ScopedEnv process("RAVLIN_ADMIN_GROUP", "users");
  EXPECT_EQ(platform::AdministratorGroupName(), "lpadmin");
  test::WriteFile(dir / "environment", "KW_DATA_RAVLINCONFIG=/x\nRAVLIN_ADMIN_GROUP=ravlinadm\n");
  EXPECT_EQ(platform::AdministratorGroupName(), "ravlinadm");
}

TEST(SystemAccountsTest, RootAndMembersOfTheGroupAreAdministrators) {
  auto root = platform::FindAccount("root");
  ASSERT_TRUE(root);
  EXPECT_TRUE(platform::AccountIsAdministrator(*root, "no-such-group"));
  auto nobody = platform::FindAccount("nobody");
  if (!nobody) GTEST_SKIP() << "no account nobody";
  EXPECT_FALSE(platform::AccountIsAdministrator(*nobody, "no-such-group"));
  auto primary = platform::AccountGroups(*nobody);
  ASSERT_FALSE(primary.empty());
  EXPECT_EQ(primary.front(), nobody->gid);
  EXPECT_FALSE(platform::FindAccount("no-such-account-here"));

  test::TempDir dir;
  test::ScopedEnv file("RAVLIN_ENVIRONMENT_FILE", dir / "environment");
  CSystemAccounts accounts;
  EXPECT_EQ(accounts.IsAdministrator(nullptr), ::geteuid() == 0 || platform::ProcessIsAdministrator("lpadmin"));
  AccountToken failed{"root", false};
  EXPECT_FALSE(accounts.IsAdministrator(&failed));
  AccountToken rootToken{"root", true};
  EXPECT_TRUE(accounts.IsAdministrator(&rootToken));
}

TEST(SystemAccountsTest, ImpersonationSwitchesTheEffectiveUserAndBack) {
  if (!platform::CanImpersonate() || ::geteuid() != 0) GTEST_SKIP() << "needs root";
  auto nobody = platform::FindAccount("nobody");
  if (!nobody) GTEST_SKIP() << "no account nobody";
  platform::Impersonate(*nobody);
  EXPECT_TRUE(platform::IsImpersonating());
  EXPECT_EQ(::geteuid(), nobody->uid);
  EXPECT_EQ(::getegid(), nobody->gid);
  platform::RevertToSelf();
  EXPECT_FALSE(platform::IsImpersonating());
  EXPECT_EQ(::geteuid(), 0u);
  EXPECT_EQ(::getuid(), 0u);
}

}  // namespace
}  // namespace rvc::frame
