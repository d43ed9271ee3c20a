// The toggle button: two states, each with its value, label and colours; toggling writes the
// new state's value, and in Run mode the button follows the target (toggle_button_writes.h).
#pragma once

#include "modules/toggle_button_writes.h"
#include "modules/typed_tool_module.h"

class QPushButton;

class ToggleButtonModule : public TypedToolModule<TOGGLE_BUTTON_SETTINGS> {
  Q_OBJECT

 public:
  explicit ToggleButtonModule(ModuleHost* host, QWidget* parent = nullptr);
  ~ToggleButtonModule() override;

  bool ReadsSymbol(const ACTIVE_SYMBOL* symbol) const override;
  bool UsesSymbol(const ACTIVE_SYMBOL* symbol) const override;
  void RemoveSymbol(const ACTIVE_SYMBOL* symbol) override;
  bool CanAddSymbol() const override;
  bool AddSymbol(const ACTIVE_SYMBOL* symbol) override;
  QString GetInfoText() const override;
  void EnterEditMode() override;
  void EnterRunMode() override;
  void EnterPreviewMode() override;

  QPushButton* Button() const { return button_; }

 protected:
  ToolModuleDialog* CreateDialog(const MODULE_SETTINGS& initial, QWidget* parent) override;
  void PartChanged() override;
  void RunUpdate() override;

 private slots:
  void _SlotOnToggled(bool checked);

 private:
  TOGGLE_VALUES Values() const;
  void ShowState();

  QPushButton* button_ = nullptr;
  ToggleButtonWrites writes_;
};
