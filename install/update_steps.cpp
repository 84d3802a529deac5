#include "install/update_steps.h"

#include <filesystem>
#include <fstream>

#include "platform/environment.h"
#include "platform/path.h"
#include "platform/text.h"
#include "store/rvc_utils.h"

namespace rvc::install {
namespace {

namespace fs = std::filesystem;

std::string In(const std::string& folder, const std::string& piece) {
  return platform::ResolveNoCase(platform::WithTrailingSeparator(folder) + piece);
}

store::CopyOptions Lenient() {
  store::CopyOptions options;
  options.stopAtErrors = false;
  options.showProgress = false;
  return options;
}

void CopyFile(const std::string& from, const std::string& to) {
  store::CopyOptions options;
  options.showProgress = false;
  store::CRvcUtils().CopyTree(from, to, options);
}

bool IsFile(const std::string& path) {
  std::error_code error;
  return fs::is_regular_file(path, error);
}

// The files below `folder` (not following links) whose names match `pattern`.
std::vector<std::string> FilesBelow(const std::string& folder, const std::string& pattern) {
  std::vector<std::string> found;
  std::error_code error;
  for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    if (it->is_regular_file(error) && platform::MatchesPatternNoCase(it->path().filename().string(), pattern)) {
      found.push_back(it->path().string());
    }
  }
  return found;
}

}  // namespace

void CopySavedFolder(const UpdateContext& context, const std::string& folder) {
  // The saved state is the job's own and is replaced file by file, never written into, so
  // its files are linked rather than copied; it stays whole for a run after a kill.
  store::CopyOptions options = Lenient();
  options.linkFiles = true;
  store::CRvcUtils().CopyTree(In(context.savedFolder, folder), context.dataFolder + folder, options);
}

void RewriteSavedTexts(const UpdateContext& context, const std::string& folder) {
  const store::CRvcUtils utils;
  const std::string root = In(context.dataFolder, folder);
  for (const std::string& file : FilesBelow(root, "servers.ini")) {
    utils.ReplaceInTextFile(file, context.install, context.dataFolder);
    utils.ReplaceInTextFile(file, "Velda Server", "Orva Server");
  }
  for (const char* pattern : {"swapfile*.sfd", "zv_config.res"}) {
    for (const std::string& file : FilesBelow(root, pattern)) utils.ReplaceInTextFile(file, context.install, context.dataFolder);
  }
  const std::string data = In(root, "data");
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(data, error)) {
    if (entry.is_regular_file(error) && platform::MatchesPatternNoCase(entry.path().filename().string(), "*.usr")) {
      utils.ReplaceInTextFile(entry.path().string(), "Velda Classic (precalculated)", "Orva Classic (precalculated)");
    }
  }
}

bool HotFoldersTakePdf(const std::string& label) { return label >= "V6.0"; }

void AddPdfToHotFolders(const std::string& serversIni) {
  store::ResourceDb db = store::ResourceDb::OpenOrThrow(serversIni);
  for (int i = 0; i < db.TopicCount(); ++i) {
    const std::optional<std::string> topic = db.TopicAt(i);
    if (!topic) continue;
    const std::optional<std::string> types = db.Find(*topic, "hotfortype");
    if (types && types->find("PDF*") == std::string::npos) db.Modify(*topic, "hotfortype", *types + ",PDF*");
  }
  db.Flush();
}

std::string DispatcherIni(const UpdateContext& context, const std::string& folder) {
  return In(context.dataFolder, folder + "/data/zv" + folder + "_dispatcher.ini");
}

