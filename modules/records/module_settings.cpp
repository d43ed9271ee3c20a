#include "modules/records/module_settings.h"

#include <cmath>
#include <utility>

namespace {

template <size_t... I>
constexpr bool PartIndicesMatchTypes(std::index_sequence<I...>) {
  return ((std::variant_alternative_t<I, MODULE_PART>::kType == I) && ...);
}
static_assert(std::variant_size_v<MODULE_PART> == MODULE_TYPE_COUNT);
static_assert(PartIndicesMatchTypes(std::make_index_sequence<MODULE_TYPE_COUNT>{}),
              "MODULE_PART alternatives must be listed in type-identifier order");

// Builds the empty part of `type` (alternative index = type).
template <size_t... I>
MODULE_PART EmptyPart(uint32_t type, std::index_sequence<I...>) {
  MODULE_PART part;
  ((type == I ? (void)part.template emplace<I>() : (void)0), ...);
  return part;
}

CalculationPtr U8Zero() { return CalculationPtr(LOGIC_NewConstantCalculation(TYPEID_U8)); }
FormulaPtr DefaultFormula() { return FormulaPtr(LOGIC_NewDefaultFormula()); }

// Fills the trees and lists a new module of the type starts with.
struct DefaultFiller {
  void operator()(PUSH_BUTTON_SETTINGS&) const {}
  void operator()(SLIDER_SETTINGS& s) const { s.Formula = DefaultFormula(); }
  void operator()(LABEL_SETTINGS&) const {}
  void operator()(DIGITAL_DISPLAY_SETTINGS& s) const { s.Calculation = U8Zero(); }
  void operator()(CHECK_BOX_SETTINGS&) const {}
  void operator()(RADIO_BUTTONS_SETTINGS& s) const {
    s.Buttons.resize(2);
    s.Buttons[0].Text = "Option 1";
    s.Buttons[1].Text = "Option 2";
  }
  void operator()(GRAPHER_SETTINGS&) const {}
  void operator()(LINEAR_GAUGE_SETTINGS& s) const { s.Calculation = U8Zero(); }
  void operator()(ANGULAR_GAUGE_SETTINGS& s) const { s.Calculation = U8Zero(); }
  void operator()(LED_SETTINGS& s) const { s.Formula = DefaultFormula(); }
  void operator()(IMAGE_SETTINGS&) const {}
  void operator()(TIMER_SETTINGS&) const {}
  void operator()(FRAME_BUFFER_SETTINGS&) const {}
  void operator()(TOGGLE_BUTTON_SETTINGS&) const {}
};

// HSL (hue 0..359, saturation and lightness 0..255) to a packed opaque colour.
uint32_t HslToRgba(int hue, int saturation, int lightness) {
  const double h = hue / 360.0;
  const double s = saturation / 255.0;
  const double l = lightness / 255.0;
  if (s == 0.0) {
    const auto v = static_cast<uint32_t>(std::lround(l * 255.0));
    return MODULE_Rgba(v, v, v);
  }
  const double q = l < 0.5 ? l * (1.0 + s) : l + s - l * s;
  const double p = 2.0 * l - q;
  auto channel = [&](double t) {
    if (t < 0.0) t += 1.0;
    if (t > 1.0) t -= 1.0;
    double c = p;
    if (t * 6.0 < 1.0) {
      c = p + (q - p) * 6.0 * t;
    } else if (t * 2.0 < 1.0) {
      c = q;
    } else if (t * 3.0 < 2.0) {
      c = p + (q - p) * (2.0 / 3.0 - t) * 6.0;
    }
    return static_cast<uint32_t>(std::lround(c * 255.0));
  };
  return MODULE_Rgba(channel(h + 1.0 / 3.0), channel(h), channel(h - 1.0 / 3.0));
}

}  // namespace

bool MODULE_SetDefaultPart(MODULE_SETTINGS& settings, uint32_t type) {
  if (type >= MODULE_TYPE_COUNT) return false;
  settings.Part = EmptyPart(type, std::make_index_sequence<MODULE_TYPE_COUNT>{});
  std::visit(DefaultFiller{}, settings.Part);
  return true;
}

std::optional<MODULE_SETTINGS> MODULE_DefaultSettings(uint32_t type) {
  MODULE_SETTINGS settings;
  if (!MODULE_SetDefaultPart(settings, type)) return std::nullopt;
  return settings;
}

void MODULE_ReleaseSettings(MODULE_SETTINGS& settings) {
  settings.Part = EmptyPart(settings.Type(), std::make_index_sequence<MODULE_TYPE_COUNT>{});
}

bool MODULE_SettingsEqual(const MODULE_SETTINGS& a, const MODULE_SETTINGS& b) { return a == b; }

MODULE_SETTINGS MODULE_CloneSettings(const MODULE_SETTINGS& settings) { return settings; }

uint32_t MODULE_GrapherChannelColor(uint32_t slot) {
  const int hue = static_cast<int>(((slot * 71u - 76u) & 255u) * 359u / 255u);
  return HslToRgba(hue, 255, 128);
}

GRAPHER_CHANNEL MODULE_NewGrapherChannel(uint32_t slot) {
  GRAPHER_CHANNEL channel;
  channel.ColorRGBA = MODULE_GrapherChannelColor(slot);
  return channel;
}
