#include "modules/digital_display_module.h"

#include <QPainter>

#include "modules/digital_display_dialog.h"

namespace {

QString BaseName(int32_t base) {
  switch (base) {
    case 2: return QStringLiteral("Binary");
    case 8: return QStringLiteral("Octal");
    case 16: return QStringLiteral("Hexadecimal");
    default: return QStringLiteral("Decimal");
  }
}

}  // namespace

DigitalDisplayModule::DigitalDisplayModule(ModuleHost* host, QWidget* parent) : CalculationDisplayModule(host, parent) {}

DigitalDisplayModule::~DigitalDisplayModule() = default;

QString DigitalDisplayModule::GetInfoText() const {
  return QStringLiteral("Display: %1\nNumber base: %2\nDigits: %3\n")
      .arg(DisplayCalculationText(part_.Calculation), BaseName(part_.NumberBase))
      .arg(part_.DigitCount);
}

QString DigitalDisplayModule::GetFrameStyleSheet() const {
  return QStringLiteral("QLCDNumber { color: %1; background-color: %2; }")
      .arg(ModuleRgbaCss(part_.ColorTextRGBA), ModuleRgbaCss(part_.ColorBackgroundRGBA));
}

ToolModuleDialog* DigitalDisplayModule::CreateDialog(const MODULE_SETTINGS& initial, QWidget* parent) {
  return new DigitalDisplayDialog(this, initial, parent);
}

void DigitalDisplayModule::RunUpdate() {
  VALUE_SLOT value{};
  uint32_t type = 0;
  if (Evaluate(&value, &type)) {
    const QString text = DigitalDisplayText(value, type, part_.NumberBase, part_.DigitCount);
    if (!text.isEmpty()) text_ = text;
  }
  update();
}

DIGITAL_DISPLAY_STATE DigitalDisplayModule::PaintState() const {
  DIGITAL_DISPLAY_STATE s;
  s.rect = QRectF(rect());
  s.text = text_;
  s.digits = part_.DigitCount;
  s.text_color = ModuleColor(part_.ColorTextRGBA);
  s.background = ModuleColor(part_.ColorBackgroundRGBA);
  return s;
}

void DigitalDisplayModule::paintEvent(QPaintEvent* event) {
  (void)event;
  QPainter painter(this);
  PaintDigitalDisplay(painter, PaintState());
}
