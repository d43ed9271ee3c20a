#include "persist/project/project_modules.h"

#include <cmath>
#include <mutex>

#include "core/app_active_list.h"
#include "core/app_project.h"
#include "logic/logic_symbol_ids.h"
#include "modules/records/module_settings.h"
#include "persist/project/project_files.h"
#include "platform/sys_msgbox.h"

namespace {

std::mutex g_lock;
std::vector<MODULE_SETTINGS> g_modules;

// Board positions and sizes beyond this many cells are taken as "none" / "minimum".
constexpr int32_t kMaxCells = 100000;
// Frame buffers larger than this many pixels per side load with the default size.
constexpr int32_t kMaxFramePixels = 4096;

// ---- reading helpers --------------------------------------------------------------------

struct Reader {
  const XMLElement* e;
  PROJECT_TREE_READ& ctx;
  bool ok = true;

  int32_t Int(const char* name) {
    int32_t v = 0;
    if (!PROJECT_ReadInt(e, name, &v)) ok = false;
    return v;
  }
  int32_t IntIn(const char* name, int32_t lo, int32_t hi, int32_t fallback) {
    int32_t v = 0;
    if (!PROJECT_ReadIntIn(e, name, lo, hi, fallback, &v)) ok = false;
    return v;
  }
  uint8_t Flag(const char* name) {
    uint8_t v = 0;
    if (!PROJECT_ReadFlag(e, name, &v)) ok = false;
    return v;
  }
  double Real(const char* name) {
    double v = 0.0;
    if (!PROJECT_ReadReal(e, name, &v)) ok = false;
    return v;
  }
  uint32_t Color(const char* name) {
    uint32_t v = 0;
    if (!PROJECT_ReadDecAddress(e, name, &v)) ok = false;
    return v;
  }
  std::string Text(const char* name) {
    const char* t = e->Attribute(name);
    if (t == nullptr) {
      ok = false;
      return {};
    }
    std::string s(t);
    if (s.size() > MODULE_MAX_TEXT_CHARS) s.resize(MODULE_MAX_TEXT_CHARS);
    return s;
  }
  void Font(FONT_OPTION& f) {
    f.UseFixPointSize = Flag("UseFixPointSize");
    f.FixPointSize = IntIn("FixPointSize", 1, 1000, 16);
  }
  // Optional child `Symbol` with `Options` (`Name`, hex `Address`).
  SymbolIdPtr OptionalSymbol(const XMLElement* parent) {
    const XMLElement* s = parent->FirstChildElement("Symbol");
    const XMLElement* o = s != nullptr ? s->FirstChildElement("Options") : nullptr;
    return SymbolIdPtr(o != nullptr ? PROJECT_ReadSymbolId(o, true, ctx) : nullptr);
  }
  CalculationPtr Calculation() {
    return CalculationPtr(PROJECT_ReadCalculation(e->FirstChildElement("Calculation"), ctx));
  }
  FormulaPtr Formula() {
    return FormulaPtr(PROJECT_ReadFormula(e->FirstChildElement("Formula"), ctx));
  }
  // A required write calculation list.
  std::vector<WRITE_OPERATION> Writes(const char* name) {
    std::vector<WRITE_OPERATION> out;
    const XMLElement* list = e->FirstChildElement(name);
    if (list == nullptr) {
      ok = false;
      return out;
    }
    std::vector<PROJECT_WRITE_CALC> raw;
    if (!PROJECT_ReadWriteCalcs(list, raw, ctx)) ok = false;
    for (PROJECT_WRITE_CALC& w : raw) {
      WRITE_OPERATION op;
      op.Symbol.reset(w.pSymbol);
      op.Calculation.reset(w.pCalculation);
      op.Enabled = w.Enabled;
      out.push_back(std::move(op));
    }
    return out;
  }
  // The three colours and two borders of a gauge.
  void Indicators(GAUGE_INDICATORS& ind) {
    const XMLElement* colors = e->FirstChildElement("Colors");
    const XMLElement* c = colors != nullptr ? colors->FirstChildElement("Color") : nullptr;
    for (int i = 0; i < 3; ++i) {
      if (c == nullptr) {
        ok = false;
        return;
      }
      Reader r{c, ctx};
      ind.Colors[i] = r.Color("RGBA");
      if (i > 0) {
        const double border = r.Real("Border") / 100.0;
        ind.Borders[i - 1] = (border >= 0.0 && border <= 1.0) ? border : ind.Borders[i - 1];
      }
      ok = ok && r.ok;
      c = c->NextSiblingElement("Color");
    }
  }
  // A gauge's calculation; files of older versions name only a symbol instead.
  CalculationPtr GaugeCalculation() {
    if (e->FirstChildElement("Calculation") != nullptr) return Calculation();
    SymbolIdPtr id = OptionalSymbol(e);
    const ACTIVE_SYMBOL* s = id ? APP_FindActiveSymbol(id.get()) : nullptr;
    return CalculationPtr(s != nullptr ? LOGIC_NewSymbolCalculation(s) : nullptr);
  }
};

void ReadPart(Reader& r, PUSH_BUTTON_SETTINGS& p) {
  p.Text = r.Text("Text");
  p.ColorText = r.Color("ColorRGBAText");
  p.ColorBackground = r.Color("ColorRGBABackground");
  r.Font(p.Font);
  p.HoldRepeat = r.Flag("HoldRepeat");
  p.IntervalMS = r.IntIn("IntervalMS", 1, INT32_MAX, 100);
  // Files from before the button's alignment was kept have none: centred.
  if (r.e->Attribute("Alignment") != nullptr) p.Alignment = static_cast<uint32_t>(r.Int("Alignment"));
  p.Press = r.Writes("SymbolWriteCalculationsPress");
  p.Release = r.Writes("SymbolWriteCalculationsRelease");
}

void ReadPart(Reader& r, SLIDER_SETTINGS& p) {
  p.MinValue = r.Real("MinValue");
  p.MaxValue = r.Real("MaxValue");
  p.IsHorizontal = r.Flag("IsHorizontal");
  p.ColorRGBA = r.Color("ColorRGBA");
  p.Mode = r.IntIn("Mode", SLIDER_MODE_WRITE_ONLY, SLIDER_MODE_READ_WRITE, SLIDER_MODE_WRITE_ONLY);
  p.Symbol = r.OptionalSymbol(r.e);
  p.Formula = r.Formula();
}

void ReadPart(Reader& r, LABEL_SETTINGS& p) {
  p.Text = r.Text("Text");
  p.ColorTextRGBA = r.Color("ColorTextRGBA");
  p.ColorBackgroundRGBA = r.Color("ColorBackgroundRGBA");
  p.Alignment = r.Int("Alignment");
  r.Font(p.Font);
}

void ReadPart(Reader& r, DIGITAL_DISPLAY_SETTINGS& p) {
  p.NumberBase = r.Int("NumberBase");
  if (p.NumberBase != 2 && p.NumberBase != 8 && p.NumberBase != 10 && p.NumberBase != 16) {
    p.NumberBase = 10;
  }
  p.DigitCount = r.IntIn("DigitCount", 1, 64, 8);
  p.ColorTextRGBA = r.Color("ColorTextRGBA");
  p.ColorBackgroundRGBA = r.Color("ColorBackgroundRGBA");
  p.Calculation = r.Calculation();
}

void ReadPart(Reader& r, CHECK_BOX_SETTINGS& p) {
  p.Text = r.Text("Text");
  p.CheckedValue = r.Real("CheckedValue");
  p.UncheckedValue = r.Real("UncheckedValue");
  p.CheckedByDefault = r.Flag("CheckedByDefault");
  p.ForceValue = r.Flag("ForceValue");
  p.ColorTextRGBA = r.Color("ColorTextRGBA");
  p.ColorBackgroundRGBA = r.Color("ColorBackgroundRGBA");
  r.Font(p.Font);
  p.Symbol = r.OptionalSymbol(r.e);
}

void ReadPart(Reader& r, RADIO_BUTTONS_SETTINGS& p) {
  p.DefaultIndex = r.IntIn("DefaultIndex", 0, MODULE_MAX_RADIO_BUTTONS - 1, 0);
  p.ColorTextRGBA = r.Color("ColorTextRGBA");
  p.ColorBackgroundRGBA = r.Color("ColorBackgroundRGBA");
  r.Font(p.Font);
  p.Buttons.clear();  // the file's buttons replace the two of a new module
  for (const XMLElement* b = r.e->FirstChildElement("RadioButton");
       b != nullptr && p.Buttons.size() < MODULE_MAX_RADIO_BUTTONS;
       b = b->NextSiblingElement("RadioButton")) {
    const XMLElement* o = b->FirstChildElement("Option");
    if (o == nullptr) {
      r.ok = false;
      return;
    }
    Reader br{o, r.ctx};
    RADIO_BUTTON_ENTRY entry;
    entry.Text = br.Text("Text");
    entry.CheckedValue = br.Real("CheckedValue");
    entry.UncheckedValue = br.Real("UncheckedValue");
    entry.Symbol = br.OptionalSymbol(o);
    r.ok = r.ok && br.ok;
    p.Buttons.push_back(std::move(entry));
  }
}

void ReadPart(Reader& r, GRAPHER_SETTINGS& p) {
  p.BackgroundRGBA = r.Color("BackgroundRGBA");
  p.GridRGBA = r.Color("GridRGBA");
  p.AxisRGBA = r.Color("AxisRGBA");
  p.CursorRGBA = r.Color("CursorRGBA");
  p.Channels.clear();
  for (const XMLElement* s = r.e->FirstChildElement("Symbol");
       s != nullptr && p.Channels.size() < MODULE_MAX_GRAPHER_CHANNELS;
       s = s->NextSiblingElement("Symbol")) {
    const XMLElement* o = s->FirstChildElement("Options");
    if (o == nullptr) {
      r.ok = false;
      return;
    }
    Reader cr{o, r.ctx};
    GRAPHER_CHANNEL ch = MODULE_NewGrapherChannel(static_cast<uint32_t>(p.Channels.size()));
    ch.Symbol.reset(PROJECT_ReadSymbolId(o, true, r.ctx));
    if (!ch.Symbol) cr.ok = false;
    ch.ColorRGBA = cr.Color("ColorRGBA");
    ch.YOffset = cr.Real("YOffset");
    ch.YResolution = static_cast<uint32_t>(cr.IntIn("YResolution", 0, INT32_MAX, 1));
    ch.ManualYResMode = static_cast<uint8_t>(cr.IntIn("ManualYResMode", 0, 255, 0));
    ch.IsAutoConfig = cr.Flag("IsAutoConfig");
    int32_t style = 0;
    if (PROJECT_ReadIntIn(o, "DrawStyle", 0, INT32_MAX, 0, &style)) {
      ch.DrawStyle = static_cast<uint32_t>(style);
    }
    r.ok = r.ok && cr.ok;
    p.Channels.push_back(std::move(ch));
  }
}

void ReadPart(Reader& r, LINEAR_GAUGE_SETTINGS& p) {
  p.MinValue = r.Int("MinValue");
  p.MaxValue = r.Int("MaxValue");
  p.IsHorizontal = r.Flag("IsHorizontal");
  p.ColorPenRGBA = r.Color("ColorPenRGBA");
  p.ColorBackgroundRGBA = r.Color("ColorBackgroundRGBA");
  p.Blur = r.Flag("Blur");
  r.Indicators(p.Indicators);
  p.Calculation = r.GaugeCalculation();
}

void ReadPart(Reader& r, ANGULAR_GAUGE_SETTINGS& p) {
  p.MinValue = r.Int("MinValue");
  p.MaxValue = r.Int("MaxValue");
  p.Angle = r.Int("Angle");
  if (p.Angle != 90 && p.Angle != 180 && p.Angle != 270) p.Angle = 270;
  p.ColorPenRGBA = r.Color("ColorPenRGBA");
  p.ColorBackgroundRGBA = r.Color("ColorBackgroundRGBA");
  p.IsFilling = r.Flag("IsFilling");
  p.Blur = r.Flag("Blur");
  r.Indicators(p.Indicators);
  p.Calculation = r.GaugeCalculation();
}

void ReadPart(Reader& r, LED_SETTINGS& p) {
  p.Blinking = r.Flag("Blinking");
  p.MillisOff = r.IntIn("MillisOff", 1, INT32_MAX, 1000);
  p.MillisOn = r.IntIn("MillisOn", 1, INT32_MAX, 1000);
  p.ColorOnRGBA = r.Color("ColorOnRGBA");
  p.ColorOffRGBA = r.Color("ColorOffRGBA");
  p.Formula = r.Formula();
}

void ReadPart(Reader& r, IMAGE_SETTINGS& p) {
  const std::string stored = r.Text("Image");
  p.Image = PROJECT_InFolder(r.ctx.folder, stored.c_str());
  p.Alpha = r.IntIn("Alpha", 0, 255, 255);
  p.ScaleMode = r.IntIn("ScaleMode", IMAGE_SCALE_IGNORE_ASPECT, IMAGE_SCALE_KEEP_SHRINKING,
                        IMAGE_SCALE_KEEP_SHRINKING);
}

void ReadPart(Reader& r, TIMER_SETTINGS& p) {
  p.IntervalMS = r.IntIn("IntervalMS", 1, INT32_MAX, 1000);
  p.Animate = r.Flag("Animate");
  p.ColorRGBA = r.Color("ColorRGBA");
  p.Writes = r.Writes("SymbolWriteCalculations");
}

void ReadPart(Reader& r, FRAME_BUFFER_SETTINGS& p) {
  uint32_t address = 0;
  if (!PROJECT_ReadDecAddress(r.e, "Address", &address)) r.ok = false;
  p.Address = address;
  p.PxWidth = static_cast<uint32_t>(r.IntIn("PxWidth", 1, kMaxFramePixels, 96));
  p.PxHeight = static_cast<uint32_t>(r.IntIn("PxHeight", 1, kMaxFramePixels, 72));
  p.Encoding = static_cast<uint32_t>(r.IntIn("Encoding", 0, 13, 0));
}

void ReadPart(Reader& r, TOGGLE_BUTTON_SETTINGS& p) {
  p.ValueStateA = r.Real("ValueStateA");
  p.ValueStateB = r.Real("ValueStateB");
  p.LabelA = r.Text("LabelA");
  p.LabelB = r.Text("LabelB");
  p.TextColorARGBA = r.Color("TextColorARGBA");
  p.TextColorBRGBA = r.Color("TextColorBRGBA");
  p.BackgroundColorARGBA = r.Color("BackgroundColorARGBA");
  p.BackgroundColorBRGBA = r.Color("BackgroundColorBRGBA");
  p.DefaultState = r.IntIn("DefaultState", 0, 1, 0);
  p.IsVertical = r.Flag("IsVertical");
  p.Symbol = r.OptionalSymbol(r.e);
}

// ---- writing helpers ----------------------------------------------------------------------

void WriteColor(XMLElement* e, const char* name, uint32_t color) {
  PROJECT_WriteInt(e, name, static_cast<int32_t>(color));
}

void WriteFont(XMLElement* e, const FONT_OPTION& f) {
  PROJECT_WriteFlag(e, "UseFixPointSize", f.UseFixPointSize != 0);
  PROJECT_WriteInt(e, "FixPointSize", f.FixPointSize);
}

void WriteOptionalSymbol(XMLElement* e, const SymbolIdPtr& id) {
  if (!id) return;
  XMLElement* s = PROJECT_AddChild(e, "Symbol");
  PROJECT_WriteSymbolId(s, "Options", *id.get(), true);
}

void WriteWrites(XMLElement* e, const char* name, const std::vector<WRITE_OPERATION>& writes) {
  XMLElement* list = PROJECT_AddChild(e, name);
  std::vector<PROJECT_WRITE_CALC> raw;
  for (const WRITE_OPERATION& w : writes) {
    raw.push_back(PROJECT_WRITE_CALC{w.Enabled, w.Symbol.get(), w.Calculation.get()});
  }
  PROJECT_WriteWriteCalcs(list, raw.data(), static_cast<uint32_t>(raw.size()));
}

void WriteIndicators(XMLElement* e, const GAUGE_INDICATORS& ind) {
  XMLElement* colors = PROJECT_AddChild(e, "Colors");
  for (int i = 0; i < 3; ++i) {
    XMLElement* c = PROJECT_AddChild(colors, "Color");
    WriteColor(c, "RGBA", ind.Colors[i]);
    // Rounded, not truncated: 0.29 is 28.999... times 100 and must come back as 0.29.
    PROJECT_WriteInt(c, "Border", i == 0 ? 0 : std::lround(ind.Borders[i - 1] * 100.0));
  }
}

struct Writer {
  XMLElement* e;
  const std::string& folder;

