#include "bench/soak/soak_setup.h"

#include <QPoint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <vector>

#include "core/app_active_list.h"
#include "core/app_project.h"
#include "gui/symbol_selection.h"
#include "logic/logic_value.h"
#include "modules/records/module_settings.h"
#include "modules/tool_module_board.h"

namespace fs = std::filesystem;

namespace {

bool Replace(std::string& text, const std::string& from, const std::string& to) {
  const size_t at = text.find(from);
  if (at == std::string::npos) {
    std::fprintf(stderr, "vistro-soak: the demo project holds no '%s'\n", from.c_str());
    return false;
  }
  text.replace(at, from.size(), to);
  return true;
}

bool IsSampled(const ACTIVE_SYMBOL* s) { return s->Read != 0 && s->Virtual == 0; }

bool IsActive(const ACTIVE_SYMBOL* s) {
  for (ACTIVE_SYMBOL_CELL* c = MAIN_pActiveSymbols; c != nullptr; c = c->pNext) {
    if (c->pSymbol == s) return true;
  }
  return false;
}

void ForEachLeaf(const ACTIVE_SYMBOL* node, const std::function<void(ACTIVE_SYMBOL*)>& visit) {
  for (; node != nullptr; node = node->pNextSibling) {
    if (node->Leaf != 0) visit(const_cast<ACTIVE_SYMBOL*>(node));
    ForEachLeaf(node->pFirstChild, visit);
  }
}

}  // namespace

std::string SOAK_WriteProject(const fs::path& folder, uint32_t period_us) {
  std::ifstream in(VISTRO_SOURCE_DIR "/firmware/demo/demo.vistro", std::ios::binary);
  std::ostringstream read;
  read << in.rdbuf();
  std::string text = read.str();
  if (!Replace(text, "SamplingPeriod=\"1000\"", "SamplingPeriod=\"" + std::to_string(period_us) + "\"") ||
      !Replace(text, "OpenOptions=\"1\"", "OpenOptions=\"0\"")) {
    return "";
  }
  std::error_code error;
  fs::copy_file(VISTRO_SOURCE_DIR "/firmware/demo/demo.elf", folder / "demo.elf",
                fs::copy_options::overwrite_existing, error);
  const fs::path project = folder / "demo.vistro";
  std::ofstream out(project, std::ios::binary);
  out << text;
  if (error || !out.flush()) {
    std::fprintf(stderr, "vistro-soak: cannot write the project into %s\n", folder.c_str());
    return "";
  }
  return project.string();
}

int SOAK_SelectSymbols() {
  std::vector<ACTIVE_SYMBOL*> chosen;
  for (ACTIVE_SYMBOL_CELL* c = MAIN_pActiveSymbols; c != nullptr; c = c->pNext) {
    if (IsSampled(c->pSymbol)) chosen.push_back(c->pSymbol);
  }
  // Plain variables first; array elements and members (names with '[' or '.') after them.
  for (const bool plain : {true, false}) {
    ForEachLeaf(APP_GetSymbolTree(), [&](ACTIVE_SYMBOL* s) {
      if (int(chosen.size()) >= SOAK_SYMBOLS || !LOGIC_IsSupportedType(s->ValueType) || s->Virtual != 0) return;
      const bool is_plain = std::strpbrk(s->Name, "[.") == nullptr;
      if (is_plain != plain || IsActive(s)) return;
      for (const ACTIVE_SYMBOL* c : chosen) {
        if (c == s) return;
      }
      chosen.push_back(s);
    });
  }
  SELECTION_ApplyPending(chosen);
  int sampled = 0;
  for (ACTIVE_SYMBOL_CELL* c = MAIN_pActiveSymbols; c != nullptr; c = c->pNext) sampled += IsSampled(c->pSymbol);
  return sampled;
}

size_t SOAK_FillBoard(ToolModuleBoard& board) {
  std::vector<const ACTIVE_SYMBOL*> unshown;
  for (ACTIVE_SYMBOL_CELL* c = MAIN_pActiveSymbols; c != nullptr; c = c->pNext) {
    if (IsSampled(c->pSymbol) && !board.IsSymbolRead(c->pSymbol)) unshown.push_back(c->pSymbol);
  }
  const auto add = [&board](uint32_t type, int x, int y, int w, int h) -> QPoint {
    MODULE_SETTINGS s = *MODULE_DefaultSettings(type);
    s.X = x;
    s.Y = y;
    s.Width = w;
    s.Height = h;
    s.Layer = 1;
    board.CreateModuleFromSettings(s, false, false);
    return QPoint(x + 2, y + 2);
  };
  // Graphers to the right of the demo's panels, 8 channels each.
  const int right = board.ExtentCells().width() + 8;
  for (int g = 0; g < 2; ++g) {
    const QPoint cell = add(MODULE_TYPE_GRAPHER, right, 28 + g * 156, 420, 150);
    for (size_t i = 0; i < MODULE_MAX_GRAPHER_CHANNELS && g * 8 + i < unshown.size(); ++i) {
      board.ConnectSymbol(unshown[g * 8 + i], cell);
    }
  }
  // A grid of displays under them, one per symbol.
  const uint32_t kinds[] = {MODULE_TYPE_DIGITAL_DISPLAY, MODULE_TYPE_LINEAR_GAUGE, MODULE_TYPE_ANGULAR_GAUGE};
  const int top = board.ExtentCells().height() + 8;
  for (size_t i = 0; i < unshown.size(); ++i) {
    const int column = int(i % 16), row = int(i / 16);
    board.ConnectSymbol(unshown[i], add(kinds[i % 3], 4 + column * 68, top + row * 52, 64, 48));
  }
  return board.ModuleCount();
}
