// The model of a page that comes with a plug-in library (view_plugin.cpp), which brings
// its view too. Known to the program and to the library by its type alone.
#pragma once

#include <string>

#include "ui/user_interface.h"

namespace rvc::test {

struct PluginPage : ui::IDialogModel {
  std::string DialogName() const override { return "PluginPage"; }
  std::string Text;
};

}  // namespace rvc::test
