#include "tools/cli_logic_common.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "core/app_mode.h"
#include "logic/logic_eval.h"
#include "logic/logic_tree.h"
#include "logic/logic_value.h"
#include "platform/sys_text.h"
#include "tools/cli_command.h"

namespace {

uint32_t TypeFromName(std::string_view name) {
  static const uint32_t kTypes[] = {TYPEID_FLOAT, TYPEID_DOUBLE, TYPEID_BOOL, TYPEID_U8, TYPEID_U16,
                                    TYPEID_U32,   TYPEID_I8,     TYPEID_I16,  TYPEID_I32};
  for (uint32_t t : kTypes) {
    const std::string n(name);
    if (LOGIC_NamesEqual(LOGIC_TypeName(t), n.c_str())) return t;
  }
  return 0;
}

bool IsValidName(std::string_view name) {
  if (name.empty() || name.size() >= ACTIVE_SYMBOL_NAME_SIZE) return false;
  for (size_t i = 0; i < name.size(); ++i) {
    const char c = name[i];
    const bool alpha = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
    if (!alpha && !(i > 0 && c >= '0' && c <= '9')) return false;
  }
  return true;
}

// Parses VALUE in the type; false when it is not a number of that type.
bool ParseValue(std::string_view text, uint32_t type, VALUE_SLOT& out) {
  out.raw = 0;
  const char* first = text.data();
  const char* last = text.data() + text.size();
  if (text.empty()) return false;
  if (type == TYPEID_FLOAT || type == TYPEID_DOUBLE) {
    double d = 0.0;
    const auto r = std::from_chars(first, last, d);
    if (r.ec != std::errc() || r.ptr != last) return false;
    if (type == TYPEID_FLOAT) {
      out.f32 = static_cast<float>(d);
    } else {
      out.f64 = d;
    }
    return true;
  }
  if (type == TYPEID_BOOL) {
    if (text == "true" || text == "1") {
      out.u8 = 1;
      return true;
    }
    return text == "false" || text == "0";
  }
  int base = 10;
  bool negative = false;
  if (*first == '-') {
    negative = true;
    ++first;
  }
  if (last - first > 2 && first[0] == '0' && (first[1] == 'x' || first[1] == 'X')) {
    base = 16;
    first += 2;
  }
  uint64_t u = 0;
  const auto r = std::from_chars(first, last, u, base);
  if (r.ec != std::errc() || r.ptr != last || u > 4294967296ULL) return false;
  const int64_t v = negative ? -static_cast<int64_t>(u) : static_cast<int64_t>(u);
  int64_t lo = 0, hi = 0;
  LOGIC_IntegerRange(type, &lo, &hi);
  if (v < lo || v > hi) return false;
  VALUE_SLOT s{};
  s.i64 = v;  // little-endian: the low bytes hold the value at every width
  LOGIC_ConvertValue(&s, TYPEID_I32, type);
  if (type == TYPEID_U32) s.u32 = static_cast<uint32_t>(v);
  out = s;
  return true;
}

int Usage(const char* what, const char* arg) {
  std::fprintf(stderr, "error: %s '%s'\n", what, arg);
  return CLI_USAGE;
}

}  // namespace

CLI_LogicSession::~CLI_LogicSession() {
  if (linked) MAIN_pActiveSymbols = previous_list;
  APP_SetAppMode(APP_MODE_EDIT);
}

int CLI_ParseLogicArgs(std::span<char* const> args, CLI_LogicSession& session) {
  std::vector<std::string> catch_names;
  bool have_text = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string_view a(args[i]);
    if (a == "--run") {
      session.run_mode = true;
    } else if (a == "--symbol" || a == "--catch-overflow") {
      if (i + 1 >= args.size()) return Usage("missing value after", args[i]);
      const std::string_view v(args[++i]);
      if (a == "--catch-overflow") {
        catch_names.emplace_back(v);
        continue;
      }
      const size_t colon = v.find(':');
      const size_t eq = v.find('=', colon == std::string_view::npos ? 0 : colon);
      if (colon == std::string_view::npos || eq == std::string_view::npos) {
        return Usage("expected NAME:TYPE=VALUE, got", args[i]);
      }
      const std::string_view name = v.substr(0, colon);
      const uint32_t type = TypeFromName(v.substr(colon + 1, eq - colon - 1));
      if (!IsValidName(name)) return Usage("bad symbol name in", args[i]);
      if (type == 0) return Usage("unknown type in", args[i]);
      auto sym = std::make_unique<ACTIVE_SYMBOL>();
      SYS_CopyText(sym->Name, sizeof sym->Name, std::string(name).c_str());
      for (const auto& other : session.symbols) {
        if (LOGIC_NamesEqual(other->Name, sym->Name)) {
          return Usage("Symbol with this name already exists!", args[i]);
        }
      }
      if (!ParseValue(v.substr(eq + 1), type, sym->CurrentValue)) {
        return Usage("bad value for the type in", args[i]);
      }
      SYS_CopyText(sym->TypeName, sizeof sym->TypeName, LOGIC_TypeName(type));
      sym->ValueType = type;
      sym->Size = LOGIC_TypeWidth(type);
      sym->Virtual = 1;
      sym->CatchOverflow = 0;  // off unless --catch-overflow names it
      sym->Address = static_cast<uint32_t>(session.symbols.size() + 1);
      sym->Signed = LOGIC_IsSignedType(type) ? 1 : 0;
      // The declared value stands as the symbol's latest sample, so it reads the same in
      // and out of Run mode.
      session.samples.push_back(std::make_unique<VALUE_SLOT>(sym->CurrentValue));
      sym->pLatestSample = session.samples.back().get();
      sym->HasData = 1;
      session.symbols.push_back(std::move(sym));
    } else if (a.size() > 1 && a[0] == '-' && a[1] == '-') {
      return Usage("unknown option", args[i]);
    } else {
      if (have_text) return Usage("more than one text given:", args[i]);
      session.text = std::string(a);
      have_text = true;
    }
  }
  if (!have_text) {
    std::fprintf(stderr, "error: no text given\n");
    return CLI_USAGE;
  }
  for (const std::string& n : catch_names) {
    bool found = false;
    for (const auto& s : session.symbols) {
      if (LOGIC_NamesEqual(s->Name, n.c_str())) {
        s->CatchOverflow = 1;
        found = true;
      }
    }
    if (!found) return Usage("--catch-overflow names no declared symbol:", n.c_str());
  }
  // Link the records in declaration order.
  for (auto& s : session.symbols) {
    session.cells.push_back(std::make_unique<ACTIVE_SYMBOL_CELL>());
    session.cells.back()->pSymbol = s.get();
  }
  for (size_t i = 0; i + 1 < session.cells.size(); ++i) {
    session.cells[i]->pNext = session.cells[i + 1].get();
  }
  session.previous_list = MAIN_pActiveSymbols;
  MAIN_pActiveSymbols = session.cells.empty() ? nullptr : session.cells.front().get();
  session.linked = true;
  APP_SetAppMode(session.run_mode ? APP_MODE_RUN : APP_MODE_EDIT);
  return CLI_OK;
}
