#include "platform/sys_msgbox.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr uint32_t kCancelAll = 0xFFFFFFFFu;
constexpr size_t kFormattedMax = 2048;  // the printf-style forms format into this much

std::atomic<SYS_MsgBoxHandler> g_handler{nullptr};
std::atomic<SYS_SystemBoxHandler> g_system_handler{nullptr};
std::atomic<int> g_console_answer{-1};

bool EndsWith(const char* text, const char* suffix) {
  const size_t n = strlen(text), m = strlen(suffix);
  return n >= m && strcmp(text + n - m, suffix) == 0;
}

// One write per message so that lines of two threads do not interleave.
void PrintLine(const std::string& line) {
  fwrite(line.data(), 1, line.size(), stderr);
  fflush(stderr);
}

void TitledBox(const char* text, const char* kind) {
  char title[64];
  snprintf(title, sizeof title, "%s %s", SYS_ShortAppName(), kind);
  SYS_ShowMsgBox(title, text, "O.K.", nullptr, nullptr, 0, nullptr, SYS_MB_ICON_WARNING, 0,
                 kCancelAll, 0);
}

}  // namespace

SYS_MsgBoxHandler SYS_SetMsgBoxHandler(SYS_MsgBoxHandler handler) {
  return g_handler.exchange(handler);
}

void SYS_SetConsoleAnswer(int button) { g_console_answer.store(button); }

void SYS_ConsoleMsgBoxHandler(SYS_MsgBoxRequest& request) {
  request.check_result = request.check_initial;
  request.pressed_button = request.default_result;
  request.cancelled = 0;
  const char* title = request.title != nullptr ? request.title : "";
  const char* text = request.text != nullptr ? request.text : "";
  std::string line;
  if (EndsWith(title, " Error") || EndsWith(title, "Error")) {
    line = std::string("error: ") + text + "\n";
  } else if (EndsWith(title, "Warning")) {
    line = std::string("warning: ") + text + "\n";
  } else {
    const int answer = g_console_answer.load();
    if (answer == 0 && request.button0 != nullptr) request.pressed_button = 0;
    if (answer == 1 && request.button1 != nullptr) request.pressed_button = 1;
    const char* chosen = request.pressed_button == 0   ? request.button0
                         : request.pressed_button == 1 ? request.button1
                                                       : nullptr;
    line = std::string("question: ") + text + " -> " +
           (chosen != nullptr ? chosen : std::to_string(request.pressed_button)) + "\n";
  }
  PrintLine(line);
}

uint32_t SYS_ShowMsgBox(const char* title, const char* text, const char* button0,
                        const char* button1, const char* check_text, uint32_t check_initial,
                        uint32_t* check_state, uint32_t icon, uint32_t default_result,
                        uint32_t cancel_value, int32_t timeout_ms) {
  if (title == nullptr || text == nullptr || button0 == nullptr) return 0xFFFFFFFFu;
  SYS_MsgBoxRequest request;
  request.title = title;
  request.text = text;
  request.button0 = button0;
  request.button1 = button1;
  request.check_text = check_text;
  request.check_initial = check_initial;
  request.default_result = default_result;
  request.icon = icon;
  request.timeout_ms = timeout_ms;
  request.pressed_button = default_result;
  SYS_MsgBoxHandler handler = g_handler.load();
  if (handler == nullptr) handler = SYS_ConsoleMsgBoxHandler;
  handler(request);
  if (check_state != nullptr) *check_state = request.check_result;
  return request.cancelled != 0 ? cancel_value : request.pressed_button;
}

void SYS_ErrorBox(const char* text) { TitledBox(text, "Error"); }

void SYS_WarningBox(const char* text) { TitledBox(text, "Warning"); }

void SYS_ErrorBoxF(const char* format, ...) {
  char text[kFormattedMax];
  va_list args;
  va_start(args, format);
  vsnprintf(text, sizeof text, format, args);
  va_end(args);
  SYS_ErrorBox(text);
}

void SYS_WarningBoxF(const char* format, ...) {
  char text[kFormattedMax];
  va_list args;
  va_start(args, format);
  vsnprintf(text, sizeof text, format, args);
  va_end(args);
  SYS_WarningBox(text);
}

uint32_t SYS_QuestionBox(const char* text, const char* button0, const char* button1,
                         uint32_t default_result, uint32_t icon, uint32_t cancel_value) {
  return SYS_ShowMsgBox(SYS_ShortAppName(), text, button0, button1, nullptr, 0, nullptr, icon,
                        default_result, cancel_value, 0);
}

void SYS_SystemMessageBox(const char* text, const char* title, uint32_t flags) {
  SYS_SystemBoxHandler handler = g_system_handler.load();
  if (handler != nullptr) {
    handler(text, title, flags);
    return;
  }
  // 0x30 in the flags is the exclamation icon; everything else reads as an error.
  const bool is_warning = (flags & 0xF0u) == 0x30u;
  PrintLine(std::string(is_warning ? "warning: " : "error: ") + (text != nullptr ? text : "") +
            "\n");
}

void SYS_SetSystemBoxHandler(SYS_SystemBoxHandler handler) { g_system_handler.store(handler); }

const char* SYS_ShortAppName() {
  static const std::string name = std::string(SYS_PRODUCT_NAME) + " " + SYS_PRODUCT_VERSION;
  return name.c_str();
}

const char* SYS_FullAppName() {
  static const std::string name =
      std::string("Tarvik ") + SYS_PRODUCT_NAME + " " + SYS_PRODUCT_VERSION + " (beta)";
  return name.c_str();
}
