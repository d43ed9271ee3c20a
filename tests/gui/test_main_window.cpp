// The main window as a user drives it: shortcuts, the mode switch and the collection.
#include <gtest/gtest.h>

#include <QAction>
#include <QDockWidget>
#include <QMenuBar>
#include <QTest>
#include <QCheckBox>
#include <QMenu>
#include <QTimer>
#include <QToolButton>

#include "core/app_mode.h"
#include "core/job_engine.h"
#include "gui/app_settings_dialog.h"
#include "gui/cust_msgbox.h"
#include "gui/main_window.h"
#include "gui/new_project_dialog.h"
#include "gui/start_dialog.h"
#include "gui/symbol_selection.h"
#include "gui/table_widget.h"
#include "core/app_active_list.h"
#include "core/app_project.h"
#include "core/app_sampling.h"
#include <QDrag>
#include <QDropEvent>
#include <QFileDialog>
#include <QMimeData>
#include "gui/module_collection.h"
#include "modules/records/module_settings.h"
#include <QLabel>
#include <QLineEdit>
#include <QGroupBox>
#include <QPushButton>
#include <filesystem>
#include <fstream>
#include "platform/sys_time.h"
#include "scripting/script_runner.h"
#include "tests/gui/gui_test_support.h"

namespace {

class MainWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { EnsureApplication(); }

