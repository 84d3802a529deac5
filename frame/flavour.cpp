#include "frame/flavour.h"

#include "core/rvc_exception.h"
#include "core/messages.h"

namespace rvc::frame {

CFlavour::CFlavour(std::string key, std::string displayName, std::string version, std::string programListFile,
                   bool rebuildTypes, std::string dataListFile, bool rebuildDispatchers)
    : DisplayName(std::move(displayName)),
      Key(std::move(key)),
      Version(std::move(version)),
      dataListFile_(std::move(dataListFile)),
      rebuildDispatchers_(rebuildDispatchers) {
  if (Version.empty()) Version = "V52";
  TemplateList = std::make_unique<store::CTemplateList>(Key, std::move(programListFile), rebuildTypes);
  DispatcherList =
      std::make_unique<store::CDispatcherList>(dataListFile_, *TemplateList, rebuildDispatchers, DisplayName);
  if (DispatcherList->GetCount() > 0) return;
  std::string reasons;
  for (const store::BrokenDispatcher& broken : DispatcherList->Broken()) reasons += "\n" + broken.Reason;
  throw CRvcException(msg::kApplicationStopped, "Ravlin Configurator didn't find a configuration" + reasons);
}

void CFlavour::ReloadDispatchers() {
  auto reloaded = std::make_unique<store::CDispatcherList>(dataListFile_, *TemplateList, rebuildDispatchers_, DisplayName);
  if (reloaded->GetCount() == 0) throw CRvcException(msg::kApplicationStopped, "Ravlin Configurator didn't find a configuration");
  DispatcherList = std::move(reloaded);
}

CFlavour::~CFlavour() {
  // The dispatcher list refers to the template list: it goes first.
  DispatcherList.reset();
  TemplateList.reset();
}

}  // namespace rvc::frame
