#include "modules/gauge_dialog_fields.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <climits>
#include <cmath>

#include "platform/sys_msgbox.h"

void GaugeDialogFields::Build(QWidget* parent, QVBoxLayout* layout, const QString& title, QFormLayout** range_form,
                              const std::function<void()>& edited) {
  auto* connection = new QGroupBox(QStringLiteral("Connection"), parent);
  auto* connection_form = new QFormLayout(connection);
  calc = new CalculationField(connection);
  connection_form->addRow(QStringLiteral("Display"), calc);
  layout->addWidget(connection);

  auto* scale = new QGroupBox(title, parent);
  auto* form = new QFormLayout(scale);
  min = new QSpinBox(scale);
  max = new QSpinBox(scale);
  for (QSpinBox* b : {min, max}) b->setRange(INT_MIN, INT_MAX);
  form->addRow(QStringLiteral("Minimum value:"), min);
  form->addRow(QStringLiteral("Maximum value:"), max);
  blur = new QCheckBox(QStringLiteral("Blur colors"), scale);
  form->addRow(blur);
  layout->addWidget(scale);
  *range_form = form;

  auto* indicators = new QGroupBox(QStringLiteral("Indicators"), parent);
  auto* row = new QHBoxLayout(indicators);
  for (int i = 0; i < 3; ++i) {
    zone[i] = new ColorButton(QStringLiteral("Color %1").arg(i + 1), 0, indicators);
    row->addWidget(zone[i]);
    if (i < 2) {
      border[i] = new QDoubleSpinBox(indicators);
      border[i]->setRange(0.0, 1.0);
      border[i]->setDecimals(3);
      border[i]->setSingleStep(0.05);
      row->addWidget(border[i]);
    }
  }
  layout->addWidget(indicators);

  auto* colors = new QGroupBox(QStringLiteral("Colors"), parent);
  auto* color_row = new QHBoxLayout(colors);
  background = new ColorButton(QStringLiteral("Background"), 0, colors);
  pen = new ColorButton(QStringLiteral("Pen"), 0, colors);
  color_row->addWidget(background);
  color_row->addWidget(pen);
  layout->addWidget(colors);

  QObject::connect(calc, &CalculationField::_SignalEdited, parent, edited);
  for (QSpinBox* b : {min, max}) QObject::connect(b, &QSpinBox::valueChanged, parent, edited);
  for (QDoubleSpinBox* b : border) QObject::connect(b, &QDoubleSpinBox::valueChanged, parent, edited);
  for (ColorButton* b : {zone[0], zone[1], zone[2], background, pen}) {
    QObject::connect(b, &ColorButton::_SignalEdited, parent, edited);
  }
  QObject::connect(blur, &QCheckBox::toggled, parent, edited);
}

double GaugeDialogFields::Border(int i) const {
  const double shown = border[i]->value();
  const double step = std::pow(10.0, -border[i]->decimals());
  return std::abs(shown - loaded_borders[i]) < step / 2 ? loaded_borders[i] : shown;
}

bool GaugeDialogFields::Validate() const {
  if (max->value() > min->value()) return true;
  SYS_ErrorBox("Invalid Range!");
  return false;
}
