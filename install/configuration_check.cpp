#include "install/configuration_check.h"

#include <cstdio>
#include <span>

#include "core/messages.h"
#include "core/rvc_exception.h"
#include "core/rvc_trace.h"
#include "frame/rvc_app.h"
#include "platform/path.h"
#include "platform/text.h"
#include "ui/user_interface.h"

namespace rvc::install {
namespace {

void Trace(const std::string& text) { CRvcTrace("").Trace(text); }

std::string Mil(double size) {
  char text[64];
  std::snprintf(text, sizeof text, "%f", size);
  return text;
}

void Show(int id, std::span<const std::string> arguments) {
  ui::ShowMessage(MessageText(id, arguments), frame::kApplicationName, ui::Buttons::Ok, ui::Icon::Exclamation);
}

// One direction of one film: `size` against `maximum`.
void Fit(const std::string& film, const char* direction, double& size, double& maximum, bool reduce) {
  if (size <= maximum) return;
  Trace(std::string("The ") + direction + " size of the " + film + " media is bigger than the " + direction +
        " maximum device size.");
  if (reduce) {
    Trace(std::string("The ") + direction + " size of the " + film + " media will be reduced from " + Mil(size) +
          " mil to " + Mil(maximum) + " mil.");
    size = maximum;
  } else {
    Trace(std::string("The ") + direction + " maximum device size will be enlarged from " + Mil(maximum) + " mil to " +
          Mil(size) + " mil.");
    maximum = size;
  }
}

}  // namespace

bool ReducesFilms(const std::string& flavor) {
  return platform::EqualsNoCase(flavor, "B") || platform::EqualsNoCase(flavor, "BI");
}

void FitDeviceSizes(ripconfig::ConfigurationStore& cfg, bool reduceFilms) {
  ripconfig::RecorderRecord& recorder = cfg.Recorder();
  for (ripconfig::FilmRecord* film : cfg.Films()) {
    if (reduceFilms && (film->verticalSize > recorder.maxHeight || film->horizontalSize > recorder.maxWidth)) {
      const std::string name[] = {film->name};
      Show(msg::kFilmReduced, name);
    }
    Fit(film->name, "vertical", film->verticalSize, recorder.maxHeight, reduceFilms);
    Fit(film->name, "horizontal", film->horizontalSize, recorder.maxWidth, reduceFilms);
  }
}

void RepairReferences(ripconfig::ConfigurationStore& cfg) {
  cfg.SetLists();
  const std::vector<ripconfig::FilmRecord*> films = cfg.Films();
  const std::vector<ripconfig::ResolutionSet*> sets = cfg.Sets();
  const std::string names = cfg.Base().confNames;
  for (std::string_view word : platform::SplitWords(names)) {
    ripconfig::ConfigRecord* conf = cfg.GetResInfo(word);
    if (conf == nullptr) continue;
    if (cfg.FindFilm(conf->film) == nullptr && !films.empty()) {
      const std::string arguments[] = {conf->name, conf->film, films.front()->name};
      Show(msg::kInvalidFilmReference, arguments);
      conf->TakeMediaValues(*films.front());
      conf->film = films.front()->name;
    }
    if (cfg.FindSet(conf->set) == nullptr && !sets.empty()) {
      const std::string arguments[] = {conf->name, conf->set, sets.front()->name};
      Show(msg::kInvalidSetReference, arguments);
      conf->set = sets.front()->name;
    }
  }
}

CheckResult CheckConfiguration(const std::string& configFile, const std::string& name, bool reduceFilms) {
  std::unique_ptr<ripconfig::ConfigurationStore> cfg = ripconfig::ConfigurationStore::Open(configFile);
  if (cfg == nullptr) {
    Trace("Dispatcher" + name + ": RAVLCFG_ERROR: A serious error occured. Probably one of the resfiles is missing.");
    return CheckResult::CannotOpen;
  }
  if (!cfg->Errors().empty()) {
    for (const std::string& error : cfg->Errors()) Trace("Dispatcher" + name + ": " + error);
    return CheckResult::Errors;
  }
  cfg->GainWriteLock(0);
  RepairReferences(*cfg);
  FitDeviceSizes(*cfg, reduceFilms);
  if (!cfg->Write()) {
    for (const std::string& error : cfg->Errors()) Trace("Dispatcher" + name + ": " + error);
  }
  cfg->ReleaseWriteLock();
  return CheckResult::Passed;
}

}  // namespace rvc::install
