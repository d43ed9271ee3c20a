// The small bar the board shows above a module in Edit mode, one for the selected module and
// one for the hovered one: a delete cross, a preferences gear ("Open settings") and the
// module's layer with buttons one layer up and down. The bar only reports the clicks; the
// board carries them out on the bar's module.
#pragma once

#include <QFrame>

class QLabel;
class QToolButton;
class ToolModule;

class ModulePopupBar : public QFrame {
  Q_OBJECT

 public:
  explicit ModulePopupBar(QWidget* parent);
  // Follows `module` (null hides the bar); `layer` is the module's layer.
  void Follow(ToolModule* module, uint32_t layer);
  ToolModule* Module() const { return module_; }
  QToolButton* RemoveButton() const { return remove_; }
  QToolButton* SettingsButton() const { return settings_; }
  QToolButton* LayerButton() const { return layer_; }
  QToolButton* LayerUpButton() const { return up_; }
  QToolButton* LayerDownButton() const { return down_; }

 signals:
  void SignalRemove(ToolModule* module);
  void SignalOpenSettings(ToolModule* module);
  void SignalChangeLayer(ToolModule* module);  // the layers dialog
  void SignalLayerStep(ToolModule* module, int step);  // +1 up, -1 down

 private:
  ToolModule* module_ = nullptr;
  QToolButton* remove_ = nullptr;
  QToolButton* settings_ = nullptr;
  QToolButton* layer_ = nullptr;
  QToolButton* up_ = nullptr;
  QToolButton* down_ = nullptr;
};
