#include "modules/image_module.h"

#include <QPainter>

#include "modules/image_dialog.h"

ImageModule::ImageModule(ModuleHost* host, QWidget* parent) : TypedToolModule(host, parent) {}

ImageModule::~ImageModule() = default;

QString ImageModule::GetFrameStyleSheet() const { return QStringLiteral("QFrame { background-color: transparent; }"); }

ToolModuleDialog* ImageModule::CreateDialog(const MODULE_SETTINGS& initial, QWidget* parent) {
  return new ImageDialog(this, initial, parent);
}

void ImageModule::PartChanged() {
  // Read the file only when it changed, not on every preview of the dialog.
  if (part_.Image != loaded_path_) {
    loaded_path_ = part_.Image;
    image_ = part_.Image.empty() ? QImage() : QImage(QString::fromStdString(part_.Image));
  }
  update();
}

IMAGE_STATE ImageModule::PaintState() const {
  IMAGE_STATE s;
  s.rect = QRectF(rect());
  s.image = image_;
  s.scale_mode = part_.ScaleMode;
  s.opacity = std::clamp(part_.Alpha, 0, 255) / 255.0;
  return s;
}

void ImageModule::paintEvent(QPaintEvent* event) {
  (void)event;
  QPainter painter(this);
  PaintImage(painter, PaintState());
}
