// A write sink that records what the controls would write, as text ("set NAME=VALUE;",
// "start NAME/PERIOD;", "stop TASK;"), and holds their busy flags until the test finishes them.
#pragma once

#include <string>
#include <vector>

#include "core/app_active_list.h"
#include "logic/logic_value.h"
#include "modules/control_write_sink.h"

class RecordingSink : public ControlWriteSink {
 public:
  RecordingSink() { CONTROL_SetWriteSink(this); }
  ~RecordingSink() override {
    FinishAll();
    CONTROL_SetWriteSink(nullptr);
  }
  bool WriteValue(const SYMBOL_ID& symbol, const VALUE_SLOT& value, JOB_BUSY* busy) override {
    const ACTIVE_SYMBOL* s = APP_FindActiveSymbol(&symbol);
    const uint32_t type = s != nullptr ? s->ValueType : 0;
    std::string text;
    if (type == TYPEID_FLOAT) text = std::to_string(value.f32);
    else if (type == TYPEID_DOUBLE) text = std::to_string(value.f64);
    else text = std::to_string(LOGIC_ReadInteger(value, type));
    log_ += "set " + std::string(symbol.Name) + "=" + text + ";";
    if (busy != nullptr) {
      busy->store(1);
      busy_.push_back(busy);
    }
    return true;
  }
  APP_WriteTask StartCalculation(const SYMBOL_ID& symbol, const CALCULATION_NODE&, uint32_t period_ms) override {
    log_ += "start " + std::string(symbol.Name) + "/" + std::to_string(period_ms) + ";";
    return ++last_task_;
  }
  void StopCalculation(APP_WriteTask task) override { log_ += "stop " + std::to_string(task) + ";"; }

  const std::string& Log() const { return log_; }
  void Clear() { log_.clear(); }
  int Outstanding() const { return static_cast<int>(busy_.size()); }
  // The queued writes finished.
  void FinishAll() {
    for (JOB_BUSY* b : busy_) b->store(0);
    busy_.clear();
  }

 private:
  std::string log_;
  std::vector<JOB_BUSY*> busy_;
  APP_WriteTask last_task_ = 0;
};
