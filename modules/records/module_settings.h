// MODULE_SETTINGS: the complete configuration of one board module of any type, as a plain
// value. It is what a module gives and takes (GetSettings / SetSettings), what a settings
// dialog edits, what the timeline keeps before and after each change, what the clipboard holds
// and what the project file reads and writes. No Qt: the project file and vistro-cli use it
// headless.
//
// Value semantics (read this before storing one):
//  - Copying a record deep-copies every tree and symbol identity it holds (OwnedTree), so the
//    copy and the original never share memory. MODULE_CloneSettings is that copy, spelt out.
//  - Destroying a record frees what it owns; MODULE_ReleaseSettings frees the per-type part
//    early and leaves the defaults of its type.
//  - operator== / MODULE_SettingsEqual compare header and per-type part, trees structurally.
//
// Header: X, Y (cells; negative = no position), Width, Height (cells; below 1 = the type's
// minimum), Layer (0..15). The type is not a separate field that could disagree with the part:
// it is the index of the part's alternative (Type()), numbered as MODULE_TYPE_* below.
//
// Colours are packed 0xAARRGGBB (MODULE_Rgba), the same packing as the toolkit's 32-bit colour
// value, so a GUI converts with QColor::fromRgba / QColor::rgba and the project file writes the
// number as a signed int.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "modules/records/owned_tree.h"

// ---- Type identifiers ----------------------------------------------------------------------

enum : uint32_t {
  MODULE_TYPE_PUSH_BUTTON = 0,
  MODULE_TYPE_SLIDER = 1,
  MODULE_TYPE_LABEL = 2,
  MODULE_TYPE_DIGITAL_DISPLAY = 3,
  MODULE_TYPE_CHECK_BOX = 4,
  MODULE_TYPE_RADIO_BUTTONS = 5,
  MODULE_TYPE_GRAPHER = 6,
  MODULE_TYPE_LINEAR_GAUGE = 7,
  MODULE_TYPE_ANGULAR_GAUGE = 8,
  MODULE_TYPE_LED = 9,
  MODULE_TYPE_IMAGE = 10,
  MODULE_TYPE_TIMER = 11,
  MODULE_TYPE_FRAME_BUFFER = 12,
  MODULE_TYPE_TOGGLE_BUTTON = 13,
  MODULE_TYPE_COUNT = 14,
};

constexpr uint32_t MODULE_LAYER_COUNT = 16;

// ---- Colours -------------------------------------------------------------------------------

constexpr uint32_t MODULE_Rgba(uint32_t r, uint32_t g, uint32_t b, uint32_t a = 255) {
  return ((a & 0xFFu) << 24) | ((r & 0xFFu) << 16) | ((g & 0xFFu) << 8) | (b & 0xFFu);
}
constexpr uint32_t MODULE_Red(uint32_t c) { return (c >> 16) & 0xFFu; }
constexpr uint32_t MODULE_Green(uint32_t c) { return (c >> 8) & 0xFFu; }
constexpr uint32_t MODULE_Blue(uint32_t c) { return c & 0xFFu; }
constexpr uint32_t MODULE_Alpha(uint32_t c) { return (c >> 24) & 0xFFu; }

constexpr uint32_t MODULE_COLOR_BLACK = MODULE_Rgba(0, 0, 0);
constexpr uint32_t MODULE_COLOR_WHITE = MODULE_Rgba(255, 255, 255);
constexpr uint32_t MODULE_COLOR_GRAY = MODULE_Rgba(160, 160, 164);  // the toolkit's "gray"
// The faint background of displays and gauges.
constexpr uint32_t MODULE_COLOR_FAINT = MODULE_Rgba(228, 228, 228, 16);

// Text alignment codes (the toolkit's alignment flags): horizontal 0x01 left, 0x02 right,
// 0x04 centre; vertical 0x20 top, 0x40 bottom, 0x80 centre.
constexpr uint32_t MODULE_ALIGN_CENTER = 0x84;

// Limits of the lists inside the per-type parts.
constexpr size_t MODULE_MAX_WRITE_OPERATIONS = 16;
constexpr size_t MODULE_MAX_RADIO_BUTTONS = 8;
constexpr size_t MODULE_MAX_GRAPHER_CHANNELS = 8;
constexpr size_t MODULE_MAX_TEXT_CHARS = 256;  // label and button texts

// ---- Shared pieces -------------------------------------------------------------------------

// One write: the calculation's result goes to the symbol, when enabled.
struct WRITE_OPERATION {
  SymbolIdPtr Symbol;
  CalculationPtr Calculation;
  uint8_t Enabled = 1;
  bool operator==(const WRITE_OPERATION&) const = default;
};

