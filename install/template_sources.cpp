#include "install/template_sources.h"

#include <sys/stat.h>

#include "platform/path.h"

namespace rvc::install {

CTemplateSources::CTemplateSources(const store::CTemplateList& templates, std::string templateCopy)
    : templates_(templates), templateCopy_(std::move(templateCopy)) {}

std::string CTemplateSources::Find(const std::string& folder, const std::string& pattern) {
  std::string found = pattern;
  return !pattern.empty() && utils_.FindNewestFile(folder, found, false) ? found : std::string();
}

std::string CTemplateSources::Resource(const std::string& file) {
  if (file.empty()) return {};
  if (!templateCopy_.empty()) return Find(templateCopy_, file);
  const std::string path = templates_.TemplatePath(file);
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) ? path : std::string();
}

std::string CTemplateSources::DispatcherIni(const store::CTemplate& type) {
  if (!templateCopy_.empty()) {
    const std::string named = Find(templateCopy_, type.DispatcherIni);
    return named.empty() ? Find(templateCopy_, "zv*dispatcher*.ini") : named;
  }
  if (!type.DispatcherIni.empty()) return Find(templates_.IniTemplateFolder(), type.DispatcherIni);
  return Find(templates_.ProgramFolder(), "zv*dispatcher.ini");
}

}  // namespace rvc::install
