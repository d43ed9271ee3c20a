#include "tests/reliability/reliability_fixture.h"

#include <unistd.h>

#include <QApplication>
#include <QDockWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <fstream>
#include <sstream>

#include "core/app_active_list.h"
#include "core/app_mode.h"
#include "core/app_project.h"
#include "core/app_sampling.h"
#include "core/job_engine.h"
#include "gui/cust_msgbox.h"
#include "modules/push_button_module.h"
#include "modules/tool_module_board.h"
#include "platform/sys_time.h"
#include "probe/probe_library.h"
#include "tests/gui/gui_test_support.h"

namespace fs = std::filesystem;

namespace {

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void ReplaceOnce(std::string& text, const std::string& from, const std::string& to) {
  const size_t at = text.find(from);
  ASSERT_NE(at, std::string::npos) << from;
  text.replace(at, from.size(), to);
}

}  // namespace

FolderSnapshot::FolderSnapshot(const fs::path& folder) {
  for (const fs::directory_entry& e : fs::recursive_directory_iterator(folder)) {
    if (e.is_regular_file()) files_[e.path().string()] = {ReadAll(e.path()), e.last_write_time()};
  }
}

std::string FolderSnapshot::DifferenceTo(const FolderSnapshot& before) const {
  std::string diff;
  for (const auto& [path, entry] : files_) {
    auto it = before.files_.find(path);
    if (it == before.files_.end()) diff += "new file " + path + "; ";
    else if (it->second.bytes != entry.bytes) diff += "content of " + path + "; ";
    else if (it->second.written != entry.written) diff += "time of " + path + "; ";
  }
  for (const auto& [path, entry] : before.files_) {
    if (files_.count(path) == 0) diff += "gone " + path + "; ";
  }
  return diff;
}

EventLoopWatch::EventLoopWatch() {
  timer_.setInterval(10);
  QObject::connect(&timer_, &QTimer::timeout, [this] {
    longest_ms_ = std::max(longest_ms_, since_tick_.restart());
  });
  Restart();
}

void EventLoopWatch::Restart() {
  longest_ms_ = 0;
  since_tick_.start();
  timer_.start();
}

void ReliabilityTest::SetUpTestSuite() { EnsureApplication(); }

void ReliabilityTest::TearDown() {
  if (window_ != nullptr) {
    if (APP_GetAppMode() != APP_MODE_EDIT) PressF5();
    EXPECT_TRUE(window_->close()) << Boxes().toStdString();
    window_.reset();
    ClearQuitState();
    ExpectProjectUntouched();  // closing does not save either
  }
  box_answerer_.stop();
  EXPECT_EQ(JOB_Reset(), 0);
  SimCommand("SimDefaults");
  std::error_code ignored;
  if (!folder_.empty()) fs::remove_all(folder_, ignored);
}

void ReliabilityTest::OpenDemo(const SimServer* server) {
  ASSERT_EQ(JOB_Reset(), 0);
  const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
  folder_ = fs::temp_directory_path() / ("vistro-reliability-" + std::to_string(getpid()) + "-" + name);
  fs::remove_all(folder_);
  fs::create_directories(folder_);
  std::string text = ReadAll(VISTRO_SOURCE_DIR "/firmware/demo/demo.vistro");
  // The test chooses when to enter Run mode.
  ReplaceOnce(text, "OpenOptions=\"1\"", "OpenOptions=\"0\"");
  if (server != nullptr) {
    ReplaceOnce(text, "Connection=\"1\"", "Connection=\"2\"");
    ReplaceOnce(text, "IP=\"\"", "IP=\"" + server->Address() + "\"");
  }
  project_ = folder_ / "demo.vistro";
  std::ofstream(project_, std::ios::binary) << text;
  fs::copy_file(VISTRO_SOURCE_DIR "/firmware/demo/demo.elf", folder_ / "demo.elf");
  before_ = std::make_unique<FolderSnapshot>(folder_);

  QObject::connect(&box_answerer_, &QTimer::timeout, [this] { AnswerBoxes(); });
  box_answerer_.start(10);
  args_ = {"vistro", "-openprj" + project_.string()};
  argv_ = {args_[0].data(), args_[1].data(), nullptr};
  window_ = std::make_unique<MainWindow>(int(args_.size()), argv_.data());
  ASSERT_EQ(window_->Start(), 0);
  ASSERT_TRUE(WaitUntil([this] { return window_->IsInitDone() && APP_IsProjectOpen(); }))
      << Boxes().toStdString();
  ASSERT_NE(MAIN_pActiveSymbols, nullptr);
  window_->show();
  window_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
  ASSERT_EQ(APP_GetAppMode(), APP_MODE_EDIT);
  watch_ = std::make_unique<EventLoopWatch>();
}

