// The digital display: the value of its calculation as seven-segment digits in the chosen
// number base (digital_display_paint.h).
#pragma once

#include "modules/calculation_display_module.h"
#include "modules/digital_display_paint.h"

class DigitalDisplayModule : public CalculationDisplayModule<DIGITAL_DISPLAY_SETTINGS> {
  Q_OBJECT

 public:
  explicit DigitalDisplayModule(ModuleHost* host, QWidget* parent = nullptr);
  ~DigitalDisplayModule() override;

  QString GetInfoText() const override;
  QString GetFrameStyleSheet() const override;

  DIGITAL_DISPLAY_STATE PaintState() const;

 protected:
  ToolModuleDialog* CreateDialog(const MODULE_SETTINGS& initial, QWidget* parent) override;
  void RunUpdate() override;
  void paintEvent(QPaintEvent* event) override;

 private:
  QString text_ = QStringLiteral("0");  // the last value shown
};
