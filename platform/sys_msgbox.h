// The message sink of the core. Every error, warning and question the core shows goes
// through here. The GUI installs a handler that shows the program's own message box on the
// GUI thread (from any thread, through the main window's bridge); without a GUI the default
// handler prints to stderr ("error: TEXT", "warning: TEXT", "question: TEXT -> ANSWER").
#pragma once

#include <cstdint>

// Icon codes.
constexpr uint32_t SYS_MB_ICON_CRITICAL = 256;
constexpr uint32_t SYS_MB_ICON_QUESTION = 512;
constexpr uint32_t SYS_MB_ICON_WARNING = 768;
constexpr uint32_t SYS_MB_ICON_INFORMATION = 1024;

// One message box request: filled by the caller, results written by whoever shows it.
struct SYS_MsgBoxRequest {
  const char* title = nullptr;
  const char* text = nullptr;
  const char* button0 = nullptr;
  const char* button1 = nullptr;
  const char* check_text = nullptr;
  uint32_t check_initial = 0;
  uint32_t default_result = 0;
  uint32_t icon = 0;
  int32_t timeout_ms = 0;
  // Results.
  uint32_t check_result = 0;
  uint32_t pressed_button = 0;
  uint32_t cancelled = 0;
};

// Shows the request and fills its results. Must be callable from any thread.
using SYS_MsgBoxHandler = void (*)(SYS_MsgBoxRequest& request);

// Installs a handler (null restores the stderr handler). Returns the previous one.
SYS_MsgBoxHandler SYS_SetMsgBoxHandler(SYS_MsgBoxHandler handler);

// The stderr handler: questions take button `SYS_SetConsoleAnswer` chose, else the default.
void SYS_ConsoleMsgBoxHandler(SYS_MsgBoxRequest& request);
// -1: default result (the initial state); 0 or 1: that button ("--yes" / "--no").
void SYS_SetConsoleAnswer(int button);

// Shows a box; returns 0xFFFFFFFF at once when title, text or button0 is missing, the cancel
// value when the box was cancelled, else the pressed button (or the default result).
// `check_state` (may be null) receives the final check box state.
uint32_t SYS_ShowMsgBox(const char* title, const char* text, const char* button0,
                        const char* button1, const char* check_text, uint32_t check_initial,
                        uint32_t* check_state, uint32_t icon, uint32_t default_result,
                        uint32_t cancel_value, int32_t timeout_ms);

// The forms of the core: titled "Vistro V0.1.0 Error" / "... Warning", button "O.K.".
void SYS_ErrorBox(const char* text);
void SYS_WarningBox(const char* text);
// printf-style variants (the text is formatted into a bounded buffer).
void SYS_ErrorBoxF(const char* format, ...) __attribute__((format(printf, 1, 2)));
void SYS_WarningBoxF(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Titled with the short application name alone.
uint32_t SYS_QuestionBox(const char* text, const char* button0, const char* button1,
                         uint32_t default_result, uint32_t icon, uint32_t cancel_value);

// The OS's own box, for the few places that may run before the main window exists
// (allocation failure, guard checks, probe library binding). Qt box when a GUI exists,
// else stderr.
void SYS_SystemMessageBox(const char* text, const char* title, uint32_t flags);
using SYS_SystemBoxHandler = void (*)(const char* text, const char* title, uint32_t flags);
void SYS_SetSystemBoxHandler(SYS_SystemBoxHandler handler);

// Application names.
constexpr const char* SYS_PRODUCT_NAME = "Vistro";
constexpr const char* SYS_PRODUCT_VERSION = "V0.1.0";
// "Vistro V0.1.0"
const char* SYS_ShortAppName();
// "Tarvik Vistro V0.1.0 (beta)"
const char* SYS_FullAppName();
