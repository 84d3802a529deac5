#include "gui/main_window_view.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QStyleOptionHeader>
#include <QTimer>
#include <algorithm>

#include "platform/path.h"
#include "gui/fresh_memory.h"
#include "gui/splash_view.h"
#include "gui/x11_splash.h"
#include "gui/pictures.h"
#include "gui/qt_text.h"
#include "gui/qt_user_interface.h"
#include "ui_main_window.h"

namespace rvc::ui {

using frame::Command;

namespace {

QPointer<SplashView>& TheSplash() {
  static QPointer<SplashView> splash;
  return splash;
}

// The splash drawn by the X server, where the application runs on X; otherwise the widget above.
std::unique_ptr<CX11Splash>& TheX11Splash() {
  static std::unique_ptr<CX11Splash> splash;
  return splash;
}

// Gives each heading of `list` the size its text needs in the header's own font. Qt
// measures a heading in bold when it is not told its size, so that a highlighted section,
// drawn bold, keeps its width; this header never highlights its sections, and the bold face
// would be the one font that the window loads for nothing but that measure (2.5 million
// instructions before its first paint).
void SizeHeadings(QTreeWidget& list) {
  QHeaderView* header = list.header();
  QTreeWidgetItem* headings = list.headerItem();
  for (int column = 0; column < headings->columnCount(); ++column) {
    QStyleOptionHeader option;
    option.initFrom(header);
    option.section = column;
    option.text = headings->text(column);
    headings->setSizeHint(column,
                          header->style()->sizeFromContents(QStyle::CT_HeaderSection, &option, QSize(), header));
  }
}

}  // namespace

void ShowSplash(bool velmora) {
  CloseSplash();
  TheX11Splash() = CX11Splash::Show(velmora);
  if (TheX11Splash()) return;
  auto* splash = new SplashView(velmora);
  TheSplash() = splash;
  splash->show();
  // Painted now: the start-up goes on without an event loop until the first window.
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void CloseSplash() {
  TheX11Splash().reset();
  if (SplashView* splash = TheSplash().data()) splash->close();
  TheSplash() = nullptr;
}

// --- MainWindowView ---

MainWindowView::MainWindowView(window::CRvcDlg& model, QWidget* parent)
    : QMainWindow(parent), model_(model), ui_(std::make_unique<Ui::MainWindowView>()) {
  ui_->setupUi(this);
  MakePresentWhenShown(*this);

  buttons_ = {{Command::New, ui_->newButton},
              {Command::Delete, ui_->deleteButton},
              {Command::Modify, ui_->modifyButton},
              {Command::View, ui_->viewButton},
              {Command::ChangeType, ui_->changeTypeButton},
              {Command::Backup, ui_->backupButton},
              {Command::Close, ui_->closeButton}};
  actions_ = {{Command::NewDispatcher, ui_->actionNewDispatcher},
              {Command::DispatcherProperties, ui_->actionDispatcherProperties},
              {Command::Restore, ui_->actionRestore},
              {Command::CreatePpd, ui_->actionCreatePpd},
              {Command::CreateAllPpds, ui_->actionCreateAllPpds},
              {Command::PpdPreferences, ui_->actionPpdPreferences},
              {Command::Exit, ui_->actionExit},
              {Command::AboutRavlin, ui_->actionAboutRavlin},
              {Command::AboutRvc, ui_->actionAboutRvc}};
  for (auto [command, button] : buttons_) {
    connect(button, &QAbstractButton::clicked, this, [this, id = command] { Do(id); });
  }
  for (auto [command, action] : actions_) {
    connect(action, &QAction::triggered, this, [this, id = command] { Do(id); });
  }

  connect(ui_->flavourCombo, &QComboBox::currentIndexChanged, this, [this](int entry) {
    if (syncing_) return;
    model_.OnFlavourChanged(entry);
    Sync();
  });

  QTreeWidget* list = ui_->dispatcherList;
  list->header()->setStretchLastSection(false);
  list->header()->setSectionsMovable(false);
  list->header()->setHighlightSections(false);  // SizeHeadings() counts on it
  list->viewport()->installEventFilter(this);
  connect(list, &QAbstractItemView::pressed, this, [this](const QModelIndex& index) {
    if (syncing_) return;
    model_.OnClick(index.row());
    Sync();
  });
  connect(list, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
    model_.OnDoubleClick(index.row());
    Sync();
  });
  // A selection made with the keyboard (the arrow keys, Space) counts as a click on the
  // row, and clearing it (Ctrl+Space) as a click beside the rows. Only the selection
  // counts, not the current row: the list makes its first row current whenever it gets
  // the focus back without one (after a delete, say), and that selects nothing.
  connect(list->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this, list] {
    if (syncing_ || QApplication::mouseButtons() != Qt::NoButton) return;
    const QModelIndexList rows = list->selectionModel()->selectedRows();
    model_.OnClick(rows.isEmpty() ? -1 : rows.front().row());
    Sync();
  });
}

