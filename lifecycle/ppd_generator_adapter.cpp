#include "lifecycle/ppd_generator_adapter.h"

#include "frame/rvc_app.h"
#include "ppd/create_ppd_for_dispatcher.h"
#include "ripconfig/ravlcfg.h"

namespace rvc::lifecycle {

CPpdGeneratorAdapter::CPpdGeneratorAdapter(std::function<std::string()> programFolder,
                                           std::optional<std::string> productVersion,
                                           std::optional<std::string> catalogueFileName)
    : programFolder_(std::move(programFolder)),
      productVersion_(std::move(productVersion)),
      catalogueFileName_(std::move(catalogueFileName)) {}

CPpdGeneratorAdapter::CPpdGeneratorAdapter(std::string programFolder)
    : CPpdGeneratorAdapter([folder = std::move(programFolder)] { return folder; }) {}

bool CPpdGeneratorAdapter::Generate(const store::CDispatcher& target, ripconfig::ConfigurationStore& cfg,
                                    const std::string& dataFolder) {
  return ppd::CreatePpdForDispatcher(target.Record, programFolder_ ? programFolder_() : std::string(), dataFolder, &cfg,
                                     productVersion_.value_or(frame::CRvcApp::ProductVersion),
                                     catalogueFileName_.value_or(frame::CRvcApp::CatalogueFileName),
                                     &extraPpdLocation_);
}

}  // namespace rvc::lifecycle
