// Helpers of the project file and lifecycle tests: a scratch folder, a project with every
// kind of content built in memory, and a message collector.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "core/app_active_list.h"
#include "core/app_project.h"
#include "input/gamepad_mapping.h"
#include "logic/logic_parser.h"
#include "logic/logic_tree.h"
#include "modules/records/module_settings.h"
#include "persist/project/project_content.h"
#include "persist/project/project_modules.h"
#include "platform/sys_msgbox.h"
#include "platform/sys_text.h"
#include "scripting/script_record.h"

namespace fs = std::filesystem;

inline std::string ReadText(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void WriteText(const fs::path& p, const std::string& text) {
  fs::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary) << text;
}

struct ScratchDir {
  fs::path path;
  ScratchDir() {
    char tmpl[] = "/tmp/vistro-project-XXXXXX";
    path = mkdtemp(tmpl);
  }
  ~ScratchDir() { fs::remove_all(path); }
};

// Every message box, "title: text"; questions are answered with `answer` (-1 cancels).
struct MessageLog {
  static inline std::string text;
  static inline int answer = 0;
  static void Handler(SYS_MsgBoxRequest& r) {
    text += std::string(r.text) + "\n";
    if (r.button1 == nullptr && std::string(r.button0) == "O.K.") return;
    if (answer < 0) {
      r.cancelled = 1;
    } else {
      r.pressed_button = static_cast<uint32_t>(answer);
    }
  }
  SYS_MsgBoxHandler previous;
  MessageLog() {
    text.clear();
    answer = 0;
    previous = SYS_SetMsgBoxHandler(Handler);
  }
  ~MessageLog() { SYS_SetMsgBoxHandler(previous); }
};

inline void ClearProject() {
  APP_ClearProjectStore();
  PROJECT_ClearContent();
}

// A record owned by the project and listed as active.
inline ACTIVE_SYMBOL* AddSymbol(const char* name, uint32_t address, uint32_t type,
                                const char* type_name, uint32_t size) {
  ACTIVE_SYMBOL* s = ACTSYM_New("Symbol Node", false);
  SYS_CopyText(s->Name, sizeof s->Name, name);
  SYS_CopyText(s->TypeName, sizeof s->TypeName, type_name);
  SYS_CopyText(s->SourceFile, sizeof s->SourceFile, "main.c");
  ACTSYM_ApplyTypeDefaults(*s, type);
  s->Address = address;
  s->Size = size;
  s->Leaf = 1;
  APP_AdoptSymbol(s);
  APP_AddActiveSymbol(s);
  return s;
}

inline CALCULATION_NODE* Calc(const char* text) {
  CALCULATION_NODE* c = nullptr;
  const LOGIC_TextResult r = LOGIC_ParseCalculationText(text, &c);
  EXPECT_FALSE(r.parse_failed) << text;
  return c;
}

inline FORMULA_NODE* Formula(const char* text) {
  FORMULA_NODE* f = nullptr;
  const LOGIC_TextResult r = LOGIC_ParseFormulaText(text, &f);
  EXPECT_FALSE(r.parse_failed) << text;
  return f;
}

inline SymbolIdPtr Id(const char* name, uint32_t address) {
  return SymbolIdPtr(LOGIC_NewSymbolIdFrom(name, address));
}

inline WRITE_OPERATION Write(const char* name, uint32_t address, const char* calc, bool on) {
  WRITE_OPERATION w;
  w.Symbol = Id(name, address);
  w.Calculation.reset(Calc(calc));
  w.Enabled = on ? 1 : 0;
  return w;
}

// A project with every module type, every symbol option, scripts and pads; `elf` and
// `picture` are the files it refers to.
void BuildFullProject(const std::string& elf, const std::string& picture);
