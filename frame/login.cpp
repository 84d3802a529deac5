#include "frame/login.h"

#include <unistd.h>

#include "frame/rvc_app.h"
#include "core/rvc_exception.h"
#include "core/rvc_trace.h"
#include "core/messages.h"
#include "platform/accounts.h"
#include "platform/path.h"

namespace rvc::frame {
namespace {

[[noreturn]] void RaiseSystemError(const platform::SystemError& error) {
  throw CRvcException(msg::kSystemError, error.Call(), std::to_string(error.Number()));
}

bool IsThisMachine(const std::string& domain) {
  char host[256] = {};
  if (::gethostname(host, sizeof host - 1) != 0) return false;
  std::string name = host;
  std::string shortName = name.substr(0, name.find('.'));
  return platform::EqualsNoCase(domain, name) || platform::EqualsNoCase(domain, shortName);
}

void Trace(const std::string& text) {
  CRvcTrace trace("");
  trace.Trace(text);
}

}  // namespace

void SplitUserName(const std::string& userName, std::string& domain, std::string& user) {
  size_t backslash = userName.find('\\');
  if (backslash == std::string::npos) {
    domain = ".";
    user = userName;
  } else {
    domain = userName.substr(0, backslash);
    user = userName.substr(backslash + 1);
  }
}

std::string AccountNameFor(const std::string& domain, const std::string& user) {
  if (domain.empty() || domain == "." || IsThisMachine(domain)) return user;
  return user + "@" + domain;
}

bool CSystemAccounts::IsAdministrator(const AccountToken* token) {
  try {
    const std::string group = platform::AdministratorGroupName();
    if (token == nullptr) return platform::ProcessIsAdministrator(group);
    if (!token->LoggedOn) return false;
    auto account = platform::FindAccount(token->AccountName);
    return account && platform::AccountIsAdministrator(*account, group);
  } catch (const platform::SystemError& error) {
    RaiseSystemError(error);
  }
}

AccountToken CSystemAccounts::LogOn(const std::string& domain, const std::string& user, const std::string& password) {
  AccountToken token;
  token.AccountName = AccountNameFor(domain, user);
  std::string reason;
  token.LoggedOn = platform::Authenticate(platform::PamServiceName(), token.AccountName, password, &reason);
  if (!token.LoggedOn) Trace("Logon of " + token.AccountName + " refused: " + reason);
  return token;
}

void CSystemAccounts::Impersonate(const AccountToken& token) {
  if (!token.LoggedOn) return;
  if (!platform::CanImpersonate()) {
    // Switching users needs a process started by root; the work goes on with the rights
    // of the user who started the program.
    Trace("Cannot work as " + token.AccountName + ": the program was not started by root");
    return;
  }
  try {
    auto account = platform::FindAccount(token.AccountName);
    if (!account) throw platform::SystemError("getpwnam_r", ENOENT);
    platform::Impersonate(*account);
  } catch (const platform::SystemError& error) {
    RaiseSystemError(error);
  }
}

void CSystemAccounts::RevertToSelf() {
  try {
    platform::RevertToSelf();
  } catch (const platform::SystemError& error) {
    RaiseSystemError(error);
  }
}

CLoginDialog::Result CLoginDialog::Run() {
  viewMode_ = false;
  const ui::DialogResult result = ui::Current().RunDialog(*this);
  if (viewMode_) {
    // View mode works with the user's own rights: a logon tried before is dropped.
    accounts_.RevertToSelf();
    CRvcApp::LogonToken.reset();
    return Result::ViewMode;
  }
  return result == ui::DialogResult::Ok ? Result::Ok : Result::Cancel;
}

bool CLoginDialog::OnOk() {
  if (viewMode_) return true;  // "View Mode" was chosen: nothing to check
  accounts_.RevertToSelf();
  std::string domain;
  std::string user;
  SplitUserName(UserName, domain, user);
  bool administrator = false;
  {
    // PAM takes seconds to refuse a password: the wait cursor shows meanwhile.
    ui::WaitCursor busy;
    CRvcApp::LogonToken = accounts_.LogOn(domain, user, Password);
    if (CRvcApp::LogonToken->LoggedOn) {
      accounts_.Impersonate(*CRvcApp::LogonToken);
      administrator = accounts_.IsAdministrator(&*CRvcApp::LogonToken);
    }
  }
  if (!CRvcApp::LogonToken->LoggedOn) {
    ui::ShowMessage(MessageText(msg::kNoRights), kApplicationName, ui::Buttons::Ok, ui::Icon::Exclamation);
    SetFocusField(kPasswordField);
    return false;
  }
  if (!user.empty() && administrator) return true;
  if (!administrator) ui::ShowMessage(MessageText(msg::kNotAdministrator), kApplicationName, ui::Buttons::Ok, ui::Icon::Exclamation);
  SetFocusField(kUserNameField);
  return false;
}

std::string CImpersonationAwareUserInterface::BrowseForFolder(const std::string& title,
                                                              const std::string& startFolder) {
  accounts_.RevertToSelf();
  auto resume = [this] {
    if (CRvcApp::LogonToken && CRvcApp::LogonToken->LoggedOn) accounts_.Impersonate(*CRvcApp::LogonToken);
  };
  std::string folder;
  try {
    folder = Inner().BrowseForFolder(title, startFolder);
  } catch (...) {
    resume();
    throw;
  }
  resume();
  return folder;
}

}  // namespace rvc::frame
