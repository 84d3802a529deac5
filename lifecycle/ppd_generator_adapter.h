// The PPD driver behind the IPpdGenerator interface of dispatcher creation: a new
// dispatcher gets its real PPD and "ravlin.inf" (ppd::CreatePpdForDispatcher).
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "lifecycle/dispatcher_creation.h"

namespace rvc::lifecycle {

class CPpdGeneratorAdapter : public IPpdGenerator {
 public:
  // `programFolder` gives the program folder of the flavour the dispatcher belongs to at
  // the time of the call, e.g. [&context] { return context.Templates->ProgramFolder(); }.
  // The product version and the catalogue (for the PPD preferences) are
  // CRvcApp::ProductVersion and CRvcApp::CatalogueFileName at the time of the call unless
  // given here.
  explicit CPpdGeneratorAdapter(std::function<std::string()> programFolder,
                                std::optional<std::string> productVersion = std::nullopt,
                                std::optional<std::string> catalogueFileName = std::nullopt);
  // One flavour's program folder, for callers that make an adapter per flavour.
  explicit CPpdGeneratorAdapter(std::string programFolder);

  // CreatePpdForDispatcher for `target` with the open configuration; `dataFolder` is the
  // flavour's. Lets CRvcException 109 (types.dat, preferences, PpdInfo.dat) and 111 (a PPD
  // or INF that cannot be written) through.
  bool Generate(const store::CDispatcher& target, ripconfig::ConfigurationStore& cfg,
                const std::string& dataFolder) override;

  // The copy location of the last generation, empty when no copy was made.
  const std::string& ExtraPpdLocation() const { return extraPpdLocation_; }

 private:
  std::function<std::string()> programFolder_;
  std::optional<std::string> productVersion_;
  std::optional<std::string> catalogueFileName_;
  std::string extraPpdLocation_;
};

}  // namespace rvc::lifecycle
