#include "modules/grapher_widget.h"

#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "core/app_sampling.h"
#include "core/app_symbol_access.h"
#include "modules/grapher_columns.h"

namespace {

constexpr int kZeroMarkGrab = 6;  // pixels around a zero mark that grab it

const VALUE_SLOT* RingOf(const ACTIVE_SYMBOL* s) {
  if (s == nullptr || s->pHistory == nullptr || (s->Read == 0 && s->Virtual == 0)) return nullptr;
  return s->pHistory->Slots;
}

bool ValueAt(const APP_HISTORY_VIEW& h, const ACTIVE_SYMBOL* s, double t, VALUE_SLOT* out) {
  const VALUE_SLOT* ring = RingOf(s);
  uint32_t pos = 0;
  if (ring == nullptr || !GRAPHER_SampleAtOrBefore(h, t, &pos)) return false;
  *out = APP_LoadSlot(ring[(uint64_t{h.oldest_slot} + pos) % APP_HISTORY_SLOTS]);
  return true;
}

QLabel* Overlay(QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setTextFormat(Qt::RichText);
  label->setAttribute(Qt::WA_TransparentForMouseEvents);
  label->hide();
  return label;
}

}  // namespace

GraphWidget::GraphWidget(QWidget* parent) : QWidget(parent) {
  setMouseTracking(true);
  throttle_.setSingleShot(true);
  connect(&throttle_, &QTimer::timeout, this, [this] { update(); });
  value_box_ = Overlay(this);
  measure_box_ = Overlay(this);
  view_.width = width();
  view_.height = height();
  cursor_x_ = width() / 2;
}

void GraphWidget::SetColours(const GRAPHER_COLOURS& colours) {
  colours_ = colours;
  update();
}

void GraphWidget::SetChannels(std::vector<GRAPHER_CHANNEL_STATE> channels) {
  for (GRAPHER_CHANNEL_STATE& c : channels) c.y_resolution = std::max<uint32_t>(c.y_resolution, 1);
  channels_ = std::move(channels);
  ResolveSymbols();
  update();
}

void GraphWidget::SetPxPerDiv(int px) {
  view_.px_per_div = std::max(px, GRAPHER_MIN_PX_PER_DIV);
  update();
}

void GraphWidget::ResolveSymbols() {
  for (GRAPHER_CHANNEL_STATE& c : channels_) c.symbol = run_mode_ ? LOGIC_FindActiveSymbol(&c.id) : nullptr;
}

void GraphWidget::SetRunMode(bool run) {
  run_mode_ = run;
  ResolveSymbols();
  if (run) ResetView();
  if (!run) {
    value_box_->hide();
    measure_box_->hide();
  }
  update();
}

void GraphWidget::SetDisplayRate(uint32_t hz) { display_rate_hz_ = hz != 0 ? hz : kDefaultDisplayRateHz; }

void GraphWidget::ResetView() { view_.left_time = 0.0; }

void GraphWidget::RequestRepaint() {
  const qint64 interval_ms = 1000 / std::max<uint32_t>(display_rate_hz_, 1);
  const qint64 elapsed = since_paint_.isValid() ? since_paint_.elapsed() : interval_ms;
  if (elapsed >= interval_ms) {
    update();
  } else if (!throttle_.isActive()) {
    throttle_.start(static_cast<int>(interval_ms - elapsed));  // the last request is not lost
  }
}

void GraphWidget::SetView(double resolution, double left_time) {
  view_.resolution = resolution;
  view_.left_time = std::max(left_time, 0.0);
  view_.time_base_index = -1;
  update();
}

void GraphWidget::SetCursorX(int x) {
  cursor_x_ = GRAPHER_ClampToPlot(view_, x);
  UpdateOverlays();
  update();
}

void GraphWidget::SetCursorA(double time) {
  has_a_ = true;
  cursor_a_ = time;
  UpdateOverlays();
  update();
}

void GraphWidget::SetCursorB(double time) {
  has_b_ = true;
  cursor_b_ = time;
  UpdateOverlays();
  update();
}

void GraphWidget::ClearCursors() {
  has_a_ = has_b_ = false;
  UpdateOverlays();
  update();
}

