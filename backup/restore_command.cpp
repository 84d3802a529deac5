#include "backup/restore_command.h"

#include <unistd.h>

#include "backup/external_program.h"
#include "core/rvc_exception.h"
#include "core/rvc_trace.h"
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

// Runs the update job on the flavour copied to the temporary folder and waits for it.
bool RunUpdateJob(const RestoreContext& context) {
  std::string configurator = FindConfigurator();
  if (configurator.empty()) configurator = "rvc_setup";
  return RunAndWait({configurator, context.Key, context.ProgramFolder + "/", context.DataFolder + "/", "-u",
                     frame::CRvcApp::ProductVersion}) == 0;
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
  context.RunProofTool = [program = context.ProgramFolder](const std::string& tool,
                                                             const std::vector<std::string>& arguments) {
    const std::string path = platform::ResolveNoCase(program + "bin_ix86/" + tool);
    if (::access(path.c_str(), X_OK) != 0) {
      CRvcTrace(std::string()).Trace("Restore: the proof server's tool " + path + " is not installed");
      return;
    }
    std::vector<std::string> command{path};
    command.insert(command.end(), arguments.begin(), arguments.end());
    RunAndWait(command);
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
