// The check box: writes the value of its state when toggled and at Run entry; with "Force
// value" it restores that value when the target changes it (check_box_writes.h).
#pragma once

#include "modules/check_box_writes.h"
#include "modules/typed_tool_module.h"

class QCheckBox;

class CheckBoxModule : public TypedToolModule<CHECK_BOX_SETTINGS> {
  Q_OBJECT

 public:
  explicit CheckBoxModule(ModuleHost* host, QWidget* parent = nullptr);
  ~CheckBoxModule() override;

  bool ReadsSymbol(const ACTIVE_SYMBOL* symbol) const override;
  bool UsesSymbol(const ACTIVE_SYMBOL* symbol) const override;
  void RemoveSymbol(const ACTIVE_SYMBOL* symbol) override;
  bool CanAddSymbol() const override;
  bool AddSymbol(const ACTIVE_SYMBOL* symbol) override;
  void FitContents() override;
  QString GetInfoText() const override;
  QString GetFrameStyleSheet() const override;
  void EnterEditMode() override;
  void EnterRunMode() override;
  void EnterPreviewMode() override;

  QCheckBox* CheckBox() const { return box_; }

 protected:
  ToolModuleDialog* CreateDialog(const MODULE_SETTINGS& initial, QWidget* parent) override;
  void PartChanged() override;
  void RunUpdate() override;

 private slots:
  void _SlotOnToggled(bool checked);

 private:
  CHECK_BOX_VALUES Values() const;
  void ShowState();

  QCheckBox* box_ = nullptr;
  int indicator_px_ = 16;
  CheckBoxWrites writes_;
};
