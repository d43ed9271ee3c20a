// The push button: writes its press operations when pressed, repeats them while held (with
// repeat on hold) and writes its release operations when let go (push_button_writes.h).
#pragma once

#include <QTimer>

#include "modules/push_button_writes.h"
#include "modules/typed_tool_module.h"

class QPushButton;

class PushButtonModule : public TypedToolModule<PUSH_BUTTON_SETTINGS> {
  Q_OBJECT

 public:
  explicit PushButtonModule(ModuleHost* host, QWidget* parent = nullptr);
  ~PushButtonModule() override;

  bool ReadsSymbol(const ACTIVE_SYMBOL* symbol) const override;
  bool UsesSymbol(const ACTIVE_SYMBOL* symbol) const override;
  void RemoveSymbol(const ACTIVE_SYMBOL* symbol) override;
  bool CanAddSymbol() const override;
  bool AddSymbol(const ACTIVE_SYMBOL* symbol) override;
  void FitContents() override;
  QString GetInfoText() const override;
  QString GetFrameStyleSheet() const override;
  void EnterEditMode() override;
  void EnterRunMode() override;
  void EnterPreviewMode() override;

  QPushButton* Button() const { return button_; }

 protected:
  ToolModuleDialog* CreateDialog(const MODULE_SETTINGS& initial, QWidget* parent) override;
  void PartChanged() override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private slots:
  void _SlotOnPressed();
  void _SlotOnReleased();
  void _SlotOnHoldRepeat();

 private:
  void Restyle();

  QPushButton* button_ = nullptr;
  QTimer repeat_timer_;
  bool pressed_ = false;  // between a press and its one release
  PushButtonWrites writes_;
};

// The style-sheet text of an alignment code ("center center", ...; "" for an unknown code).
QString PushButtonAlignmentText(uint32_t alignment);
