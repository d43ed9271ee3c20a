// The tool bar's icons, drawn at run time (the program ships no image files for them).
#pragma once

#include <QIcon>

enum class ShellIcon {
  kRun,        // switch to Run
  kEdit,       // switch back to Edit
  kDownload,   // program the target, then run
  kRunOptions,
  kPreview,
  kZoomIn,
  kZoomOut,
  kClear,
  kUndo,
  kRedo,
  kLayerUp,
  kLayerDown,
  kInput,
};

QIcon SHELL_Icon(ShellIcon icon);
