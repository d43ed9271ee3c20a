// The frame buffer's periodic reads of target memory: the block is read in at most ten
// chunks by periodic memory-read tasks on the worker; after the last chunk the worker
// publishes a copy of the block and tells the GUI, which decodes the copy.
//
// Lifetime: the block the tasks read into belongs to a shared record that a task on the
// worker frees after the read tasks have been stopped, so a stop from the GUI never frees
// memory a read is still writing. The copy is exchanged under a lock, so the GUI never
// decodes a block while the worker writes it.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "core/app_memread.h"

class QImage;

struct FRAMEBUFFER_CHUNK {
  uint32_t offset = 0;
  uint32_t size = 0;
  bool last = false;  // the read that announces a complete picture
};

constexpr uint32_t FRAMEBUFFER_MAX_CHUNKS = 10;

// The reads of a block of `byte_count` bytes: chunks of a tenth of the block (100 bytes for
// blocks of 1009 bytes or less), at most nine of them, then one read of the rest.
std::vector<FRAMEBUFFER_CHUNK> FRAMEBUFFER_ChunkPlan(uint32_t byte_count);
// Bytes of a block of `size` bytes at `address` that lie within the 32-bit address space
// (the rest is never read and stays zero).
uint32_t FRAMEBUFFER_ReadableBytes(uint32_t address, uint64_t size);

class FrameBufferReader {
 public:
  FrameBufferReader() = default;
  ~FrameBufferReader();
  FrameBufferReader(const FrameBufferReader&) = delete;
  FrameBufferReader& operator=(const FrameBufferReader&) = delete;

  // Stops earlier reads and starts reading the picture. `notify` runs on the worker after
  // each complete picture (at most one pending: the next comes after Decode). False after
  // "Memory allocation failed. FrameBuffer start aborted." or for an invalid encoding.
  bool Start(uint32_t address, uint32_t width, uint32_t height, uint32_t encoding,
             std::function<void()> notify);
  // Stops reading; the block is freed on the worker once no read can touch it.
  void Stop();
  bool IsReading() const { return shared_ != nullptr; }
  // GUI thread: decodes the newest complete picture into `image` (false, image untouched,
  // before the first one).
  bool Decode(QImage& image);

  struct Shared;  // the block, the published copy and the notification (worker-visible)

 private:
  Shared* shared_ = nullptr;
  APP_MemReadTask tasks_[FRAMEBUFFER_MAX_CHUNKS] = {};
  uint32_t width_ = 0;
  uint32_t height_ = 0;
  uint32_t encoding_ = 0;
};
