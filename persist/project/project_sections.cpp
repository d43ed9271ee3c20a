#include "persist/project/project_sections.h"

#include <cstring>
#include <utility>

#include "core/app_jobs.h"
#include "logic/logic_eval.h"
#include "platform/sys_text.h"
#include "symbols/dwarf_db.h"
#include "scripting/script_record.h"

namespace {

// Symbols larger than this are no scalar the program could sample or write.
constexpr uint32_t kMaxSymbolSize = 65536;
constexpr uint32_t kMaxTextChars = 128;  // device name and host, terminator included

bool InterfaceFromName(const char* name, uint32_t* tif) {
  if (std::strcmp(name, "JTAG") == 0) *tif = PROBE_TIF_JTAG;
  else if (std::strcmp(name, "SWD") == 0) *tif = PROBE_TIF_SWD;
  else if (std::strcmp(name, "FINE") == 0) *tif = PROBE_TIF_FINE;
  else return false;
  return true;
}

// Width in bits of the integer types (0 for the others).
uint32_t IntegerBits(uint32_t type) {
  switch (type) {
    case TYPEID_U8: case TYPEID_I8: return 8;
    case TYPEID_U16: case TYPEID_I16: return 16;
    case TYPEID_U32: case TYPEID_I32: return 32;
    case TYPEID_U64: case TYPEID_I64: return 64;
    default: return 0;
  }
}

void ClearPad(GAMEPAD_MAPPING& pad) { GAMEPAD_Clear(pad); }

// Reads one button variable; false when an attribute is missing.
bool ReadButton(const XMLElement* v, GAMEPAD_INPUT& in, PROJECT_TREE_READ& ctx) {
  int32_t press = 0;
  int32_t release = 0;
  if (!PROJECT_ReadInt(v, "PressOperation", &press) ||
      !PROJECT_ReadReal(v, "PressOperationValue", &in.PressValue) ||
      !PROJECT_ReadFlag(v, "HoldRepeat", &in.HoldRepeat) ||
      !PROJECT_ReadInt(v, "IntervalMS", &in.IntervalMs) ||
      !PROJECT_ReadInt(v, "ReleaseOperation", &release) ||
      !PROJECT_ReadReal(v, "ReleaseOperationValue", &in.ReleaseValue)) {
    return false;
  }
  // Unknown codes are caught by GAMEPAD_Sanitize afterwards.
  in.PressOperation = press < 0 ? GAMEPAD_OP_COUNT : static_cast<uint32_t>(press);
  in.ReleaseOperation = release < 0 ? GAMEPAD_OP_COUNT : static_cast<uint32_t>(release);
  if (const XMLElement* s = v->FirstChildElement("PressSymbolID")) {
    in.pPressSymbol = PROJECT_ReadSymbolId(s, true, ctx);
  }
  if (const XMLElement* s = v->FirstChildElement("ReleaseSymbolID")) {
    in.pReleaseSymbol = PROJECT_ReadSymbolId(s, true, ctx);
  }
  return true;
}

bool ReadAxis(const XMLElement* v, GAMEPAD_INPUT& in, PROJECT_TREE_READ& ctx) {
  if (!PROJECT_ReadFlag(v, "WriteContinuesOnlyOnValueChange", &in.OnlyOnChange)) return false;
  if (const XMLElement* s = v->FirstChildElement("PressSymbolID")) {
    in.pPressSymbol = PROJECT_ReadSymbolId(s, true, ctx);
  }
  return true;
}

void ReadDevice(const XMLElement* d, GAMEPAD_MAPPING& pad, PROJECT_TREE_READ& ctx) {
  int32_t buttons = 0;
  int32_t axes = 0;
  if (!PROJECT_ReadInt(d, "NumBtns", &buttons) || !PROJECT_ReadInt(d, "NumAxes", &axes)) return;
  if (buttons < 0 || buttons > static_cast<int32_t>(GAMEPAD_BUTTONS) || axes < 0 ||
      axes > static_cast<int32_t>(GAMEPAD_AXES)) {
    return;  // a pad this program does not know: left unconfigured
  }
  pad.NumButtons = static_cast<uint32_t>(buttons);
  pad.NumAxes = static_cast<uint32_t>(axes);
  const XMLElement* v = d->FirstChildElement("Variable");
  for (int32_t i = 0; i < buttons; ++i, v = v->NextSiblingElement("Variable")) {
    if (v == nullptr || !ReadButton(v, pad.Inputs[i], ctx)) return;
  }
  for (int32_t i = 0; i < axes; ++i, v = v->NextSiblingElement("Variable")) {
    if (v == nullptr || !ReadAxis(v, pad.Inputs[GAMEPAD_BUTTONS + i], ctx)) return;
  }
  pad.Configured = 1;
}

}  // namespace

