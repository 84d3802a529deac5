// The files of a dispatcher that follow its device type: the ini file keeps its
// customisations across the change of its template, and the FID, configuration, media,
// recorder and names files are copied from the new type's templates. Shared by the
// creation of a dispatcher (its copied files take the new type) and by the Modify command
// (a dispatcher that gets another type in place).
#pragma once

#include <functional>
#include <string>

#include "lifecycle/dispatcher_creation.h"
#include "store/template_list.h"

namespace rvc::lifecycle {

class CCreationJournal;

struct TypeFilesChange {
  std::string folder;   // the dispatcher's folder, without a trailing separator
  std::string ini;      // its ini file
  std::string oldType;  // the type whose ini template the ini file was made from
  std::string newType;
  const store::CTemplateList* templates = nullptr;
  // When given, every file is noted (preserved or created) before it is replaced or removed.
  CCreationJournal* journal = nullptr;
  // Called at the start of each step; may throw to fail that step.
  std::function<void(CreationStep step)> step;
};

// The ini file's differences from the old type's ini template are written aside, the new
// type's template is copied over it and the differences are applied again. Without either
// template, or without the ini file, the ini file stays as it is. Steps
// SourceIniDifference and TypeIni.
void CarryIniOverToType(const TypeFilesChange& change);

// The new type's FID, configuration, media (film or plate: the other kind's file goes),
// recorder and names templates copied into the folder's "data". A template the flavour
// lacks raises message 104. Steps FidFile to NamesFile.
void CopyTypeTemplates(const TypeFilesChange& change);

}  // namespace rvc::lifecycle
