// Shared by the lifecycle command tests: a copy of the sample installation with its
// environment, flavours loaded into command contexts, and scripted window lookups.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "lifecycle/new_dispatcher.h"
#include "platform/window_lookup.h"
#include "store/dispatcher_list.h"
#include "store/template_list.h"
#include "tests/support/sample_installation.h"
#include "ui/headless/headless_ui.h"

namespace rvc::lifecycle::test_fixture {

// Windows whose titles the test names; records the titles asked for.
class FakeWindows : public platform::IWindowLookup {
 public:
  bool TopLevelWindowExists(const std::string& title) override {
    asked.push_back(title);
    return titles.count(title) != 0;
  }
  std::set<std::string> titles;
  std::vector<std::string> asked;
};

// A flavour of the sample installation, laid out in a temporary folder.
class SampleFlavour {
 public:
  SampleFlavour()
      : sample_({"prog", "data", "ppds"}, {"RAVLIN_ENVIRONMENT_FILE", "RAVLIN_SAMPLE_ROOT", "KW_DATA_RAVLINCONFIG",
                                           "TMP", "RAVLIN_DESKTOP_DIR", "RAVLIN_PROGRAMS_DIR"}) {
    // The catalogue's folder holds the installation lock and the intent journal.
    std::filesystem::create_directories(sample_ / "config");
  }

  // Loads the lists of flavour `key` into a context of its own.
  CommandContext& Load(const std::string& key) {
    auto& flavour = flavours_.emplace_back(std::make_unique<Lists>());
    flavour->types = std::make_unique<store::CTemplateList>(key, sample_ / ("prog/" + key + "/rvc2.cfg"), false);
    flavour->dispatchers =
        std::make_unique<store::CDispatcherList>(sample_ / ("data/" + key + "/rvc1.cfg"), *flavour->types, false, key);
    CommandContext& context = flavour->context;
    context.Dispatchers = flavour->dispatchers.get();
    context.Templates = flavour->types.get();
    context.Label = "10.1";
    context.RefreshList = [this] { ++refreshes; };
    return context;
  }

  std::string Data(const std::string& relative) const { return sample_ / ("data/" + relative); }
  std::string Path(const std::string& relative) const { return sample_ / relative; }

  int refreshes = 0;

 private:
  struct Lists {
    std::unique_ptr<store::CTemplateList> types;
    std::unique_ptr<store::CDispatcherList> dispatchers;
    CommandContext context;
  };
  test::SampleInstallation sample_;
  std::vector<std::unique_ptr<Lists>> flavours_;
};

// The Tiffmono flavour loaded into `tiff_`, with a headless user interface and scripted windows.
class SampleCommandTest : public ::testing::Test {
 protected:
  SampleCommandTest() : tiff_(sample_.Load("Tiffmono")) {}

  SampleFlavour sample_;
  CommandContext& tiff_;
  ui::HeadlessUserInterface ui_;
  ui::ScopedUserInterface scoped_{ui_};
  FakeWindows windows_;
  platform::ScopedWindowLookup scopedWindows_{windows_};
};

}  // namespace rvc::lifecycle::test_fixture
