// Sample histories for grapher tests and benchmarks: sampled symbols of given types in the
// active list, filled through the sampling engine's own decoder (so the ring, its wrap and
// the time stamps are the real ones).
#pragma once

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/app_active_list.h"
#include "core/app_sampling.h"
#include "probe/probe_session.h"
#include "symbols/active_symbol.h"
#include "symbols/dwarf_db.h"

class HistoryFeed {
 public:
  explicit HistoryFeed(const std::vector<uint32_t>& types) {
    APP_ClearActiveSymbols();
    for (size_t i = 0; i < types.size(); ++i) {
      auto s = std::make_unique<ACTIVE_SYMBOL>();
      const std::string name = "ch" + std::to_string(i);
      std::strncpy(s->Name, name.c_str(), sizeof s->Name - 1);
      s->Address = static_cast<uint32_t>(0x20000000 + 8 * i);
      s->ValueType = s->RawType = types[i];
      s->Size = DWARF_GetTypeIdInfo(types[i]).size;
      s->Leaf = 1;
      APP_AddActiveSymbol(s.get());
      symbols.push_back(std::move(s));
    }
    PROBE_ComputeHSSLayout();
    record_size = PROBE_GetRecordSize();
    APP_ResetHistory();
    APP_PrepareHistories();
    APP_SetPaused(false);
  }
  ~HistoryFeed() {
    for (auto& s : symbols) APP_FreeHistory(s.get());
    APP_ClearActiveSymbols();
  }
  HistoryFeed(const HistoryFeed&) = delete;
  HistoryFeed& operator=(const HistoryFeed&) = delete;

  // Records n .. n + count - 1: stamp first + n * step (32-bit, wrapping), channel c's value
  // value(c, n) converted to its type.
  void Feed(uint64_t first_n, uint32_t count, uint32_t first_stamp, uint32_t step,
            const std::function<double(size_t, uint64_t)>& value) {
    constexpr uint32_t kChunk = 65536;
    std::vector<uint8_t> buf(static_cast<size_t>(kChunk) * record_size);
    for (uint32_t done = 0; done < count;) {
      const uint32_t n = std::min(kChunk, count - done);
      for (uint32_t r = 0; r < n; ++r) {
        uint8_t* rec = buf.data() + static_cast<size_t>(r) * record_size;
        const uint64_t k = first_n + done + r;
        const uint32_t stamp = static_cast<uint32_t>(first_stamp + k * step);
        std::memcpy(rec, &stamp, 4);
        for (size_t c = 0; c < symbols.size(); ++c) Put(rec + symbols[c]->RecordOffset, symbols[c]->ValueType, value(c, k));
      }
      APP_DecodeHSSRecords(buf.data(), n * record_size, record_size);
      done += n;
    }
  }

  std::vector<std::unique_ptr<ACTIVE_SYMBOL>> symbols;
  uint32_t record_size = 0;

 private:
  template <typename T>
  static void PutAs(uint8_t* p, double v) {
    const T t = static_cast<T>(v);
    std::memcpy(p, &t, sizeof t);
  }
  static void Put(uint8_t* p, uint32_t type, double v) {
    switch (type) {
      case TYPEID_FLOAT: PutAs<float>(p, v); break;
      case TYPEID_DOUBLE: PutAs<double>(p, v); break;
      case TYPEID_BOOL: case TYPEID_U8: PutAs<uint8_t>(p, v); break;
      case TYPEID_U16: PutAs<uint16_t>(p, v); break;
      case TYPEID_U32: PutAs<uint32_t>(p, v); break;
      case TYPEID_I8: PutAs<int8_t>(p, v); break;
      case TYPEID_I16: PutAs<int16_t>(p, v); break;
      default: PutAs<int32_t>(p, v); break;
    }
  }
};
