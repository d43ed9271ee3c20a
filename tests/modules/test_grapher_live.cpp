// End to end on the simulated target: the demo firmware's signals sampled through the
// sampling engine show up on a grapher, and its frame buffer's moving picture on a frame
// buffer module. The two modules are also saved side by side as grapher-live.png in the build
// folder (the picture in docs/).
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QImage>
#include <QCheckBox>
#include <QPainter>

#include "core/app_active_list.h"
#include "core/app_mode.h"
#include "core/app_sampling.h"
#include "core/job_engine.h"
#include "modules/frame_buffer_module.h"
#include "modules/grapher_module.h"
#include "platform/sys_text.h"
#include "platform/sys_thread.h"
#include "probe/probe_library.h"
#include "probe/probe_session.h"
#include "symbols/elf_reader.h"
#include "symbols/symbol_tree.h"
#include "tests/gui/gui_test_support.h"

namespace {

const char* const kElf = VISTRO_SOURCE_DIR "/firmware/demo/demo.elf";
const char* const kChannels[] = {"g_sine_f", "g_triangle_i8", "g_sine_i16", "g_noise_f"};

void RunEvents(int ms, GrapherModule& grapher) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms) {
    grapher.Update();  // the board's refresh in Run mode
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    SYS_Sleep(10);
  }
}

void Wait(const JOB_BUSY& busy) {
  while (busy.load() != 0) SYS_Sleep(1);
}

TEST(GrapherLive, DemoSignalsAndMovingPicture) {
  EnsureApplication();
  ELF_FILE* elf = ELF_Open(kElf, true);
  ASSERT_NE(elf, nullptr);
  SYMTREE_TREE tree;
  ASSERT_GT(SYMTREE_Build(elf, SYMTREE_OPTIONS{}, nullptr, tree), 0);
  ELF_Close(elf);
  std::vector<ACTIVE_SYMBOL*> channels;
  for (const char* path : kChannels) {
    auto* node = const_cast<ACTIVE_SYMBOL*>(SYMTREE_FindPath(tree.pRoot, path));
    ASSERT_NE(node, nullptr) << path;
    ASSERT_EQ(APP_AddActiveSymbol(node), 0);
    channels.push_back(node);
  }
  const ACTIVE_SYMBOL* picture = SYMTREE_FindPath(tree.pRoot, "g_frame_buffer");
  ASSERT_NE(picture, nullptr);

  // Program the simulated board with the demo firmware, then sample every 200 us.
  PROJECT_CONFIG config;
  config.Connection = PROBE_CONNECTION_USB;
  config.TargetInterface = PROBE_TIF_SWD;
  config.InterfaceSpeed = 4000;
  config.SamplingPeriod = 200;
  SYS_CopyText(config.ElfFile, sizeof config.ElfFile, kElf);
  PROBE_SetConfiguration(config);
  ASSERT_GE(PROBE_Connect(), 0);
  ASSERT_GE(PROBE_VELTRA_DownloadFile(kElf, 0), 0);
  if (PROBE_VELTRA_IsHalted() > 0) PROBE_VELTRA_Go();
  PROBE_Disconnect();
  JOB_BUSY busy{0};
  APP_ReadStart(&busy);
  Wait(busy);
  ASSERT_TRUE(APP_IsReading());
  APP_SetAppMode(APP_MODE_RUN);

  GrapherModule grapher(nullptr);
  for (ACTIVE_SYMBOL* s : channels) ASSERT_TRUE(grapher.AddSymbol(s));
  grapher.setStyleSheet(grapher.GetFrameStyleSheet());
  grapher.resize(704, 400);
  grapher.FitContents();
  grapher.Container()->Plot()->SetView(100000, 0);  // 100 ms per division
  FrameBufferModule frame(nullptr);
  MODULE_SETTINGS record = *MODULE_DefaultSettings(MODULE_TYPE_FRAME_BUFFER);
  FRAME_BUFFER_SETTINGS* part = record.As<FRAME_BUFFER_SETTINGS>();
  part->Address = picture->Address;
  part->PxWidth = 64;
  part->PxHeight = 48;
  part->Encoding = 5;  // RGB565
  frame.SetSettings(record);
  frame.resize(256, 192);
  grapher.show();
  frame.show();
  grapher.EnterRunMode();
  frame.EnterRunMode();

  RunEvents(1500, grapher);
  const QImage first = frame.Frame()->Picture();
  RunEvents(300, grapher);
  const QImage second = frame.Frame()->Picture();
  // Measuring cursors half a period of the 1 Hz sine apart.
  GraphWidget* plot_widget = grapher.Container()->Plot();
  plot_widget->SetAutoScroll(false);
  grapher.Container()->AutoScrollBox()->setChecked(false);
  const double newest = static_cast<double>(APP_GetLatestTimestamp64());
  plot_widget->SetCursorA(newest - 900000);
  plot_widget->SetCursorB(newest - 400000);
  const QString measured = plot_widget->MeasureBoxText();
  const QImage plot = grapher.grab().toImage();
  const QImage shown = frame.grab().toImage();
  frame.EnterEditMode();
  grapher.EnterEditMode();
  APP_SetAppMode(APP_MODE_EDIT);
  APP_ReadStop(&busy);
  Wait(busy);
  JOB_StopWorker(10000);

  // The frame buffer shows the firmware's picture, and it moves.
  ASSERT_FALSE(first.isNull());
  ASSERT_FALSE(second.isNull());
  EXPECT_EQ(first.size(), QSize(64, 48));
  EXPECT_NE(first, second);
  EXPECT_TRUE(measured.contains("B-A: 500.000 ms (2.000 Hz)")) << measured.toStdString();
  // The grapher draws each channel: pixels of every channel colour.
  for (const GRAPHER_CHANNEL& c : grapher.Part().Channels) {
    const QRgb colour = QColor::fromRgba(c.ColorRGBA).rgb();
    int hits = 0;
    for (int y = 0; y < plot.height(); ++y) {
      for (int x = 0; x < plot.width(); ++x) hits += (plot.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF) ? 1 : 0;
    }
    EXPECT_GT(hits, 100) << c.Symbol->Name;
  }

  QImage both(plot.width() + shown.width() + 24, std::max(plot.height(), shown.height()) + 16,
              QImage::Format_ARGB32_Premultiplied);
  both.fill(QColor(240, 240, 240));
  QPainter painter(&both);
  painter.drawImage(8, 8, plot);
  painter.drawImage(plot.width() + 16, 8, shown);
  painter.end();
  EXPECT_TRUE(both.save(VISTRO_BINARY_DIR "/grapher-live.png"));

  for (ACTIVE_SYMBOL* s : channels) APP_FreeHistory(s);
  APP_ClearActiveSymbols();
  SYMTREE_Free(tree.pRoot);
}

}  // namespace
