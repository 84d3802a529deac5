#include "frame/version_selection.h"

#include <cctype>

#include "frame/rvc_app.h"
#include "platform/environment.h"
#include "platform/path.h"

namespace rvc::frame {
namespace {

void Tell(const std::string& text) { ui::ShowMessage(text, kApplicationName); }

}  // namespace

std::string CatalogueVersion(const std::string& fileName) {
  const std::string name = store::CRvcUtils::GetNamePart(fileName);
  if (platform::EqualsNoCase(name, "rvc")) return {};
  size_t underscore = name.rfind('_');
  if (underscore == std::string::npos) return {};
  std::string version = name.substr(underscore + 1);
  if (version.find('.') == std::string::npos) return {};
  // "10.1" reads as 101, "5.1" as 51: versions before 6.0 come out below 60.
  long number = 0;
  for (char c : version) {
    if (c == '.') continue;
    if (!std::isdigit(static_cast<unsigned char>(c))) break;
    number = number * 10 + (c - '0');
    if (number > 1000000) break;
  }
  if (number < 60) return {};
  return version;
}

void CVersionSelection::FindVersions(const std::string& folder) {
  Entries.clear();
  Versions.clear();
  Catalogues.clear();
  for (bool found = utils_.FindFirstMatch(folder, "rvc*.dat"); found; found = utils_.FindNextMatch()) {
    const std::string& file = utils_.FoundName();
    std::string version = CatalogueVersion(file);
    if (version.empty()) continue;
    Entries.push_back("Ravlin " + version);
    Versions.push_back(version);
    Catalogues.push_back(store::CRvcUtils::GetNamePart(file) + ".dat");
  }
}

ui::DialogResult CVersionSelection::Run() {
  const std::string setting = platform::GetEnv("KW_DATA_RAVLINCONFIG").value_or("");
  if (setting.empty()) {
    Tell("The logical 'KW_DATA_RAVLINCONFIG' is not defined");
    return ui::DialogResult::Cancel;
  }
  const std::string folder = utils_.ExpandFolder(setting);
  if (!utils_.FindFirstMatch(folder, "rvc*.dat")) {
    Tell("No 'rvc_<version>.dat' files found at : " + folder);
    return ui::DialogResult::Cancel;
  }
  FindVersions(folder);
  if (Entries.empty()) {
    Tell("No Ravlin version of 6.0 or later found at : " + folder);
    return ui::DialogResult::Cancel;
  }
  Selection = 0;
  if (Entries.size() == 1) {
    OnOk();
    return ui::DialogResult::Ok;
  }
  return ui::Current().RunDialog(*this);  // its Ok took the choice
}

bool CVersionSelection::OnOk() {
  if (Selection < 0 || Selection >= static_cast<int>(Entries.size())) return true;
  const auto index = static_cast<size_t>(Selection);
  Choice = Entries[index];
  ChosenVersion = Versions[index];
  ChosenCatalogue = Catalogues[index];
  return true;
}

}  // namespace rvc::frame
