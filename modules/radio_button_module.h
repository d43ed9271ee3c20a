// Radio buttons: up to eight buttons, each writing its own symbol when selected and when
// cleared (radio_button_writes.h). The selected button is shown with a darker background and
// bold text; the round indicators are hidden.
#pragma once

#include <vector>

#include "modules/radio_button_writes.h"
#include "modules/typed_tool_module.h"

class QButtonGroup;
class QRadioButton;
class QVBoxLayout;

class RadioButtonModule : public TypedToolModule<RADIO_BUTTONS_SETTINGS> {
  Q_OBJECT

 public:
  explicit RadioButtonModule(ModuleHost* host, QWidget* parent = nullptr);
  ~RadioButtonModule() override;

  bool ReadsSymbol(const ACTIVE_SYMBOL* symbol) const override;
  bool UsesSymbol(const ACTIVE_SYMBOL* symbol) const override;
  void RemoveSymbol(const ACTIVE_SYMBOL* symbol) override;
  void FitContents() override;
  QString GetFrameStyleSheet() const override;
  void EnterEditMode() override;
  void EnterRunMode() override;
  void EnterPreviewMode() override;

  const std::vector<QRadioButton*>& Buttons() const { return buttons_; }

 protected:
  ToolModuleDialog* CreateDialog(const MODULE_SETTINGS& initial, QWidget* parent) override;
  void PartChanged() override;

 private slots:
  void _SlotOnSelected(int index);

 private:
  std::vector<RADIO_ENTRY> Entries() const;
  void ShowSelection();

  QVBoxLayout* layout_ = nullptr;
  QButtonGroup* group_ = nullptr;
  std::vector<QRadioButton*> buttons_;
  RadioButtonWrites writes_;
};
