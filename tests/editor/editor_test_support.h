// Shared by the editor, script and pad tests: a few active symbols held by the test, and a
// message sink that records every text and answers questions from a queue.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "logic/logic_value.h"
#include "platform/sys_msgbox.h"
#include "platform/sys_text.h"
#include "symbols/active_symbol.h"

class TestSymbols {
 public:
  ~TestSymbols() { Clear(); }
  ACTIVE_SYMBOL& Add(const char* name, uint32_t address, uint32_t type, double min_write = 0.0,
                     double max_write = 255.0) {
    ACTIVE_SYMBOL& s = symbols_.emplace_back();
    SYS_CopyText(s.Name, sizeof(s.Name), name);
    s.Address = address;
    s.ValueType = type;
    s.RawType = type;
    s.Size = LOGIC_TypeWidth(type);
    s.Leaf = 1;
    s.MinWrite = min_write;
    s.MaxWrite = max_write;
    cells_.push_back({&s, nullptr});
    Relink();
    return s;
  }
  void Clear() {
    MAIN_pActiveSymbols = nullptr;
    cells_.clear();
    symbols_.clear();
  }

 private:
  void Relink() {
    for (size_t i = 0; i + 1 < cells_.size(); ++i) cells_[i].pNext = &cells_[i + 1];
    MAIN_pActiveSymbols = cells_.empty() ? nullptr : &cells_.front();
  }
  std::deque<ACTIVE_SYMBOL> symbols_;
  std::deque<ACTIVE_SYMBOL_CELL> cells_;
};

// Records message texts; questions take the next queued answer (button index), else 0.
class MessageLog {
 public:
  MessageLog() { previous_ = SYS_SetMsgBoxHandler(&Handle); Instance() = this; }
  ~MessageLog() {
    SYS_SetMsgBoxHandler(previous_);
    Instance() = nullptr;
  }
  void Answer(uint32_t button) { answers_.push_back(button); }
  std::vector<std::string> Take() {
    std::vector<std::string> t;
    t.swap(texts_);
    return t;
  }

 private:
  static MessageLog*& Instance() {
    static MessageLog* log = nullptr;
    return log;
  }
  static void Handle(SYS_MsgBoxRequest& request) {
    MessageLog* log = Instance();
    if (log == nullptr) return;
    log->texts_.emplace_back(request.text != nullptr ? request.text : "");
    request.pressed_button = 0;
    if (request.button1 != nullptr && !log->answers_.empty()) {
      request.pressed_button = log->answers_.front();
      log->answers_.pop_front();
    }
  }
  SYS_MsgBoxHandler previous_ = nullptr;
  std::deque<uint32_t> answers_;
  std::vector<std::string> texts_;
};
