// Shared by the lifecycle command tests: a copy of the sample installation with its
// environment, flavours loaded into command contexts, and scripted window lookups.
#pragma once

#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "lifecycle/new_dispatcher.h"
#include "platform/window_lookup.h"
#include "store/dispatcher_list.h"
#include "store/template_list.h"
#include "tests/support/test_support.h"

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
      : env_("RAVLIN_ENVIRONMENT_FILE", dir_ / "no-environment"),
        root_("RAVLIN_SAMPLE_ROOT", dir_.Path().substr(0, dir_.Path().size() - 1)),
        config_("KW_DATA_RAVLINCONFIG", dir_ / "config/"),
        tmp_("TMP", dir_ / "tmp/"),
        desktop_("RAVLIN_DESKTOP_DIR", dir_ / "desktop"),
        programs_("RAVLIN_PROGRAMS_DIR", dir_ / "programs") {
    for (const std::string part : {"prog", "data", "ppds"}) {
      std::filesystem::copy(RVC_SOURCE_DIR "/sample/" + part, dir_ / part, std::filesystem::copy_options::recursive);
    }
    for (const char* folder : {"tmp", "desktop", "programs"}) std::filesystem::create_directories(dir_ / folder);
  }

  // Loads the lists of flavour `key` into a context of its own.
  CommandContext& Load(const std::string& key) {
    auto& flavour = flavours_.emplace_back(std::make_unique<Lists>());
    flavour->types = std::make_unique<store::CTemplateList>(key, dir_ / ("prog/" + key + "/rvc2.cfg"), false);
    flavour->dispatchers =
        std::make_unique<store::CDispatcherList>(dir_ / ("data/" + key + "/rvc1.cfg"), *flavour->types, false, key);
    CommandContext& context = flavour->context;
    context.Dispatchers = flavour->dispatchers.get();
    context.Templates = flavour->types.get();
    context.Label = "10.1";
    context.RefreshList = [this] { ++refreshes; };
    return context;
  }

  std::string Data(const std::string& relative) const { return dir_ / ("data/" + relative); }
  std::string Path(const std::string& relative) const { return dir_ / relative; }

  int refreshes = 0;

 private:
  struct Lists {
    std::unique_ptr<store::CTemplateList> types;
    std::unique_ptr<store::CDispatcherList> dispatchers;
    CommandContext context;
  };
  test::TempDir dir_;
  test::ScopedEnv env_, root_, config_, tmp_, desktop_, programs_;
  std::vector<std::unique_ptr<Lists>> flavours_;
};

}  // namespace rvc::lifecycle::test_fixture
