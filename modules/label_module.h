// The label: fixed text (label_paint.h).
#pragma once

#include "modules/label_paint.h"
#include "modules/typed_tool_module.h"

class LabelModule : public TypedToolModule<LABEL_SETTINGS> {
  Q_OBJECT

 public:
  explicit LabelModule(ModuleHost* host, QWidget* parent = nullptr);
  ~LabelModule() override;

  QString GetFrameStyleSheet() const override;
  LABEL_STATE PaintState() const;

 protected:
  ToolModuleDialog* CreateDialog(const MODULE_SETTINGS& initial, QWidget* parent) override;
  void paintEvent(QPaintEvent* event) override;
};