const char* PROJECT_InterfaceName(uint32_t tif) {
  switch (tif) {
    case PROBE_TIF_JTAG: return "JTAG";
    case PROBE_TIF_FINE: return "FINE";
    default: return "SWD";
  }
}

bool PROJECT_ReadConnection(const XMLElement* o, PROJECT_CONFIG& c) {
  int32_t connection = 0;
  if (!PROJECT_ReadInt(o, "Connection", &connection)) return false;
  const bool existing = connection == 4;
  c.ExistingSession = existing ? 1 : 0;
  c.Connection = connection == 2 ? PROBE_CONNECTION_IP : PROBE_CONNECTION_USB;
  int32_t v = 0;
  c.SamplingPeriod = PROJECT_ReadIntIn(o, "SamplingPeriod", 1, INT32_MAX, 1000, &v) ? v : 1000;
  c.SerialNo = 0;
  if (c.Connection == PROBE_CONNECTION_USB && !existing) {
    uint32_t serial = 0;
    if (PROJECT_ReadDecAddress(o, "SerialNo", &serial)) c.SerialNo = serial;
  }
  c.JTAG_IRPre = PROJECT_ReadInt(o, "JTAG_IRPre", &v) ? v : 0;
  c.JTAG_DRPre = PROJECT_ReadInt(o, "JTAG_DRPre", &v) ? v : 0;
  c.IP[0] = '\0';
  if (c.Connection == PROBE_CONNECTION_IP &&
      !PROJECT_ReadText(o, "IP", c.IP, kMaxTextChars)) {
    return false;
  }
  if (!PROJECT_ReadText(o, "TargetDevice", c.TargetDevice, kMaxTextChars)) {
    if (!existing) return false;
    c.TargetDevice[0] = '\0';
  }
  const char* tif = o->Attribute("TargetInterface");
  if (tif == nullptr || !InterfaceFromName(tif, &c.TargetInterface)) {
    if (!existing) return false;
    c.TargetInterface = PROBE_TIF_SWD;
  }
  if (PROJECT_ReadInt(o, "InterfaceSpeed", &v)) {
    c.InterfaceSpeed = v > 0 ? static_cast<uint32_t>(v) : 4000;
  } else if (!existing) {
    return false;
  }
  if (!PROJECT_ReadIntIn(o, "OpenOptions", 0, 1, 0, &v)) return false;
  c.OpenOptions = static_cast<uint32_t>(v);
  return true;
}

void PROJECT_WriteConnection(XMLElement* o, const PROJECT_CONFIG& c) {
  PROJECT_WriteInt(o, "Connection", c.ExistingSession ? 4 : c.Connection);
  PROJECT_WriteInt(o, "SamplingPeriod", c.SamplingPeriod);
  PROJECT_WriteInt(o, "SerialNo", static_cast<int32_t>(c.SerialNo));
  PROJECT_WriteInt(o, "JTAG_IRPre", c.JTAG_IRPre);
  PROJECT_WriteInt(o, "JTAG_DRPre", c.JTAG_DRPre);
  PROJECT_WriteText(o, "IP", c.IP);
  PROJECT_WriteText(o, "TargetDevice", c.TargetDevice);
  PROJECT_WriteText(o, "TargetInterface", PROJECT_InterfaceName(c.TargetInterface));
  PROJECT_WriteInt(o, "InterfaceSpeed", c.InterfaceSpeed);
  PROJECT_WriteInt(o, "OpenOptions", c.OpenOptions);
}

