#include "gui/cust_msgbox.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QStyle>
#include <QTextDocumentFragment>
#include <QTimer>

#include "gui/msgbox_text.h"
#include "platform/sys_memory.h"

namespace {

constexpr uint32_t kTextBufferSize = 32768;
constexpr int kIconSize = 64;
constexpr int kTitleSlack = 150;  // pixels beside the title text
constexpr int kTickMs = 10;

bool StandardIcon(uint32_t icon, QStyle::StandardPixmap* pixmap) {
  switch (icon) {
    case SYS_MB_ICON_CRITICAL: *pixmap = QStyle::SP_MessageBoxCritical; return true;
    case SYS_MB_ICON_QUESTION: *pixmap = QStyle::SP_MessageBoxQuestion; return true;
    case SYS_MB_ICON_WARNING: *pixmap = QStyle::SP_MessageBoxWarning; return true;
    case SYS_MB_ICON_INFORMATION: *pixmap = QStyle::SP_MessageBoxInformation; return true;
    default: return false;
  }
}

}  // namespace

DIALOG_CustMsgBox::DIALOG_CustMsgBox(SYS_MsgBoxRequest& request, QWidget* parent)
    : QDialog(parent), request_(request) {
  request_.check_result = 0;
  request_.pressed_button = 0;
  request_.cancelled = 0;
  request_.pressed_button = request_.default_result;

  auto* grid = new QGridLayout(this);
  QStyle::StandardPixmap standard;
  if (StandardIcon(request_.icon, &standard)) {
    auto* icon = new QLabel(this);
    icon->setFixedSize(kIconSize, kIconSize);
    icon->setPixmap(style()->standardIcon(standard).pixmap(kIconSize, kIconSize));
    grid->addWidget(icon, 0, 0);
  }

  text_label_ = new QLabel(this);
  text_label_->setTextFormat(Qt::RichText);
  text_buffer_ = static_cast<char*>(SYS_Alloc(kTextBufferSize, "Temp. MsgBox string"));
  if (text_buffer_ == nullptr) {
    text_label_->setTextFormat(Qt::PlainText);
    text_label_->setText("<Insufficient memory for message box>");
  } else {
    const bool has_link = MSGBOX_ConvertText(request_.text, text_buffer_, kTextBufferSize);
    text_label_->setText(QString::fromUtf8(text_buffer_));
    Qt::TextInteractionFlags flags = Qt::LinksAccessibleByMouse;
    if (has_link) flags |= Qt::LinksAccessibleByKeyboard;
    text_label_->setTextInteractionFlags(flags);
    text_label_->setOpenExternalLinks(true);
  }
  grid->addWidget(text_label_, 0, 1);

  if (request_.check_text != nullptr) {
    check_box_ = new QCheckBox(QString::fromUtf8(request_.check_text), this);
    check_box_->setChecked(request_.check_initial != 0);
    grid->addWidget(check_box_, 1, 1);
  }

  auto* row = new QHBoxLayout;
  row->setContentsMargins(0, 0, 0, 0);
  const char* texts[2] = {request_.button0, request_.button1};
  for (int i = 0; i < 2; ++i) {
    if (texts[i] == nullptr) continue;
    buttons_[i] = new QPushButton(QString::fromUtf8(texts[i]), this);
    buttons_[i]->setAutoDefault(true);
    connect(buttons_[i], &QPushButton::released, this, [this, i] { _SlotOnButtonReleased(i); });
    row->addWidget(buttons_[i]);
  }
  grid->addLayout(row, 2, 1, 1, -1);

  setModal(true);
  base_title_ = QString::fromUtf8(request_.title != nullptr ? request_.title : "");
  if (request_.timeout_ms > 0) {
    remaining_ms_ = request_.timeout_ms;
    timer_ = new QTimer(this);
    timer_->setInterval(kTickMs);
    connect(timer_, &QTimer::timeout, this, &DIALOG_CustMsgBox::_SlotOnTimeout);
    timer_->start();
  }
  setFixedSize(sizeHint());
  setWindowTitle(base_title_);
  setMinimumWidth(QFontMetrics(font()).horizontalAdvance(base_title_) + kTitleSlack);

  auto* copy = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_C), this);
  connect(copy, &QShortcut::activated, this, &DIALOG_CustMsgBox::_SlotOnCopy);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
}

DIALOG_CustMsgBox::~DIALOG_CustMsgBox() { Finish(); }

void DIALOG_CustMsgBox::Run(SYS_MsgBoxRequest& request, QWidget* parent) {
  DIALOG_CustMsgBox box(request, parent);
  box.exec();
}

void DIALOG_CustMsgBox::Finish() {
  if (is_finished_) return;
  is_finished_ = true;
  request_.check_result = check_box_ != nullptr && check_box_->isChecked() ? 1 : 0;
  if (timer_ != nullptr) timer_->stop();
  SYS_Free(text_buffer_);
  text_buffer_ = nullptr;
}

void DIALOG_CustMsgBox::reject() {
  if (!is_finished_) request_.cancelled = 1;
  Finish();
  QDialog::reject();
}

void DIALOG_CustMsgBox::_SlotOnButtonReleased(int index) {
  if (is_finished_) return;
  request_.pressed_button = static_cast<uint32_t>(index);
  Finish();
  accept();
}

void DIALOG_CustMsgBox::_SlotOnTimeout() {
  if (is_finished_) return;
  char title[512];
  const QByteArray base = base_title_.toUtf8();
  const bool is_closing =
      MSGBOX_CountdownTick(&remaining_ms_, base.constData(), title, sizeof title);
  const QString text = QString::fromUtf8(title);
  setWindowTitle(text);
  setMinimumWidth(QFontMetrics(font()).horizontalAdvance(text) + kTitleSlack);
  if (is_closing) {
    Finish();  // a timed-out box yields the default result, not "cancelled"
    accept();
  }
}

QString DIALOG_CustMsgBox::CopyText() const {
  const QString message = text_label_->textFormat() == Qt::RichText
                              ? QTextDocumentFragment::fromHtml(text_label_->text()).toPlainText()
                              : text_label_->text();
  const std::string s = MSGBOX_BuildCopyText(windowTitle().toStdString(), message.toStdString(),
                                             buttons_[0] != nullptr ? request_.button0 : nullptr,
                                             buttons_[1] != nullptr ? request_.button1 : nullptr);
  return QString::fromStdString(s);
}

void DIALOG_CustMsgBox::_SlotOnCopy() { QApplication::clipboard()->setText(CopyText()); }