// Fixed point size option of text modules: off = the text is fitted to the module.
struct FONT_OPTION {
  uint8_t UseFixPointSize = 0;
  int32_t FixPointSize = 16;
  bool operator==(const FONT_OPTION&) const = default;
};

// Three indicator zones of a gauge and the two borders between them (fractions of the range).
struct GAUGE_INDICATORS {
  uint32_t Colors[3] = {MODULE_Rgba(0, 0, 255), MODULE_Rgba(127, 127, 255),
                        MODULE_Rgba(255, 255, 255)};
  double Borders[2] = {1.0 / 3.0, 2.0 / 3.0};
  bool operator==(const GAUGE_INDICATORS&) const = default;
};

// ---- Per-type parts (each names its type identifier as kType) ------------------------------

struct PUSH_BUTTON_SETTINGS {
  static constexpr uint32_t kType = MODULE_TYPE_PUSH_BUTTON;
  std::string Text = "Press";
  uint32_t ColorText = MODULE_COLOR_BLACK;        // ColorRGBAText
  uint32_t ColorBackground = MODULE_COLOR_GRAY;   // ColorRGBABackground
  uint32_t Alignment = MODULE_ALIGN_CENTER;
  FONT_OPTION Font;
  uint8_t HoldRepeat = 0;
  int32_t IntervalMS = 100;
  std::vector<WRITE_OPERATION> Press;    // SymbolWriteCalculationsPress, at most 16
  std::vector<WRITE_OPERATION> Release;  // SymbolWriteCalculationsRelease, at most 16
  bool operator==(const PUSH_BUTTON_SETTINGS&) const = default;
};

constexpr int32_t SLIDER_MODE_WRITE_ONLY = 0;
constexpr int32_t SLIDER_MODE_READ_ONLY = 1;
constexpr int32_t SLIDER_MODE_READ_WRITE = 2;

struct SLIDER_SETTINGS {
  static constexpr uint32_t kType = MODULE_TYPE_SLIDER;
  SymbolIdPtr Symbol;
  double MinValue = 0.0;
  double MaxValue = 1.0;
  uint8_t IsHorizontal = 0;
  uint32_t ColorRGBA = MODULE_COLOR_GRAY;  // handle colour
  int32_t Mode = SLIDER_MODE_WRITE_ONLY;
  FormulaPtr Formula;  // "Read if", used in Read / Write mode; a new slider has the default
  bool operator==(const SLIDER_SETTINGS&) const = default;
};

struct LABEL_SETTINGS {
  static constexpr uint32_t kType = MODULE_TYPE_LABEL;
  std::string Text = "Label";  // at most 256 characters
  uint32_t ColorTextRGBA = MODULE_COLOR_BLACK;
  uint32_t ColorBackgroundRGBA = MODULE_COLOR_FAINT;
  int32_t Alignment = MODULE_ALIGN_CENTER;
  FONT_OPTION Font;
  bool operator==(const LABEL_SETTINGS&) const = default;
};

struct DIGITAL_DISPLAY_SETTINGS {
  static constexpr uint32_t kType = MODULE_TYPE_DIGITAL_DISPLAY;
  CalculationPtr Calculation;  // "Display"; a new display shows a U8 constant 0
  int32_t NumberBase = 10;     // 2, 8, 10 or 16
  int32_t DigitCount = 8;
  uint32_t ColorTextRGBA = MODULE_COLOR_BLACK;
  uint32_t ColorBackgroundRGBA = MODULE_COLOR_FAINT;
  bool operator==(const DIGITAL_DISPLAY_SETTINGS&) const = default;
};

struct CHECK_BOX_SETTINGS {
  static constexpr uint32_t kType = MODULE_TYPE_CHECK_BOX;
  SymbolIdPtr Symbol;
  std::string Text = "Checkbox";
  double CheckedValue = 1.0;
  double UncheckedValue = 0.0;
  uint8_t CheckedByDefault = 0;
  uint8_t ForceValue = 0;
  uint32_t ColorTextRGBA = MODULE_COLOR_BLACK;
  uint32_t ColorBackgroundRGBA = MODULE_COLOR_FAINT;
  FONT_OPTION Font;
  bool operator==(const CHECK_BOX_SETTINGS&) const = default;
};

struct RADIO_BUTTON_ENTRY {
  SymbolIdPtr Symbol;
  std::string Text;
  double CheckedValue = 1.0;
  double UncheckedValue = 0.0;
  bool operator==(const RADIO_BUTTON_ENTRY&) const = default;
};

