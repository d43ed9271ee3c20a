// The text settings of label, push button, check box and radio buttons: alignment choice and
// the fixed point size option.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QSpinBox>

#include <functional>

#include "modules/module_dialog_fields.h"
#include "modules/records/module_settings.h"

class QFormLayout;

// "Alignment:" with the nine alignments (centre first).
QComboBox* NewAlignmentChoice(QWidget* parent, uint32_t alignment);
uint32_t ChosenAlignment(const QComboBox* choice);

// "Pointsize:" with "Use fix pointsize", and the "Text" and "Background" colours under
// "Colors". `edited` runs after every change.
struct TextStyleFields {
  void Build(QWidget* parent, QFormLayout* form, const FONT_OPTION& font, uint32_t text_rgba,
             uint32_t background_rgba, const std::function<void()>& edited);
  FONT_OPTION Font() const;
  QSpinBox* size = nullptr;
  QCheckBox* fixed = nullptr;
  ColorButton* text = nullptr;
  ColorButton* background = nullptr;
};
