// The configuration library's operations in the shape its callers use: a handle from
// ravlcfg_open, plain functions on it, ravlcfg_close with the handle's address. Every
// function accepts a null handle and then does nothing (0, nullptr or an empty list).
// Code that prefers RAII uses ConfigurationStore directly; the handle is one.
#pragma once

#include <string>
#include <vector>

#include "ripconfig/configuration_store.h"
#include "ripconfig/records.h"

namespace rvc::ripconfig {

using RavlcfgHandle = ConfigurationStore;

// `configPath` is the dispatcher folder + "\data\zv_config.res". nullptr when that file
// cannot be read (callers show message 158); problems of its companions are errors.
RavlcfgHandle* ravlcfg_open(const std::string& configPath);
// Frees the handle (dropping unwritten changes, letting the write lock go) and clears it.
void ravlcfg_close(RavlcfgHandle** handle);

int ravlcfg_get_nr_errors(const RavlcfgHandle* handle);
std::vector<std::string> ravlcfg_get_errormessages(const RavlcfgHandle* handle);
int ravlcfg_get_nr_warnings(const RavlcfgHandle* handle);
std::vector<std::string> ravlcfg_get_warningmessages(const RavlcfgHandle* handle);

// 1 when the lock is held afterwards. `waitSeconds` 0 tries once.
int ravlcfg_gain_writelock(RavlcfgHandle* handle, int waitSeconds);
int ravlcfg_release_writelock(RavlcfgHandle* handle);
// 1 when every change is stored; needs the write lock.
int ravlcfg_write(RavlcfgHandle* handle);

// Refreshes the base record's names and counts from the lists.
int ravlcfg_set_lists(RavlcfgHandle* handle);
BaseRecord* ravlcfg_get_base(RavlcfgHandle* handle);
RecorderRecord* ravlcfg_get_rec(RavlcfgHandle* handle);

int ravlcfg_get_nrfilms(const RavlcfgHandle* handle);
std::vector<FilmRecord*> ravlcfg_get_films(const RavlcfgHandle* handle);
int ravlcfg_get_nrsets(const RavlcfgHandle* handle);
std::vector<ResolutionSet*> ravlcfg_get_sets(const RavlcfgHandle* handle);
int ravlcfg_get_nrconfs(const RavlcfgHandle* handle);
std::vector<ConfigRecord*> ravlcfg_get_confs(const RavlcfgHandle* handle);
int ravlcfg_get_nrnames(const RavlcfgHandle* handle);
std::vector<NameRecord*> ravlcfg_get_names(const RavlcfgHandle* handle);

ResolutionSet* ravlcfg_get_set(const RavlcfgHandle* handle, const std::string& setName);

// New records, already listed, for the caller to fill (see ConfigurationStore).
ConfigRecord* ravlcfg_get_new_conf(RavlcfgHandle* handle);
FilmRecord* ravlcfg_add_film(RavlcfgHandle* handle);
ResolutionSet* ravlcfg_get_new_set(RavlcfgHandle* handle, int nrResolutions);
ResolutionEntry* ravlcfg_add_resolution(RavlcfgHandle* handle, const std::string& setName);

int ravlcfg_exist_resolution(const RavlcfgHandle* handle, const std::string& setName, double dpi);
// 0 = refused; the reason is then the first error message.
int ravlcfg_del_resolution(RavlcfgHandle* handle, const std::string& setName, double dpi);
int ravlcfg_del_conf(RavlcfgHandle* handle, const std::string& name);
int ravlcfg_del_film(RavlcfgHandle* handle, const std::string& name);
int ravlcfg_del_set(RavlcfgHandle* handle, const std::string& name);

int ravlcfg_set_used_conf(RavlcfgHandle* handle, const std::string& name);
int ravlcfg_use_gamma(RavlcfgHandle* handle, const std::string& setName, double dpi, int use);
// Makes that configuration the current one and returns it; nullptr when unknown.
ConfigRecord* ravlcfg_getresinfo(RavlcfgHandle* handle, const std::string& name);

// What changed since opening: configurations (and the one in use), media (and recorder
// limits), resolution sets, names. Any pointer may be null. Returns 1 when anything did.
int ravlcfg_get_changed(const RavlcfgHandle* handle, int* confs, int* films, int* sets, int* names);

}  // namespace rvc::ripconfig
