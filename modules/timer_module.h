// The timer: from Run entry to Edit entry its enabled write operations run as periodic writes
// at its interval (timer_writes.h); its face can show the interval passing.
#pragma once

#include "modules/timer_face_paint.h"
#include "modules/timer_writes.h"
#include "modules/typed_tool_module.h"

class TimerModule : public TypedToolModule<TIMER_SETTINGS> {
  Q_OBJECT

 public:
  explicit TimerModule(ModuleHost* host, QWidget* parent = nullptr);
  ~TimerModule() override;

  bool ReadsSymbol(const ACTIVE_SYMBOL* symbol) const override;
  bool UsesSymbol(const ACTIVE_SYMBOL* symbol) const override;
  void RemoveSymbol(const ACTIVE_SYMBOL* symbol) override;
  bool CanAddSymbol() const override;
  bool AddSymbol(const ACTIVE_SYMBOL* symbol) override;
  QString GetInfoText() const override;
  void EnterEditMode() override;
  void EnterRunMode() override;
  void EnterPreviewMode() override;

  int RunningWrites() const { return writes_.RunningCount(); }
  TIMER_FACE_STATE PaintState() const;

 protected:
  ToolModuleDialog* CreateDialog(const MODULE_SETTINGS& initial, QWidget* parent) override;
  void RunUpdate() override;
  void paintEvent(QPaintEvent* event) override;

 private:
  uint32_t Interval() const;

  TimerWrites writes_;
};
