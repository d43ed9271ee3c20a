// The angular gauge: shows the value of its calculation on a round dial (angular_gauge_paint.h).
#pragma once

#include "modules/angular_gauge_paint.h"
#include "modules/calculation_display_module.h"

class AngularGaugeModule : public CalculationDisplayModule<ANGULAR_GAUGE_SETTINGS> {
  Q_OBJECT

 public:
  explicit AngularGaugeModule(ModuleHost* host, QWidget* parent = nullptr);
  ~AngularGaugeModule() override;

  QString GetInfoText() const override;
  QString GetFrameStyleSheet() const override;

  // What the dial shows now.
  ANGULAR_GAUGE_STATE PaintState() const;

 protected:
  ToolModuleDialog* CreateDialog(const MODULE_SETTINGS& initial, QWidget* parent) override;
  void RunUpdate() override;
  void paintEvent(QPaintEvent* event) override;

 private:
  int64_t value_ = 25;  // a new gauge shows 25 until Run mode sets it
};
