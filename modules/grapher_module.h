// The grapher module: an oscilloscope of up to eight sampled symbols. It draws from the
// sampling engine's history (it keeps no samples of its own) in a GraphContainer: the plot
// with, over it, the "AutoScroll" check box, the cursor label and the info label.
#pragma once

#include <QWidget>

#include "modules/grapher_widget.h"
#include "modules/typed_tool_module.h"

class QCheckBox;
class QLabel;

class GraphContainer : public QWidget {
  Q_OBJECT

 public:
  explicit GraphContainer(QWidget* parent = nullptr);
  GraphWidget* Plot() const { return plot_; }
  QCheckBox* AutoScrollBox() const { return auto_scroll_; }
  QLabel* CursorLabel() const { return cursor_label_; }
  QLabel* InfoLabel() const { return info_label_; }

 private:
  GraphWidget* plot_ = nullptr;
  QCheckBox* auto_scroll_ = nullptr;
  QLabel* cursor_label_ = nullptr;
  QLabel* info_label_ = nullptr;
};

class GrapherModule : public TypedToolModule<GRAPHER_SETTINGS> {
  Q_OBJECT

 public:
  explicit GrapherModule(ModuleHost* host, QWidget* parent = nullptr);

  GraphContainer* Container() const { return container_; }

  bool ReadsSymbol(const ACTIVE_SYMBOL* symbol) const override;
  bool UsesSymbol(const ACTIVE_SYMBOL* symbol) const override;
  void RemoveSymbol(const ACTIVE_SYMBOL* symbol) override;
  bool CanAddSymbol() const override;
  bool AddSymbol(const ACTIVE_SYMBOL* symbol) override;
  void FitContents() override;
  QString GetInfoText() const override;
  void EnterEditMode() override;
  void EnterRunMode() override;
  void EnterPreviewMode() override;
  QString GetFrameStyleSheet() const override;

 protected:
  ToolModuleDialog* CreateDialog(const MODULE_SETTINGS& initial, QWidget* parent) override;
  void PartChanged() override;
  void RunUpdate() override;

 private:
  // The channels as the plot uses them, their symbols looked up in the active list.
  void SyncPlot();
  // The plot changed zero levels or resolutions: keep them in the part.
  void TakeChannelsFromPlot();
  void Export(bool whole_history);

  GraphContainer* container_ = nullptr;
};
