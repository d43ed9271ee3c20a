// The image: a picture from a PNG or JPEG file, scaled and drawn with the chosen opacity
// (image_paint.h).
#pragma once

#include <QImage>

#include "modules/image_paint.h"
#include "modules/typed_tool_module.h"

class ImageModule : public TypedToolModule<IMAGE_SETTINGS> {
  Q_OBJECT

 public:
  explicit ImageModule(ModuleHost* host, QWidget* parent = nullptr);
  ~ImageModule() override;

  QString GetFrameStyleSheet() const override;
  IMAGE_STATE PaintState() const;

 protected:
  ToolModuleDialog* CreateDialog(const MODULE_SETTINGS& initial, QWidget* parent) override;
  void PartChanged() override;
  void paintEvent(QPaintEvent* event) override;

 private:
  std::string loaded_path_;
  QImage image_;  // null when the file is missing or unreadable
};
