// One run of ravlinctl over the installation: the installation's environment, the flavour
// catalogue loaded as rvc_setup loads it, and the lookup of flavours and dispatchers by
// the names given on the command line.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "apps/ravlinctl/console.h"
#include "frame/rvc_app.h"

namespace rvc::ctl {

struct DispatcherAt {
  int flavour = -1;  // index into Flavours()
  int row = -1;      // index into that flavour's dispatcher list
};

class CSession {
 public:
  // `version`: the product version whose catalogue "rvc_<version>.dat" is read; none: "rvc.dat".
  CSession(CtlConsole& console, const std::optional<std::string>& version);

  // Loads every flavour of the catalogue. False when none could be loaded; the reason has
  // been shown (and traced where the operation traces it).
  bool Load();

  frame::FlavourList& Flavours() { return app_.Flavours; }
  // The flavours that could not be loaded; the others load regardless.
  const std::vector<frame::BrokenFlavour>& BrokenFlavours() const { return app_.BrokenFlavours; }
  frame::CFlavour& Flavour(int index) { return *app_.Flavours.at(static_cast<size_t>(index)); }

  // The flavour whose key is `key` (ignoring case); -1 after saying that there is none
  // (or why it could not be loaded).
  int FindFlavour(const std::string& key);
  // The dispatcher named `reference`, or "FLAVOUR/NAME" (names ignoring case); nothing
  // after saying why (unknown, not loadable, or a name that several flavours use).
  std::optional<DispatcherAt> FindDispatcher(const std::string& reference);

  // Prints "ravlinctl: " + text on standard error; for what a listing leaves out.
  void Warn(const std::string& text) { console_.Say(text); }

  // The flavour a Dedezi installation prefers ("Dedezi"), else "".
  const std::string& PreferredFlavour() const { return preferredFlavour_; }

 private:
  void SayBroken(const frame::BrokenFlavour& broken);

  CtlConsole& console_;
  frame::CRvcApp app_;
  std::string preferredFlavour_;
};

}  // namespace rvc::ctl
