// The text settings of label, push button, check box and radio buttons: alignment choice and
// the fixed point size option.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QSpinBox>

#include "modules/records/module_settings.h"

class QFormLayout;

// "Alignment:" with the nine alignments (centre first).
QComboBox* NewAlignmentChoice(QWidget* parent, uint32_t alignment);
uint32_t ChosenAlignment(const QComboBox* choice);

// "Pointsize:" with "Use fix pointsize".
struct FontFields {
  void Build(QWidget* parent, QFormLayout* form, const FONT_OPTION& font);
  FONT_OPTION Value() const;
  QSpinBox* size = nullptr;
  QCheckBox* fixed = nullptr;
};
