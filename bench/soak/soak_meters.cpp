#include "bench/soak/soak_meters.h"

#include <QEvent>
#include <QWidget>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "core/app_sampling.h"
#include "gui/main_window.h"

namespace {

uint64_t StatusKiB(const char* key) {
  FILE* f = std::fopen("/proc/self/status", "r");
  if (f == nullptr) return 0;
  char line[256];
  unsigned long long kib = 0;
  const size_t key_size = std::strlen(key);
  while (std::fgets(line, sizeof line, f) != nullptr) {
    if (std::strncmp(line, key, key_size) == 0 && std::sscanf(line + key_size, " %llu", &kib) == 1) break;
  }
  std::fclose(f);
  return kib;
}

uint64_t LoadStamp(const uint64_t* stamps, uint32_t slot) {
  return std::atomic_ref<uint64_t>(const_cast<uint64_t&>(stamps[slot])).load(std::memory_order_relaxed);
}

}  // namespace

uint64_t SOAK_RssKiB() { return StatusKiB("VmRSS:"); }
uint64_t SOAK_PeakRssKiB() { return StatusKiB("VmHWM:"); }

void RecordGapMeter::Start() {
  if (started_) return;
  started_ = true;
  stop_ = false;
  thread_ = std::thread([this] {
    while (!stop_.load()) {
      Poll();
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    Poll();
  });
}

void RecordGapMeter::Stop() {
  if (!started_) return;
  stop_ = true;
  thread_.join();
  started_ = false;
}

void RecordGapMeter::Poll() {
  const APP_HISTORY_VIEW view = APP_GetHistoryView();
  if (view.stamps == nullptr || view.count == 0) return;
  const uint32_t w = APP_GetWriteIndex();
  const uint32_t newest_slot = (w + APP_HISTORY_SLOTS - 1) % APP_HISTORY_SLOTS;
  if (records_.load() == 0) {  // the first look: start at the newest record
    first_stamp_ = previous_stamp_ = LoadStamp(view.stamps, newest_slot);
    next_slot_ = w;
    records_ = 1;
    return;
  }
  const uint32_t fresh = (w + APP_HISTORY_SLOTS - next_slot_) % APP_HISTORY_SLOTS;
  if (fresh == 0) return;
  const uint64_t newest = LoadStamp(view.stamps, newest_slot);
  // More periods since the last look than half the ring: the writer may have lapped us.
  if ((newest - previous_stamp_) / period_us_ > APP_HISTORY_SLOTS / 2) {
    unchecked_ += (newest - previous_stamp_) / period_us_;
  } else {
    uint64_t previous = previous_stamp_, dropped = 0, irregular = 0;
    for (uint32_t i = 0; i < fresh; ++i) {
      const uint64_t stamp = LoadStamp(view.stamps, (next_slot_ + i) % APP_HISTORY_SLOTS);
      const uint64_t delta = stamp - previous;
      if (delta == 0 || delta % period_us_ != 0 || stamp < previous) {
        ++irregular;
      } else {
        dropped += delta / period_us_ - 1;
      }
      previous = stamp;
    }
    records_ += fresh;
    dropped_ += dropped;
    irregular_ += irregular;
  }
  previous_stamp_ = newest;
  next_slot_ = w;
  span_us_ = newest - first_stamp_;
}

GuiMeter::GuiMeter(MainWindow& window, QWidget& frame_widget) {
  QObject::connect(&window, &MainWindow::_SignalUpdateGUI, this, [this] { ++counts_.refreshes; },
                   Qt::QueuedConnection);
  frame_widget.installEventFilter(this);
  ticker_.setInterval(10);
  QObject::connect(&ticker_, &QTimer::timeout, this, [this] {
    counts_.longest_pause_ms = std::max<int64_t>(counts_.longest_pause_ms, since_tick_.restart());
  });
  since_tick_.start();
  since_take_.start();
  ticker_.start();
}

bool GuiMeter::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Paint) ++counts_.frames;
  return QObject::eventFilter(watched, event);
}

GuiMeter::Counts GuiMeter::Take() {
  Counts taken = counts_;
  taken.seconds = double(since_take_.restart()) / 1000.0;
  counts_ = Counts{};
  return taken;
}
