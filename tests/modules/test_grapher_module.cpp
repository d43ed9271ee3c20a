// The grapher and frame-buffer modules through the module interface and their dialogs:
// channel slots, the Run-mode labels, the dialogs' refusals, the placeholder.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QWheelEvent>

#include "core/app_mode.h"
#include "core/app_project.h"
#include "modules/frame_buffer_dialog.h"
#include "modules/frame_buffer_module.h"
#include "modules/grapher_dialog.h"
#include "modules/grapher_module.h"
#include "tests/engines/engines_support.h"
#include "tests/engines/history_feed.h"
#include "tests/gui/gui_test_support.h"

namespace {

class GrapherModuleTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { EnsureApplication(); }
  void SetUp() override { MessageLog::Install(); }
  void TearDown() override {
    APP_SetAppMode(APP_MODE_EDIT);
    SYS_SetMsgBoxHandler(nullptr);
    SYS_SetSystemBoxHandler(nullptr);
  }
};

TEST_F(GrapherModuleTest, ChannelSlotsAndRunModeLabels) {
  HistoryFeed feed(std::vector<uint32_t>(9, TYPEID_U8));
  GrapherModule module(nullptr);
  for (int i = 0; i < 8; ++i) EXPECT_TRUE(module.AddSymbol(feed.symbols[i].get())) << i;
  EXPECT_FALSE(module.CanAddSymbol());
  EXPECT_FALSE(module.AddSymbol(feed.symbols[8].get()));
  EXPECT_EQ(module.Part().Channels[0].ColorRGBA, MODULE_GrapherChannelColor(0));
  EXPECT_TRUE(module.ReadsSymbol(feed.symbols[1].get()));
  module.RemoveSymbol(feed.symbols[1].get());  // the following channels move up
  ASSERT_EQ(module.Part().Channels.size(), 7u);
  EXPECT_STREQ(module.Part().Channels[1].Symbol->Name, "ch2");
  EXPECT_FALSE(module.UsesSymbol(feed.symbols[1].get()));
  EXPECT_TRUE(module.GetFrameStyleSheet().startsWith("QWidget{ background-color: rgba( 228,  228,  228,  128); }"));
  EXPECT_TRUE(module.GetFrameStyleSheet().contains("GraphContainer QCheckBox"));

  APP_SetAppMode(APP_MODE_RUN);
  module.EnterRunMode();
  feed.Feed(0, 50, 0, 1000, [](size_t c, uint64_t n) { return static_cast<double>(c + n); });
  module.Update();
  EXPECT_NE(module.Container()->CursorLabel()->text(), "Cursor");
  EXPECT_TRUE(module.Container()->InfoLabel()->text().startsWith("X-Resolution: 1 [s/div]<br>"));
  EXPECT_TRUE(module.Container()->AutoScrollBox()->isChecked());
  module.EnterEditMode();
  EXPECT_EQ(module.Container()->CursorLabel()->text(), "Cursor");
}

// The time base is the project's: a new grapher opens with it and a zoom goes back into it,
// counted as a change, so that the next save keeps it.
TEST_F(GrapherModuleTest, TimeBaseComesFromAndGoesToTheProject) {
  PROJECT_SETTINGS settings;
  settings.View.TimeResolutionUs = 2000;
  APP_InstallSettings(settings);
  APP_SetProjectOpen(true);
  APP_SetModified(0);
  GrapherModule module(nullptr);
  APP_SetAppMode(APP_MODE_RUN);
  module.EnterRunMode();
  module.Update();
  EXPECT_TRUE(module.Container()->InfoLabel()->text().startsWith("X-Resolution: 2 [ms/div]<br>"));
  GraphWidget* plot = module.Container()->Plot();
  QWheelEvent wheel(QPointF(10, 10), plot->mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, -120),
                    Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(plot, &wheel);  // toward the user: coarser
  EXPECT_EQ(APP_GetTimeResolutionUs(), 5000);
  EXPECT_GT(APP_GetModified(), 0);
  APP_SetProjectOpen(false);
  APP_SetModified(0);
  APP_InstallSettings(PROJECT_SETTINGS{});
}

