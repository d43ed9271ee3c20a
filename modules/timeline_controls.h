// The undo and redo controls the main window puts in its tool bar: a button each (tool tips
// "Undo (Ctrl+Z)" and "Redo (Ctrl+Shift+Z)" in the platform's key names) and beside each a
// narrow drop-down listing the events that would be undone or redone, newest first; choosing
// entry i takes i steps at once. Everything follows the board's timeline.
#pragma once

#include <QComboBox>
#include <QWidget>

class QToolButton;
class ToolModuleBoard;

// A drop-down 18 px wide whose popup is as wide as its widest text.
class TimelineComboBox : public QComboBox {
  Q_OBJECT

 public:
  explicit TimelineComboBox(QWidget* parent = nullptr);
  // Replaces the entries (the first one is the empty entry) and widens the popup.
  void SetTexts(const QStringList& texts);
};

class TimelineControls : public QWidget {
  Q_OBJECT

 public:
  explicit TimelineControls(ToolModuleBoard* board, QWidget* parent = nullptr);

  QToolButton* UndoButton() const { return undo_button_; }
  QToolButton* RedoButton() const { return redo_button_; }
  TimelineComboBox* UndoList() const { return undo_list_; }
  TimelineComboBox* RedoList() const { return redo_list_; }

 public slots:
  // Enables the controls by their stacks and rebuilds both lists.
  void Refresh();

 private slots:
  void _SlotOnUndo();
  void _SlotOnRedo();
  void _SlotOnUndoMultiple(int count);
  void _SlotOnRedoMultiple(int count);

 private:
  ToolModuleBoard* board_;
  QToolButton* undo_button_ = nullptr;
  QToolButton* redo_button_ = nullptr;
  TimelineComboBox* undo_list_ = nullptr;
  TimelineComboBox* redo_list_ = nullptr;
};
