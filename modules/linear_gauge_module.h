// The linear gauge: shows the value of its calculation as a bar (linear_gauge_paint.h).
#pragma once

#include "modules/linear_gauge_paint.h"
#include "modules/calculation_display_module.h"

class LinearGaugeModule : public CalculationDisplayModule<LINEAR_GAUGE_SETTINGS> {
  Q_OBJECT

 public:
  explicit LinearGaugeModule(ModuleHost* host, QWidget* parent = nullptr);
  ~LinearGaugeModule() override;

  QString GetInfoText() const override;
  QString GetFrameStyleSheet() const override;

  LINEAR_GAUGE_STATE PaintState() const;

 protected:
  ToolModuleDialog* CreateDialog(const MODULE_SETTINGS& initial, QWidget* parent) override;
  void RunUpdate() override;
  void paintEvent(QPaintEvent* event) override;

 private:
  int64_t value_ = 25;
};
