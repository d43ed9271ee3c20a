// The shell's dialogs: cheat sheet layout, project settings form, start and app settings.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "core/app_jobs.h"
#include "gui/app_settings_dialog.h"
#include "gui/cheat_sheet.h"
#include "gui/new_project_dialog.h"
#include "gui/start_dialog.h"
#include "gui/target_device_dialog.h"
#include "gui/tif_speed_combo.h"
#include "persist/settings_file.h"
#include "symbols/active_symbol.h"
#include "tests/gui/gui_test_support.h"
#include "tests/probe/probe_test_support.h"

namespace {

class ShellDialogs : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { EnsureApplication(); }
  MessageCapture messages_;
};

// Row and column of the label showing `text` in the group titled `group`.
std::pair<int, int> CellOf(QWidget* dialog, const QString& group, const QString& text) {
  for (QGroupBox* box : dialog->findChildren<QGroupBox*>()) {
    if (box->title() != group) continue;
    auto* grid = qobject_cast<QGridLayout*>(box->layout());
    for (int i = 0; grid != nullptr && i < grid->count(); ++i) {
      auto* label = qobject_cast<QLabel*>(grid->itemAt(i)->widget());
      if (label == nullptr || label->text() != text) continue;
      int row = 0, column = 0, rs = 0, cs = 0;
      grid->getItemPosition(i, &row, &column, &rs, &cs);
      return {row, column};
    }
  }
  return {-1, -1};
}

TEST_F(ShellDialogs, CheatSheetLaysOutEveryTable) {
  CheatSheet sheet;
  EXPECT_EQ(sheet.windowTitle(), "Tarvik Vistro CheatSheet");
  ASSERT_EQ(SHORTCUT_MenuBarTable().size(), 14u);
  ASSERT_EQ(SHORTCUT_AppTable().size(), 2u);
  ASSERT_EQ(SHORTCUT_BoardTable().size(), 36u);
  struct Case {
    const char* group;
    QString text;
    std::pair<int, int> cell;
  };
  const QString save_as = QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S).toString(QKeySequence::NativeText);
  const Case cases[] = {
      {"Menu Bar", "Create new project", {0, 1}},
      {"Menu Bar", save_as, {3, 0}},
      {"Menu Bar", "Open about dialog", {13, 1}},
      {"App", "Switch to Run / Edit", {0, 1}},
      {"App", "F5", {0, 0}},
      // The board's first column pair ends with entry 17, the second starts with entry 18.
      {"Module Board", "Move selected module's bottom edge slightly up", {17, 1}},
      {"Module Board", "Move selected module's bottom edge slightly down", {0, 3}},
      {"Module Board", "Keeping aspect ratio when resizing by dragging", {17, 3}},
      {"Module Board", "Ctrl+Wheel", {14, 2}},
      {"Module Board", "Increase / Decrease size  or  Zoom in / out", {14, 3}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text.toStdString());
    EXPECT_EQ(CellOf(&sheet, c.group, c.text), c.cell);
  }
  // Separators keep their rows: both column pairs are 18 rows high.
  auto* board = sheet.findChildren<QGroupBox*>().at(2);
  EXPECT_EQ(qobject_cast<QGridLayout*>(board->layout())->rowCount(), 18);
}

TEST_F(ShellDialogs, SamplingRateLabel) {
  const std::pair<const char*, const char*> cases[] = {
      {"100", "us, Sample Rate: 10kHz"}, {"3", "us, Sample Rate: 333kHz"},
      {"2000", "us, Sample Rate: 500Hz"}, {"0", "us, Sample Rate: 0Hz"},
      {"", "us, Sample Rate: 0Hz"},      {"1", "us, Sample Rate: 1000kHz"},
      {"1000000000", "us, Sample Rate: 0Hz"}};
  for (const auto& [period, text] : cases) {
    EXPECT_EQ(SamplingRateText(QString::fromLatin1(period)), QString::fromLatin1(text)) << period;
  }
}

