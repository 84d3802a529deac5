#include "gui/font_preload.h"

#include <dlfcn.h>

#include <clocale>
#include <future>
#include <utility>

namespace rvc::ui {

CFontConfigurationPreload::CFontConfigurationPreload(std::function<bool()> first) {
  using Init = int (*)();
  const auto init = reinterpret_cast<Init>(::dlsym(RTLD_DEFAULT, "FcInit"));
  std::promise<locale_t> made;
  std::future<locale_t> locale = made.get_future();
  reader_ = std::thread([init, first = std::move(first), locale = std::move(locale)]() mutable {
    const bool read = (!first || first()) && init != nullptr;
    const locale_t own = locale.get();
    if (read) {
      if (own != nullptr) ::uselocale(own);
      init();
      if (own != nullptr) ::uselocale(LC_GLOBAL_LOCALE);
    }
    if (own != nullptr) ::freelocale(own);
  });
  // QApplication sets the process's locale while the configuration is parsed; a locale of
  // the reader's own keeps the parser's number reading out of that change. It is the one
  // the program runs in (the user's, with C numbers), made here, before QApplication runs
  // beside the reader, since making it reads the environment; and while `first` runs.
  locale_t own = nullptr;
  if (init != nullptr) {
    own = ::newlocale(LC_ALL_MASK, "", nullptr);
    if (own == nullptr) own = ::newlocale(LC_ALL_MASK, "C", nullptr);
    if (own != nullptr) {
      if (const locale_t numbers = ::newlocale(LC_NUMERIC_MASK, "C", own)) own = numbers;
    }
  }
  made.set_value(own);
}

void CFontConfigurationPreload::Wait() {
  if (reader_.joinable()) reader_.join();
}

}  // namespace rvc::ui