ACTIVE_SYMBOL* PROJECT_ReadSymbol(const XMLElement* symbol) {
  const XMLElement* o = symbol->FirstChildElement("Options");
  if (o == nullptr) return nullptr;
  ACTIVE_SYMBOL* s = ACTSYM_New("Symbol Node", APP_GetIntDefaultHex() != 0);
  if (s == nullptr) return nullptr;
  bool ok = PROJECT_ReadText(o, "Name", s->Name, sizeof s->Name) &&
            PROJECT_ReadHexAddress(o, "Address", &s->Address) &&
            PROJECT_ReadFlag(o, "IsVirtual", &s->Virtual) &&
            PROJECT_ReadFlag(o, "CatchOverflow", &s->CatchOverflow) &&
            PROJECT_ReadText(o, "Type", s->TypeName, sizeof s->TypeName) &&
            PROJECT_ReadDecAddress(o, "Size", &s->Size) && s->Size <= kMaxSymbolSize &&
            PROJECT_ReadReal(o, "MaxValue", &s->MaxValue) &&
            PROJECT_ReadText(o, "File", s->SourceFile, sizeof s->SourceFile) &&
            PROJECT_ReadReal(o, "Minimum", &s->MinWrite) &&
            PROJECT_ReadReal(o, "Maximum", &s->MaxWrite);
  int32_t type = 0;
  if (ok && !PROJECT_ReadIntIn(o, "TypeID", 0, TYPEID_BITFIELD, TYPEID_UNSUPPORTED, &type)) {
    uint8_t is_signed = 0;
    ok = PROJECT_ReadFlag(o, "IsSigned", &is_signed);
    type = static_cast<int32_t>(DWARF_ClassifyLeaf(s->Size, s->TypeName, is_signed != 0));
  }
  if (!ok) {
    ACTSYM_Free(s);
    return nullptr;
  }
  // The type's defaults first; the stored options then override them.
  const double max_value = s->MaxValue;
  const double min_write = s->MinWrite;
  const double max_write = s->MaxWrite;
  ACTSYM_ApplyTypeDefaults(*s, static_cast<uint32_t>(type));
  s->MaxValue = max_value;
  s->MinWrite = min_write;
  s->MaxWrite = max_write;
  s->Leaf = 1;
  if (!PROJECT_ReadFlag(o, "UseQFormat", &s->UseQFormat)) s->UseQFormat = 0;
  if (!PROJECT_ReadFlag(o, "QFromatSigned", &s->QFormatSigned)) s->QFormatSigned = 0;
  const int32_t bits = static_cast<int32_t>(IntegerBits(s->RawType));
  const int32_t half = bits / 2;
  int32_t v = 0;
  s->QFormatIntBits = static_cast<uint8_t>(
      PROJECT_ReadIntIn(o, "QFromatIntBits", 0, bits, half, &v) ? v : half);
  const int32_t frac_default = half > 0 && s->QFormatSigned ? half - 1 : half;
  s->QFormatFracBits = static_cast<uint8_t>(
      PROJECT_ReadIntIn(o, "QFromatFracBits", 0, bits, frac_default, &v) ? v : frac_default);
  if (s->UseQFormat) s->ValueType = TYPEID_FLOAT;
  if (!PROJECT_ReadReal(o, "YMinSampled", &s->SampledMin)) s->SampledMin = 0.0;
  if (!PROJECT_ReadReal(o, "YMaxSampled", &s->SampledMax)) s->SampledMax = 0.0;
  uint32_t offset = 0;
  s->RecordOffset = PROJECT_ReadDecAddress(o, "Offset", &offset) ? offset : 0;
  if (!PROJECT_ReadFlag(o, "ACCoupling", &s->AcCoupling)) s->AcCoupling = 0;
  return s;
}

