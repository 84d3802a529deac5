// The administrator check and the login dialog.
//
// Interactive runs need an administrator (root or a member of the administrators group,
// platform/accounts.h). Anyone else is offered the login dialog: the credentials of an
// administrator account, checked with PAM, under which the program then works, or the
// view mode, in which nothing can be changed.
//
// User names: "domain\user" names an account of a domain. The domain "." and the name of
// this machine (ignoring case) mean a local account; any other domain is passed to PAM as
// "user@domain", the form under which SSSD and winbind know domain accounts.
#pragma once

#include <string>

#include "ui/forwarding_ui.h"
#include "ui/user_interface.h"

namespace rvc::frame {

// What a logon gives: the account it was made for, and whether it succeeded. A failed
// logon still leaves a token behind, an empty one.
struct AccountToken {
  std::string AccountName;  // "user", or "user@domain" for a domain account
  bool LoggedOn = false;
};

// The platform's account services. Tests replace them; CSystemAccounts is the real one.
class IAccountServices {
 public:
  virtual ~IAccountServices() = default;
  // Is the running process (nullptr) or the token's account an administrator? Raises
  // CRvcException 111 "System error at %s (%s)" when a system call fails.
  virtual bool IsAdministrator(const AccountToken* token) = 0;
  // Checks the credentials. `domain` is "." for the local machine.
  virtual AccountToken LogOn(const std::string& domain, const std::string& user, const std::string& password) = 0;
  // Works with the rights of the token's account from now on, as far as the platform
  // lets this process (111 on failure).
  virtual void Impersonate(const AccountToken& token) = 0;
  // Back to the process's own rights.
  virtual void RevertToSelf() = 0;
};

// PAM logons, group membership and effective-id switching (platform/accounts.h). A
// process not started by root cannot switch identity: it then keeps its own rights after
// a successful logon and traces that it does.
class CSystemAccounts : public IAccountServices {
 public:
  bool IsAdministrator(const AccountToken* token) override;
  AccountToken LogOn(const std::string& domain, const std::string& user, const std::string& password) override;
  void Impersonate(const AccountToken& token) override;
  void RevertToSelf() override;
};

// The account name to log on for `domain` + `user` (see the top of this file).
std::string AccountNameFor(const std::string& domain, const std::string& user);

// Splits "domain\user" at its first backslash; without one the domain is ".".
void SplitUserName(const std::string& userName, std::string& domain, std::string& user);

// The login dialog's model (dialog "Login"): the view binds the two fields and closes
// with Ok (OK button), Cancel, or Cancel after ChooseViewMode() ("View Mode" button).
// OnOk() checks the credentials; the dialog stays open while they do not let the user in.
class CLoginDialog : public ui::IDialogModel {
 public:
  enum class Result { Ok, Cancel, ViewMode };

  explicit CLoginDialog(IAccountServices& accounts) : accounts_(accounts) {}
  std::string DialogName() const override { return "Login"; }

  static constexpr const char* kTitle = "Login dialog";
  static constexpr const char* kPrompt = "Enter administrative Windows user or start Ravlin Configurator in view mode";
  // The fields that a refused OK names.
  static constexpr const char* kUserNameField = "UserName";
  static constexpr const char* kPasswordField = "Password";

  Result Run();

  // The "View Mode" button.
  void ChooseViewMode() { viewMode_ = true; }
  // The OK button: logs on with the fields. True when the dialog may close: the account
  // is an administrator and the program now works with its rights (CRvcApp::LogonToken).
  // Otherwise the user has been told why (169: focus on the password; 121, or no user
  // name: focus on the user name) and the dialog stays.
  bool OnOk() override;

  std::string Password;
  std::string UserName;

 private:
  IAccountServices& accounts_;
  bool viewMode_ = false;
};

// Wraps the user interface so that folder dialogs run with the interactive user's own
// rights: the impersonation is dropped while one is open and resumed after it when a
// logon token is held.
class CImpersonationAwareUserInterface : public ui::CForwardingUserInterface {
 public:
  CImpersonationAwareUserInterface(ui::IUserInterface& inner, IAccountServices& accounts)
      : CForwardingUserInterface(inner), accounts_(accounts) {}

  std::string BrowseForFolder(const std::string& title, const std::string& startFolder) override;

 private:
  IAccountServices& accounts_;
};

}  // namespace rvc::frame