  void operator()(const PUSH_BUTTON_SETTINGS& p) const {
    PROJECT_WriteText(e, "Text", p.Text.c_str());
    WriteColor(e, "ColorRGBAText", p.ColorText);
    WriteColor(e, "ColorRGBABackground", p.ColorBackground);
    WriteFont(e, p.Font);
    PROJECT_WriteFlag(e, "HoldRepeat", p.HoldRepeat != 0);
    PROJECT_WriteInt(e, "IntervalMS", p.IntervalMS);
    PROJECT_WriteInt(e, "Alignment", static_cast<int32_t>(p.Alignment));
    WriteWrites(e, "SymbolWriteCalculationsPress", p.Press);
    WriteWrites(e, "SymbolWriteCalculationsRelease", p.Release);
  }
  void operator()(const SLIDER_SETTINGS& p) const {
    PROJECT_WriteReal(e, "MinValue", p.MinValue);
    PROJECT_WriteReal(e, "MaxValue", p.MaxValue);
    PROJECT_WriteFlag(e, "IsHorizontal", p.IsHorizontal != 0);
    WriteColor(e, "ColorRGBA", p.ColorRGBA);
    PROJECT_WriteInt(e, "Mode", p.Mode);
    WriteOptionalSymbol(e, p.Symbol);
    PROJECT_WriteFormula(e, p.Formula.get());
  }
  void operator()(const LABEL_SETTINGS& p) const {
    PROJECT_WriteText(e, "Text", p.Text.c_str());
    WriteColor(e, "ColorTextRGBA", p.ColorTextRGBA);
    WriteColor(e, "ColorBackgroundRGBA", p.ColorBackgroundRGBA);
    PROJECT_WriteInt(e, "Alignment", p.Alignment);
    WriteFont(e, p.Font);
  }
  void operator()(const DIGITAL_DISPLAY_SETTINGS& p) const {
    PROJECT_WriteInt(e, "NumberBase", p.NumberBase);
    PROJECT_WriteInt(e, "DigitCount", p.DigitCount);
    WriteColor(e, "ColorTextRGBA", p.ColorTextRGBA);
    WriteColor(e, "ColorBackgroundRGBA", p.ColorBackgroundRGBA);
    PROJECT_WriteCalculation(e, p.Calculation.get());
  }
  void operator()(const CHECK_BOX_SETTINGS& p) const {
    PROJECT_WriteText(e, "Text", p.Text.c_str());
    PROJECT_WriteReal(e, "CheckedValue", p.CheckedValue);
    PROJECT_WriteReal(e, "UncheckedValue", p.UncheckedValue);
    PROJECT_WriteFlag(e, "CheckedByDefault", p.CheckedByDefault != 0);
    PROJECT_WriteFlag(e, "ForceValue", p.ForceValue != 0);
    WriteColor(e, "ColorTextRGBA", p.ColorTextRGBA);
    WriteColor(e, "ColorBackgroundRGBA", p.ColorBackgroundRGBA);
    WriteFont(e, p.Font);
    WriteOptionalSymbol(e, p.Symbol);
  }
  void operator()(const RADIO_BUTTONS_SETTINGS& p) const {
    PROJECT_WriteInt(e, "DefaultIndex", p.DefaultIndex);
    WriteColor(e, "ColorTextRGBA", p.ColorTextRGBA);
    WriteColor(e, "ColorBackgroundRGBA", p.ColorBackgroundRGBA);
    WriteFont(e, p.Font);
    for (size_t i = 0; i < p.Buttons.size() && i < MODULE_MAX_RADIO_BUTTONS; ++i) {
      const RADIO_BUTTON_ENTRY& b = p.Buttons[i];
      XMLElement* o = PROJECT_AddChild(PROJECT_AddChild(e, "RadioButton"), "Option");
      PROJECT_WriteText(o, "Text", b.Text.c_str());
      PROJECT_WriteReal(o, "CheckedValue", b.CheckedValue);
      PROJECT_WriteReal(o, "UncheckedValue", b.UncheckedValue);
      WriteOptionalSymbol(o, b.Symbol);
    }
  }
  void operator()(const GRAPHER_SETTINGS& p) const {
    WriteColor(e, "BackgroundRGBA", p.BackgroundRGBA);
    WriteColor(e, "GridRGBA", p.GridRGBA);
    WriteColor(e, "AxisRGBA", p.AxisRGBA);
    WriteColor(e, "CursorRGBA", p.CursorRGBA);
    for (size_t i = 0; i < p.Channels.size() && i < MODULE_MAX_GRAPHER_CHANNELS; ++i) {
      const GRAPHER_CHANNEL& ch = p.Channels[i];
      if (!ch.Symbol) continue;  // a channel without symbol cannot be read back
      XMLElement* o = PROJECT_AddChild(PROJECT_AddChild(e, "Symbol"), "Options");
      PROJECT_WriteText(o, "Name", ch.Symbol->Name);
      PROJECT_WriteHexAddress(o, "Address", ch.Symbol->Address);
      WriteColor(o, "ColorRGBA", ch.ColorRGBA);
      PROJECT_WriteReal(o, "YOffset", ch.YOffset);  // a real, so that fractions survive
      PROJECT_WriteInt(o, "YResolution", ch.YResolution);
      PROJECT_WriteInt(o, "ManualYResMode", ch.ManualYResMode);
      PROJECT_WriteFlag(o, "IsAutoConfig", ch.IsAutoConfig != 0);
      PROJECT_WriteInt(o, "DrawStyle", ch.DrawStyle);
    }
  }
  void operator()(const LINEAR_GAUGE_SETTINGS& p) const {
    PROJECT_WriteInt(e, "MinValue", p.MinValue);
    PROJECT_WriteInt(e, "MaxValue", p.MaxValue);
    PROJECT_WriteFlag(e, "IsHorizontal", p.IsHorizontal != 0);
    WriteColor(e, "ColorPenRGBA", p.ColorPenRGBA);
    WriteColor(e, "ColorBackgroundRGBA", p.ColorBackgroundRGBA);
    PROJECT_WriteFlag(e, "Blur", p.Blur != 0);
    WriteIndicators(e, p.Indicators);
    PROJECT_WriteCalculation(e, p.Calculation.get());
  }
  void operator()(const ANGULAR_GAUGE_SETTINGS& p) const {
    PROJECT_WriteInt(e, "MinValue", p.MinValue);
    PROJECT_WriteInt(e, "MaxValue", p.MaxValue);
    PROJECT_WriteInt(e, "Angle", p.Angle);
    WriteColor(e, "ColorPenRGBA", p.ColorPenRGBA);
    WriteColor(e, "ColorBackgroundRGBA", p.ColorBackgroundRGBA);
    PROJECT_WriteFlag(e, "IsFilling", p.IsFilling != 0);
    PROJECT_WriteFlag(e, "Blur", p.Blur != 0);
    WriteIndicators(e, p.Indicators);
    PROJECT_WriteCalculation(e, p.Calculation.get());
  }
  void operator()(const LED_SETTINGS& p) const {
    PROJECT_WriteFlag(e, "Blinking", p.Blinking != 0);
    PROJECT_WriteInt(e, "MillisOff", p.MillisOff);
    PROJECT_WriteInt(e, "MillisOn", p.MillisOn);
    WriteColor(e, "ColorOnRGBA", p.ColorOnRGBA);
    WriteColor(e, "ColorOffRGBA", p.ColorOffRGBA);
    PROJECT_WriteFormula(e, p.Formula.get());
  }
  void operator()(const IMAGE_SETTINGS& p) const {
    PROJECT_WriteText(e, "Image", PROJECT_GatherFile(p.Image.c_str(), folder).c_str());
    PROJECT_WriteInt(e, "Alpha", p.Alpha);
    PROJECT_WriteInt(e, "ScaleMode", p.ScaleMode);
  }
  void operator()(const TIMER_SETTINGS& p) const {
    PROJECT_WriteInt(e, "IntervalMS", p.IntervalMS);
    PROJECT_WriteFlag(e, "Animate", p.Animate != 0);
    WriteColor(e, "ColorRGBA", p.ColorRGBA);
    WriteWrites(e, "SymbolWriteCalculations", p.Writes);
  }
  void operator()(const FRAME_BUFFER_SETTINGS& p) const {
    PROJECT_WriteDecAddress(e, "Address", p.Address);
    PROJECT_WriteInt(e, "PxWidth", p.PxWidth);
    PROJECT_WriteInt(e, "PxHeight", p.PxHeight);
    PROJECT_WriteInt(e, "Encoding", p.Encoding);
  }
  void operator()(const TOGGLE_BUTTON_SETTINGS& p) const {
    PROJECT_WriteReal(e, "ValueStateA", p.ValueStateA);
    PROJECT_WriteReal(e, "ValueStateB", p.ValueStateB);
    PROJECT_WriteText(e, "LabelA", p.LabelA.c_str());
    PROJECT_WriteText(e, "LabelB", p.LabelB.c_str());
    WriteColor(e, "TextColorARGBA", p.TextColorARGBA);
    WriteColor(e, "TextColorBRGBA", p.TextColorBRGBA);
    WriteColor(e, "BackgroundColorARGBA", p.BackgroundColorARGBA);
    WriteColor(e, "BackgroundColorBRGBA", p.BackgroundColorBRGBA);
    PROJECT_WriteInt(e, "DefaultState", p.DefaultState);
    PROJECT_WriteFlag(e, "IsVertical", p.IsVertical != 0);
    WriteOptionalSymbol(e, p.Symbol);
  }
};

// ---- trees of a record ----------------------------------------------------------------------

// Calls the three functors for every symbol identity, calculation and formula of the part.
template <typename OnId, typename OnCalc, typename OnFormula>
void ForEachTree(MODULE_SETTINGS& m, OnId on_id, OnCalc on_calc, OnFormula on_formula) {
  auto writes = [&](std::vector<WRITE_OPERATION>& list) {
    for (WRITE_OPERATION& w : list) {
      on_id(w.Symbol);
      on_calc(w.Calculation);
    }
  };
  if (auto* p = m.As<PUSH_BUTTON_SETTINGS>()) {
    writes(p->Press);
    writes(p->Release);
  } else if (auto* p = m.As<SLIDER_SETTINGS>()) {
    on_id(p->Symbol);
    on_formula(p->Formula);
  } else if (auto* p = m.As<DIGITAL_DISPLAY_SETTINGS>()) {
    on_calc(p->Calculation);
  } else if (auto* p = m.As<CHECK_BOX_SETTINGS>()) {
    on_id(p->Symbol);
  } else if (auto* p = m.As<RADIO_BUTTONS_SETTINGS>()) {
    for (RADIO_BUTTON_ENTRY& b : p->Buttons) on_id(b.Symbol);
  } else if (auto* p = m.As<GRAPHER_SETTINGS>()) {
    for (GRAPHER_CHANNEL& c : p->Channels) on_id(c.Symbol);
  } else if (auto* p = m.As<LINEAR_GAUGE_SETTINGS>()) {
    on_calc(p->Calculation);
  } else if (auto* p = m.As<ANGULAR_GAUGE_SETTINGS>()) {
    on_calc(p->Calculation);
  } else if (auto* p = m.As<LED_SETTINGS>()) {
    on_formula(p->Formula);
  } else if (auto* p = m.As<TIMER_SETTINGS>()) {
    writes(p->Writes);
  } else if (auto* p = m.As<TOGGLE_BUTTON_SETTINGS>()) {
    on_id(p->Symbol);
  }
}

}  // namespace