void ReliabilityTest::AnswerBoxes() {
  QWidget* modal = QApplication::activeModalWidget();
  if (auto* box = qobject_cast<DIALOG_CustMsgBox*>(modal)) {
    boxes_ << box->CopyText();
    QPushButton* pick = nullptr;
    for (QPushButton* b : box->findChildren<QPushButton*>()) {
      if (!b->isVisible()) continue;
      if (b->text() == "No" || pick == nullptr) pick = b;
    }
    if (pick != nullptr) pick->click();
    else box->reject();
  } else if (auto* system = qobject_cast<QMessageBox*>(modal)) {
    boxes_ << system->text();
    system->accept();
  }
}

bool ReliabilityTest::RunWithDownload() {
  QMetaObject::invokeMethod(window_.get(), "_SlotOnDownloadAct", Qt::DirectConnection);
  return APP_GetAppMode() == APP_MODE_RUN && APP_IsReading();
}

void ReliabilityTest::PressF5() {
  window_->activateWindow();
  QTest::keyClick(window_.get(), Qt::Key_F5);
}

bool ReliabilityTest::WaitUntil(const std::function<bool()>& done, int ms) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > ms) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 5);
    QTest::qSleep(1);
  }
  return true;
}

void ReliabilityTest::Pump(int ms) {
  WaitUntil([] { return false; }, ms);
}

ACTIVE_SYMBOL* ReliabilityTest::Symbol(const char* name) const {
  for (ACTIVE_SYMBOL_CELL* c = MAIN_pActiveSymbols; c != nullptr; c = c->pNext) {
    if (strcmp(c->pSymbol->Name, name) == 0) return c->pSymbol;
  }
  ADD_FAILURE() << "no active symbol " << name;
  return nullptr;
}

ToolModuleBoard* ReliabilityTest::Board() const { return window_->findChild<ToolModuleBoard*>(); }

QPushButton* ReliabilityTest::BoardButton(const char* text) const {
  for (ToolModule* m : Board()->Modules()) {
    auto* button = dynamic_cast<PushButtonModule*>(m);
    if (button != nullptr && button->Button()->text() == QString::fromUtf8(text)) return button->Button();
  }
  ADD_FAILURE() << "no push button " << text;
  return nullptr;
}

float ReliabilityTest::LatestFloat(const ACTIVE_SYMBOL* symbol) {
  VALUE_SLOT v{};
  return APP_GetLatestValue(symbol, &v) ? v.f32 : 0.0f;
}

uint32_t ReliabilityTest::LatestU32(const ACTIVE_SYMBOL* symbol) {
  VALUE_SLOT v{};
  return APP_GetLatestValue(symbol, &v) ? v.u32 : 0;
}

std::string ReliabilityTest::SimCommand(const std::string& command) {
  if (!PROBE_IsLibraryLoaded()) return "library not loaded";
  char error[1024] = {};
  PROBE_VELTRAARM_ExecCommand(command.c_str(), error, sizeof error);
  return error;
}

bool ReliabilityTest::SawBox(const char* part) const {
  for (const QString& text : boxes_) {
    if (text.contains(QString::fromUtf8(part))) return true;
  }
  return false;
}

void ReliabilityTest::ExpectEditModeShown() const {
  EXPECT_EQ(APP_GetAppMode(), APP_MODE_EDIT);
  EXPECT_FALSE(APP_IsReading());
  EXPECT_FALSE(APP_HasReadTask());
  EXPECT_TRUE(window_->CollectionDock()->isVisible());
  EXPECT_EQ(window_->ModeButton()->toolTip(), "Switch to Run ( F5)");
  EXPECT_TRUE(window_->Action(MainWindow::kActOpenProject)->isEnabled());
}

void ReliabilityTest::ExpectProjectUntouched() const {
  EXPECT_EQ(FolderSnapshot(folder_).DifferenceTo(*before_), "");
}