MainWindowView::~MainWindowView() {
  if (MainWindow() == this) SetMainWindow(nullptr);
}

bool MainWindowView::event(QEvent* event) {
  // The window shows the application's icon, set once its contents are on the screen.
  if (event->type() == QEvent::Paint && !painted_) {
    painted_ = true;
    QTimer::singleShot(0, this, &EnsureApplicationIcon);
  }
  return QMainWindow::event(event);
}

void MainWindowView::Do(Command command) {
  model_.OnCommand(command);
  Sync();
}

bool MainWindowView::eventFilter(QObject* watched, QEvent* event) {
  if (watched == ui_->dispatcherList->viewport()) {
    switch (event->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonDblClick: {
        // Clicks that hit a row arrive through pressed() and doubleClicked().
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (!ui_->dispatcherList->indexAt(mouse->position().toPoint()).isValid()) {
          if (event->type() == QEvent::MouseButtonPress) {
            model_.OnClick(-1);
          } else {
            model_.OnDoubleClick(-1);
          }
          Sync();
        }
        break;
      }
      case QEvent::Resize:
        SyncColumns();
        break;
      default:
        break;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

void MainWindowView::keyPressEvent(QKeyEvent* event) {
  // Escape closes the window, as it closes a dialog, when no control wanted it.
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    Do(Command::Close);
    return;
  }
  QMainWindow::keyPressEvent(event);
}

void MainWindowView::closeEvent(QCloseEvent* event) {
  // The close box ends the window as "&Exit" does.
  if (!model_.Closed) model_.OnCommand(Command::Close);
  event->accept();
  emit Closed();
}

void MainWindowView::Sync() {
  syncing_ = true;
  setWindowTitle(ToQt(model_.Title));
  ui_->flavourLabel->setText(ToQt(model_.FlavourLabel));
  ui_->flavourFrame->setVisible(model_.FlavourSelectorVisible);
  ui_->dispatchersLabel->setText(ToQt(window::CRvcDlg::kDispatchersLabel));
  if (model_.BackupAtTop && ui_->topBar->indexOf(ui_->backupButton) < 0) {
    ui_->buttonColumn->removeWidget(ui_->backupButton);
    ui_->topBar->addWidget(ui_->backupButton);
    ui_->topBar->addStretch();
  }
  SyncFlavours();

  QStringList headings;
  for (const window::Column& column : model_.Columns) headings << ToQt(column.Heading);
  if (!headings.isEmpty() && headings != headings_) {
    headings_ = headings;
    ui_->dispatcherList->setHeaderLabels(headings);
    SizeHeadings(*ui_->dispatcherList);
    contentWidths_.clear();
  }
  SyncRows();
  SyncColumns();  // after the rows, whose texts they must hold
  SyncSelection();

  for (auto [command, button] : buttons_) {
    const window::Button& state = model_.GetButton(command);
    button->setText(ToQt(state.Text));
    button->setEnabled(state.Enabled);
  }
  for (auto [command, action] : actions_) {
    const window::MenuEntry& state = model_.GetMenuEntry(command);
    action->setText(ToQt(state.Text));
    action->setShortcut(QKeySequence(ToQt(state.Shortcut)));
    action->setEnabled(state.Enabled);
  }
  syncing_ = false;

  if (model_.Closed && isVisible()) close();
}

void MainWindowView::SyncFlavours() {
  QComboBox* combo = ui_->flavourCombo;
  if (flavours_ != model_.FlavourEntries) {
    flavours_ = model_.FlavourEntries;
    combo->clear();
    for (const std::string& entry : flavours_) combo->addItem(ToQt(entry));
  }
  if (combo->currentIndex() != model_.FlavourSelection) combo->setCurrentIndex(model_.FlavourSelection);
}

void MainWindowView::SyncRows() {
  if (rows_ == model_.Rows) return;
  rows_ = model_.Rows;
  contentWidths_.clear();
  QTreeWidget* list = ui_->dispatcherList;
  list->clear();
  // The rows go in at once: one insertion for the view to handle, not one per row.
  QList<QTreeWidgetItem*> items;
  items.reserve(static_cast<qsizetype>(rows_.size()));
  for (const auto& row : rows_) {
    QStringList texts;
    for (const std::string& text : row) texts << ToQt(text);
    items << new QTreeWidgetItem(texts);
  }
  list->addTopLevelItems(items);
}

void MainWindowView::SyncSelection() {
  QTreeWidget* list = ui_->dispatcherList;
  QItemSelectionModel* selection = list->selectionModel();
  const int row = model_.CurrentIndex;
  const QModelIndex index = row >= 0 && row < list->topLevelItemCount() ? list->model()->index(row, 0) : QModelIndex();
  if (model_.RowSelected && index.isValid()) {
    selection->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  } else {
    selection->clearSelection();
    selection->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
  }
}

void MainWindowView::SyncColumns() {
  QTreeWidget* list = ui_->dispatcherList;
  QHeaderView* header = list->header();
  const int clientWidth = list->viewport()->width();
  const int columns = std::min(static_cast<int>(model_.Columns.size()), header->count());
  // What the texts need is measured again only when they change, not at every resize
  // and every Sync(): measuring lays out the text of every cell.
  if (contentWidths_.size() != static_cast<size_t>(columns)) {
    contentWidths_.clear();
    for (int column = 0; column < columns; ++column) {
      contentWidths_.push_back(std::max({static_cast<QAbstractItemView*>(list)->sizeHintForColumn(column),
                                         header->sectionSizeHint(column), header->minimumSectionSize()}));
    }
  }
  // Each column is as wide as the model lays it out and at least as wide as its heading
  // and its texts; the last one takes what the others leave of the window.
  int used = 0;
  for (int column = 0; column < columns; ++column) {
    const int content = contentWidths_[static_cast<size_t>(column)];
    const int laidOut = column == columns - 1 ? clientWidth - used : model_.ColumnWidth(column, clientWidth);
    const int width = std::max(laidOut, content);
    header->resizeSection(column, width);
    used += width;
  }
}

// --- CQtMainWindow ---

CQtMainWindow::CQtMainWindow(frame::FlavourList& flavours, const frame::MainWindowSettings& settings,
                             const frame::CCommandTable& commands, std::function<void()> beforeShow)
    : model_(flavours, settings.FlavourIndex, commands), beforeShow_(std::move(beforeShow)) {
  model_.SetViewOnly(settings.ViewOnly);
  if (settings.PreferredFlavour) model_.SetPreferredFlavour(*settings.PreferredFlavour);
  model_.SetFlavourLabel(settings.FlavourLabel);
  model_.SetMode(settings.Mode);
  model_.OpenModifyAtStart = settings.OpenModifyAtStart;
}

CQtMainWindow::~CQtMainWindow() = default;

void CQtMainWindow::RunModal() {
  if (beforeShow_) beforeShow_();
  CloseSplash();
  MainWindowView view(model_);
  SetMainWindow(&view);
  model_.InitWindow();
  view.Sync();
  view.show();
  view.raise();
  view.activateWindow();
  model_.OpenModifyAtStartIfSet();
  view.Sync();

  QEventLoop loop;
  QObject::connect(&view, &MainWindowView::Closed, &loop, &QEventLoop::quit);
  if (!model_.Closed) loop.exec();
  SetMainWindow(nullptr);
}

// --- CQtMainWindowFactory ---

void CQtMainWindowFactory::ShowSplash(const std::string& preferredFlavour) {
  rvc::ui::ShowSplash(platform::EqualsNoCase(preferredFlavour, "Dedezi"));
}

std::unique_ptr<frame::IMainWindow> CQtMainWindowFactory::Create(frame::FlavourList& flavours,
                                                                 const frame::MainWindowSettings& settings) {
  return std::make_unique<CQtMainWindow>(flavours, settings, commands_, beforeShow_);
}

}  // namespace rvc::ui
