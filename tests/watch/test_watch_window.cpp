// The Symbol Watch in the main window against the simulated target: symbols are added from
// the demo firmware and as a virtual symbol, show live values in Run mode and get their write
// limits edited in Edit mode.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QGroupBox>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include "core/app_active_list.h"
#include "core/app_mode.h"
#include "core/app_project.h"
#include "core/job_engine.h"
#include "gui/cust_msgbox.h"
#include "gui/main_window.h"
#include "gui/new_project_dialog.h"
#include "gui/start_dialog.h"
#include "gui/symbol_selection.h"
#include "gui/table_widget.h"
#include "gui/virtual_symbol_dialog.h"
#include "platform/sys_time.h"
#include "tests/gui/gui_test_support.h"

namespace {

bool WaitUntil(const std::function<bool()>& done, uint32_t ms = 20000) {
  const uint32_t start = SYS_GetTickMs();
  while (!done()) {
    if (SYS_GetTickMs() - start > ms) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  return true;
}

const ACTIVE_SYMBOL* FindInTree(const ACTIVE_SYMBOL* node, const char* name) {
  for (; node != nullptr; node = node->pNextSibling) {
    if (strcmp(node->Name, name) == 0) return node;
    if (const ACTIVE_SYMBOL* found = FindInTree(node->pFirstChild, name)) return found;
  }
  return nullptr;
}

QPushButton* Button(QWidget* in, const QString& text) {
  for (QPushButton* b : in->findChildren<QPushButton*>()) {
    if (b->text() == text) return b;
  }
  return nullptr;
}

class WatchWindow : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { EnsureApplication(); }
  void SetUp() override {
    ASSERT_EQ(JOB_Reset(), 0);
    window_ = std::make_unique<MainWindow>(0, args_);
    OnNextModal<StartDialog>(window_.get(), [](StartDialog* d) { Button(d, "OK")->click(); });
    OnNextModal<NewProjectDialog>(QApplication::instance(), [](NewProjectDialog* d) {
      for (QGroupBox* box : d->findChildren<QGroupBox*>()) {
        if (box->title() == "Specify Target Device") box->findChild<QLineEdit*>()->setText("VSIM32H743");
        if (box->title() == "ELF File") {
          box->findChild<QLineEdit*>()->setText(VISTRO_SOURCE_DIR "/firmware/demo/demo.elf");
        }
      }
      d->accept();
      // A new project offers the symbol selection at once: left for the test's own choice.
      OnNextModal<SymbolSelection>(QApplication::instance(), [](SymbolSelection* s) { s->reject(); }, 6000);
    });
    ASSERT_EQ(window_->Start(), 0);
    ASSERT_TRUE(WaitUntil([this] { return window_->IsInitDone(); }));
    window_->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    ASSERT_TRUE(WaitUntil([] { return APP_HasSymbolDatabase(); }));
  }
  void TearDown() override {
    APP_SetModified(0);  // nothing to save: closing asks no question
    EXPECT_TRUE(window_->close());
    window_.reset();
    ClearQuitState();
    EXPECT_EQ(JOB_Reset(), 0);
  }
  void F5() {
    window_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    QTest::keyClick(window_.get(), Qt::Key_F5);
  }
  QLabel* Label(int row, int column) {
    return qobject_cast<QLabel*>(window_->WatchTable()->cellWidget(row, column));
  }
  char* args_[1] = {nullptr};
  std::unique_ptr<MainWindow> window_;
};

TEST_F(WatchWindow, AddSymbolsWatchThemLiveAndEditLimits) {
  TableWidget* table = window_->WatchTable();
  table->UpdateTable(true);
  const ACTIVE_SYMBOL* counter = FindInTree(APP_GetSymbolTree(), "g_counter_u16");
  const ACTIVE_SYMBOL* command = FindInTree(APP_GetSymbolTree(), "g_command");
  ASSERT_NE(counter, nullptr);
  ASSERT_NE(command, nullptr);
  const ACTIVE_SYMBOL* trim = FindInTree(APP_GetSymbolTree(), "trim");  // a signed bitfield member
  ASSERT_NE(trim, nullptr);

  OnNextModal<SymbolSelection>(window_.get(), [&](SymbolSelection* d) {
    d->FilterEdit()->setText("g_co");
    d->ItemOf(counter)->setCheckState(SymbolSelection::kColSelect, Qt::Checked);
    d->ItemOf(command)->setCheckState(SymbolSelection::kColSelect, Qt::Checked);
    d->FilterEdit()->setText("trim");
    d->ItemOf(trim)->setCheckState(SymbolSelection::kColSelect, Qt::Checked);
    Button(d, "OK")->click();
  });
  Button(table, "Add ELF Symbol")->click();
  OnNextModal<VirtualSymbolCreationDialog>(window_.get(), [](VirtualSymbolCreationDialog* d) {
    d->NameEdit()->setText("gain");
    Button(d, "OK")->click();
  });
  Button(table, "Add virtual Symbol")->click();
  ASSERT_EQ(table->rowCount(), 5);  // four symbols and the button row
  EXPECT_EQ(table->item(0, TableWidget::kColName)->text(), "g_counter_u16");
  EXPECT_EQ(table->item(1, TableWidget::kColName)->text(), "g_command");
  EXPECT_EQ(table->item(2, TableWidget::kColName)->text(), "trim");
  EXPECT_EQ(table->item(3, TableWidget::kColName)->text(), "gain");
  // The button row sat at row 0 while the list was empty: its span does not stay behind.
  EXPECT_EQ(table->columnSpan(0, TableWidget::kColConnections), 1);
  EXPECT_EQ(table->columnSpan(4, TableWidget::kColConnections), TableWidget::kColumnCount);
  EXPECT_TRUE(table->isColumnHidden(TableWidget::kColValue));  // Edit mode
  bool has_count = false;  // three sampled symbols: the virtual one does not count
  for (QLabel* l : table->findChildren<QLabel*>()) has_count |= l->text() == "#3";
  EXPECT_TRUE(has_count);

  // Run mode: the download offer answered with its default, then the counter moves.
  QTimer answer;
  QObject::connect(&answer, &QTimer::timeout, [] {
    if (auto* box = qobject_cast<DIALOG_CustMsgBox*>(QApplication::activeModalWidget())) {
      box->findChildren<QPushButton*>().first()->click();
    }
  });
  answer.start(10);
  F5();
  ASSERT_EQ(APP_GetAppMode(), APP_MODE_RUN);
  EXPECT_FALSE(table->isColumnHidden(TableWidget::kColValue));
  QString first;
  ASSERT_TRUE(WaitUntil([&] {
    first = Label(0, TableWidget::kColValue)->text();
    return !first.isEmpty() && first != "N/A";
  }));
  ASSERT_TRUE(WaitUntil([&] { return Label(0, TableWidget::kColValue)->text() != first; }));
  // The bitfield member shows its own signed value, -16..15.
  ASSERT_TRUE(WaitUntil([&] {
    bool ok = false;
    const int v = Label(2, TableWidget::kColValue)->text().toInt(&ok);
    return ok && v >= -16 && v <= 15;
  }));
  EXPECT_EQ(Label(3, TableWidget::kColValue)->text(), "0.000000");  // the virtual float
  EXPECT_EQ(Label(3, TableWidget::kColMaxWrite)->text(), "3.403e+38");
  F5();
  answer.stop();
  ASSERT_EQ(APP_GetAppMode(), APP_MODE_EDIT);

  // Edit mode: a minimum of 10 lifts the maximum's floor to 11.
  auto* min_box = qobject_cast<QDoubleSpinBox*>(table->cellWidget(0, TableWidget::kColMinWrite));
  auto* max_box = qobject_cast<QDoubleSpinBox*>(table->cellWidget(0, TableWidget::kColMaxWrite));
  ASSERT_NE(min_box, nullptr);
  min_box->setValue(10);
  EXPECT_EQ(max_box->minimum(), 11);
  max_box->setValue(5);
  EXPECT_EQ(max_box->value(), 11);
  EXPECT_EQ(counter->MinWrite, 10);
  EXPECT_EQ(counter->MaxWrite, 11);
  EXPECT_EQ(min_box->maximum(), 10);

  // A float's unset limits read in general notation, fit their column, and take typed exponents.
  table->AdvancedBox()->setChecked(true);
  auto* gain_max = qobject_cast<QDoubleSpinBox*>(table->cellWidget(3, TableWidget::kColMaxWrite));
  ASSERT_NE(gain_max, nullptr);
  EXPECT_EQ(gain_max->text(), "3.402823e+38");
  EXPECT_GE(table->columnWidth(TableWidget::kColMaxWrite), gain_max->sizeHint().width());
  gain_max->findChild<QLineEdit*>()->selectAll();
  QTest::keyClicks(gain_max, "2.5e3");
  QTest::keyClick(gain_max, Qt::Key_Return);
  EXPECT_EQ(gain_max->value(), 2500.0);
}

}  // namespace
