#include "modules/framebuffer_reader.h"

#include <QImage>
#include <atomic>
#include <cstring>
#include <mutex>
#include <new>

#include "core/job_engine.h"
#include "modules/framebuffer_decode.h"
#include "platform/sys_memory.h"
#include "platform/sys_msgbox.h"

struct FrameBufferReader::Shared {
  std::vector<uint8_t> block;  // written by the read tasks (worker only)
  std::mutex lock;             // guards the fields below
  std::vector<uint8_t> picture;  // the newest complete block
  bool has_picture = false;
  std::function<void()> notify;  // cleared by Stop
  std::atomic<bool> pending{false};
};

namespace {

// Worker: after the last chunk the block is complete.
void OnLastChunk(void* owner) {
  auto* shared = static_cast<FrameBufferReader::Shared*>(owner);
  std::lock_guard<std::mutex> g(shared->lock);
  shared->picture = shared->block;
  shared->has_picture = true;
  if (shared->notify && !shared->pending.exchange(true)) shared->notify();
}

// A task that ends at once; its release, on the worker after the stops handed over before
// it, frees the shared record (or at once when the worker has already ended).
void FreeOnWorker(FrameBufferReader::Shared* shared) {
  void* block = SYS_Alloc(sizeof(JOB_PERIODIC_TASK), "MODULES: <FrameBuffer> release task");
  if (block == nullptr) return;  // leaks the record rather than freeing it under a read
  auto* task = new (block) JOB_PERIODIC_TASK;
  task->pfCallback = [](JOB_PERIODIC_TASK*) -> int32_t { return 1; };
  task->pfRelease = [](JOB_PERIODIC_TASK* t) {
    delete static_cast<FrameBufferReader::Shared*>(t->pParams);
    t->pParams = nullptr;
  };
  // Not a labelled block: the release deletes it and clears the pointer before the engine
  // frees what is left.
  task->pParams = shared;
  JOB_StartPeriodic(task);
}

}  // namespace

std::vector<FRAMEBUFFER_CHUNK> FRAMEBUFFER_ChunkPlan(uint32_t byte_count) {
  std::vector<FRAMEBUFFER_CHUNK> plan;
  if (byte_count == 0) return plan;
  const uint32_t chunk = byte_count > 1009 ? byte_count / 10 : 100;
  uint32_t offset = 0;
  while (plan.size() < FRAMEBUFFER_MAX_CHUNKS - 1 && byte_count - offset > chunk) {
    plan.push_back({offset, chunk, false});
    offset += chunk;
  }
  plan.push_back({offset, byte_count - offset, true});
  return plan;
}

uint32_t FRAMEBUFFER_ReadableBytes(uint32_t address, uint64_t size) {
  const uint64_t room = (uint64_t{1} << 32) - address;
  return static_cast<uint32_t>(size < room ? size : room);
}

FrameBufferReader::~FrameBufferReader() { Stop(); }

bool FrameBufferReader::Start(uint32_t address, uint32_t width, uint32_t height,
                              uint32_t encoding, std::function<void()> notify) {
  Stop();
  width_ = FRAMEBUFFER_ClampSide(width);
  height_ = FRAMEBUFFER_ClampSide(height);
  encoding_ = encoding;
  const uint64_t size = FRAMEBUFFER_ByteCount(width_, height_, encoding);
  if (size == 0) return false;
  auto* shared = new (std::nothrow) Shared;
  if (shared != nullptr) {
    try {
      shared->block.assign(static_cast<size_t>(size), 0);
      shared->picture.reserve(static_cast<size_t>(size));
    } catch (const std::bad_alloc&) {
      delete shared;
      shared = nullptr;
    }
  }
  if (shared == nullptr) {
    SYS_ErrorBox("Memory allocation failed. FrameBuffer start aborted.");
    return false;
  }
  shared->notify = std::move(notify);
  shared_ = shared;
  const std::vector<FRAMEBUFFER_CHUNK> plan = FRAMEBUFFER_ChunkPlan(FRAMEBUFFER_ReadableBytes(address, size));
  for (size_t i = 0; i < plan.size(); ++i) {
    const FRAMEBUFFER_CHUNK& c = plan[i];
    tasks_[i] = APP_PeriodicReadMemStart(address + c.offset, shared->block.data() + c.offset, c.size,
                                         c.last ? shared : nullptr, c.last ? OnLastChunk : nullptr);
  }
  return true;
}

void FrameBufferReader::Stop() {
  if (shared_ == nullptr) return;
  for (APP_MemReadTask& task : tasks_) {
    APP_PeriodicReadMemStop(task);
    task = 0;
  }
  {
    std::lock_guard<std::mutex> g(shared_->lock);
    shared_->notify = nullptr;
  }
  FreeOnWorker(shared_);
  shared_ = nullptr;
}

bool FrameBufferReader::Decode(QImage& image) {
  if (shared_ == nullptr) return false;
  std::lock_guard<std::mutex> g(shared_->lock);
  shared_->pending.store(false);
  if (!shared_->has_picture) return false;
  return FRAMEBUFFER_Decode(shared_->picture, width_, height_, encoding_, image);
}
