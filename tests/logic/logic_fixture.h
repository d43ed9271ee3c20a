// Test fixture for the logic engine: a private active symbol list and a message sink that
// records what the parser shows instead of printing it.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "logic/logic_eval.h"
#include "logic/logic_parser.h"
#include "logic/logic_tree.h"
#include "logic/logic_value.h"
#include "platform/sys_msgbox.h"
#include "platform/sys_text.h"
#include "symbols/active_symbol.h"

struct ShownMessage {
  std::string text;
  std::string title;  // "<application> Error" or "<application> Warning"
  bool IsError() const { return title.ends_with("Error"); }
};

inline std::vector<ShownMessage>& ShownMessages() {
  static std::vector<ShownMessage> log;
  return log;
}

inline void RecordMessage(SYS_MsgBoxRequest& request) {
  ShownMessages().push_back(
      {request.text != nullptr ? request.text : "", request.title != nullptr ? request.title : ""});
  request.pressed_button = request.default_result;
}

// A slot holding `v` converted from double to the type (integers through int64, keeping the
// low bytes of the width).
inline VALUE_SLOT Slot(uint32_t type, double v) {
  VALUE_SLOT s{};
  if (type == TYPEID_FLOAT) {
    s.f32 = static_cast<float>(v);
  } else if (type == TYPEID_DOUBLE) {
    s.f64 = v;
  } else {
    const int64_t i = static_cast<int64_t>(v);
    std::memcpy(&s, &i, LOGIC_TypeWidth(type));  // little-endian
  }
  return s;
}

// The slot read in the type, as double (integers sign- or zero-extended).
inline double Read(const VALUE_SLOT& s, uint32_t type) {
  if (type == TYPEID_FLOAT) return s.f32;
  if (type == TYPEID_DOUBLE) return s.f64;
  if (type == TYPEID_BOOL) return s.u8;
  return static_cast<double>(LOGIC_ReadInteger(s, type));
}

// Tree leaves and nodes for the tests.
inline VALUE_NODE* Const(uint32_t type, double v, uint32_t base = BASE_DECIMAL) {
  return LOGIC_NewConstantValue(type, Slot(type, v), base);
}
inline CALCULATION_NODE* Binary(uint32_t code, VALUE_NODE* l, VALUE_NODE* r) {
  CALCULATION_NODE* c = LOGIC_NewCalculationNode(code);
  c->pLeftValue = l;
  c->pRightValue = r;
  return c;
}
inline CALCULATION_NODE* Parse(std::string_view text) {
  CALCULATION_NODE* c = nullptr;
  static_cast<void>(LOGIC_ParseCalculationText(text, &c));
  return c;
}

class LogicTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ShownMessages().clear();
    previous_ = SYS_SetMsgBoxHandler(&RecordMessage);
    LOGIC_SetRunMode(false);
    MAIN_pActiveSymbols = nullptr;
  }
  void TearDown() override {
    SYS_SetMsgBoxHandler(previous_);
    LOGIC_SetRunMode(false);
    MAIN_pActiveSymbols = nullptr;
  }

  // Appends an active symbol whose latest sample reads `value`.
  ACTIVE_SYMBOL* AddSymbol(const char* name, uint32_t type, double value = 0.0,
                           bool catch_overflow = false) {
    ACTIVE_SYMBOL& s = symbols_.emplace_back();
    SYS_CopyText(s.Name, sizeof s.Name, name);
    s.ValueType = type;
    s.RawType = type;
    s.Address = 0x20000000u + 4u * static_cast<uint32_t>(symbols_.size());
    s.CatchOverflow = catch_overflow ? 1 : 0;
    samples_.push_back(Slot(type, value));
    s.pLatestSample = &samples_.back();
    s.HasData = 1;
    ACTIVE_SYMBOL_CELL& c = cells_.emplace_back();
    c.pSymbol = &s;
    ACTIVE_SYMBOL_CELL** link = &MAIN_pActiveSymbols;
    while (*link != nullptr) link = &(*link)->pNext;
    *link = &c;
    return &s;
  }

  // Changes the symbol's latest sample.
  void SetSample(ACTIVE_SYMBOL* s, double value) {
    *const_cast<VALUE_SLOT*>(static_cast<const VALUE_SLOT*>(s->pLatestSample)) =
        Slot(s->ValueType, value);
  }

  static std::string Messages() {
    std::string all;
    for (const ShownMessage& m : ShownMessages()) all += m.text + "|";
    return all;
  }

 private:
  SYS_MsgBoxHandler previous_ = nullptr;
  std::deque<ACTIVE_SYMBOL> symbols_;
  std::deque<VALUE_SLOT> samples_;
  std::deque<ACTIVE_SYMBOL_CELL> cells_;
};
