// The frame buffer module: a picture in target memory (a display controller's frame buffer),
// read periodically in Run mode, decoded in one of fourteen encodings and scaled to the
// module. Its drawing widget is FrameBuffer.
#pragma once

#include <QImage>
#include <QWidget>

#include "modules/framebuffer_reader.h"
#include "modules/typed_tool_module.h"

class FrameBuffer : public QWidget {
  Q_OBJECT

 public:
  explicit FrameBuffer(QWidget* parent = nullptr);
  ~FrameBuffer() override;

  // What paint draws: the scaled picture while reading, else the placeholder of the
  // picture's aspect ratio.
  struct State {
    QSize widget;
    QSize picture{96, 72};
    bool reading = false;
    QImage scaled;
  };
  static void paint(QPainter& painter, const State& state);

  void SetPictureSize(uint32_t width, uint32_t height);
  // Stops earlier reads and starts reading; false after a message (no reading then).
  bool StartReading(uint32_t address, uint32_t width, uint32_t height, uint32_t encoding);
  void StopReading();
  bool IsReading() const { return reader_.IsReading(); }
  // The newest decoded picture at its own size (null before the first).
  const QImage& Picture() const { return decoded_; }
  State PaintState() const;

 signals:
  // Emitted on the worker when a new picture is complete; queued to _SlotOnUpdate.
  void _SignalUpdate();

 private slots:
  void _SlotOnUpdate();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Rescale();

  FrameBufferReader reader_;
  QImage decoded_;
  QImage scaled_;
  QSize picture_{96, 72};
};

class FrameBufferModule : public TypedToolModule<FRAME_BUFFER_SETTINGS> {
  Q_OBJECT

 public:
  explicit FrameBufferModule(ModuleHost* host, QWidget* parent = nullptr);

  FrameBuffer* Frame() const { return frame_; }

  bool CanAddSymbol() const override { return part_.Address == 0; }
  bool AddSymbol(const ACTIVE_SYMBOL* symbol) override;
  QString GetInfoText() const override;
  void EnterEditMode() override;
  void EnterRunMode() override;
  void EnterPreviewMode() override;
  QString GetFrameStyleSheet() const override;

 protected:
  ToolModuleDialog* CreateDialog(const MODULE_SETTINGS& initial, QWidget* parent) override;
  void PartChanged() override;

 private:
  FrameBuffer* frame_ = nullptr;
};
