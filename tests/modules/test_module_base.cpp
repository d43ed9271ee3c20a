// Modules of every type through the common interface, with a host that only places: created
// from a record and compared, foreign records ignored, and the settings dialog's live preview,
// cancel and accept.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include "core/app_mode.h"
#include "modules/module_factory.h"
#include "modules/module_host.h"
#include "modules/tool_module.h"
#include "modules/tool_module_dialog.h"
#include "platform/sys_msgbox.h"
#include "test_app.h"

namespace {

QApplication& App() { return TestApp(); }

class PlacingHost : public ModuleHost {
 public:
  QWidget* ModuleCanvas() override { return &canvas; }
  QWidget* DialogParent() override { return nullptr; }
  uint32_t CurrentLayer() const override { return 2; }
  std::optional<QPoint> MarkedCell() const override { return marked; }
  void PlaceModule(ToolModule* module, const MODULE_SETTINGS& where,
                   ModulePlacement how) override {
    QPoint at(where.X, where.Y);
    if (how == ModulePlacement::kNewModule) at = marked.value_or(QPoint(0, 0));
    const int w = std::max(where.Width, module->GetMinWidth());
    const int h = std::max(where.Height, module->GetMinHeight());
    module->SetCellRect(QRect(at, QSize(w, h)));
  }
  void RecordSettingsChange(ToolModule*, const MODULE_SETTINGS& before,
                            const MODULE_SETTINGS& after) override {
    changes.emplace_back(before, after);
  }
  void ForgetModule(ToolModule*) override { ++forgotten; }

  QWidget canvas;
  std::optional<QPoint> marked;
  std::vector<std::pair<MODULE_SETTINGS, MODULE_SETTINGS>> changes;
  int forgotten = 0;
};

TEST(ModuleBase, EveryTypeFromItsRecordGivesTheRecordBack) {
  App();
  PlacingHost host;
  for (uint32_t type = 0; type < MODULE_TYPE_COUNT; ++type) {
    MODULE_SETTINGS record = *MODULE_DefaultSettings(type);
    record.X = 10;
    record.Y = 20;
    record.Width = 0;  // the type's minimum
    record.Layer = 5;
    std::unique_ptr<ToolModule> module = CreateModuleFromSettings(record, &host);
    ASSERT_NE(module, nullptr) << type;
    EXPECT_EQ(module->GetType(), type);

    MODULE_SETTINGS expected = MODULE_CloneSettings(record);
    expected.Width = module->GetMinWidth();
    expected.Height = module->GetMinHeight();
    EXPECT_EQ(module->GetSettings(), expected) << type;

    // A record of another type changes nothing.
    MODULE_SETTINGS foreign = *MODULE_DefaultSettings((type + 1) % MODULE_TYPE_COUNT);
    foreign.X = 99;
    module->SetSettings(foreign);
    EXPECT_EQ(module->GetSettings(), expected) << type;
  }
  EXPECT_EQ(host.forgotten, static_cast<int>(MODULE_TYPE_COUNT));
  EXPECT_EQ(CreateModule(MODULE_TYPE_COUNT, &host), nullptr);
  EXPECT_EQ(CreateModule(3, &host)->GetLayer(), 2u);  // the host's current layer
}

// Runs `step` on the open dialog as soon as the modal loop starts.
void WithOpenDialog(ToolModule& module, std::function<void(ToolModuleDialog&)> step) {
  QTimer::singleShot(0, [&module, step] {
    ASSERT_NE(module.OpenDialog(), nullptr);
    step(*module.OpenDialog());
  });
}

void EditWidth(ToolModuleDialog& dialog, const QString& text) {
  QLineEdit* width = dialog.findChildren<QLineEdit*>().at(2);  // X, Y, Width, Height
  width->setText(text);
  emit width->textEdited(text);
}

TEST(ModuleBase, DialogPreviewsLiveRestoresOnCancelAndRecordsOnceOnOk) {
  App();
  APP_SetAppMode(APP_MODE_EDIT);
  SYS_SetConsoleAnswer(0);  // "Yes" to "Are you sure to cancel?"
  PlacingHost host;
  MODULE_SETTINGS record = *MODULE_DefaultSettings(MODULE_TYPE_LED);
  record.X = 1;
  record.Y = 1;
  std::unique_ptr<ToolModule> module = CreateModuleFromSettings(record, &host);
  const MODULE_SETTINGS before = module->GetSettings();

  int previewed_width = 0;
  WithOpenDialog(*module, [&](ToolModuleDialog& dialog) {
    EditWidth(dialog, "60");
    previewed_width = module->GetCellSize().width();
    dialog.CancelButton()->click();
  });
  EXPECT_EQ(module->OpenSettingsDialog(), QDialog::Rejected);
  EXPECT_EQ(previewed_width, 60);
  EXPECT_EQ(module->GetSettings(), before);
  EXPECT_TRUE(host.changes.empty());

  WithOpenDialog(*module, [&](ToolModuleDialog& dialog) {
    EditWidth(dialog, "50");
    EditWidth(dialog, "70");
    dialog.OkButton()->click();
  });
  EXPECT_EQ(module->OpenSettingsDialog(), QDialog::Accepted);
  ASSERT_EQ(host.changes.size(), 1u);
  EXPECT_EQ(host.changes[0].first, before);
  EXPECT_EQ(host.changes[0].second.Width, 70);
  EXPECT_EQ(module->GetSettings(), host.changes[0].second);

  APP_SetAppMode(APP_MODE_RUN);
  EXPECT_EQ(module->OpenSettingsDialog(), APP_MODE_RUN);
  APP_SetAppMode(APP_MODE_EDIT);
  SYS_SetConsoleAnswer(-1);
}

}  // namespace