std::vector<GRAPHER_CHANNEL_TEXT> GraphWidget::ChannelTexts(bool values_at_cursor) const {
  std::vector<GRAPHER_CHANNEL_TEXT> texts;
  const APP_HISTORY_VIEW h = values_at_cursor || has_a_ || has_b_ ? APP_GetHistoryView() : APP_HISTORY_VIEW{};
  for (const GRAPHER_CHANNEL_STATE& c : channels_) {
    GRAPHER_CHANNEL_TEXT t;
    t.colour = c.colour;
    t.name = c.name;
    t.y_resolution = c.y_resolution;
    const uint32_t type = c.symbol != nullptr ? c.symbol->ValueType : 0;
    if (values_at_cursor) {
      VALUE_SLOT v{};
      t.value = GRAPHER_ValueText(v, type, ValueAt(h, c.symbol, CursorTime(), &v));
    }
    VALUE_SLOT a{}, b{};
    const bool ok_a = has_a_ && ValueAt(h, c.symbol, cursor_a_, &a);
    const bool ok_b = has_b_ && ValueAt(h, c.symbol, cursor_b_, &b);
    t.value_a = GRAPHER_ValueText(a, type, ok_a);
    t.value_b = GRAPHER_ValueText(b, type, ok_b);
    t.delta = GRAPHER_DeltaText(a, b, type, ok_a && ok_b);
    texts.push_back(t);
  }
  return texts;
}

QString GraphWidget::CursorLabelText() const {
  return run_mode_ ? GRAPHER_CursorLabel(CursorTime(), view_.resolution) : QStringLiteral("Cursor");
}

QString GraphWidget::InfoText() const { return GRAPHER_InfoText(view_.resolution, ChannelTexts(false)); }

QString GraphWidget::ValueBoxText() const { return GRAPHER_ValueBox(colours_.background, ChannelTexts(true)); }

QString GraphWidget::MeasureBoxText() const {
  if (!has_a_ && !has_b_) return {};
  return GRAPHER_MeasureBox(colours_.background, has_a_ ? cursor_a_ : cursor_b_,
                            has_b_ ? cursor_b_ : cursor_a_, ChannelTexts(false));
}

std::pair<uint32_t, uint32_t> GraphWidget::VisiblePositions() const {
  return GRAPHER_VisibleRange(APP_GetHistoryView(), view_, GRAPHER_Geometry(view_));
}

void GraphWidget::UpdateOverlays() {
  const bool show_values = run_mode_ && hovering_ && window()->isActiveWindow() && !channels_.empty();
  if (show_values) {
    value_box_->setText(ValueBoxText());
    value_box_->adjustSize();
    const GRAPHER_GEOMETRY g = GRAPHER_Geometry(view_);
    int x = cursor_x_ + 8;
    if (x + value_box_->width() > width()) x = std::max(cursor_x_ - 8 - value_box_->width(), 0);
    value_box_->move(x, g.margin_y + 4);
  }
  value_box_->setVisible(show_values);
  const bool show_measure = run_mode_ && (has_a_ || has_b_);
  if (show_measure) {
    measure_box_->setText(MeasureBoxText());
    measure_box_->adjustSize();
    measure_box_->move(4, std::max(height() - measure_box_->height() - 4, 0));
  }
  measure_box_->setVisible(show_measure);
}

void GraphWidget::PrepareFrame() {
  view_.width = width();
  view_.height = height();
  ResolveSymbols();
  if (!run_mode_) return;
  const GRAPHER_GEOMETRY g = GRAPHER_Geometry(view_);
  bool changed = false;
  for (GRAPHER_CHANNEL_STATE& c : channels_) {
    // Only a channel with data adapts: before the first sample the extremes are the
    // opposite ends of the double range.
    if (c.manual_y_resolution || c.symbol == nullptr || !APP_LoadHasData(*c.symbol)) continue;
    const uint32_t res = GRAPHER_AdaptYResolution(c.y_resolution, APP_LoadSampledMin(*c.symbol),
                                                  APP_LoadSampledMax(*c.symbol), g.divs_down);
    changed = changed || res != c.y_resolution;
    c.y_resolution = res;
  }
  const APP_HISTORY_VIEW h = APP_GetHistoryView();
  // The newest time is the engine's own (the ring's slot before the write index is not the
  // newest after a wrap, and there is no ring before the first start).
  if (auto_scroll_) GRAPHER_AutoScroll(view_, h.stamps != nullptr && h.count > 0, APP_GetLatestTimestamp64());
  if (changed) emit _SignalChannelsChanged();
}

GrapherPlot::State GraphWidget::PlotState() const {
  GrapherPlot::State s;
  s.view = view_;
  s.background = colours_.background;
  s.grid = colours_.grid;
  s.axis = colours_.axis;
  s.cursor = colours_.cursor;
  s.run_mode = run_mode_;
  s.history = run_mode_ ? APP_GetHistoryView() : APP_HISTORY_VIEW{};
  for (const GRAPHER_CHANNEL_STATE& c : channels_) {
    GRAPHER_TRACE t;
    t.ring = RingOf(c.symbol);
    t.type = c.symbol != nullptr ? c.symbol->ValueType : 0;
    t.y_resolution = c.y_resolution;
    t.y_offset = c.y_offset;
    t.draw_style = c.draw_style;
    t.colour = c.colour;
    s.traces.push_back(t);
  }
  s.cursor_x = cursor_x_;
  s.has_cursor_a = has_a_ && run_mode_;
  s.has_cursor_b = has_b_ && run_mode_;
  s.cursor_a = cursor_a_;
  s.cursor_b = cursor_b_;
  return s;
}

