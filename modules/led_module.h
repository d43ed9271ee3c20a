// The LED: lit in its light colour while its formula holds in Run mode, optionally blinking
// (led_blink.h, led_paint.h).
#pragma once

#include "modules/led_blink.h"
#include "modules/led_paint.h"
#include "modules/typed_tool_module.h"

class LEDModule : public TypedToolModule<LED_SETTINGS> {
  Q_OBJECT

 public:
  explicit LEDModule(ModuleHost* host, QWidget* parent = nullptr);
  ~LEDModule() override;

  bool ReadsSymbol(const ACTIVE_SYMBOL* symbol) const override;
  bool UsesSymbol(const ACTIVE_SYMBOL* symbol) const override;
  void RemoveSymbol(const ACTIVE_SYMBOL* symbol) override;
  QString GetInfoText() const override;
  QString GetFrameStyleSheet() const override;
  void EnterEditMode() override;
  void EnterRunMode() override;
  void EnterPreviewMode() override;

  LED_STATE PaintState() const;

 protected:
  ToolModuleDialog* CreateDialog(const MODULE_SETTINGS& initial, QWidget* parent) override;
  void RunUpdate() override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void Dark();

  LedBlink blink_;
};