void PROJECT_WriteSymbol(XMLElement* selected, const ACTIVE_SYMBOL& s) {
  XMLElement* o = PROJECT_AddChild(PROJECT_AddChild(selected, "Symbol"), "Options");
  PROJECT_WriteText(o, "Name", s.Name);
  PROJECT_WriteHexAddress(o, "Address", s.Address);
  PROJECT_WriteFlag(o, "IsVirtual", s.Virtual != 0);
  PROJECT_WriteFlag(o, "UseQFormat", s.UseQFormat != 0);
  PROJECT_WriteFlag(o, "QFromatSigned", s.QFormatSigned != 0);
  PROJECT_WriteInt(o, "QFromatIntBits", s.QFormatIntBits);
  PROJECT_WriteInt(o, "QFromatFracBits", s.QFormatFracBits);
  PROJECT_WriteFlag(o, "CatchOverflow", s.CatchOverflow != 0);
  PROJECT_WriteText(o, "Type", s.TypeName);
  PROJECT_WriteInt(o, "TypeID", s.RawType);
  PROJECT_WriteInt(o, "Size", s.Size);
  PROJECT_WriteReal(o, "YMinSampled", s.SampledMin);
  PROJECT_WriteReal(o, "YMaxSampled", s.SampledMax);
  PROJECT_WriteInt(o, "Offset", s.RecordOffset);
  PROJECT_WriteFlag(o, "ACCoupling", s.AcCoupling != 0);
  PROJECT_WriteTruncated(o, "MaxValue", s.MaxValue);
  PROJECT_WriteText(o, "File", s.SourceFile);
  PROJECT_WriteReal(o, "Minimum", s.MinWrite);
  PROJECT_WriteReal(o, "Maximum", s.MaxWrite);
}

void PROJECT_ReadPads(const XMLElement* devices, GAMEPAD_MAPPING (&pads)[GAMEPAD_SLOTS],
                      PROJECT_TREE_READ& ctx) {
  for (GAMEPAD_MAPPING& p : pads) ClearPad(p);
  const XMLElement* d = devices->FirstChildElement("Device");
  for (uint32_t slot = 0; slot < GAMEPAD_SLOTS && d != nullptr;
       ++slot, d = d->NextSiblingElement("Device")) {
    ReadDevice(d, pads[slot], ctx);
    if (!pads[slot].Configured) ClearPad(pads[slot]);
  }
}

void PROJECT_WritePads(XMLElement* devices, const GAMEPAD_MAPPING (&pads)[GAMEPAD_SLOTS]) {
  for (const GAMEPAD_MAPPING& pad : pads) {
    XMLElement* d = PROJECT_AddChild(devices, "Device");
    if (!pad.Configured) continue;
    const uint32_t buttons = pad.NumButtons <= GAMEPAD_BUTTONS ? pad.NumButtons : GAMEPAD_BUTTONS;
    const uint32_t axes = pad.NumAxes <= GAMEPAD_AXES ? pad.NumAxes : GAMEPAD_AXES;
    PROJECT_WriteInt(d, "NumBtns", buttons);
    PROJECT_WriteInt(d, "NumAxes", axes);
    for (uint32_t i = 0; i < buttons; ++i) {
      const GAMEPAD_INPUT& in = pad.Inputs[i];
      XMLElement* v = PROJECT_AddChild(d, "Variable");
      PROJECT_WriteInt(v, "PressOperation", in.PressOperation);
      // Reals, so that a value like 0.5 survives (readers take them as reals).
      PROJECT_WriteReal(v, "PressOperationValue", in.PressValue);
      PROJECT_WriteFlag(v, "HoldRepeat", in.HoldRepeat != 0);
      PROJECT_WriteInt(v, "IntervalMS", in.IntervalMs);
      PROJECT_WriteInt(v, "ReleaseOperation", in.ReleaseOperation);
      PROJECT_WriteReal(v, "ReleaseOperationValue", in.ReleaseValue);
      if (in.pPressSymbol != nullptr) PROJECT_WriteSymbolId(v, "PressSymbolID", *in.pPressSymbol, true);
      if (in.pReleaseSymbol != nullptr) {
        PROJECT_WriteSymbolId(v, "ReleaseSymbolID", *in.pReleaseSymbol, true);
      }
    }
    for (uint32_t i = 0; i < axes; ++i) {
      const GAMEPAD_INPUT& in = pad.Inputs[GAMEPAD_BUTTONS + i];
      XMLElement* v = PROJECT_AddChild(d, "Variable");
      PROJECT_WriteFlag(v, "WriteContinuesOnlyOnValueChange", in.OnlyOnChange != 0);
      if (in.pPressSymbol != nullptr) PROJECT_WriteSymbolId(v, "PressSymbolID", *in.pPressSymbol, true);
    }
  }
}

