// vistro-board-preview [--run | --preview] [--zoom-in N] [--width W] [--height H]
//
// Shows a module board with one module of each type at twice its default size, as a user
// would arrange them: the angular gauge selected (frame and handles), the LED and the timer
// grouped, the image on layer 1 under the veil of the current layer 0, and a marked cell.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include <QApplication>

#include "core/app_mode.h"
#include "modules/records/module_settings.h"
#include "modules/records/module_types.h"
#include "modules/tool_module.h"
#include "modules/tool_module_board.h"

namespace {

int IntArg(int& i, int argc, char** argv) {
  if (i + 1 >= argc) {
    std::fprintf(stderr, "vistro-board-preview: %s wants a number\n", argv[i]);
    std::exit(2);
  }
  return std::atoi(argv[++i]);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  int32_t mode = APP_MODE_EDIT;
  int zoom_in = 0;
  int width = 1440, height = 860;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--run")) {
      mode = APP_MODE_RUN;
    } else if (!std::strcmp(argv[i], "--preview")) {
      mode = APP_MODE_PREVIEW;
    } else if (!std::strcmp(argv[i], "--zoom-in")) {
      zoom_in = IntArg(i, argc, argv);
    } else if (!std::strcmp(argv[i], "--width")) {
      width = IntArg(i, argc, argv);
    } else if (!std::strcmp(argv[i], "--height")) {
      height = IntArg(i, argc, argv);
    } else {
      std::fprintf(stderr,
                   "usage: vistro-board-preview [--run | --preview] [--zoom-in N] [--width W] "
                   "[--height H]\n");
      return 2;
    }
  }

  APP_SetAppMode(APP_MODE_EDIT);
  ToolModuleBoard board;
  board.setWindowTitle(QStringLiteral("Vistro board preview"));
  board.resize(width, height);

  // Shelf packing, tallest first, 8 cells apart, within the window's width.
  std::vector<uint32_t> types;
  for (uint32_t t = 0; t < MODULE_TYPE_COUNT; ++t) types.push_back(t);
  std::stable_sort(types.begin(), types.end(), [](uint32_t a, uint32_t b) {
    return MODULE_GetTypeInfo(a)->DefaultHeight > MODULE_GetTypeInfo(b)->DefaultHeight;
  });
  const int row_cells = width / 2 - 16;
  int x = 8, y = 8, shelf = 0;
  std::vector<ToolModule*> by_type(MODULE_TYPE_COUNT, nullptr);
  for (uint32_t type : types) {
    MODULE_SETTINGS s = *MODULE_DefaultSettings(type);
    s.Width = MODULE_GetTypeInfo(type)->DefaultWidth * 2;
    s.Height = MODULE_GetTypeInfo(type)->DefaultHeight * 2;
    if (x + s.Width > row_cells) {
      x = 8;
      y += shelf + 8;
      shelf = 0;
    }
    s.X = x;
    s.Y = y;
    s.Layer = type == MODULE_TYPE_IMAGE ? 1 : 0;
    by_type[type] = board.CreateModuleFromSettings(s, false, false);
    x += s.Width + 8;
    shelf = std::max(shelf, s.Height);
  }
  board.SetMarkedCell(QPoint(x + 24, y + 16));
  board.SetGroup({by_type[MODULE_TYPE_LED], by_type[MODULE_TYPE_TIMER]});
  board.SelectModule(by_type[MODULE_TYPE_ANGULAR_GAUGE]);
  for (int i = 0; i < zoom_in; ++i) board.ZoomIn();
  if (mode == APP_MODE_RUN) board.EnterRunMode();
  if (mode == APP_MODE_PREVIEW) board.EnterPreviewMode();
  board.show();
  return app.exec();
}
