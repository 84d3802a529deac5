#include "gui/font_preload.h"

#include <dlfcn.h>

#include <clocale>

namespace rvc::ui {

CFontConfigurationPreload::CFontConfigurationPreload() {
  using Init = int (*)();
  const auto init = reinterpret_cast<Init>(::dlsym(RTLD_DEFAULT, "FcInit"));
  if (init == nullptr) return;
  // QApplication sets the process's locale while the configuration is parsed; a locale of
  // the reader's own keeps the parser's number reading out of that change. It is the one
  // the program runs in (the user's, with C numbers), made here, before QApplication runs
  // beside the reader, since making it reads the environment.
  locale_t own = ::newlocale(LC_ALL_MASK, "", nullptr);
  if (own == nullptr) own = ::newlocale(LC_ALL_MASK, "C", nullptr);
  if (own != nullptr) {
    if (const locale_t numbers = ::newlocale(LC_NUMERIC_MASK, "C", own)) own = numbers;
  }
  reader_ = std::thread([init, own] {
    if (own != nullptr) ::uselocale(own);
    init();
    if (own != nullptr) {
      ::uselocale(LC_GLOBAL_LOCALE);
      ::freelocale(own);
    }
  });
}

void CFontConfigurationPreload::Wait() {
  if (reader_.joinable()) reader_.join();
}

}  // namespace rvc::ui
