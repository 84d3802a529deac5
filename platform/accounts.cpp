#include "platform/accounts.h"

#include <grp.h>
#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "platform/environment.h"
#include "platform/plugin_library.h"

#ifdef RVC_HAVE_PAM
#include <security/pam_appl.h>
#endif

namespace rvc::platform {
namespace {

// getgrnam_r and getpwnam_r want a buffer big enough for the whole entry; start with the
// system's hint and grow on ERANGE.
size_t InitialBufferSize(int name) {
  long hint = ::sysconf(name);
  return hint > 0 ? static_cast<size_t>(hint) : 4096;
}

struct ImpersonationState {
  bool active = false;
  uid_t euid = 0;
  gid_t egid = 0;
  std::vector<gid_t> groups;
};

ImpersonationState& State() {
  static ImpersonationState state;
  return state;
}

std::vector<gid_t> ProcessGroups() {
  int count = ::getgroups(0, nullptr);
  if (count < 0) throw SystemError("getgroups", errno);
  std::vector<gid_t> groups(static_cast<size_t>(count));
  count = ::getgroups(count, groups.data());
  if (count < 0) throw SystemError("getgroups", errno);
  groups.resize(static_cast<size_t>(count));
  return groups;
}

void SetGroups(const std::vector<gid_t>& groups) {
  if (::setgroups(groups.size(), groups.data()) != 0) throw SystemError("setgroups", errno);
}

}  // namespace

SystemError::SystemError(std::string call, int number)
    : std::runtime_error(call + ": " + std::strerror(number)), call_(std::move(call)), number_(number) {}

std::string AdministratorGroupName() {
  std::string name = kDefaultAdministratorGroup;
  for (const auto& entry : ReadEnvironmentFile(EnvironmentFilePath())) {
    if (entry.name == "RAVLIN_ADMIN_GROUP" && !entry.value.empty()) name = entry.value;
  }
  return name;
}

std::optional<gid_t> FindGroup(const std::string& name) {
  std::vector<char> buffer(InitialBufferSize(_SC_GETGR_R_SIZE_MAX));
  for (;;) {
    struct group entry {};
    struct group* found = nullptr;
    int error = ::getgrnam_r(name.c_str(), &entry, buffer.data(), buffer.size(), &found);
    if (error == ERANGE && buffer.size() < (1u << 24)) {
      buffer.resize(buffer.size() * 2);
      continue;
    }
    // "Not found" comes back as 0 or, depending on the name service, as one of these.
    if (error == 0 || error == ENOENT || error == ESRCH || error == EBADF || error == EPERM) {
      if (found == nullptr) return std::nullopt;
      return found->gr_gid;
    }
    throw SystemError("getgrnam_r", error);
  }
}

std::optional<Account> FindAccount(const std::string& name) {
  std::vector<char> buffer(InitialBufferSize(_SC_GETPW_R_SIZE_MAX));
  for (;;) {
    struct passwd entry {};
    struct passwd* found = nullptr;
    int error = ::getpwnam_r(name.c_str(), &entry, buffer.data(), buffer.size(), &found);
    if (error == ERANGE && buffer.size() < (1u << 24)) {
      buffer.resize(buffer.size() * 2);
      continue;
    }
    if (error == 0 || error == ENOENT || error == ESRCH || error == EBADF || error == EPERM) {
      if (found == nullptr) return std::nullopt;
      return Account{found->pw_name, found->pw_uid, found->pw_gid};
    }
    throw SystemError("getpwnam_r", error);
  }
}

std::vector<gid_t> AccountGroups(const Account& account) {
  std::vector<gid_t> groups(32);
  for (int attempt = 0; attempt < 8; ++attempt) {
    int count = static_cast<int>(groups.size());
    if (::getgrouplist(account.name.c_str(), account.gid, groups.data(), &count) >= 0) {
      groups.resize(static_cast<size_t>(count));
      return groups;
    }
    // Too small: `count` now holds the number needed.
    groups.resize(static_cast<size_t>(count > static_cast<int>(groups.size()) ? count : 2 * count));
  }
  throw SystemError("getgrouplist", errno != 0 ? errno : ERANGE);
}

bool AccountIsAdministrator(const Account& account, const std::string& groupName) {
  if (account.uid == 0) return true;
  auto group = FindGroup(groupName);
  if (!group) return false;
  for (gid_t id : AccountGroups(account)) {
    if (id == *group) return true;
  }
  return false;
}

bool ProcessIsAdministrator(const std::string& groupName) {
  if (::geteuid() == 0) return true;
  auto group = FindGroup(groupName);
  if (!group) return false;
  if (::getegid() == *group) return true;
  for (gid_t id : ProcessGroups()) {
    if (id == *group) return true;
  }
  return false;
}

std::string PamServiceName() { return ::access("/etc/pam.d/ravlin", F_OK) == 0 ? "ravlin" : "login"; }

#ifdef RVC_HAVE_PAM
namespace {

struct Credentials {
  const std::string* user;
  const std::string* password;
};

// Answers PAM's prompts: the password for hidden prompts, the user name for visible ones.
int Converse(int count, const struct pam_message** messages, struct pam_response** responses, void* data) {
  if (count <= 0) return PAM_CONV_ERR;
  const auto* credentials = static_cast<const Credentials*>(data);
  auto* answers = static_cast<pam_response*>(std::calloc(static_cast<size_t>(count), sizeof(pam_response)));
  if (answers == nullptr) return PAM_BUF_ERR;
  for (int i = 0; i < count; ++i) {
    const char* text = nullptr;
    switch (messages[i]->msg_style) {
      case PAM_PROMPT_ECHO_OFF:
        text = credentials->password->c_str();
        break;
      case PAM_PROMPT_ECHO_ON:
        text = credentials->user->c_str();
        break;
      default:
        break;  // information and error texts need no answer
    }
    if (text != nullptr) {
      answers[i].resp = ::strdup(text);
      if (answers[i].resp == nullptr) {
        for (int j = 0; j < i; ++j) std::free(answers[j].resp);
        std::free(answers);
        return PAM_BUF_ERR;
      }
    }
  }
  *responses = answers;
  return PAM_SUCCESS;
}

// PAM is loaded at the first logon rather than with the program: most starts are made by
// administrators and never log on, and would pay for loading libpam and its dependencies.
// The library stays loaded for the rest of the process.
struct PamLibrary {
  decltype(&::pam_start) start = nullptr;
  decltype(&::pam_authenticate) authenticate = nullptr;
  decltype(&::pam_acct_mgmt) acctMgmt = nullptr;
  decltype(&::pam_strerror) errorText = nullptr;
  decltype(&::pam_end) end = nullptr;
  std::string error;  // why the library is unusable, or empty
};

PamLibrary LoadPam() {
  PamLibrary pam;
  std::string reason;
  const auto library = PluginLibrary::Load("libpam.so.0", &reason);
  if (!library) {
    pam.error = "cannot load libpam.so.0: " + reason;
    return pam;
  }
  if (!library->Bind("pam_start", pam.start) || !library->Bind("pam_authenticate", pam.authenticate) ||
      !library->Bind("pam_acct_mgmt", pam.acctMgmt) || !library->Bind("pam_strerror", pam.errorText) ||
      !library->Bind("pam_end", pam.end)) {
    pam.error = "libpam.so.0 lacks pam_start, pam_authenticate, pam_acct_mgmt, pam_strerror or pam_end";
    return pam;
  }
  library->KeepLoaded();
  return pam;
}

const PamLibrary& Pam() {
  static const PamLibrary pam = LoadPam();
  return pam;
}

}  // namespace

bool Authenticate(const std::string& service, const std::string& user, const std::string& password,
                  std::string* reason) {
  const PamLibrary& pam = Pam();
  if (!pam.error.empty()) {
    if (reason) *reason = pam.error;
    return false;
  }
  Credentials credentials{&user, &password};
  struct pam_conv conversation {
    Converse, &credentials
  };
  pam_handle_t* handle = nullptr;
  int result = pam.start(service.c_str(), user.c_str(), &conversation, &handle);
  if (result != PAM_SUCCESS) {
    if (reason) *reason = "pam_start failed";
    return false;
  }
  result = pam.authenticate(handle, PAM_SILENT | PAM_DISALLOW_NULL_AUTHTOK);
  if (result == PAM_SUCCESS) result = pam.acctMgmt(handle, PAM_SILENT);
  if (result != PAM_SUCCESS && reason) *reason = pam.errorText(handle, result);
  pam.end(handle, result);
  return result == PAM_SUCCESS;
}
#else
bool Authenticate(const std::string&, const std::string&, const std::string&, std::string* reason) {
  if (reason) *reason = "this build has no PAM support";
  return false;
}
#endif

bool CanImpersonate() {
  uid_t real = 0, effective = 0, saved = 0;
  if (::getresuid(&real, &effective, &saved) != 0) return false;
  return real == 0 || effective == 0 || saved == 0;
}

void Impersonate(const Account& account) {
  RevertToSelf();
  ImpersonationState original;
  original.euid = ::geteuid();
  original.egid = ::getegid();
  original.groups = ProcessGroups();
  std::vector<gid_t> groups = AccountGroups(account);
  // Changing groups needs root as the effective user.
  if (original.euid != 0 && ::seteuid(0) != 0) throw SystemError("seteuid", errno);
  original.active = true;
  State() = original;
  try {
    SetGroups(groups);
    if (::setegid(account.gid) != 0) throw SystemError("setegid", errno);
    if (::seteuid(account.uid) != 0) throw SystemError("seteuid", errno);
  } catch (const SystemError&) {
    RevertToSelf();
    throw;
  }
}

void RevertToSelf() {
  ImpersonationState& state = State();
  if (!state.active) return;
  if (::geteuid() != 0 && ::seteuid(0) != 0) throw SystemError("seteuid", errno);
  SetGroups(state.groups);
  if (::setegid(state.egid) != 0) throw SystemError("setegid", errno);
  if (state.euid != 0 && ::seteuid(state.euid) != 0) throw SystemError("seteuid", errno);
  state.active = false;
}

bool IsImpersonating() { return State().active; }

}  // namespace rvc::platform
