#include "backup/commands.h"

#include <sys/wait.h>
#include <unistd.h>

#include <climits>

#include "core/rvc_exception.h"
#include "frame/rvc_app.h"
#include "lifecycle/scripted_commands.h"
#include "platform/environment.h"
#include "platform/path.h"
#include "plugins/plugin_api.h"
#include "plugins/type_plugin.h"
#include "store/dispatcher_list.h"
#include "store/resource_db.h"
#include "store/template_list.h"

namespace rvc::backup {
namespace {

// rvc_setup beside the running program, else "rvc_setup" for a search of PATH.
std::string SetupProgram() {
  char self[PATH_MAX] = {};
  const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
  if (length > 0) {
    std::string beside(self, static_cast<std::size_t>(length));
    beside = beside.substr(0, beside.rfind('/') + 1) + "rvc_setup";
    if (::access(beside.c_str(), X_OK) == 0) return beside;
  }
  return "rvc_setup";
}

// Runs the update job on the flavour copied to the temporary folder and waits for it.
bool RunUpdateJob(const RestoreContext& context) {
  const std::vector<std::string> args = {SetupProgram(),         context.Key, context.ProgramFolder + "/",
                                         context.DataFolder + "/", "-u",        frame::CRvcApp::ProductVersion};
  const pid_t child = ::fork();
  if (child < 0) return false;
  if (child == 0) {
    std::vector<char*> argv;
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    ::execvp(argv[0], argv.data());
    ::_exit(127);
  }
  int status = 0;
  while (::waitpid(child, &status, 0) < 0) {
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

RestoreContext MakeRestoreContext(frame::CommandRequest& request) {
  RestoreContext context;
  context.Lifecycle =
      lifecycle::MakeCommandContext(request.Flavours, request.FlavourIndex, request.CurrentIndex, request.PreferredFlavour);
  context.Lifecycle.ViewOnly = request.ViewOnly;
  context.Lifecycle.RefreshList = request.RefreshList;
  frame::CFlavour& flavour = request.Flavour();
  context.DisplayName = flavour.DisplayName;
  context.Key = flavour.Key;
  context.Version = flavour.Version;
  context.ProgramFolder = flavour.TemplateList->ProgramFolder();
  context.DataFolder = flavour.DispatcherList->DataFolder();
  context.RunUpdateJob = RunUpdateJob;
  // The device type's "backupdll" library, loaded for the call and unloaded after it.
  context.CallRestorePlugin = [data = context.DataFolder, program = context.ProgramFolder,
                               name = context.DisplayName](const store::CDispatcher& dispatcher, const std::string& source) {
    const plugins::TypePlugin plugin = plugins::TypePlugin::Load(program, dispatcher.Record.Type, "backupdll");
    plugin.Call<RvcRestoreFn, RvcRestoreTraceFn>("Restore", source.c_str(), data.c_str(), name.c_str(),
                                                 dispatcher.Record.Type.c_str(), program.c_str());
  };
  return context;
}

std::string LastSuccessfulBackup() {
  const std::string folder = platform::GetEnv("KW_DATA_RAVLINCONFIG").value_or("");
  const store::ResourceDb catalogue =
      store::ResourceDb::OpenOrThrow(platform::WithTrailingSeparator(folder) + frame::CRvcApp::CatalogueFileName);
  return catalogue.FindQuoted("_internal_", "LastSuccessfulBackup").value_or("");
}

void RegisterRestoreCommand(frame::CCommandTable& table) {
  table.Register(frame::Command::Restore, [](frame::CommandRequest& request) {
    if (request.ViewOnly) return;
    RestoreContext context = MakeRestoreContext(request);
    OnRestore(context, LastSuccessfulBackup());
    request.CurrentIndex = -1;
    request.ListChanged = true;
  });
}

}  // namespace rvc::backup
