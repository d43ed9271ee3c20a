// The base of the modules that show a calculation's value (angular and linear gauge, digital
// display): the calculation is their only binding, so it decides which symbols they read, a
// symbol dropped on a fresh module replaces it, and removing a symbol it reads removes it.
#pragma once

#include "modules/display_module_util.h"
#include "modules/typed_tool_module.h"

template <typename PART>
class CalculationDisplayModule : public TypedToolModule<PART> {
 public:
  using TypedToolModule<PART>::TypedToolModule;

  bool ReadsSymbol(const ACTIVE_SYMBOL* symbol) const override {
    return DisplayUsesSymbol(this->part_.Calculation, symbol);
  }
  bool UsesSymbol(const ACTIVE_SYMBOL* symbol) const override { return ReadsSymbol(symbol); }
  void RemoveSymbol(const ACTIVE_SYMBOL* symbol) override { DisplayRemoveSymbol(this->part_.Calculation, symbol); }
  bool CanAddSymbol() const override { return DisplayCanAddSymbol(this->part_.Calculation); }
  bool AddSymbol(const ACTIVE_SYMBOL* symbol) override {
    if (!CanAddSymbol() || !DisplayAddSymbol(this->part_.Calculation, symbol)) return false;
    this->update();
    return true;
  }

 protected:
  // The calculation's value now; false when it has none to show (no calculation, check flags).
  bool Evaluate(VALUE_SLOT* value, uint32_t* type) const {
    return DisplayEvaluate(this->part_.Calculation, value, type);
  }
};
