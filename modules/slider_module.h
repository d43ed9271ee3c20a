// The slider: writes the value of its position, or follows the target (slider_writes.h).
#pragma once

#include "modules/slider_writes.h"
#include "modules/typed_tool_module.h"

class QSlider;

class SliderModule : public TypedToolModule<SLIDER_SETTINGS> {
  Q_OBJECT

 public:
  explicit SliderModule(ModuleHost* host, QWidget* parent = nullptr);
  ~SliderModule() override;

  bool ReadsSymbol(const ACTIVE_SYMBOL* symbol) const override;
  bool UsesSymbol(const ACTIVE_SYMBOL* symbol) const override;
  void RemoveSymbol(const ACTIVE_SYMBOL* symbol) override;
  bool CanAddSymbol() const override;
  bool AddSymbol(const ACTIVE_SYMBOL* symbol) override;
  QString GetInfoText() const override;
  QString GetFrameStyleSheet() const override;
  void EnterEditMode() override;
  void EnterRunMode() override;

  QSlider* Slider() const { return slider_; }

 protected:
  ToolModuleDialog* CreateDialog(const MODULE_SETTINGS& initial, QWidget* parent) override;
  void PartChanged() override;
  void RunUpdate() override;

 private slots:
  void _SlotOnValueChanged(int position);

 private:
  SLIDER_VALUES Values() const;
  bool ReadIfHolds() const;

  QSlider* slider_ = nullptr;
  SliderWrites writes_;
};
