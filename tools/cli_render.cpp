// vistro-cli render: draws a project's whole board offscreen as the board shows it in Edit,
// Run or Preview mode (one cell to two pixels) and saves it as PNG. Run mode first connects
// and samples as the mode switch does, for --run-ms.
#include <QImage>
#include <QSaveFile>
#include <QString>
#include <cstdio>
#include <cstring>

#include "tools/cli_command.h"
#include "tools/cli_headless_common.h"
#include "platform/sys_msgbox.h"

namespace {

constexpr const char* kUsage =
    "render FILE --png OUT [--mode edit|run|preview] [--run-ms N] [--download] [--device NAME] "
    "[--usb SN | --ip HOST[:PORT] | --openocd HOST:PORT] [--interface SWD|JTAG|FINE] "
    "[--speed KHZ] [--script FILE] [--sim COMMAND]...";

enum class Mode { kEdit, kRun, kPreview };

bool ParseMode(const char* text, Mode& mode) {
  struct Name {
    const char* text;
    Mode mode;
  };
  static constexpr Name kModes[] = {{"edit", Mode::kEdit}, {"run", Mode::kRun}, {"preview", Mode::kPreview}};
  for (const Name& n : kModes) {
    if (std::strcmp(text, n.text) == 0) {
      mode = n.mode;
      return true;
    }
  }
  return false;
}

int RunRender(std::span<char* const> args) {
  CLI_ProjectArgs project;
  const char* png = nullptr;
  Mode mode = Mode::kEdit;
  uint32_t run_ms = 1000;
  for (size_t i = 0; i < args.size();) {
    const int taken = CLI_TakeProjectArg(args, i, project);
    if (taken < 0) return CLI_Usage(kUsage, nullptr, nullptr);
    if (taken > 0) continue;
    const char* arg = args[i];
    const char* value = i + 1 < args.size() ? args[i + 1] : nullptr;
    if (std::strcmp(arg, "--png") != 0 && std::strcmp(arg, "--mode") != 0 &&
        std::strcmp(arg, "--run-ms") != 0) {
      return CLI_Usage(kUsage, "unknown argument", arg);
    }
    if (value == nullptr) return CLI_Usage(kUsage, "missing value of", arg);
    if (std::strcmp(arg, "--png") == 0) {
      png = value;
    } else if (std::strcmp(arg, "--mode") == 0) {
      if (!ParseMode(value, mode)) return CLI_Usage(kUsage, "unknown mode", value);
    } else if (!CLI_ParsePositive(value, 86400000u, run_ms)) {
      return CLI_Usage(kUsage, "bad run time", value);
    }
    i += 2;
  }
  if (project.file == nullptr) return CLI_Usage(kUsage, "missing project file", nullptr);
  if (png == nullptr) return CLI_Usage(kUsage, "missing --png", nullptr);

  if (!CLI_CheckWritable(png)) return CLI_FAILED;

  CLI_HeadlessApp app;
  HeadlessSession session;
  int status = CLI_OpenProject(session, project);
  if (status != CLI_OK) return status;
  if (mode == Mode::kRun) {
    status = CLI_RunProject(session, project, run_ms);
    if (status != CLI_OK) return status;
  } else if (mode == Mode::kPreview) {
    session.EnterPreviewMode();
  }
  const QImage image = session.RenderBoard();
  // The file is replaced only once the whole picture is written.
  QSaveFile out(QString::fromLocal8Bit(png));
  if (image.isNull() || !out.open(QIODevice::WriteOnly) || !image.save(&out, "PNG") || !out.commit()) {
    SYS_ErrorBoxF("Cannot write the file '%.200s': %.200s", png, out.errorString().toUtf8().constData());
    return CLI_FAILED;
  }
  std::printf("png=%s width=%d height=%d modules=%zu\n", png, image.width(), image.height(),
              session.ModuleCount());
  return CLI_OK;
}

}  // namespace

CLI_REGISTER("render", kUsage, RunRender);
