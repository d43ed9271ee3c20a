#include "modules/label_module.h"

#include <QPainter>

#include "modules/display_module_util.h"
#include "modules/label_dialog.h"

LabelModule::LabelModule(ModuleHost* host, QWidget* parent) : TypedToolModule(host, parent) {}

LabelModule::~LabelModule() = default;

QString LabelModule::GetFrameStyleSheet() const {
  return QStringLiteral("QLabel { color: %1; background-color: %2; }")
      .arg(ModuleRgbaCss(part_.ColorTextRGBA), ModuleRgbaCss(part_.ColorBackgroundRGBA));
}

ToolModuleDialog* LabelModule::CreateDialog(const MODULE_SETTINGS& initial, QWidget* parent) {
  return new LabelDialog(this, initial, parent);
}

LABEL_STATE LabelModule::PaintState() const {
  LABEL_STATE s;
  s.rect = QRectF(rect());
  s.text = QString::fromStdString(part_.Text);
  s.alignment = part_.Alignment;
  s.text_color = ModuleColor(part_.ColorTextRGBA);
  s.background = ModuleColor(part_.ColorBackgroundRGBA);
  s.use_fixed_size = part_.Font.UseFixPointSize != 0;
  s.fixed_px = part_.Font.FixPointSize;
  return s;
}

void LabelModule::paintEvent(QPaintEvent* event) {
  (void)event;
  QPainter painter(this);
  PaintLabel(painter, PaintState());
}
