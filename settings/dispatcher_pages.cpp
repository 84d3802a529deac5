#include "settings/dispatcher_pages.h"

#include "platform/path.h"

namespace rvc::settings {

PageFiles PageFilesOf(const std::string& dataFolder, const std::string& folder) {
  const std::string data = dataFolder + folder + platform::kSeparator + "data" + platform::kSeparator;
  return {data + "zv" + folder + "_dispatcher.ini",
          data + "zv_config.res",
          {data + "swap_0.sfd", data + "swap_1.sfd", data + "swap_2.sfd"}};
}

BuiltInPages MakeBuiltInPages(const store::DispatcherRecord& record, const std::string& dataFolder,
                              const store::CTemplateList* templates, bool viewOnly) {
  const PageFiles files = PageFilesOf(dataFolder, record.Folder);
  BuiltInPages pages;
  pages.general = std::make_unique<CGeneral>(record, files.config, templates, viewOnly);
  pages.setup = std::make_unique<CSetup>(files.ini, viewOnly);
  pages.swapfiles = std::make_unique<CSwapfilesPage>(files.swap[0], files.swap[1], files.swap[2], viewOnly);
  return pages;
}

PageFactory BuiltInPageFactory() {
  return [](PageKind kind, const PageContext& context) -> std::unique_ptr<IPage> {
    switch (kind) {
      case PageKind::General:
        return std::make_unique<CGeneral>(context.record, context.configurationFile, context.templates,
                                          context.viewOnly);
      case PageKind::Setup:
        return std::make_unique<CSetup>(context.iniFile, context.viewOnly);
      case PageKind::SwapFiles:
        if (context.swapFiles.size() != 3) return nullptr;
        return std::make_unique<CSwapfilesPage>(context.swapFiles[0], context.swapFiles[1], context.swapFiles[2],
                                                context.viewOnly);
    }
    return nullptr;
  };
}

}  // namespace rvc::settings