void GraphWidget::paintEvent(QPaintEvent*) {
  QElapsedTimer timer;
  timer.start();
  PrepareFrame();
  QPainter painter(this);
  GrapherPlot::paint(painter, PlotState());
  since_paint_.start();
  const qint64 us = std::max<qint64>(timer.nsecsElapsed() / 1000, 1);
  frame_rate_ = static_cast<uint32_t>(1000000 / us);
}

void GraphWidget::wheelEvent(QWheelEvent* event) {
  if (!run_mode_) return;
  const int delta = event->angleDelta().y();
  if (delta == 0) return;
  const int steps = delta < 0 ? 1 : -1;  // toward the user: coarser, later
  if (event->modifiers() & Qt::ControlModifier) {
    const double before = view_.resolution;
    GRAPHER_Zoom(view_, steps, cursor_x_, APP_GetLatestTimestamp64());
    if (view_.resolution != before) emit _SignalTimeBaseChanged(view_.resolution);
  } else if (!auto_scroll_) {
    GRAPHER_Scroll(view_, steps);
  }
  event->accept();
  update();
}

void GraphWidget::mousePressEvent(QMouseEvent* event) {
  if (!run_mode_ || event->button() != Qt::LeftButton) return;
  const QPoint p = event->position().toPoint();
  last_mouse_ = p;
  const GRAPHER_GEOMETRY g = GRAPHER_Geometry(view_);
  int above = 0, below = 0;
  dragged_channel_ = -1;
  for (size_t i = 0; i < channels_.size(); ++i) {
    const GRAPHER_ZERO_MARK m = GRAPHER_ZeroMark(g, channels_[i].y_offset, &above, &below);
    if (std::abs(p.y() - m.y) <= kZeroMarkGrab && p.x() >= m.x - kZeroMarkGrab &&
        p.x() <= m.x + GRAPHER_ZERO_MARK_WIDTH + kZeroMarkGrab) {
      dragged_channel_ = static_cast<int>(i);
      break;
    }
  }
  panning_ = dragged_channel_ < 0;
}

void GraphWidget::mouseMoveEvent(QMouseEvent* event) {
  if (!run_mode_) return;
  const QPoint p = event->position().toPoint();
  hovering_ = true;
  const GRAPHER_GEOMETRY g = GRAPHER_Geometry(view_);
  if (dragged_channel_ >= 0 && dragged_channel_ < static_cast<int>(channels_.size())) {
    double& offset = channels_[static_cast<size_t>(dragged_channel_)].y_offset;
    offset = GRAPHER_DragZero(g, offset, last_mouse_.y() - p.y());
    emit _SignalChannelsChanged();
  } else if (panning_) {
    GRAPHER_Pan(view_, p.x() - last_mouse_.x());
  }
  last_mouse_ = p;
  SetCursorX(p.x());
}

void GraphWidget::mouseReleaseEvent(QMouseEvent*) {
  dragged_channel_ = -1;
  panning_ = false;
}

void GraphWidget::leaveEvent(QEvent*) {
  hovering_ = false;
  UpdateOverlays();
}

void GraphWidget::contextMenuEvent(QContextMenuEvent* event) {
  if (!run_mode_) return;
  const double t = GRAPHER_CursorTime(view_, GRAPHER_ClampToPlot(view_, event->pos().x()));
  QMenu menu(this);
  menu.addAction(tr("Set Cursor A"), this, [this, t] { SetCursorA(t); });
  menu.addAction(tr("Set Cursor B"), this, [this, t] { SetCursorB(t); });
  menu.addAction(tr("Clear Cursors"), this, [this] { ClearCursors(); })->setEnabled(has_a_ || has_b_);
  menu.addSeparator();
  menu.addAction(tr("Export View to CSV..."), this, [this] { emit _SignalExportRequested(false); });
  menu.addAction(tr("Export History to CSV..."), this, [this] { emit _SignalExportRequested(true); });
  menu.exec(event->globalPos());
}

void GraphWidget::resizeEvent(QResizeEvent*) {
  view_.width = width();
  view_.height = height();
  cursor_x_ = GRAPHER_ClampToPlot(view_, cursor_x_);
  UpdateOverlays();
}
