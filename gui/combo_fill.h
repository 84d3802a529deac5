// Fills a drop-down list from a model's entries and selection, without telling the
// view's handlers.
#pragma once

#include <QComboBox>
#include <QSignalBlocker>
#include <string>
#include <vector>

#include "gui/qt_text.h"

namespace rvc::ui {

inline void Fill(QComboBox& combo, const std::vector<std::string>& entries, int selection) {
  const QSignalBlocker quiet(combo);
  combo.clear();
  for (const std::string& entry : entries) combo.addItem(ToQt(entry));
  combo.setCurrentIndex(selection);
}

}  // namespace rvc::ui
