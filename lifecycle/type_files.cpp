#include "lifecycle/type_files.h"

#include <sys/stat.h>

#include "core/messages.h"
#include "core/rvc_exception.h"
#include "lifecycle/creation_journal.h"
#include "platform/path.h"
#include "store/rvc_utils.h"

namespace rvc::lifecycle {
namespace {

bool Exists(const std::string& path) {
  struct stat st {};
  return ::stat(platform::ResolveNoCase(path).c_str(), &st) == 0;
}

class CTypeFiles {
 public:
  explicit CTypeFiles(const TypeFilesChange& change)
      : change_(change),
        templates_(*change.templates),
        tdir_(platform::WithTrailingSeparator(templates_.TemplateFolder())),
        idir_(templates_.IniTemplateFolder()) {}

  void Step(CreationStep step) const {
    if (change_.step) change_.step(step);
  }
  std::string In(std::string_view piece) const {
    return platform::ResolveNoCase(change_.folder + platform::NativePath(piece));
  }
  const store::CTemplate& TypeOf(const std::string& type) const {
    const store::CTemplate* found = templates_.GetAt(templates_.FindType(type));
    if (found == nullptr) throw CRvcException(msg::kConfigurationFailed, type);
    return *found;
  }
  std::string Template(const std::string& file) {
    std::string pattern = file;
    if (file.empty() || !utils_.FindNewestFile(tdir_, pattern, false)) throw CRvcException(msg::kOpenFailed, tdir_ + file);
    return pattern;
  }
  // Notes `path` before it changes.
  void Note(const std::string& path) const {
    if (change_.journal != nullptr && !change_.journal->Preserve(path)) throw CRvcException(msg::kOpenFailed, path);
  }
  void Copy(const std::string& from, const std::string& to) const {
    Note(to);
    store::CopyOptions options;
    options.showProgress = false;
    utils_.CopyTree(from, to, options);
  }
  void Remove(const std::string& path) const {
    if (!Exists(path)) return;
    Note(path);
    utils_.DeleteTree(path, true, /*ignoreErrors=*/false);
  }

  void CarryIniOver() {
    const std::string& ini = change_.ini;
    const std::string difference = ini + "Dif";
    Step(CreationStep::SourceIniDifference);
    std::string oldTemplate = TypeOf(change_.oldType).DispatcherIni;
    if (!oldTemplate.empty() && utils_.FindNewestFile(idir_, oldTemplate, false) && Exists(ini)) {
      if (change_.journal != nullptr && !Exists(difference)) change_.journal->Created(difference);
      utils_.MakeDifferenceFile(oldTemplate, ini);
    }
    Step(CreationStep::TypeIni);
    std::string newTemplate = TypeOf(change_.newType).DispatcherIni;
    if (!newTemplate.empty() && utils_.FindNewestFile(idir_, newTemplate, false) && Exists(ini)) {
      Copy(newTemplate, ini);
      utils_.ApplyDifferenceFile(ini);
    }
    // The difference file has served its purpose; left behind, copies of copies would
    // pile them up.
    utils_.DeleteTree(difference, true, /*ignoreErrors=*/false);
  }

  void CopyTemplates() {
    const store::CTemplate& type = TypeOf(change_.newType);
    Step(CreationStep::FidFile);
    Copy(Template(type.FID), In("\\data\\" + templates_.FIDbase() + ".fid"));
    Step(CreationStep::ConfigurationFile);
    Copy(Template(type.Config), In("\\data\\zv_config.res"));
    Step(CreationStep::MediaFile);
    Copy(Template(type.PlateOrFilmFile), In(type.IsFilm() ? "\\data\\zv_film.res" : "\\data\\zv_plate.res"));
    // A dispatcher of the other kind left its media file; the configuration would read
    // whichever of the two is newer, so only the new type's file stays.
    Remove(In(type.IsFilm() ? "\\data\\zv_plate.res" : "\\data\\zv_film.res"));
    Step(CreationStep::RecorderFile);
    Copy(Template(type.Recorder), In("\\data\\zv_recorder.res"));
    Step(CreationStep::NamesFile);
    Copy(Template("zv_names.res"), In("\\data\\zv_names.res"));
  }

 private:
  const TypeFilesChange& change_;
  const store::CTemplateList& templates_;
  const std::string tdir_, idir_;
  store::CRvcUtils utils_;
};

}  // namespace

void CarryIniOverToType(const TypeFilesChange& change) { CTypeFiles(change).CarryIniOver(); }

void CopyTypeTemplates(const TypeFilesChange& change) { CTypeFiles(change).CopyTemplates(); }

}  // namespace rvc::lifecycle
