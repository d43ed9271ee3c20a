#include "modules/frame_buffer_module.h"

#include <QGridLayout>
#include <QPainter>

#include "modules/frame_buffer_dialog.h"
#include "modules/framebuffer_decode.h"
#include "symbols/active_symbol.h"

FrameBuffer::FrameBuffer(QWidget* parent) : QWidget(parent) {
  connect(this, &FrameBuffer::_SignalUpdate, this, &FrameBuffer::_SlotOnUpdate, Qt::QueuedConnection);
}

FrameBuffer::~FrameBuffer() { reader_.Stop(); }

void FrameBuffer::SetPictureSize(uint32_t width, uint32_t height) {
  picture_ = QSize(static_cast<int>(FRAMEBUFFER_ClampSide(width)), static_cast<int>(FRAMEBUFFER_ClampSide(height)));
  update();
}

bool FrameBuffer::StartReading(uint32_t address, uint32_t width, uint32_t height, uint32_t encoding) {
  SetPictureSize(width, height);
  decoded_ = QImage();
  scaled_ = QImage();
  // The worker announces each complete picture; the reader stops calling before this widget
  // goes away.
  return reader_.Start(address, width, height, encoding, [this] { emit _SignalUpdate(); });
}

void FrameBuffer::StopReading() {
  reader_.Stop();
  decoded_ = QImage();
  scaled_ = QImage();
  update();
}

void FrameBuffer::_SlotOnUpdate() {
  if (!reader_.Decode(decoded_)) decoded_ = QImage();
  Rescale();
  update();
}

void FrameBuffer::Rescale() {
  scaled_ = decoded_.isNull() ? QImage() : decoded_.scaled(size(), Qt::KeepAspectRatio, Qt::FastTransformation);
}

FrameBuffer::State FrameBuffer::PaintState() const { return {size(), picture_, reader_.IsReading(), scaled_}; }

void FrameBuffer::paint(QPainter& painter, const State& state) {
  if (state.reading) {
    if (!state.scaled.isNull()) painter.drawImage(0, 0, state.scaled);
    return;
  }
  // The placeholder: the picture's aspect ratio, as wide or as high as the widget allows.
  const QSize fitted = state.picture.scaled(state.widget, Qt::KeepAspectRatio);
  painter.fillRect(QRect(QPoint(0, 0), fitted), QColor(128, 128, 128, 128));
}

void FrameBuffer::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  paint(painter, PaintState());
}

void FrameBuffer::resizeEvent(QResizeEvent*) { Rescale(); }

FrameBufferModule::FrameBufferModule(ModuleHost* host, QWidget* parent) : TypedToolModule(host, parent) {
  frame_ = new FrameBuffer(this);
  auto* layout = new QGridLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(frame_, 0, 0);
  PartChanged();
}

ToolModuleDialog* FrameBufferModule::CreateDialog(const MODULE_SETTINGS& initial, QWidget* parent) {
  return new FrameBufferDialog(this, initial, parent);
}

void FrameBufferModule::PartChanged() {
  part_.PxWidth = FRAMEBUFFER_ClampSide(part_.PxWidth);
  part_.PxHeight = FRAMEBUFFER_ClampSide(part_.PxHeight);
  frame_->SetPictureSize(part_.PxWidth, part_.PxHeight);
}

bool FrameBufferModule::AddSymbol(const ACTIVE_SYMBOL* symbol) {
  if (symbol == nullptr || symbol->Virtual != 0 || !CanAddSymbol()) return false;
  part_.Address = symbol->Address;
  PartChanged();
  return true;
}

QString FrameBufferModule::GetInfoText() const {
  const char* encoding = FRAMEBUFFER_EncodingText(part_.Encoding);
  return QString::asprintf("Address: 0x%08X\n", part_.Address) +
         QStringLiteral("Size: %1 x %2\nEncoding: %3\n")
             .arg(part_.PxWidth)
             .arg(part_.PxHeight)
             .arg(QString::fromLatin1(encoding != nullptr ? encoding : "-"));
}

void FrameBufferModule::EnterEditMode() { frame_->StopReading(); }

void FrameBufferModule::EnterRunMode() {
  frame_->StartReading(part_.Address, part_.PxWidth, part_.PxHeight, part_.Encoding);
}

void FrameBufferModule::EnterPreviewMode() { frame_->StopReading(); }

QString FrameBufferModule::GetFrameStyleSheet() const { return QStringLiteral("QFrame { background-color: transparent; }"); }