  void SetUp() override {
    ASSERT_EQ(JOB_Reset(), 0);
    window_ = std::make_unique<MainWindow>(int(args_.size()) - 1, args_.data());
    OnNextModal<StartDialog>(window_.get(), [this](StartDialog* d) {
      if (start_choice_ == StartDialog::kNewProject) {
        for (QPushButton* b : d->findChildren<QPushButton*>()) {
          if (b->text() == "OK") b->click();  // the radio buttons untouched
        }
      } else {
        d->reject();
      }
    });
    ASSERT_EQ(window_->Start(), 0);
    const uint32_t start = SYS_GetTickMs();
    while (!window_->IsInitDone() && SYS_GetTickMs() - start < 20000) {
      QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    ASSERT_TRUE(window_->isEnabled());
    window_->show();
    window_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
  }
  void TearDown() override {
    EXPECT_TRUE(window_->close());
    window_.reset();
    ClearQuitState();
    EXPECT_EQ(JOB_Reset(), 0);
  }

  // Waits (running the event loop) until `done` holds; false after `ms`.
  static bool WaitUntil(const std::function<bool()>& done, uint32_t ms = 20000) {
    const uint32_t start = SYS_GetTickMs();
    while (!done()) {
      if (SYS_GetTickMs() - start > ms) return false;
      QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
  }

  // A key as the user types it into the (active) window.
  void Type(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    window_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    QTest::keyClick(window_.get(), key, modifiers);
  }

  int start_choice_ = StartDialog::kNone;
  std::vector<char*> args_{nullptr};  // the command line the window gets (null-terminated)
  std::unique_ptr<MainWindow> window_;
};

class NewProjectFlow : public MainWindowTest {
 protected:
  void SetUp() override {
    start_choice_ = StartDialog::kNewProject;
    // The settings form: the simulated device and the demo firmware.
    OnNextModal<NewProjectDialog>(QApplication::instance(), [](NewProjectDialog* d) {
      for (QGroupBox* box : d->findChildren<QGroupBox*>()) {
        if (box->title() == "Specify Target Device") box->findChild<QLineEdit*>()->setText("VSIM32H743");
        if (box->title() == "ELF File") {
          box->findChild<QLineEdit*>()->setText(VISTRO_SOURCE_DIR "/firmware/demo/demo.elf");
        }
      }
      d->accept();
      // The symbol selection a new project offers: cancelled (the test adds its symbol).
      OnNextModal<SymbolSelection>(QApplication::instance(), [](SymbolSelection* s) { s->reject(); }, 6000);
    });
    MainWindowTest::SetUp();
  }
};

// A collection button pressed and let go without moving: the drag it started is dropped on
// the button itself, which counts as a click and opens the new module's settings dialog.
TEST_F(MainWindowTest, CollectionButtonDroppedOnItselfOpensTheDialog) {
  QPushButton* button = window_->Collection()->Button(MODULE_TYPE_PUSH_BUTTON);
  ASSERT_NE(button, nullptr);
  QString payload;
  window_->Collection()->SetDragRunner([&](QDrag* drag) {
    payload = drag->mimeData()->text();
    const QPoint at = window_->mapFromGlobal(button->mapToGlobal(button->rect().center()));
    QDragEnterEvent enter(at, Qt::MoveAction, drag->mimeData(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window_.get(), &enter);
    QDropEvent drop(QPointF(at), Qt::MoveAction, drag->mimeData(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window_.get(), &drop);
  });
  QString title;
  OnNextModal<QDialog>(window_.get(), [&title](QDialog* d) {
    title = d->windowTitle();
    d->reject();
  });
  QTest::mousePress(button, Qt::LeftButton);
  QTest::mouseRelease(button, Qt::LeftButton);
  EXPECT_EQ(payload, "ModuleCreation: PushButton");
  EXPECT_EQ(title, "Push Button Settings");
  EXPECT_FALSE(button->isDown());
}

// What scripts/run.sh starts: the demo project, opened at start-up, enters Run mode on the
// simulated target with the window showing (screen updates back on after the parse).
class DemoAtStartUp : public MainWindowTest {
 protected:
  void SetUp() override {
    args_ = {program_, open_, nullptr};
    MainWindowTest::SetUp();
  }
  char program_[8] = "vistro";
  char open_[300] = "-openprj" VISTRO_SOURCE_DIR "/firmware/demo/demo.vistro";
};

TEST_F(DemoAtStartUp, OpensInRunModeAndF5SwitchesToEdit) {
  ASSERT_TRUE(WaitUntil([] { return APP_GetAppMode() == APP_MODE_RUN; }));
  EXPECT_TRUE(window_->updatesEnabled());
  EXPECT_TRUE(window_->ProjectLabel()->text().endsWith("demo.vistro"));
  EXPECT_FALSE(window_->CollectionDock()->isVisible());
  // The parse that follows the open must not drop the project's scripts: they run.
  SCRIPT_RECORD* scripts = SCRIPT_CopyList();
  EXPECT_NE(scripts, nullptr);
  SCRIPT_FreeList(scripts);
  Type(Qt::Key_F5);
  EXPECT_EQ(APP_GetAppMode(), APP_MODE_EDIT);
  // Edited on the board's topmost layer: the demo's background panels (layer 0) stay under
  // the instruments (layer 1).
  const auto labels = window_->findChildren<QLabel*>();
  const auto layer = std::find_if(labels.begin(), labels.end(), [](const QLabel* l) {
    return l->toolTip() == "Current layer";
  });
  ASSERT_NE(layer, labels.end());
  EXPECT_EQ((*layer)->text(), "1");
  EXPECT_TRUE(window_->Action(MainWindow::kActSaveProject)->isEnabled());
}

// Opens a Symbol Watch row's context menu, returns its enabled entries and picks `choice`.
QStringList WatchMenu(TableWidget* table, int row, const QString& choice) {
  QStringList enabled;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (menu == nullptr) return;
    poll.stop();
    QAction* pick = nullptr;
    for (QAction* a : menu->actions()) {
      if (a->isEnabled()) enabled << a->text();
      if (a->text() == choice) pick = a;
    }
    menu->close();
    if (pick != nullptr) pick->trigger();
  });
  poll.start(10);
  emit table->customContextMenuRequested(table->visualItemRect(table->item(row, TableWidget::kColName)).center());
  return enabled;
}

// The Connections cell: the module count, then the game-pad input count.
QStringList ConnectionCounts(TableWidget* table, int row) {
  QStringList counts;
  for (QLabel* l : table->cellWidget(row, TableWidget::kColConnections)->findChildren<QLabel*>()) {
    if (!l->text().isEmpty()) counts << l->text();
  }
  return counts;
}

// The demo's symbols list what uses them; a symbol in use is unlinked before it can go.
TEST_F(DemoAtStartUp, WatchCountsUsersAndUnlinkFreesTheSymbol) {
  ASSERT_TRUE(WaitUntil([] { return APP_GetAppMode() == APP_MODE_RUN; }));
  Type(Qt::Key_F5);
  ASSERT_EQ(APP_GetAppMode(), APP_MODE_EDIT);
  TableWidget* table = window_->WatchTable();
  auto row_of = [table](const char* name) {
    for (int r = 0; r + 1 < table->rowCount(); ++r) {
      if (table->item(r, TableWidget::kColName)->text() == name) return r;
    }
    return -1;
  };
  const int counter = row_of("g_counter_u16");  // the grapher and the hex display
  ASSERT_GE(counter, 0);
  EXPECT_EQ(ConnectionCounts(table, counter), QStringList({"2", "0"}));
  // Shown by passive modules: read, and the box cannot turn it off.
  auto* read = table->cellWidget(counter, TableWidget::kColRead)->findChild<QCheckBox*>();
  EXPECT_TRUE(read->isChecked());
  EXPECT_FALSE(read->isEnabled());

  int setpoint = row_of("setpoint_rpm");  // gauge, slider, buttons, timer; and the script
  ASSERT_GE(setpoint, 0);
  EXPECT_NE(ConnectionCounts(table, setpoint)[0], "0");
  EXPECT_EQ(WatchMenu(table, setpoint, "Unlink Symbol"), QStringList({"Unlink Symbol"}));
  setpoint = row_of("setpoint_rpm");
  EXPECT_EQ(ConnectionCounts(table, setpoint), QStringList({"0", "0"}));
  EXPECT_FALSE(SCRIPT_UsesSymbol(window_->WatchTable()->SymbolAt(setpoint)));
  EXPECT_EQ(WatchMenu(table, setpoint, ""), QStringList({"Remove Symbol"}));
  APP_SetModified(0);  // nothing to save: closing asks no question
}

const ACTIVE_SYMBOL* FindInTree(const ACTIVE_SYMBOL* node, const char* name) {
  for (; node != nullptr; node = node->pNextSibling) {
    if (strcmp(node->Name, name) == 0) return node;
    if (const ACTIVE_SYMBOL* found = FindInTree(node->pFirstChild, name)) return found;
  }
  return nullptr;
}

// Start dialog (OK) -> project settings -> new project with the demo ELF -> a symbol ->
// F5 programs the simulated target and samples -> F5 back -> Ctrl+S asks for a name.
TEST_F(NewProjectFlow, FromTheStartDialogToRunModeAndSave) {
  ASSERT_TRUE(WaitUntil([] { return APP_HasSymbolDatabase(); }));
  EXPECT_TRUE(APP_IsProjectOpen());
  EXPECT_EQ(window_->ProjectLabel()->text(), "Open Project: (not saved yet)");
  auto* symbol = const_cast<ACTIVE_SYMBOL*>(FindInTree(APP_GetSymbolTree(), "g_counter_u16"));
  ASSERT_NE(symbol, nullptr);
  ASSERT_EQ(APP_AddActiveSymbol(symbol), 0);

  // The download offer of a new project: answered with its default ("Yes").
  std::vector<QString> boxes;
  QTimer answer;
  QObject::connect(&answer, &QTimer::timeout, [&boxes] {
    if (auto* box = qobject_cast<DIALOG_CustMsgBox*>(QApplication::activeModalWidget())) {
      boxes.push_back(box->CopyText());
      box->findChildren<QPushButton*>().first()->click();
    }
  });
  answer.start(10);
  Type(Qt::Key_F5);
  ASSERT_EQ(APP_GetAppMode(), APP_MODE_RUN);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_TRUE(boxes[0].contains("program the target")) << boxes[0].toStdString();
  EXPECT_FALSE(window_->Action(MainWindow::kActNewProject)->isEnabled());
  EXPECT_FALSE(window_->Action(MainWindow::kActSaveProject)->isEnabled());
  EXPECT_FALSE(window_->Action(MainWindow::kActExportHistory)->isEnabled());
  EXPECT_FALSE(window_->CollectionDock()->isVisible());
  EXPECT_EQ(window_->ModeButton()->toolTip(), "Switch to Edit ( F5)");
  VALUE_SLOT first{}, later{};
  ASSERT_TRUE(WaitUntil([&] { return APP_GetLatestValue(symbol, &first); }));
  ASSERT_TRUE(WaitUntil([&] { return APP_GetLatestValue(symbol, &later) && later.u16 != first.u16; }));

  Type(Qt::Key_F5);
  EXPECT_EQ(APP_GetAppMode(), APP_MODE_EDIT);
  EXPECT_TRUE(window_->CollectionDock()->isVisible());
  EXPECT_FALSE(APP_IsReading());

  // File > Export History: the samples just taken, one column per active symbol.
  const std::filesystem::path csv = std::filesystem::temp_directory_path() / "vistro_gui_history.csv";
  std::filesystem::remove(csv);
  ASSERT_TRUE(window_->Action(MainWindow::kActExportHistory)->isEnabled());
  OnNextModal<QFileDialog>(window_.get(), [&csv](QFileDialog* d) {
    d->selectFile(QString::fromStdString(csv.string()));
    QMetaObject::invokeMethod(d, "accept");
  });
  window_->Action(MainWindow::kActExportHistory)->trigger();
  std::ifstream in(csv);
  std::string header, row;
  std::getline(in, header);
  EXPECT_EQ(header, "time_us,g_counter_u16");
  uint32_t rows = 0;
  while (std::getline(in, row)) ++rows;
  EXPECT_EQ(rows, APP_GetSampleCount());
  std::filesystem::remove(csv);

  // A new project has no file yet: Ctrl+S asks for one and adds the extension.
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / "vistro_gui_flow";
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  const QString name = QString::fromStdString((folder / "bench").string());
  OnNextModal<QFileDialog>(window_.get(), [name](QFileDialog* d) {
    d->selectFile(name);
    QMetaObject::invokeMethod(d, "accept");
  });
  Type(Qt::Key_S, Qt::ControlModifier);
  EXPECT_TRUE(std::filesystem::exists(folder / "bench" / "bench.vistro"));
  EXPECT_EQ(APP_GetModified(), 0);
  EXPECT_TRUE(window_->ProjectLabel()->text().endsWith("bench.vistro"));
  answer.stop();
  EXPECT_EQ(boxes.size(), 1u);
  std::filesystem::remove_all(folder);
}

// What reaches the window for Ctrl+Shift+Comma depends on the keyboard: Qt::Key_Comma, or
// Qt::Key_Less where ',' and '<' share a key (X11 sends the shifted symbol).
TEST_F(MainWindowTest, CtrlShiftCommaOpensTheAppSettings) {
  for (Qt::Key key : {Qt::Key_Less, Qt::Key_Comma}) {
    bool opened = false;
    window_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    OnNextModal<AppSettingsDialog>(window_.get(), [&opened](AppSettingsDialog* d) {
      opened = true;
      d->reject();
    });
    QTest::keyClick(window_.get(), key, Qt::ControlModifier | Qt::ShiftModifier);
    const uint32_t start = SYS_GetTickMs();
    while (!opened && SYS_GetTickMs() - start < 3000) QApplication::processEvents();
    EXPECT_TRUE(opened) << int(key);
  }
}

TEST_F(MainWindowTest, F5WithEmptySymbolTableStaysInEdit) {
  QString text;
  OnNextModal<DIALOG_CustMsgBox>(window_.get(), [&text](DIALOG_CustMsgBox* box) {
    text = box->CopyText();
    box->reject();
  });
  Type(Qt::Key_F5);
  EXPECT_TRUE(text.contains("Empty Symbol Table! Add Symbol to enter Run mode!")) << text.toStdString();
  EXPECT_EQ(APP_GetAppMode(), APP_MODE_EDIT);
  EXPECT_TRUE(window_->CollectionDock()->isVisible());
  EXPECT_TRUE(window_->Action(MainWindow::kActNewProject)->isEnabled());
  EXPECT_EQ(window_->ModeButton()->toolTip(), "Switch to Run ( F5)");
}

}  // namespace