struct RADIO_BUTTONS_SETTINGS {
  static constexpr uint32_t kType = MODULE_TYPE_RADIO_BUTTONS;
  std::vector<RADIO_BUTTON_ENTRY> Buttons;  // at most 8; a new module has "Option 1", "Option 2"
  int32_t DefaultIndex = 0;
  uint32_t ColorTextRGBA = MODULE_COLOR_BLACK;
  uint32_t ColorBackgroundRGBA = MODULE_COLOR_FAINT;
  FONT_OPTION Font;
  bool operator==(const RADIO_BUTTONS_SETTINGS&) const = default;
};

struct GRAPHER_CHANNEL {
  SymbolIdPtr Symbol;
  uint32_t DrawStyle = 0;  // 0 lines, other values points
  double YOffset = 0.0;    // zero level in divisions above the centre line
  uint32_t YResolution = 1;
  uint8_t ManualYResMode = 0;
  uint8_t IsAutoConfig = 0;
  uint32_t ColorRGBA = MODULE_COLOR_BLACK;
  bool operator==(const GRAPHER_CHANNEL&) const = default;
};

struct GRAPHER_SETTINGS {
  static constexpr uint32_t kType = MODULE_TYPE_GRAPHER;
  uint32_t BackgroundRGBA = MODULE_Rgba(228, 228, 228, 128);
  uint32_t GridRGBA = MODULE_Rgba(192, 192, 192, 255);
  uint32_t AxisRGBA = MODULE_Rgba(0, 0, 0, 255);
  uint32_t CursorRGBA = MODULE_Rgba(0, 0, 255, 255);
  std::vector<GRAPHER_CHANNEL> Channels;  // filled from the first slot, at most 8
  bool operator==(const GRAPHER_SETTINGS&) const = default;
};

struct LINEAR_GAUGE_SETTINGS {
  static constexpr uint32_t kType = MODULE_TYPE_LINEAR_GAUGE;
  CalculationPtr Calculation;  // "Display"; a new gauge shows a U8 constant 0
  int32_t MinValue = 0;
  int32_t MaxValue = 100;
  uint8_t IsHorizontal = 0;
  GAUGE_INDICATORS Indicators;
  uint32_t ColorPenRGBA = MODULE_COLOR_BLACK;
  uint32_t ColorBackgroundRGBA = MODULE_COLOR_FAINT;
  uint8_t Blur = 0;
  bool operator==(const LINEAR_GAUGE_SETTINGS&) const = default;
};

struct ANGULAR_GAUGE_SETTINGS {
  static constexpr uint32_t kType = MODULE_TYPE_ANGULAR_GAUGE;
  CalculationPtr Calculation;  // "Display"; a new gauge shows a U8 constant 0
  int32_t MinValue = 0;
  int32_t MaxValue = 100;
  int32_t Angle = 270;  // 90, 180 or 270 degrees
  GAUGE_INDICATORS Indicators;
  uint32_t ColorPenRGBA = MODULE_COLOR_BLACK;
  uint32_t ColorBackgroundRGBA = MODULE_COLOR_FAINT;
  uint8_t IsFilling = 0;
  uint8_t Blur = 0;
  bool operator==(const ANGULAR_GAUGE_SETTINGS&) const = default;
};

struct LED_SETTINGS {
  static constexpr uint32_t kType = MODULE_TYPE_LED;
  FormulaPtr Formula;  // "Light up if"; a new LED has the default formula (always false)
  uint32_t ColorOnRGBA = MODULE_Rgba(96, 128, 255);
  uint32_t ColorOffRGBA = MODULE_COLOR_WHITE;
  uint8_t Blinking = 0;
  int32_t MillisOn = 1000;
  int32_t MillisOff = 1000;
  bool operator==(const LED_SETTINGS&) const = default;
};

constexpr int32_t IMAGE_SCALE_IGNORE_ASPECT = 0;
constexpr int32_t IMAGE_SCALE_KEEP_EXPANDING = 1;
constexpr int32_t IMAGE_SCALE_KEEP_SHRINKING = 2;

struct IMAGE_SETTINGS {
  static constexpr uint32_t kType = MODULE_TYPE_IMAGE;
  std::string Image;  // file name; empty shows "none"
  int32_t Alpha = 255;  // opacity 0..255
  int32_t ScaleMode = IMAGE_SCALE_KEEP_SHRINKING;
  bool operator==(const IMAGE_SETTINGS&) const = default;
};

