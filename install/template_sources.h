// Where the backup and the update take a device type's template files from.
//
// Resource templates (".fid", film or plate, recorder, configuration, "zv_names.res") lie in
// the flavour's template folder, program folder + "dat/templates/" + Flavor; the dispatcher
// ini templates lie in program folder + "dat/templates/inifiles/" (the same place creation
// takes them from, CTemplateList::IniTemplateFolder). A backup prefers the template copy
// in temp + Flavor + "prog" when one exists: there a file is found by its name anywhere in
// the copy, and an ini template by its name or else by "zv*dispatcher*.ini".
#pragma once

#include <string>

#include "store/rvc_utils.h"
#include "store/template_list.h"

namespace rvc::install {

class CTemplateSources {
 public:
  // `templateCopy` is "" when the program folder's templates are used.
  CTemplateSources(const store::CTemplateList& templates, std::string templateCopy);

  // The template `file` (a resource template of a type), or "" when there is none.
  std::string Resource(const std::string& file);
  // The ini template of `type`, or "" when there is none. Without a template copy, a type
  // that names no ini template takes the first "zv*dispatcher.ini" of the program folder
  // (searched depth first).
  std::string DispatcherIni(const store::CTemplate& type);

 private:
  std::string Find(const std::string& folder, const std::string& pattern);

  const store::CTemplateList& templates_;
  std::string templateCopy_;
  store::CRvcUtils utils_;
};

}  // namespace rvc::install
