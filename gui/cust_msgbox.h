// The program's own modal message box: up to two buttons with free texts, an optional
// check box, a time-out with a countdown in the title, URLs as clickable links and Ctrl+C
// copy. GUI thread only; other threads go through the main window (SYS_ShowMsgBox).
#pragma once

#include <QDialog>

#include "platform/sys_msgbox.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QTimer;

class DIALOG_CustMsgBox : public QDialog {
  Q_OBJECT

 public:
  // Resets the request's results, builds the box and starts the countdown (time-out > 0).
  // `request` must outlive the dialog; its results are written when the box closes.
  explicit DIALOG_CustMsgBox(SYS_MsgBoxRequest& request, QWidget* parent = nullptr);
  ~DIALOG_CustMsgBox() override;

  // Shows a box for `request` modally and returns when it closed.
  static void Run(SYS_MsgBoxRequest& request, QWidget* parent = nullptr);

  // The plain text Ctrl+C puts on the clipboard.
  QString CopyText() const;

 public slots:
  void reject() override;  // Escape and the window system's close: "cancelled"

 private slots:
  void _SlotOnButtonReleased(int index);
  void _SlotOnTimeout();
  void _SlotOnCopy();

 private:
  void Finish();  // stores the check box state, stops the timer, frees the text buffer

  SYS_MsgBoxRequest& request_;
  QCheckBox* check_box_ = nullptr;
  QTimer* timer_ = nullptr;
  QPushButton* buttons_[2] = {nullptr, nullptr};
  QLabel* text_label_ = nullptr;
  char* text_buffer_ = nullptr;  // 32768 bytes, "Temp. MsgBox string"
  QString base_title_;
  int32_t remaining_ms_ = 0;
  bool is_finished_ = false;
};