struct TIMER_SETTINGS {
  static constexpr uint32_t kType = MODULE_TYPE_TIMER;
  std::vector<WRITE_OPERATION> Writes;  // SymbolWriteCalculations, at most 16
  int32_t IntervalMS = 1000;
  uint8_t Animate = 0;
  uint32_t ColorRGBA = MODULE_Rgba(64, 160, 64);
  bool operator==(const TIMER_SETTINGS&) const = default;
};

struct FRAME_BUFFER_SETTINGS {
  static constexpr uint32_t kType = MODULE_TYPE_FRAME_BUFFER;
  uint32_t Address = 0;  // 0 = no address
  uint32_t PxWidth = 96;  // never 0 (0 is stored as 1)
  uint32_t PxHeight = 72;
  uint32_t Encoding = 0;  // 0..13
  bool operator==(const FRAME_BUFFER_SETTINGS&) const = default;
};

struct TOGGLE_BUTTON_SETTINGS {
  static constexpr uint32_t kType = MODULE_TYPE_TOGGLE_BUTTON;
  SymbolIdPtr Symbol;
  double ValueStateA = 0.0;
  double ValueStateB = 1.0;
  std::string LabelA = "Off";
  std::string LabelB = "On";
  uint32_t TextColorARGBA = MODULE_COLOR_BLACK;
  uint32_t TextColorBRGBA = MODULE_COLOR_BLACK;
  uint32_t BackgroundColorARGBA = MODULE_COLOR_GRAY;
  uint32_t BackgroundColorBRGBA = MODULE_Rgba(64, 192, 64);
  int32_t DefaultState = 0;  // 0 first state, 1 second state
  uint8_t IsVertical = 0;
  bool operator==(const TOGGLE_BUTTON_SETTINGS&) const = default;
};

// Alternative index == type identifier (checked in module_settings.cpp).
using MODULE_PART =
    std::variant<PUSH_BUTTON_SETTINGS, SLIDER_SETTINGS, LABEL_SETTINGS, DIGITAL_DISPLAY_SETTINGS,
                 CHECK_BOX_SETTINGS, RADIO_BUTTONS_SETTINGS, GRAPHER_SETTINGS,
                 LINEAR_GAUGE_SETTINGS, ANGULAR_GAUGE_SETTINGS, LED_SETTINGS, IMAGE_SETTINGS,
                 TIMER_SETTINGS, FRAME_BUFFER_SETTINGS, TOGGLE_BUTTON_SETTINGS>;

// ---- The record ----------------------------------------------------------------------------

struct MODULE_SETTINGS {
  int32_t X = -1;
  int32_t Y = -1;
  int32_t Width = 0;
  int32_t Height = 0;
  uint32_t Layer = 0;
  // The raw part holds no defaults of trees (a default-constructed part has null trees); use
  // MODULE_DefaultSettings for a record as a new module of the type would have it.
  MODULE_PART Part;

  uint32_t Type() const { return static_cast<uint32_t>(Part.index()); }

  // The part as T, or null when the record is of another type.
  template <typename T>
  T* As() {
    return std::get_if<T>(&Part);
  }
  template <typename T>
  const T* As() const {
    return std::get_if<T>(&Part);
  }

  bool operator==(const MODULE_SETTINGS&) const = default;
};

// A record of the type as a new module starts: no position, size 0 (the type's minimum),
// layer 0, the type's default part (default calculations and formulas included). nullopt for
// a type of 14 or above.
std::optional<MODULE_SETTINGS> MODULE_DefaultSettings(uint32_t type);

// The default part alone, put into `settings` (header untouched). False for a bad type.
bool MODULE_SetDefaultPart(MODULE_SETTINGS& settings, uint32_t type);

// Frees what the per-type part owns and leaves the empty part of the same type (null trees,
// empty lists); the header stays.
void MODULE_ReleaseSettings(MODULE_SETTINGS& settings);
bool MODULE_SettingsEqual(const MODULE_SETTINGS& a, const MODULE_SETTINGS& b);
// A deep copy (the same as copying the value).
MODULE_SETTINGS MODULE_CloneSettings(const MODULE_SETTINGS& settings);

// Default channel colour of grapher slot 0..7: hue ((slot x 71 - 76) AND 255) x 359 / 255,
// saturation 255, lightness 128, opaque.
uint32_t MODULE_GrapherChannelColor(uint32_t slot);
// A new channel record for the slot (defaults, no symbol).
GRAPHER_CHANNEL MODULE_NewGrapherChannel(uint32_t slot);
