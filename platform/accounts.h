// User accounts, groups, authentication and impersonation on a POSIX system.
//
// The administrators of an installation are root and the members of one group: by
// default "lpadmin" (the group that administers printers on Debian-like systems), or the
// group named by RAVLIN_ADMIN_GROUP in the installation's environment file. The process
// environment cannot change it: a variable that any user can set is no way to hand out
// administrator rights.
//
// Authentication goes through PAM with the service "ravlin" when /etc/pam.d/ravlin
// exists, else "login". Impersonation switches the effective user, group and
// supplementary groups, which only a process started by root can do (and undo).
//
// Failing system calls raise SystemError with the call's name and errno.
#pragma once

#include <sys/types.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace rvc::platform {

class SystemError : public std::runtime_error {
 public:
  SystemError(std::string call, int number);
  const std::string& Call() const { return call_; }
  int Number() const { return number_; }

 private:
  std::string call_;
  int number_;
};

struct Account {
  std::string name;
  uid_t uid = 0;
  gid_t gid = 0;
};

inline constexpr const char* kDefaultAdministratorGroup = "lpadmin";

// RAVLIN_ADMIN_GROUP of the installation's environment file, else "lpadmin".
std::string AdministratorGroupName();

// The group's id; nothing when there is no such group.
std::optional<gid_t> FindGroup(const std::string& name);
// The account's entry; nothing when there is no such account.
std::optional<Account> FindAccount(const std::string& name);
// The account's primary and supplementary groups.
std::vector<gid_t> AccountGroups(const Account& account);

// Root, or a member of the administrators group named `groupName`: the account...
bool AccountIsAdministrator(const Account& account, const std::string& groupName);
// ... or the process as it runs now (effective user and groups).
bool ProcessIsAdministrator(const std::string& groupName);

// "ravlin" when the system has a PAM service of that name, else "login".
std::string PamServiceName();

// Checks the password and the account's validity with PAM. False with the reason in
// `reason` when the logon is refused or PAM is not available in this build.
bool Authenticate(const std::string& service, const std::string& user, const std::string& password,
                  std::string* reason = nullptr);

// Effective identity switching. Only possible when the process was started by root
// (real or saved user id 0).
bool CanImpersonate();
// Takes on the account's user, group and supplementary groups (SystemError on failure;
// a previous impersonation is ended first).
void Impersonate(const Account& account);
// Back to the identity the process was started with; nothing when not impersonating.
void RevertToSelf();
bool IsImpersonating();

}  // namespace rvc::platform
