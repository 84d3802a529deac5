// Device types of one flavour: CTemplate is one type, CTemplateList all types of a
// flavour, loaded from the type list file ("rvc2.cfg") of the program folder or rebuilt
// from the ".fid" templates found on disk (docs/device-types.md).
#pragma once

#include <string>
#include <vector>

#include "store/resource_db.h"

namespace rvc::store {

struct CTemplate {
  std::string Name;             // the type name; a dispatcher's `Type`
  std::string FID;              // file name of the ".fid" template
  std::string PlateOrFilm;      // "FILM" for a film type; anything else is a plate type
  std::string PlateOrFilmFile;  // "ZV_FILM" or "ZV_PLATE" template file
  std::string Config;           // "ZV_CONFIG"
  std::string Recorder;         // "ZV_RECORDER"
  std::string DispatcherIni;    // "ZV_DISPATCHER"; may be empty after a rebuild

  bool IsFilm() const { return PlateOrFilm == "FILM"; }
};

class CTemplateList {
 public:
  // Loads `listFile` (109 when unreadable or an item is missing) or, with `rebuild`,
  // collects the types from the program folder's templates (110 when no ".fid" template
  // is found, 104 when a type lacks its recorder, configuration or film/plate template).
  // `listFile` is a path inside the program folder; its folder is the program folder.
  CTemplateList(std::string flavourKey, std::string listFile, bool rebuild);

  int GetCount() const { return static_cast<int>(templates_.size()); }
  // The type at `index`, or nullptr outside the list.
  const CTemplate* GetAt(int index) const;
  // Index of the type named `name`: exact (ignoring case), else "generic", else equal
  // without blanks, tabs and "_"; 110 "Configuration %s failed" otherwise.
  int FindType(const std::string& name) const;
  // FindType of the item "Type" of `topic`; a missing item shows "There is no type
  // specified for this Dispatcher!!" and gives 0. A null database raises 109 "Invalid handle".
  int ReadDispatcherType(const std::string& topic, const ResourceDb* db) const;
  // The item's value; a missing item shows "There is no version specified for this
  // Dispatcher!!" and gives "". A null database raises 109 "Invalid handle".
  std::string ReadDispatcherItem(const std::string& topic, const std::string& item, const ResourceDb* db) const;

  const std::string& FIDbase() const { return fidBase_; }
  // The template folder's name under "dat/templates/"; a rebuilt list takes the flavour key.
  const std::string& Flavor() const { return flavor_; }
  const std::string& Key() const { return key_; }
  const std::string& ListFile() const { return listFile_; }
  // The program folder, ending with the separator.
  const std::string& ProgramFolder() const { return programFolder_; }
  // The folder that holds the template files named by the types, ending with the
  // separator: ProgramFolder() + "dat/templates/" + Flavor() + "/" for a loaded list; for
  // a rebuilt list the folder the ".fid" templates were found in.
  const std::string& TemplateFolder() const { return templateFolder_; }
  // TemplateFolder() + `file`, the spelling on disk when it differs only in case.
  std::string TemplatePath(const std::string& file) const;
  // The one place of the types' dispatcher ini templates (DispatcherIni), for creation,
  // backup and update alike: ProgramFolder() + "dat/templates/inifiles/", ending with the
  // separator. The resource templates stay in TemplateFolder(). See docs/device-types.md.
  std::string IniTemplateFolder() const;

 private:
  void LoadFromListFile();
  void RebuildFromDisk();

  std::vector<CTemplate> templates_;
  std::string fidBase_;
  std::string flavor_;
  std::string key_;
  std::string listFile_;
  std::string programFolder_;
  std::string templateFolder_;
};

}  // namespace rvc::store