void RefreshTemplates(const UpdateContext& context, const std::string& folder, const store::CTemplate& type) {
  const store::CTemplateList& templates = *context.templates;
  const store::CRvcUtils utils;
  const std::string data = In(context.dataFolder, folder + "/data");
  // Replaced by the template, then the dispatcher's customisations go back in.
  // The difference file has served once applied; the saved state keeps its own copy.
  auto reapply = [&](const std::string& target) {
    utils.ApplyDifferenceFile(target);
    utils.DeleteTree(target + "Dif", true, true);
  };
  auto refresh = [&](const std::string& templateFile, const std::string& target) {
    CopyFile(templates.TemplatePath(templateFile), target);
    reapply(target);
  };
  refresh(type.FID, In(data, templates.FIDbase() + ".fid"));
  refresh(type.PlateOrFilmFile, In(data, type.IsFilm() ? "zv_film.res" : "zv_plate.res"));
  refresh(type.Recorder, In(data, "zv_recorder.res"));
  CopyFile(templates.TemplatePath("zv_names.res"), In(data, "data/zv_names.res"));
  if (IsFile(In(data, "zv_config.res"))) refresh(type.Config, In(data, "zv_config.res"));

  store::CRvcUtils search;
  std::string ini = "zv*dispatcher.ini";
  if (!search.FindNewestFile(In(context.dataFolder, folder), ini, false)) return;
  std::string iniTemplate = type.DispatcherIni;
  const bool found = iniTemplate.empty() ? search.FindNewestFile(templates.ProgramFolder(), iniTemplate = "zv*dispatcher.ini", false)
                                         : search.FindNewestFile(templates.IniTemplateFolder(), iniTemplate, false);
  if (!found) return;
  CopyFile(iniTemplate, ini);
  reapply(ini);
}

void CleanEnvironment(store::ResourceDb& ini) {
  platform::KW_EnvironmentSetupEx();
  for (const platform::EnvironmentEntry& variable : platform::KW_EnvironmentList()) {
    const std::string value = variable.value.substr(0, variable.value.find(','));
    const std::optional<std::string> item = ini.Find("environment", variable.name);
    if (item && item->compare(0, value.size(), value) == 0) ini.RemoveItem("environment", variable.name);
  }
}

void ApplyFlavourSettings(const UpdateContext& context, store::ResourceDb& ini) {
  const bool proof = platform::EqualsNoCase(context.flavor, "Proof");
  const bool dedezi = platform::EqualsNoCase(context.flavor, "Dedezi");
  if (!proof && !dedezi) return;
  if (ini.HasItem("environment", "CMS_MODE")) ini.RemoveItem("environment", "CMS_MODE");
  if (dedezi) {
    const std::string mode = platform::ToUpperAscii(ini.Find("environment", "VDP_MODE").value_or(""));
    const bool keep = !mode.empty() && std::string_view("STATIC|VDP").find(mode) != std::string_view::npos;
    if (!keep) ini.Set("environment", "VDP_MODE", "VDP");
  }
  const std::string saved = proof ? "RavProofConfig" : "RavDedeziConfig";
  const std::string source = In(context.savedFolder, saved);
  std::error_code error;
  if (fs::is_directory(source, error)) store::CRvcUtils().CopyTree(source, context.dataFolder + saved, Lenient());
}

void CopyFromFirst(const UpdateContext& context, const std::string& first, const std::string& folder) {
  store::CopyOptions options = Lenient();
  options.overwrite = false;
  options.skipNames = {"data"};
  store::CRvcUtils().CopyTree(In(context.dataFolder, first), In(context.dataFolder, folder), options);
}

std::string PrinterName(const std::string& iniFile) {
  std::ifstream in(iniFile);
  for (std::string line; std::getline(in, line);) {
    if (store::CRvcUtils::FindNoCase(line, "papname") < 0) continue;
    const size_t equals = line.find('=');
    std::string value = equals == std::string::npos ? std::string() : line.substr(equals + 1);
    std::erase(value, '"');
    return std::string(platform::Trim(value));
  }
  return {};
}

void Register(const UpdateContext& context, const std::string& folder) {
  std::error_code error;
  fs::create_directories(In(context.dataFolder, "data"), error);
  CopyFile(DispatcherIni(context, folder), In(context.dataFolder, "data/zv" + folder + "_dispatcher.ini"));
}

}  // namespace rvc::install
