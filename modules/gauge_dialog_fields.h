// The settings both gauge dialogs show: the displayed calculation ("Connection"), the range,
// the indicator zones, the colours and blurring. Each dialog adds its own (angle and fill,
// orientation) and loads and stores its part through these.
#pragma once

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QSpinBox>
#include <functional>

#include "modules/module_dialog_fields.h"

class QFormLayout;
class QVBoxLayout;

struct GaugeDialogFields {
  // Builds the groups into `layout`; `range_form` receives the range rows so that the dialog
  // can add its own rows beside them. `edited` runs after every change.
  // `title` names the group of the range ("Angular Gauge", "Linear Gauge").
  void Build(QWidget* parent, QVBoxLayout* layout, const QString& title, QFormLayout** range_form,
             const std::function<void()>& edited);

  template <typename PART>
  void Load(const PART& p) {
    calc->SetCalculation(p.Calculation);
    min->setValue(p.MinValue);
    max->setValue(p.MaxValue);
    for (int i = 0; i < 3; ++i) zone[i]->SetRgba(p.Indicators.Colors[i]);
    for (int i = 0; i < 2; ++i) {
      loaded_borders[i] = p.Indicators.Borders[i];
      border[i]->setValue(loaded_borders[i]);
    }
    background->SetRgba(p.ColorBackgroundRGBA);
    pen->SetRgba(p.ColorPenRGBA);
    blur->setChecked(p.Blur != 0);
  }
  template <typename PART>
  void Store(PART& p) const {
    p.Calculation = calc->Calculation();
    p.MinValue = min->value();
    p.MaxValue = max->value();
    for (int i = 0; i < 3; ++i) p.Indicators.Colors[i] = zone[i]->Rgba();
    for (int i = 0; i < 2; ++i) p.Indicators.Borders[i] = Border(i);
    p.ColorBackgroundRGBA = background->Rgba();
    p.ColorPenRGBA = pen->Rgba();
    p.Blur = blur->isChecked() ? 1 : 0;
  }
  // The border as shown, or as loaded while the shown value is that one rounded (1/3 stays 1/3).
  double Border(int i) const;
  // Refuses a maximum that is not above the minimum with "Invalid Range!".
  bool Validate() const;

  CalculationField* calc = nullptr;
  QSpinBox* min = nullptr;
  QSpinBox* max = nullptr;
  ColorButton* zone[3] = {};
  QDoubleSpinBox* border[2] = {};
  ColorButton* background = nullptr;
  ColorButton* pen = nullptr;
  QCheckBox* blur = nullptr;
  double loaded_borders[2] = {};
};