// Symbol records that go away with the list (a new ELF, a closed project) are never touched
// again: the channels find their symbols anew for every frame.
TEST_F(GrapherModuleTest, ChannelsOutliveTheirSymbolRecords) {
  GrapherModule module(nullptr);
  module.resize(400, 200);
  {
    HistoryFeed feed({TYPEID_FLOAT});
    feed.Feed(0, 10, 0, 1000, [](size_t, uint64_t n) { return static_cast<double>(n); });
    ASSERT_TRUE(module.AddSymbol(feed.symbols[0].get()));
    APP_SetAppMode(APP_MODE_RUN);
    module.EnterRunMode();
    module.Update();
    EXPECT_FALSE(module.grab().isNull());
  }
  module.Update();
  EXPECT_FALSE(module.grab().isNull());
  module.EnterEditMode();
  EXPECT_FALSE(module.grab().isNull());
  EXPECT_EQ(module.Part().Channels.size(), 1u);  // the binding stays for a symbol that comes back
}

TEST_F(GrapherModuleTest, GrapherDialogAddsChannelsAndRefusesUnsupportedTypes) {
  MODULE_SETTINGS record = *MODULE_DefaultSettings(MODULE_TYPE_GRAPHER);
  {
    APP_ClearActiveSymbols();
    GrapherDialog dialog(nullptr, record, nullptr);
    dialog.AddButton()->click();
    EXPECT_TRUE(MessageLog::Contains("No Symbols to add available!"));
    EXPECT_EQ(dialog.ChannelsTitle(), "0 / 8 Symbol Connections");
  }
  HistoryFeed feed({TYPEID_I16, TYPEID_U64});
  GrapherDialog dialog(nullptr, record, nullptr);
  dialog.AddButton()->click();
  EXPECT_EQ(dialog.ChannelsTitle(), "1 / 8 Symbol Connections");
  EXPECT_TRUE(dialog.Validate());
  dialog.AddButton()->click();  // the next unused symbol: a 64-bit one
  MessageLog::Clear();
  EXPECT_FALSE(dialog.Validate());
  EXPECT_TRUE(MessageLog::Contains("Type of Symbol to connect with is currently not supported!"));
  dialog.RemoveButton(1)->click();
  const MODULE_SETTINGS chosen = dialog.GetDialogSettings();
  ASSERT_EQ(chosen.As<GRAPHER_SETTINGS>()->Channels.size(), 1u);
  EXPECT_STREQ(chosen.As<GRAPHER_SETTINGS>()->Channels[0].Symbol->Name, "ch0");
}

TEST_F(GrapherModuleTest, FrameBufferSymbolsDialogAndPlaceholder) {
  HistoryFeed feed({TYPEID_U32});
  FrameBufferModule module(nullptr);
  ACTIVE_SYMBOL virtual_symbol = *feed.symbols[0];
  virtual_symbol.Virtual = 1;
  EXPECT_FALSE(module.AddSymbol(&virtual_symbol));
  EXPECT_TRUE(module.AddSymbol(feed.symbols[0].get()));
  EXPECT_EQ(module.Part().Address, feed.symbols[0]->Address);
  EXPECT_FALSE(module.CanAddSymbol());
  EXPECT_FALSE(module.UsesSymbol(feed.symbols[0].get()));

  FrameBufferDialog dialog(nullptr, module.GetSettings(), nullptr);
  dialog.AddressSource()->setCurrentIndex(1);  // the symbol's address, locked
  EXPECT_EQ(dialog.AddressField()->text(), "0x20000000");
  EXPECT_TRUE(dialog.AddressField()->isReadOnly());
  dialog.AddressSource()->setCurrentIndex(0);
  dialog.AddressField()->setText("0xC0DEF00D");  // upper-case digits are an address too
  dialog.WidthField()->setValue(0);
  dialog.EncodingField()->setCurrentIndex(5);
  EXPECT_TRUE(dialog.Validate());
  const MODULE_SETTINGS chosen = dialog.GetDialogSettings();
  const FRAME_BUFFER_SETTINGS* p = chosen.As<FRAME_BUFFER_SETTINGS>();
  EXPECT_EQ(p->Address, 0xC0DEF00Du);
  EXPECT_EQ(p->PxWidth, 1u);  // 0 is stored as 1
  EXPECT_EQ(p->Encoding, 5u);
  dialog.AddressField()->setText("0x");
  EXPECT_FALSE(dialog.Validate());

  // The placeholder keeps the picture's aspect: 96 x 72 in 200 x 100 is 133 x 100.
  QImage image(200, 100, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::white);
  QPainter painter(&image);
  FrameBuffer::paint(painter, {QSize(200, 100), QSize(96, 72), false, QImage()});
  painter.end();
  EXPECT_NE(image.pixel(130, 50), qRgb(255, 255, 255));
  EXPECT_EQ(image.pixel(140, 50), qRgb(255, 255, 255));
}

}  // namespace
