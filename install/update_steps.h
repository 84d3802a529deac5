// The steps that migrate one saved dispatcher into the new version's data folder, in the
// order the update runs them (CRvcInstaller::Update). Each takes what it needs of the
// flavour from UpdateContext; failures raise CRvcException.
#pragma once

#include <string>

#include "store/resource_db.h"
#include "store/template_list.h"

namespace rvc::install {

struct UpdateContext {
  std::string dataFolder;   // the new version's data folder, ending with the separator
  std::string savedFolder;  // temp + Flavor, ending with the separator
  std::string install;      // the previous data folder ("Main"/"Install" of the saved list)
  std::string flavor;       // the template folder's name, "Flavor"
  std::string label;        // the flavour's version label
  const store::CTemplateList* templates = nullptr;
};

// Copies the saved folder over the dispatcher's folder, overwriting, not stopping at
// errors.
void CopySavedFolder(const UpdateContext& context, const std::string& folder);
// Old data folder paths become the new one in "servers.ini", "swapfile*.sfd" and
// "zv_config.res" anywhere in the dispatcher's folder, the old company name the present one
// in "servers.ini" and in the "*.usr" files of its "data" folder.
void RewriteSavedTexts(const UpdateContext& context, const std::string& folder);
// Whether the version label compares (as text) at or above "V6.0": hot folders of those
// versions take PDF jobs.
bool HotFoldersTakePdf(const std::string& label);
// Every queue of "servers.ini" whose "hotfortype" lacks "PDF*" gets ",PDF*" appended.
void AddPdfToHotFolders(const std::string& serversIni);
// The resource files and the ini file are replaced by the new templates of `type`, then
// the dispatcher's own difference files are applied again (and removed: the saved state
// keeps them until the update is over).
void RefreshTemplates(const UpdateContext& context, const std::string& folder, const store::CTemplate& type);
// The dispatcher's ini file: data folder + Folder + "/data/zv" + Folder + "_dispatcher.ini".
std::string DispatcherIni(const UpdateContext& context, const std::string& folder);
// Removes the "environment" items whose value starts with the installation's value of the
// variable of that name (cut at its first ",").
void CleanEnvironment(store::ResourceDb& ini);
// "Proof" and "Dedezi": the "CMS_MODE" item goes; Dedezi keeps a "VDP_MODE" of STATIC or VDP
// (any case) and sets any other, or a missing one, to "VDP". Then the flavour's saved
// configuration folder ("RavProofConfig", "RavDedeziConfig") is copied back.
void ApplyFlavourSettings(const UpdateContext& context, store::ResourceDb& ini);
// Later dispatchers take what the first one has beside its "data" folder; their own files
// stay.
void CopyFromFirst(const UpdateContext& context, const std::string& first, const std::string& folder);
// The "papname" value of an ini file without its double quotes; "" when there is none.
std::string PrinterName(const std::string& iniFile);
// The dispatcher is listed by the flavour again: its ini file is copied to the flavour's
// "data" folder, where the list is rebuilt from at the next start.
void Register(const UpdateContext& context, const std::string& folder);

}  // namespace rvc::install
