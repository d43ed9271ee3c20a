// The grapher's plot widget: it keeps the view (time base, left edge, cursor, zoom, the
// measuring cursors A and B), turns wheel and mouse into view changes, prepares each frame
// (automatic Y resolution, auto scroll), throttles repaints to the display rate, and paints
// with GrapherPlot. It knows the channels as plain states; the module keeps them in step with
// its settings.
#pragma once

#include <QColor>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <vector>

#include "modules/grapher_plot.h"
#include "modules/grapher_texts.h"
#include "modules/grapher_view.h"
#include "logic/logic_tree.h"
#include "symbols/active_symbol.h"

class QLabel;

struct GRAPHER_CHANNEL_STATE {
  SYMBOL_ID id;  // the channel's symbol by name and address
  // The active symbol matching `id`, looked up again for every frame in Run mode (a record
  // may go away with the symbol list); null outside Run mode and when none matches.
  const ACTIVE_SYMBOL* symbol = nullptr;
  QString name;
  QColor colour;
  uint32_t draw_style = 0;
  double y_offset = 0.0;
  uint32_t y_resolution = 1;  // 0 (from a file) is taken as 1
  bool manual_y_resolution = false;
};

struct GRAPHER_COLOURS {
  QColor background{228, 228, 228, 128};
  QColor grid{192, 192, 192, 255};
  QColor axis{0, 0, 0, 255};
  QColor cursor{0, 0, 255, 255};
};

class GraphWidget : public QWidget {
  Q_OBJECT

 public:
  // Repaints per second when no rate is configured (the GUI refresh comes every 10 ms).
  static constexpr uint32_t kDefaultDisplayRateHz = 50;

  explicit GraphWidget(QWidget* parent = nullptr);

  void SetColours(const GRAPHER_COLOURS& colours);
  void SetChannels(std::vector<GRAPHER_CHANNEL_STATE> channels);
  const std::vector<GRAPHER_CHANNEL_STATE>& Channels() const { return channels_; }
  void SetPxPerDiv(int px);  // raised to 16
  int PxPerDiv() const { return view_.px_per_div; }
  // Run mode draws the traces; entering it starts the view at time 0.
  void SetRunMode(bool run);
  bool IsRunMode() const { return run_mode_; }
  void SetAutoScroll(bool on) { auto_scroll_ = on; }
  bool AutoScroll() const { return auto_scroll_; }
  // Looks the channels' symbols up in the active list (Run mode; otherwise clears them).
  void ResolveSymbols();
  // Repaints per second at most; 0 means the default.
  void SetDisplayRate(uint32_t hz);
  uint32_t DisplayRate() const { return display_rate_hz_; }
  // The left edge back to time 0.
  void ResetView();
  // A repaint now, or once the display rate allows (requests in between are merged).
  void RequestRepaint();

  const GRAPHER_VIEW& View() const { return view_; }
  void SetView(double resolution, double left_time);
  double CursorTime() const { return GRAPHER_CursorTime(view_, cursor_x_); }
  void SetCursorX(int x);
  // Measuring cursors, as times.
  void SetCursorA(double time);
  void SetCursorB(double time);
  void ClearCursors();
  bool HasCursorA() const { return has_a_; }
  bool HasCursorB() const { return has_b_; }

  // The texts the module and the overlay show.
  QString CursorLabelText() const;
  QString InfoText() const;
  QString ValueBoxText() const;
  QString MeasureBoxText() const;
  // The history positions the plot shows now.
  std::pair<uint32_t, uint32_t> VisiblePositions() const;

  // The adaptations a new frame brings (automatic Y resolution, auto scroll); then what
  // paint draws.
  void PrepareFrame();
  GrapherPlot::State PlotState() const;
  // Frames per second of the last paint (1000000 / its microseconds), 0 before the first.
  uint32_t FrameRate() const { return frame_rate_; }

 signals:
  // A zero level was dragged or a resolution adapted: the module keeps the channels.
  void _SignalChannelsChanged();
  // Ctrl+wheel chose another time base (microseconds per division).
  void _SignalTimeBaseChanged(double resolution);
  // The context menu asks for an export: the samples in view, or the whole history.
  void _SignalExportRequested(bool whole_history);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  std::vector<GRAPHER_CHANNEL_TEXT> ChannelTexts(bool values_at_cursor) const;
  void UpdateOverlays();

  GRAPHER_VIEW view_;
  GRAPHER_COLOURS colours_;
  std::vector<GRAPHER_CHANNEL_STATE> channels_;
  bool run_mode_ = false;
  bool auto_scroll_ = true;
  int cursor_x_ = 0;
  bool has_a_ = false, has_b_ = false;
  double cursor_a_ = 0.0, cursor_b_ = 0.0;
  int dragged_channel_ = -1;
  bool panning_ = false;
  QPoint last_mouse_;
  bool hovering_ = false;
  uint32_t display_rate_hz_ = kDefaultDisplayRateHz;
  QElapsedTimer since_paint_;
  QTimer throttle_;
  uint32_t frame_rate_ = 0;
  QLabel* value_box_ = nullptr;
  QLabel* measure_box_ = nullptr;
};