std::vector<MODULE_SETTINGS> PROJECT_GetModules() {
  std::lock_guard<std::mutex> g(g_lock);
  return g_modules;
}

void PROJECT_SetModules(const std::vector<MODULE_SETTINGS>& modules) {
  std::vector<MODULE_SETTINGS> copy = modules;
  bool changed = false;
  {
    std::lock_guard<std::mutex> g(g_lock);
    changed = copy != g_modules;
    g_modules.swap(copy);
  }
  if (changed) APP_MarkModified();
}

void PROJECT_AdoptModules(std::vector<MODULE_SETTINGS>&& modules) {
  std::vector<MODULE_SETTINGS> old;
  std::lock_guard<std::mutex> g(g_lock);
  old.swap(g_modules);
  g_modules = std::move(modules);
}

uint32_t PROJECT_GetModuleCount() {
  std::lock_guard<std::mutex> g(g_lock);
  return static_cast<uint32_t>(g_modules.size());
}

void PROJECT_ClearModules() {
  std::vector<MODULE_SETTINGS> old;
  std::lock_guard<std::mutex> g(g_lock);
  old.swap(g_modules);
}

void PROJECT_ForEachModuleSymbolId(void (*visit)(SYMBOL_ID& id, void* user), void* user) {
  std::lock_guard<std::mutex> g(g_lock);
  for (MODULE_SETTINGS& m : g_modules) {
    ForEachTree(
        m, [&](SymbolIdPtr& id) { if (id) visit(*id.get(), user); },
        [&](CalculationPtr& c) { LOGIC_ForEachCalculationSymbolId(c.get(), visit, user); },
        [&](FormulaPtr& f) { LOGIC_ForEachFormulaSymbolId(f.get(), visit, user); });
  }
}

