// The editor's own pages of one dispatcher, made as the Modify and View commands make them
// before the dialog opens: each over the dispatcher's files in its "data" folder.
#pragma once

#include <array>
#include <memory>
#include <string>

#include "settings/general_page.h"
#include "settings/modify_dispatcher.h"
#include "settings/setup_page.h"
#include "settings/swap_files_page.h"

namespace rvc::settings {

// The files the pages edit, of the dispatcher in folder `folder` of the flavour's
// `dataFolder` (ending with the separator).
struct PageFiles {
  std::string ini;                  // data/zv<folder>_dispatcher.ini (Setup)
  std::string config;               // data/zv_config.res (General)
  std::array<std::string, 3> swap;  // data/swap_0.sfd, swap_1.sfd, swap_2.sfd (Swapfiles)
};
PageFiles PageFilesOf(const std::string& dataFolder, const std::string& folder);

// The three pages in tab order, not loaded yet.
struct BuiltInPages {
  std::unique_ptr<CGeneral> general;
  std::unique_ptr<CSetup> setup;
  std::unique_ptr<CSwapfilesPage> swapfiles;
};
BuiltInPages MakeBuiltInPages(const store::DispatcherRecord& record, const std::string& dataFolder,
                              const store::CTemplateList* templates, bool viewOnly);

// The page factory of the Modify and View dialog that makes these pages.
PageFactory BuiltInPageFactory();

}  // namespace rvc::settings
