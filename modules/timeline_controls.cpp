#include "modules/timeline_controls.h"

#include <algorithm>

#include <QAbstractItemView>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QScrollBar>
#include <QStyle>
#include <QToolButton>

#include "modules/tool_module_board.h"

namespace {

QStringList ToQt(const std::vector<std::string>& texts) {
  QStringList list;
  for (const std::string& text : texts) list << QString::fromStdString(text);
  return list;
}

}  // namespace

TimelineComboBox::TimelineComboBox(QWidget* parent) : QComboBox(parent) {
  setFixedWidth(18);
  setMaxVisibleItems(20);
}

void TimelineComboBox::SetTexts(const QStringList& texts) {
  const QSignalBlocker block(this);
  clear();
  addItems(texts);
  setCurrentIndex(0);
  int widest = 0;
  const QFontMetrics metrics(view()->font());
  for (const QString& text : texts) widest = std::max(widest, metrics.horizontalAdvance(text));
  view()->setMinimumWidth(widest + view()->verticalScrollBar()->sizeHint().width() + 4);
}

TimelineControls::TimelineControls(ToolModuleBoard* board, QWidget* parent)
    : QWidget(parent), board_(board) {
  undo_button_ = new QToolButton(this);
  redo_button_ = new QToolButton(this);
  undo_button_->setIcon(style()->standardIcon(QStyle::SP_ArrowBack));
  redo_button_->setIcon(style()->standardIcon(QStyle::SP_ArrowForward));
  undo_button_->setToolTip(
      tr("Undo (%1)").arg(QKeySequence(Qt::CTRL | Qt::Key_Z).toString(QKeySequence::NativeText)));
  redo_button_->setToolTip(tr("Redo (%1)").arg(
      QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z).toString(QKeySequence::NativeText)));
  undo_list_ = new TimelineComboBox(this);
  redo_list_ = new TimelineComboBox(this);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(undo_button_);
  layout->addWidget(undo_list_);
  layout->addSpacing(4);
  layout->addWidget(redo_button_);
  layout->addWidget(redo_list_);

  connect(undo_button_, &QToolButton::clicked, this, &TimelineControls::_SlotOnUndo);
  connect(redo_button_, &QToolButton::clicked, this, &TimelineControls::_SlotOnRedo);
  connect(undo_list_, qOverload<int>(&QComboBox::activated), this,
          &TimelineControls::_SlotOnUndoMultiple);
  connect(redo_list_, qOverload<int>(&QComboBox::activated), this,
          &TimelineControls::_SlotOnRedoMultiple);
  connect(board_, &ToolModuleBoard::SignalTimelineChanged, this, &TimelineControls::Refresh);
  Refresh();
}

void TimelineControls::Refresh() {
  const bool can_undo = board_->CanUndo();
  const bool can_redo = board_->CanRedo();
  undo_button_->setEnabled(can_undo);
  undo_list_->setEnabled(can_undo);
  redo_button_->setEnabled(can_redo);
  redo_list_->setEnabled(can_redo);
  undo_list_->SetTexts(ToQt(board_->Timeline().UndoTexts()));
  redo_list_->SetTexts(ToQt(board_->Timeline().RedoTexts()));
}

void TimelineControls::_SlotOnUndo() { board_->_SlotOnUndo(); }
void TimelineControls::_SlotOnRedo() { board_->_SlotOnRedo(); }
void TimelineControls::_SlotOnUndoMultiple(int count) { board_->_SlotOnUndoMultiple(count); }
void TimelineControls::_SlotOnRedoMultiple(int count) { board_->_SlotOnRedoMultiple(count); }
