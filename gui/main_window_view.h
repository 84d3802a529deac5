// The main window: the Qt view of CRvcDlg, and the main window factory that the start-up
// hands over to.
#pragma once

#include <QMainWindow>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

#include "frame/rvc_app.h"
#include "window/main_window.h"

class QAbstractButton;
class QAction;

namespace Ui {
class MainWindowView;
}

namespace rvc::ui {

// Shows the model's state and passes clicks, double-clicks, the flavour choice, the
// buttons, the menu and Escape to it, showing the state again after each.
class MainWindowView : public QMainWindow {
  Q_OBJECT
 public:
  explicit MainWindowView(window::CRvcDlg& model, QWidget* parent = nullptr);
  ~MainWindowView() override;

  // Shows the model's state; closes the window once the model is closed.
  void Sync();
  window::CRvcDlg& Model() const { return model_; }

 signals:
  void Closed();

 protected:
  bool event(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Do(frame::Command command);
  void SyncFlavours();
  void SyncRows();
  void SyncSelection();
  void SyncColumns();

  window::CRvcDlg& model_;
  std::unique_ptr<Ui::MainWindowView> ui_;
  std::vector<std::pair<frame::Command, QAbstractButton*>> buttons_;
  std::vector<std::pair<frame::Command, QAction*>> actions_;
  std::vector<std::string> flavours_;           // the entries shown
  std::vector<std::vector<std::string>> rows_;  // the rows shown
  QStringList headings_;                        // the column headings shown
  std::vector<int> contentWidths_;              // per column, what its heading and texts need
  bool syncing_ = false;                        // changes made by Sync() are not the user's
  bool painted_ = false;                        // the first paint has happened
};

// The main window of a run: the model, and its view once the window is shown (the update
// job uses the model without a window).
class CQtMainWindow : public frame::IMainWindow {
 public:
  CQtMainWindow(frame::FlavourList& flavours, const frame::MainWindowSettings& settings,
                const frame::CCommandTable& commands, std::function<void()> beforeShow);
  ~CQtMainWindow() override;

  void RunModal() override;
  void RegeneratePpd(int dispatcherIndex) override { model_.RegeneratePpd(dispatcherIndex); }

  window::CRvcDlg& Model() { return model_; }

 private:
  window::CRvcDlg model_;
  std::function<void()> beforeShow_;
};

class CQtMainWindowFactory : public frame::IMainWindowFactory {
 public:
  // The windows carry out `commands`, which outlive the factory; `beforeShow` runs before
  // the main window shows.
  explicit CQtMainWindowFactory(const frame::CCommandTable& commands, std::function<void()> beforeShow = {})
      : commands_(commands), beforeShow_(std::move(beforeShow)) {}

  void ShowSplash(const std::string& preferredFlavour) override;
  std::unique_ptr<frame::IMainWindow> Create(frame::FlavourList& flavours,
                                             const frame::MainWindowSettings& settings) override;

 private:
  const frame::CCommandTable& commands_;
  std::function<void()> beforeShow_;
};

// The splash of the start, until the first window shows.
void ShowSplash(bool velmora);
void CloseSplash();

}  // namespace rvc::ui
