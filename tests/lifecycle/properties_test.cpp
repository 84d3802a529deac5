// Dispatcher Properties: the identity of the selected dispatcher.
#include <gtest/gtest.h>

#include "lifecycle/dispatcher_properties.h"
#include "store/template_list.h"
#include "tests/support/test_support.h"
#include "ui/headless/headless_ui.h"

namespace rvc::lifecycle {
namespace {

const char* kTypes =
    "[Main]\nNrConfigs=1\nFIDbase=ravlin\nFlavor=Ravlin\n"
    "[Config1]\nName=Lux\nFID=ravlin_Lux.fid\nZV_PLATE_OR_FILM=PLATE\nZV_PLATE=zv_plate_Lux.res\n"
    "ZV_CONFIG=zv_config_Lux.res\nZV_RECORDER=zv_recorder_Lux.res\nZV_DISPATCHER=zvRavlin_dispatcher_Lux.ini\n";
const char* kDispatchers =
    "[Main]\nNrConfigs=2\n"
    "[Config1]\nName=Press\nType=Lux\nFolder=Ravlin\nBase=0\nCommandPort=4004\nFlavour=Ravlin\n"
    "[Config2]\nName=Second\nType=Lux\nFolder=Lux_2\nBase=7\nCommandPort=4704\nFlavour=Ravlin\n";

TEST(DispatcherPropertiesTest, ShowsTheSelectedDispatchersIdentity) {
  test::TempDir dir;
  test::ScopedEnv env("RAVLIN_ENVIRONMENT_FILE", dir / "no-environment");
  test::ScopedEnv trace("KW_DATA_RAVLINCONFIG", dir.Path());
  test::WriteFile(dir / "prog/rvc2.cfg", kTypes);
  test::WriteFile(dir / "data/rvc1.cfg", kDispatchers);
  const store::CTemplateList types("Ravlin", dir / "prog/rvc2.cfg", false);
  store::CDispatcherList list(dir / "data/rvc1.cfg", types, false, "Ravlin");
  ui::HeadlessUserInterface ui;
  ui::ScopedUserInterface scoped(ui);

  CommandContext context;
  context.Dispatchers = &list;
  context.Templates = &types;
  std::vector<std::vector<std::string>> shown;
  auto record = [&shown](ui::IDialogModel& model) {
    auto& dialog = dynamic_cast<CDispatcherProperties&>(model);
    shown.push_back({dialog.Name, dialog.Type, dialog.Folder, dialog.Port});
    return ui::DialogResult::Ok;
  };
  ui.QueueDialog("DispatcherProperties", record);
  ui.QueueDialog("DispatcherProperties", record);

  context.CurrentIndex = 0;
  OnDispatcherProperties(context);
  context.CurrentIndex = 1;
  OnDispatcherProperties(context);
  context.CurrentIndex = -1;
  OnDispatcherProperties(context);  // no selection: no dialog

  EXPECT_EQ(shown, (std::vector<std::vector<std::string>>{{"Press", "Lux", dir / "data/Ravlin", "0"},
                                                          {"Second", "Lux", dir / "data/Lux_2", "7"}}));
  EXPECT_EQ(ui.DialogsRun().size(), 2u);
  EXPECT_TRUE(ui.Messages().empty());
}

}  // namespace
}  // namespace rvc::lifecycle
