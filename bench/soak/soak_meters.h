// What the soak run measures: records lost between the probe and the history (gaps in the
// time stamps), the process's memory, and how often the GUI refreshes and repaints.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <atomic>
#include <cstdint>
#include <thread>

class QWidget;
class MainWindow;

// Resident and peak resident memory of this process in KiB (0 when /proc cannot tell).
uint64_t SOAK_RssKiB();
uint64_t SOAK_PeakRssKiB();

// Walks the time-stamp ring on a thread of its own (so that a busy GUI does not hide losses)
// and counts, between consecutive records, the periods without a record. A poll that finds
// the ring lapped since the previous one cannot tell lost from overwritten records: those
// count as unchecked.
class RecordGapMeter {
 public:
  explicit RecordGapMeter(uint32_t period_us) : period_us_(period_us) {}
  ~RecordGapMeter() { Stop(); }
  void Start();
  void Stop();
  uint64_t Records() const { return records_.load(); }
  uint64_t Dropped() const { return dropped_.load(); }
  uint64_t Irregular() const { return irregular_.load(); }  // stamps not a whole period apart
  uint64_t Unchecked() const { return unchecked_.load(); }
  uint64_t SpanUs() const { return span_us_.load(); }  // target time from first to newest record

 private:
  void Poll();

  const uint32_t period_us_;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  bool started_ = false;
  uint32_t next_slot_ = 0;
  uint64_t first_stamp_ = 0, previous_stamp_ = 0;
  std::atomic<uint64_t> records_{0}, dropped_{0}, irregular_{0}, unchecked_{0}, span_us_{0};
};

// GUI-thread meters: refreshes (the window's UpdateGUI runs), frames (repaints of the window
// reaching the screen) and the longest pause of the event loop (a 10 ms timer's lateness).
class GuiMeter : public QObject {
 public:
  GuiMeter(MainWindow& window, QWidget& frame_widget);
  // Counts since the last Take, and the seconds they cover.
  struct Counts {
    uint64_t refreshes = 0;
    uint64_t frames = 0;
    int64_t longest_pause_ms = 0;
    double seconds = 0;
  };
  Counts Take();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QTimer ticker_;
  QElapsedTimer since_tick_, since_take_;
  Counts counts_;
};