bool PROJECT_ModulesFit(const std::vector<MODULE_SETTINGS>& modules) {
  bool fits = true;
  for (const MODULE_SETTINGS& cm : modules) {
    auto& m = const_cast<MODULE_SETTINGS&>(cm);  // walked read-only
    ForEachTree(
        m, [](SymbolIdPtr&) {},
        [&](CalculationPtr& c) { fits = fits && PROJECT_CalculationFits(c.get()); },
        [&](FormulaPtr& f) { fits = fits && PROJECT_FormulaFits(f.get()); });
  }
  return fits;
}

bool PROJECT_ReadModules(const XMLElement* created, std::vector<MODULE_SETTINGS>& out,
                         PROJECT_TREE_READ& ctx) {
  if (created == nullptr) return true;
  for (const XMLElement* m = created->FirstChildElement("Module"); m != nullptr;
       m = m->NextSiblingElement("Module")) {
    const XMLElement* o = m->FirstChildElement("Options");
    if (o == nullptr) continue;  // nothing to place: skipped
    Reader r{o, ctx};
    MODULE_SETTINGS s;
    const int32_t type = r.Int("ModuleType");
    if (!r.ok || type < 0 || type >= static_cast<int32_t>(MODULE_TYPE_COUNT)) return false;
    MODULE_SetDefaultPart(s, static_cast<uint32_t>(type));
    s.X = r.IntIn("X", -1, kMaxCells, -1);
    s.Y = r.IntIn("Y", -1, kMaxCells, -1);
    s.Width = r.IntIn("Width", 0, kMaxCells, 0);
    s.Height = r.IntIn("Height", 0, kMaxCells, 0);
    s.Layer = static_cast<uint32_t>(r.IntIn("Layer", 0, MODULE_LAYER_COUNT - 1, 0));
    std::visit([&](auto& part) { ReadPart(r, part); }, s.Part);
    if (!r.ok || ctx.failed) return false;
    out.push_back(std::move(s));
  }
  return true;
}

void PROJECT_WriteModules(XMLElement* created, const std::vector<MODULE_SETTINGS>& modules,
                          const std::string& project_folder) {
  for (const MODULE_SETTINGS& m : modules) {
    XMLElement* o = PROJECT_AddChild(PROJECT_AddChild(created, "Module"), "Options");
    PROJECT_WriteInt(o, "X", m.X);
    PROJECT_WriteInt(o, "Y", m.Y);
    PROJECT_WriteInt(o, "Width", m.Width);
    PROJECT_WriteInt(o, "Height", m.Height);
    PROJECT_WriteInt(o, "ModuleType", m.Type());
    PROJECT_WriteInt(o, "Layer", m.Layer);
    std::visit(Writer{o, project_folder}, m.Part);
  }
}
