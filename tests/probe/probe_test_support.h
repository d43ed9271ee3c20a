// Helpers of the probe tests: messages captured from the message sink, and a library search
// that looks in one folder only.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/sys_msgbox.h"
#include "platform/sys_text.h"
#include "probe/probe_library.h"

struct CapturedMessage {
  std::string title;
  std::string text;
  uint32_t flags = 0;  // system boxes: their flags; other boxes: the icon
  bool system = false;
};

inline std::mutex g_capture_mutex;
inline std::vector<CapturedMessage> g_captured;

// Captures message boxes and system boxes for its lifetime.
class MessageCapture {
 public:
  MessageCapture() {
    Take();
    SYS_SetMsgBoxHandler([](SYS_MsgBoxRequest& r) {
      Add({r.title ? r.title : "", r.text ? r.text : "", r.icon, false});
      r.pressed_button = r.default_result;
    });
    SYS_SetSystemBoxHandler([](const char* text, const char* title, uint32_t flags) {
      Add({title ? title : "", text ? text : "", flags, true});
    });
  }
  ~MessageCapture() {
    SYS_SetMsgBoxHandler(nullptr);
    SYS_SetSystemBoxHandler(nullptr);
  }
  std::vector<CapturedMessage> Take() {  // returns and forgets what was captured
    std::lock_guard<std::mutex> lock(g_capture_mutex);
    return std::exchange(g_captured, {});
  }
  std::vector<std::string> TakeTexts() {
    std::vector<std::string> texts;
    for (CapturedMessage& m : Take()) texts.push_back(std::move(m.text));
    return texts;
  }

 private:
  static void Add(CapturedMessage m) {
    std::lock_guard<std::mutex> lock(g_capture_mutex);
    g_captured.push_back(std::move(m));
  }
};

inline void SearchLibraryIn(const char* folder) {
  PROBE_LibrarySearch search;
  SYS_CopyText(search.module_folder, sizeof(search.module_folder), folder);
  PROBE_SetLibrarySearch(&search);
}
