#include "modules/image_module.h"

#include <QPainter>

#include "modules/image_dialog.h"

ImageModule::ImageModule(ModuleHost* host, QWidget* parent) : ToolModule(MODULE_TYPE_IMAGE, host, parent) {
  if (auto defaults = MODULE_DefaultSettings(MODULE_TYPE_IMAGE)) part_ = *defaults->As<IMAGE_SETTINGS>();
}

ImageModule::~ImageModule() = default;

void ImageModule::ApplyPart(const MODULE_SETTINGS& settings) {
  if (const auto* part = settings.As<IMAGE_SETTINGS>()) part_ = *part;
  update();
}

void ImageModule::FillPart(MODULE_SETTINGS& settings) const { settings.Part = part_; }

ToolModuleDialog* ImageModule::CreateDialog(const MODULE_SETTINGS& initial, QWidget* parent) {
  return new ImageDialog(this, initial, parent);
}

void ImageModule::paintEvent(QPaintEvent* event) {
  (void)event;
  QPainter painter(this);
  PaintPlaceholder(painter);
}
