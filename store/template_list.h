// Device types of one flavour: CTemplate is one type, CTemplateList all types of a
// flavour, loaded from the type list file ("rvc2.cfg") of the program folder or rebuilt
// from the ".fid" templates found on disk (docs/device-types.md).
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "store/resource_db.h"

namespace rvc::store {

// A text of a type: a view of what its CTemplateList holds, valid while the list lives.
// It turns into a std::string wherever one is wanted.
class TemplateText : public std::string_view {
 public:
  TemplateText() = default;
  TemplateText(std::string_view text) : std::string_view(text) {}  // NOLINT: a view stays a view
  TemplateText(const char* literal) : std::string_view(literal) {}  // NOLINT
  operator std::string() const { return std::string(data(), size()); }  // NOLINT: callers take strings
};

struct CTemplate {
  TemplateText Name;             // the type name; a dispatcher's `Type`
  TemplateText FID;              // file name of the ".fid" template
  TemplateText PlateOrFilm;      // "FILM" for a film type; anything else is a plate type
  TemplateText PlateOrFilmFile;  // "ZV_FILM" or "ZV_PLATE" template file
  TemplateText Config;           // "ZV_CONFIG"
  TemplateText Recorder;         // "ZV_RECORDER"
  TemplateText DispatcherIni;    // "ZV_DISPATCHER"; may be empty after a rebuild

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
  std::string TemplatePath(std::string_view file) const;
  // The one place of the types' dispatcher ini templates (DispatcherIni), for creation,
  // backup and update alike: ProgramFolder() + "dat/templates/inifiles/", ending with the
  // separator. The resource templates stay in TemplateFolder(). See docs/device-types.md.
  std::string IniTemplateFolder() const;

 private:
  void LoadFromListFile();
  void RebuildFromDisk();
  // `text` where the list keeps it for its types to view.
  TemplateText Keep(std::string_view text);

  std::vector<CTemplate> templates_;
  // The texts the types view: one block, sized once, for a list file's values; one string
  // each for those a rebuild puts together. Neither moves with the list.
  std::unique_ptr<char[]> block_;
  size_t blockSize_ = 0;
  size_t blockUsed_ = 0;
  std::vector<std::unique_ptr<std::string>> texts_;
  std::string fidBase_;
  std::string flavor_;
  std::string key_;
  std::string listFile_;
  std::string programFolder_;
  std::string templateFolder_;
};

}  // namespace rvc::store