bool PROJECT_ReadScripts(const XMLElement* created, SCRIPT_RECORD** out, PROJECT_TREE_READ& ctx) {
  *out = nullptr;
  if (created == nullptr) return true;
  SCRIPT_RECORD** link = out;
  for (const XMLElement* e = created->FirstChildElement("Script"); e != nullptr;
       e = e->NextSiblingElement("Script")) {
    SCRIPT_RECORD* script = SCRIPT_NewRecord();
    if (script == nullptr) return false;
    *link = script;
    link = &script->pNext;
    script->pFormula = PROJECT_ReadFormula(e->FirstChildElement("Formula"), ctx);
    if (ctx.failed || LOGIC_CheckFormula(script->pFormula) != 0) return false;
    if (!PROJECT_ReadFlag(e, "Enabled", &script->Enabled)) script->Enabled = 0;
    const XMLElement* list = e->FirstChildElement("SymbolWriteCalculations");
    if (list == nullptr) return false;
    std::vector<PROJECT_WRITE_CALC> writes;
    const bool ok = PROJECT_ReadWriteCalcs(list, writes, ctx);
    for (PROJECT_WRITE_CALC& w : writes) {
      SCRIPT_WRITE* entry = SCRIPT_NewWrite();
      if (entry == nullptr) {
        PROJECT_FreeWriteCalcs(writes);
        return false;
      }
      entry->pSymbol = std::exchange(w.pSymbol, nullptr);
      entry->pCalculation = std::exchange(w.pCalculation, nullptr);
      script->WriteEnabled[script->WriteCount] = w.Enabled;
      script->pWrites[script->WriteCount++] = entry;
    }
    if (!ok) return false;
  }
  return true;
}

void PROJECT_WriteScripts(XMLElement* created, const SCRIPT_RECORD* list) {
  for (const SCRIPT_RECORD* s = list; s != nullptr; s = s->pNext) {
    XMLElement* e = PROJECT_AddChild(created, "Script");
    PROJECT_WriteFlag(e, "Enabled", s->Enabled != 0);
    PROJECT_WriteFormula(e, s->pFormula);
    XMLElement* writes = PROJECT_AddChild(e, "SymbolWriteCalculations");
    PROJECT_WRITE_CALC raw[SCRIPT_MAX_WRITES];
    uint32_t n = 0;
    for (uint32_t i = 0; i < s->WriteCount && i < SCRIPT_MAX_WRITES; ++i) {
      if (s->pWrites[i] == nullptr) continue;
      raw[n++] = PROJECT_WRITE_CALC{s->WriteEnabled[i], s->pWrites[i]->pSymbol,
                                    s->pWrites[i]->pCalculation};
    }
    PROJECT_WriteWriteCalcs(writes, raw, n);
  }
}

bool PROJECT_ScriptsFit(const SCRIPT_RECORD* list) {
  for (const SCRIPT_RECORD* s = list; s != nullptr; s = s->pNext) {
    if (!PROJECT_FormulaFits(s->pFormula)) return false;
    for (uint32_t i = 0; i < s->WriteCount && i < SCRIPT_MAX_WRITES; ++i) {
      if (s->pWrites[i] != nullptr && !PROJECT_CalculationFits(s->pWrites[i]->pCalculation)) {
        return false;
      }
    }
  }
  return true;
}