TEST_F(ShellDialogs, SpeedBoxKeepsOneCustomEntryOnTop) {
  TIFSpeedComboBox box;
  box.SetSpeedKHz(4000);
  EXPECT_EQ(box.currentText(), "4000");
  QLineEdit* edit = box.lineEdit();
  edit->selectAll();
  QTest::keyClicks(edit, "7");
  QTest::keyClick(edit, Qt::Key_Return);
  EXPECT_EQ(box.itemText(0), "7");
  EXPECT_EQ(box.currentIndex(), 0);
  EXPECT_EQ(box.GetSpeedKHz(), 7u);
  box.SetSpeedKHz(4000);
  EXPECT_EQ(box.itemText(0), "7");
  EXPECT_EQ(box.GetSpeedKHz(), 4000u);
  EXPECT_EQ(box.count(), 34);
  // Not a speed: the first list entry.
  edit->clear();
  QTest::keyClick(edit, Qt::Key_Return);
  EXPECT_EQ(box.GetSpeedKHz(), 1u);
  edit->setText("0");
  QTest::keyClick(edit, Qt::Key_Return);
  EXPECT_EQ(box.GetSpeedKHz(), 1u);
}

struct Form {
  NewProjectDialog& dialog;
  QLineEdit* EditIn(const char* group) {
    for (QGroupBox* box : dialog.findChildren<QGroupBox*>()) {
      if (box->title() == group) return box->findChild<QLineEdit*>();
    }
    return nullptr;
  }
  QComboBox* ComboIn(const char* group, int n = 0) {
    for (QGroupBox* box : dialog.findChildren<QGroupBox*>()) {
      if (box->title() == group) return box->findChildren<QComboBox*>().value(n);
    }
    return nullptr;
  }
  QRadioButton* Radio(const char* text) {
    for (QRadioButton* r : dialog.findChildren<QRadioButton*>()) {
      if (r->text() == text) return r;
    }
    return nullptr;
  }
  QPushButton* Button(const char* text) {
    for (QPushButton* b : dialog.findChildren<QPushButton*>()) {
      if (b->text() == text) return b;
    }
    return nullptr;
  }
};

PROJECT_CONFIG StoredConfig() {
  PROJECT_CONFIG r;
  SYS_CopyText(r.TargetDevice, sizeof r.TargetDevice, "VSIM32H743");
  SYS_CopyText(r.ElfFile, sizeof r.ElfFile, "/fw/demo.elf");
  r.TargetInterface = PROBE_TIF_FINE;
  r.InterfaceSpeed = 0;
  r.SerialNo = 801000123;
  r.SamplingPeriod = 250;
  r.Connection = PROBE_CONNECTION_IP;
  SYS_CopyText(r.IP, sizeof r.IP, "127.0.0.1:19020");
  r.ExistingSession = 1;
  r.OpenOptions = 1;
  return r;
}

TEST_F(ShellDialogs, ProjectFormShowsAndStoresTheRecord) {
  PROJECT_CONFIG record = StoredConfig();
  NewProjectDialog dialog("Project Settings", record);
  Form form{dialog};
  EXPECT_EQ(form.ComboIn("Target Interface && Speed", 0)->currentText(), "FINE");
  EXPECT_EQ(form.ComboIn("Target Interface && Speed", 1)->currentText(), "4000");
  EXPECT_TRUE(form.Radio("TCP/IP")->isChecked());
  EXPECT_EQ(form.ComboIn("Startup")->currentText(), "Open in Run mode ");
  EXPECT_EQ(form.EditIn("Sampling Rate")->text(), "250");
  // Switch to USB with an emptied serial number: the stored number stays.
  form.Radio("USB")->setChecked(true);
  QLineEdit* serial = form.EditIn("Connection to Veltra");  // the first edit: serial number
  EXPECT_EQ(serial->text(), "801000123");
  serial->clear();
  form.Button("OK")->click();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(record.TargetInterface, PROBE_TIF_FINE);
  EXPECT_EQ(record.InterfaceSpeed, 4000u);
  EXPECT_EQ(record.SerialNo, 801000123u);
  EXPECT_EQ(record.Connection, PROBE_CONNECTION_USB);
  EXPECT_EQ(record.ExistingSession, 0);
  EXPECT_EQ(record.SamplingPeriod, 250u);
  EXPECT_STREQ(record.TargetDevice, "VSIM32H743");
  EXPECT_TRUE(messages_.Take().empty());
}

