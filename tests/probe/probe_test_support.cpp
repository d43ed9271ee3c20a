#include "tests/probe/probe_test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>

#include "platform/sys_msgbox.h"

namespace {

std::mutex g_mutex;
std::vector<CapturedMessage> g_messages;

void CaptureBox(SYS_MsgBoxRequest& request) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_messages.push_back(CapturedMessage{request.title ? request.title : "",
                                       request.text ? request.text : "", request.icon, false});
  request.pressed_button = request.default_result;
}

void CaptureSystemBox(const char* text, const char* title, uint32_t flags) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_messages.push_back(CapturedMessage{title ? title : "", text ? text : "", flags, true});
}

}  // namespace

MessageCapture::MessageCapture() {
  Take();
  SYS_SetMsgBoxHandler(CaptureBox);
  SYS_SetSystemBoxHandler(CaptureSystemBox);
}

MessageCapture::~MessageCapture() {
  SYS_SetMsgBoxHandler(nullptr);
  SYS_SetSystemBoxHandler(nullptr);
}

std::vector<CapturedMessage> MessageCapture::Take() {
  std::lock_guard<std::mutex> lock(g_mutex);
  std::vector<CapturedMessage> taken;
  taken.swap(g_messages);
  return taken;
}

std::vector<std::string> MessageCapture::TakeTexts() {
  std::vector<std::string> texts;
  for (CapturedMessage& m : Take()) texts.push_back(std::move(m.text));
  return texts;
}

TempFolder::TempFolder() {
  char pattern[] = "/tmp/vistro-probe-XXXXXX";
  const char* made = mkdtemp(pattern);
  EXPECT_NE(made, nullptr);
  if (made != nullptr) path_ = made;
}

TempFolder::~TempFolder() {
  if (path_.empty()) return;
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string TempFolder::Make(const std::string& relative) const {
  const std::string full = path_ + "/" + relative;
  std::filesystem::create_directories(full);
  return full;
}

std::string TempFolder::Write(const std::string& relative, const std::string& content) const {
  const std::string full = path_ + "/" + relative;
  std::filesystem::create_directories(std::filesystem::path(full).parent_path());
  std::ofstream(full, std::ios::binary) << content;
  return full;
}
