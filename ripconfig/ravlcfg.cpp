#include "ripconfig/ravlcfg.h"

namespace rvc::ripconfig {

RavlcfgHandle* ravlcfg_open(const std::string& configPath) { return ConfigurationStore::Open(configPath).release(); }

void ravlcfg_close(RavlcfgHandle** handle) {
  if (handle == nullptr) return;
  delete *handle;
  *handle = nullptr;
}

int ravlcfg_get_nr_errors(const RavlcfgHandle* handle) {
  return handle != nullptr ? static_cast<int>(handle->Errors().size()) : 0;
}

std::vector<std::string> ravlcfg_get_errormessages(const RavlcfgHandle* handle) {
  return handle != nullptr ? handle->Errors() : std::vector<std::string>{};
}

int ravlcfg_get_nr_warnings(const RavlcfgHandle* handle) {
  return handle != nullptr ? static_cast<int>(handle->Warnings().size()) : 0;
}

std::vector<std::string> ravlcfg_get_warningmessages(const RavlcfgHandle* handle) {
  return handle != nullptr ? handle->Warnings() : std::vector<std::string>{};
}

int ravlcfg_gain_writelock(RavlcfgHandle* handle, int waitSeconds) {
  return handle != nullptr && handle->GainWriteLock(waitSeconds) ? 1 : 0;
}

int ravlcfg_release_writelock(RavlcfgHandle* handle) {
  if (handle == nullptr) return 0;
  handle->ReleaseWriteLock();
  return 1;
}

int ravlcfg_write(RavlcfgHandle* handle) { return handle != nullptr && handle->Write() ? 1 : 0; }

int ravlcfg_set_lists(RavlcfgHandle* handle) {
  if (handle == nullptr) return 0;
  handle->SetLists();
  return 1;
}

BaseRecord* ravlcfg_get_base(RavlcfgHandle* handle) { return handle != nullptr ? &handle->Base() : nullptr; }

RecorderRecord* ravlcfg_get_rec(RavlcfgHandle* handle) { return handle != nullptr ? &handle->Recorder() : nullptr; }

int ravlcfg_get_nrfilms(const RavlcfgHandle* handle) { return handle != nullptr ? handle->FilmCount() : 0; }

std::vector<FilmRecord*> ravlcfg_get_films(const RavlcfgHandle* handle) {
  return handle != nullptr ? handle->Films() : std::vector<FilmRecord*>{};
}

int ravlcfg_get_nrsets(const RavlcfgHandle* handle) { return handle != nullptr ? handle->SetCount() : 0; }

std::vector<ResolutionSet*> ravlcfg_get_sets(const RavlcfgHandle* handle) {
  return handle != nullptr ? handle->Sets() : std::vector<ResolutionSet*>{};
}

int ravlcfg_get_nrconfs(const RavlcfgHandle* handle) { return handle != nullptr ? handle->ConfCount() : 0; }

std::vector<ConfigRecord*> ravlcfg_get_confs(const RavlcfgHandle* handle) {
  return handle != nullptr ? handle->Confs() : std::vector<ConfigRecord*>{};
}

int ravlcfg_get_nrnames(const RavlcfgHandle* handle) { return handle != nullptr ? handle->NameCount() : 0; }

std::vector<NameRecord*> ravlcfg_get_names(const RavlcfgHandle* handle) {
  return handle != nullptr ? handle->Names() : std::vector<NameRecord*>{};
}

ResolutionSet* ravlcfg_get_set(const RavlcfgHandle* handle, const std::string& setName) {
  return handle != nullptr ? handle->FindSet(setName) : nullptr;
}

ConfigRecord* ravlcfg_get_new_conf(RavlcfgHandle* handle) { return handle != nullptr ? handle->NewConf() : nullptr; }

FilmRecord* ravlcfg_add_film(RavlcfgHandle* handle) { return handle != nullptr ? handle->AddFilm() : nullptr; }

ResolutionSet* ravlcfg_get_new_set(RavlcfgHandle* handle, int nrResolutions) {
  return handle != nullptr ? handle->NewSet(nrResolutions) : nullptr;
}

ResolutionEntry* ravlcfg_add_resolution(RavlcfgHandle* handle, const std::string& setName) {
  return handle != nullptr ? handle->AddResolution(setName) : nullptr;
}

int ravlcfg_exist_resolution(const RavlcfgHandle* handle, const std::string& setName, double dpi) {
  return handle != nullptr && handle->ExistResolution(setName, dpi) ? 1 : 0;
}

int ravlcfg_del_resolution(RavlcfgHandle* handle, const std::string& setName, double dpi) {
  return handle != nullptr && handle->DeleteResolution(setName, dpi) ? 1 : 0;
}

int ravlcfg_del_conf(RavlcfgHandle* handle, const std::string& name) {
  return handle != nullptr && handle->DeleteConf(name) ? 1 : 0;
}

int ravlcfg_del_film(RavlcfgHandle* handle, const std::string& name) {
  return handle != nullptr && handle->DeleteFilm(name) ? 1 : 0;
}

int ravlcfg_del_set(RavlcfgHandle* handle, const std::string& name) {
  return handle != nullptr && handle->DeleteSet(name) ? 1 : 0;
}

int ravlcfg_set_used_conf(RavlcfgHandle* handle, const std::string& name) {
  return handle != nullptr && handle->SetUsedConf(name) ? 1 : 0;
}

int ravlcfg_use_gamma(RavlcfgHandle* handle, const std::string& setName, double dpi, int use) {
  return handle != nullptr && handle->UseGamma(setName, dpi, use != 0) ? 1 : 0;
}

ConfigRecord* ravlcfg_getresinfo(RavlcfgHandle* handle, const std::string& name) {
  return handle != nullptr ? handle->GetResInfo(name) : nullptr;
}

int ravlcfg_get_changed(const RavlcfgHandle* handle, int* confs, int* films, int* sets, int* names) {
  ConfigurationStore::Changes changes;
  if (handle != nullptr) changes = handle->Changed();
  if (confs != nullptr) *confs = changes.confs ? 1 : 0;
  if (films != nullptr) *films = changes.films ? 1 : 0;
  if (sets != nullptr) *sets = changes.sets ? 1 : 0;
  if (names != nullptr) *names = changes.names ? 1 : 0;
  return changes.Any() ? 1 : 0;
}

}  // namespace rvc::ripconfig