TEST_F(ShellDialogs, ProjectFormRefusesBadInputAndCancelKeepsTheRecord) {
  struct Case {
    const char* name;
    const char* group;
    const char* text;
    const char* warning;  // null: the form is cancelled after the edit
  };
  const Case cases[] = {
      {"no ELF", "ELF File", "", "No ELF file selected."},
      {"period 0", "Sampling Rate", "0", "The sampling period must be a whole number"},
      {"empty period", "Sampling Rate", "", "The sampling period must be a whole number"},
      {"cancel", "Sampling Rate", "5", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PROJECT_CONFIG record = StoredConfig();
    const PROJECT_CONFIG before = record;
    NewProjectDialog dialog("Project Settings", record);
    dialog.show();
    Form form{dialog};
    form.EditIn(c.group)->setText(c.text);
    form.ComboIn("Target Interface && Speed", 0)->setCurrentIndex(0);
    form.Radio("USB")->setChecked(true);
    form.Button(c.warning != nullptr ? "OK" : "Cancel")->click();
    if (c.warning != nullptr) {
      EXPECT_TRUE(dialog.isVisible());
      const auto texts = messages_.TakeTexts();
      ASSERT_EQ(texts.size(), 1u);
      EXPECT_EQ(texts[0].rfind(c.warning, 0), 0u) << texts[0];
    } else {
      EXPECT_EQ(dialog.result(), QDialog::Rejected);
    }
    EXPECT_EQ(memcmp(&record, &before, sizeof record), 0);
  }
}

TEST_F(ShellDialogs, DeviceTableFromTheSimulatedLibrary) {
  SearchLibraryIn(VISTRO_BINARY_DIR "/bin");
  const std::vector<DEVICE_ROW> rows = DEVICE_LoadList();
  ASSERT_GE(rows.size(), 4u);
  TargetDeviceDialog dialog(rows, "vsim32f407");
  EXPECT_EQ(dialog.SelectedDevice(), "VSIM32F407");
  EXPECT_EQ(dialog.VisibleRowCount(), int(rows.size()));
  dialog.SetFilter(2, "cortex-m7");
  EXPECT_EQ(dialog.VisibleRowCount(), 1);
  dialog.SetFilter(1, "F407");
  EXPECT_EQ(dialog.VisibleRowCount(), 0);
}

TEST_F(ShellDialogs, StartDialogAnswers) {
  struct Case {
    const char* radio;
    const char* button;
    int want;
  };
  const Case cases[] = {{nullptr, "OK", StartDialog::kNewProject},
                        {"Open Project", "OK", StartDialog::kOpenProject},
                        {"Open Project", "Cancel", StartDialog::kNone}};
  for (const Case& c : cases) {
    StartDialog dialog;
    dialog.show();
    for (QRadioButton* r : dialog.findChildren<QRadioButton*>()) {
      if (c.radio != nullptr && r->text() == c.radio) r->click();
    }
    for (QPushButton* b : dialog.findChildren<QPushButton*>()) {
      if (b->text() == c.button) b->click();
    }
    EXPECT_EQ(dialog.result(), c.want) << c.button;
  }
}

TEST_F(ShellDialogs, AppSettingsStoreWhatTheyShowAndApplyTheBase) {
  ASSERT_EQ(SETTINGS_Init(SETTINGS_FILE_NAME), 0);
  ACTIVE_SYMBOL symbol;
  ACTIVE_SYMBOL_CELL cell{&symbol, nullptr};
  MAIN_pActiveSymbols = &cell;
  for (int round = 0; round < 2; ++round) {
    const bool hex = round == 0;
    AppSettingsDialog dialog;
    const auto combos = dialog.findChildren<QComboBox*>();
    ASSERT_EQ(combos.size(), 2);
    combos[0]->setCurrentIndex(hex ? 1 : 0);
    combos[1]->setCurrentIndex(hex ? 1 : 0);
    for (QPushButton* b : dialog.findChildren<QPushButton*>()) {
      if (b->text() == "OK") b->click();
    }
    EXPECT_EQ(SETTINGS_GetLaunchOptions(), hex ? 1 : 0);
    EXPECT_EQ(SETTINGS_GetIntDefaultHex(), hex ? 1 : 0);
    EXPECT_EQ(APP_GetIntDefaultHex(), hex ? 1 : 0);
    EXPECT_EQ(symbol.HexDisplay, hex ? 0xFF : 0);
    // A new dialog shows what was stored.
    AppSettingsDialog again;
    EXPECT_EQ(again.findChildren<QComboBox*>()[1]->currentText(), hex ? "Hexadecimal" : "Decimal");
  }
  MAIN_pActiveSymbols = nullptr;
}

}  // namespace
