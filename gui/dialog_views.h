// The Qt views of the dialog models. Each shows its model's fields, writes the operator's
// input back into the model, calls the model's handlers for its controls and closes with
// Ok (accepted) or Cancel (rejected); the checks and what follows belong to the model.
// Widgets carry the object names of their Designer forms, by which tests find them.
#pragma once

#include <QDialog>
#include <QWidget>
#include <memory>

namespace Ui {
class NewDispatcherView;
class ChangeTypeView;
class DispatcherPropertiesView;
class VersionSelectionView;
class LoginView;
class AboutView;
}  // namespace Ui

namespace rvc::lifecycle {
class CNewDispatcherDialog;
class CChangeDevType;
class CDispatcherProperties;
}  // namespace rvc::lifecycle

namespace rvc::window {
class CAboutDlg;
}  // namespace rvc::window

namespace rvc::frame {
class CVersionSelection;
class CLoginDialog;
}  // namespace rvc::frame

namespace rvc::ui {

// "New Dispatcher": the three kinds share one form; the PPD row shows for CNewDispatcher,
// the Variable Data Printing row for CNewDispatcherVDPMode.
class NewDispatcherView : public QDialog {
  Q_OBJECT
 public:
  NewDispatcherView(lifecycle::CNewDispatcherDialog& model, QWidget* parent = nullptr);
  ~NewDispatcherView() override;

  void accept() override;
  void reject() override;

 private:
  void WriteBack();
  void ShowPpd();

  lifecycle::CNewDispatcherDialog& model_;
  std::unique_ptr<Ui::NewDispatcherView> ui_;
};

class ChangeTypeView : public QDialog {
  Q_OBJECT
 public:
  ChangeTypeView(lifecycle::CChangeDevType& model, QWidget* parent = nullptr);
  ~ChangeTypeView() override;

  void accept() override;

 private:
  void ShowPpd();

  lifecycle::CChangeDevType& model_;
  std::unique_ptr<Ui::ChangeTypeView> ui_;
};

class DispatcherPropertiesView : public QDialog {
  Q_OBJECT
 public:
  DispatcherPropertiesView(lifecycle::CDispatcherProperties& model, QWidget* parent = nullptr);
  ~DispatcherPropertiesView() override;

 private:
  std::unique_ptr<Ui::DispatcherPropertiesView> ui_;
};

class VersionSelectionView : public QDialog {
  Q_OBJECT
 public:
  VersionSelectionView(frame::CVersionSelection& model, QWidget* parent = nullptr);
  ~VersionSelectionView() override;

  void accept() override;

 private:
  frame::CVersionSelection& model_;
  std::unique_ptr<Ui::VersionSelectionView> ui_;
};

// "Login dialog": OK and Cancel close as such; "View Mode" tells the model and closes
// with Cancel.
class LoginView : public QDialog {
  Q_OBJECT
 public:
  LoginView(frame::CLoginDialog& model, QWidget* parent = nullptr);
  ~LoginView() override;

  void accept() override;

 private:
  frame::CLoginDialog& model_;
  std::unique_ptr<Ui::LoginView> ui_;
};

class AboutView : public QDialog {
  Q_OBJECT
 public:
  AboutView(window::CAboutDlg& model, QWidget* parent = nullptr);
  ~AboutView() override;

 private:
  std::unique_ptr<Ui::AboutView> ui_;
};

// The splash of an interactive start: the splash bitmap with the build text, shown
// without a frame until the first window of the program appears.
class SplashView : public QWidget {
  Q_OBJECT
 public:
  explicit SplashView(bool velmora, QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  bool velmora_;
};

}  // namespace rvc::ui
