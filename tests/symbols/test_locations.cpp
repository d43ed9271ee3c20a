// Location expressions: classification of each operation, the two-part limit, folding of an
// offset into the first part, pieces, implicit values, stack values and entry values.
#include <gtest/gtest.h>

#include <cstring>

#include "symbols/locations.h"
#include "tests/symbols/symbols_test_util.h"

namespace {

LOC_OP Op(uint8_t atom, uint64_t op1 = 0, uint64_t op2 = 0) {
  LOC_OP op;
  op.atom = atom;
  op.op1 = op1;
  op.op2 = op2;
  return op;
}

const uint8_t kSixteen[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};

LOC_OP Implicit(size_t n) {
  LOC_OP op = Op(0x9e, n);
  op.block = std::span<const uint8_t>(kSixteen, n);
  return op;
}

struct Want {
  uint32_t parts;
  uint32_t kind;
  uint64_t address;
  uint32_t reg;
  int64_t offset;
  uint64_t size;
};

struct Case {
  const char* name;
  std::vector<LOC_OP> ops;
  LOC_Purpose purpose;
  Want want;
  std::vector<int> reports;
};

TEST(Locations, ClassifyAndFold) {
  const uint64_t kAddr = 0x20001000;
  const std::vector<Case> cases = {
      {"addr", {Op(0x03, kAddr)}, LOC_Purpose::Location, {1, LOC_STATIC, kAddr, 0, 0, 0}, {}},
      {"addr plus_uconst folds", {Op(0x03, kAddr), Op(0x23, 8)}, LOC_Purpose::Location,
       {1, LOC_STATIC, kAddr + 8, 0, 0, 0}, {}},
      {"addrx", {Op(0xa1, kAddr)}, LOC_Purpose::Location, {1, LOC_STATIC, kAddr, 0, 0, 0}, {}},
      {"member offset", {Op(0x23, 12)}, LOC_Purpose::Location, {1, LOC_OFFSET, 0, 0, 12, 0}, {}},
      {"reg3", {Op(0x53)}, LOC_Purpose::Location, {1, LOC_REGISTER, 0, 3, 0, 0}, {}},
      {"regx", {Op(0x90, 40)}, LOC_Purpose::Location, {1, LOC_REGISTER, 0, 40, 0, 0}, {}},
      {"reg plus offset folds", {Op(0x55), Op(0x23, 4)}, LOC_Purpose::Location,
       {1, LOC_REGISTER_OFFSET, 0, 5, 4, 0}, {}},
      {"fbreg -8", {Op(0x91, uint64_t(-8))}, LOC_Purpose::Location,
       {1, LOC_FRAME_BASE_OFFSET, 0, 0, -8, 0}, {}},
      {"breg7 frame base", {Op(0x77, 16)}, LOC_Purpose::FrameBase,
       {1, LOC_REGISTER_OFFSET, 0, 7, 16, 0}, {}},
      {"breg7 location", {Op(0x77, 16)}, LOC_Purpose::Location,
       {1, LOC_MEMORY_AT_REGISTER, 0, 0, 0, 0}, {}},
      {"pieces", {Op(0x50), Op(0x93, 4), Op(0x51), Op(0x93, 4)}, LOC_Purpose::Location,
       {2, LOC_REGISTER, 0, 0, 0, 4}, {}},
      {"three pieces keep two", {Op(0x50), Op(0x93, 4), Op(0x51), Op(0x93, 4), Op(0x52),
                                 Op(0x93, 4)},
       LOC_Purpose::Location, {2, LOC_REGISTER, 0, 0, 0, 4}, {ELF_ERR_TOO_MANY_PARTS}},
      {"implicit value 4", {Implicit(4)}, LOC_Purpose::Location, {1, LOC_CONSTANT, 0, 0, 0, 4}, {}},
      {"implicit value 16", {Implicit(16)}, LOC_Purpose::Location,
       {1, LOC_CONSTANT, 0, 0, 0, 16}, {ELF_ERR_IMPLICIT_VALUE_SIZE}},
      {"constu", {Op(0x10, 99)}, LOC_Purpose::Location, {1, LOC_CONSTANT, 0, 0, 0, 0}, {}},
      {"stack value", {Op(0x03, kAddr), Op(0x9f)}, LOC_Purpose::Location,
       {1, LOC_COMPUTED, 0, 0, 0, 0}, {}},
      {"unknown op", {Op(0x03, kAddr), Op(0x22)}, LOC_Purpose::Location,
       {1, LOC_STATIC, kAddr, 0, 0, 0}, {ELF_ERR_LOCATION_ELEMENT}},
      {"bit piece", {Op(0x50), Op(0x9d, 3, 0)}, LOC_Purpose::Location,
       {1, LOC_REGISTER, 0, 0, 0, 0}, {ELF_ERR_BIT_PIECE}},
      {"entry value without evaluator", {Op(0xa3, 1)}, LOC_Purpose::Location,
       {0, LOC_NONE, 0, 0, 0, 0}, {ELF_ERR_ENTRY_VALUE}},
      {"call frame cfa for all ones", {Op(0x9c)}, LOC_Purpose::FrameBase,
       {0, LOC_NONE, 0, 0, 0, 0}, {}},
      {"empty", {}, LOC_Purpose::Location, {0, LOC_NONE, 0, 0, 0, 0}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MessageCapture capture;
    LOC_CONTEXT ctx;
    ctx.purpose = c.purpose;
    const LOC_RECORD r = LOC_Evaluate(c.ops, ctx);
    EXPECT_EQ(r.part_count, c.want.parts);
    EXPECT_EQ(capture.codes, c.reports);
    if (r.part_count == 0) continue;
    const LOC_PART& p = r.parts[0];
    EXPECT_EQ(p.kind, c.want.kind);
    EXPECT_EQ(p.address, c.want.address);
    EXPECT_EQ(p.reg, c.want.reg);
    EXPECT_EQ(p.offset, c.want.offset);
    EXPECT_EQ(p.size, c.want.size);
  }
}

TEST(Locations, ValuesAndNestedLocations) {
  LOC_CONTEXT ctx;
  const std::vector<LOC_OP> implicit = {Implicit(16)};
  LOC_RECORD r = LOC_Evaluate(implicit, ctx);
  EXPECT_EQ(std::memcmp(r.parts[0].value, kSixteen, 8), 0);  // the first 8 bytes are kept

  const std::vector<LOC_OP> computed = {Op(0x03, 0x1234), Op(0x9f)};
  r = LOC_Evaluate(computed, ctx);
  EXPECT_EQ(r.parts[0].nested.kind, LOC_STATIC);
  EXPECT_EQ(r.parts[0].nested.address, 0x1234u);

  const std::vector<LOC_OP> breg = {Op(0x79, uint64_t(-4))};
  r = LOC_Evaluate(breg, ctx);
  EXPECT_EQ(r.parts[0].nested.kind, LOC_REGISTER_OFFSET);
  EXPECT_EQ(r.parts[0].nested.reg, 9u);
  EXPECT_EQ(r.parts[0].nested.offset, -4);

  // An entry value evaluates its block as an expression of its own.
  ctx.eval_block = [](void*, std::span<const uint8_t>, LOC_RECORD& out) {
    out = LOC_RECORD{};
    out.part_count = 1;
    out.parts[0].kind = LOC_REGISTER;
    out.parts[0].reg = 2;
    return true;
  };
  LOC_OP entry = Op(0xf3, 1);
  const uint8_t block[] = {0x52};
  entry.block = block;
  const std::vector<LOC_OP> entry_ops = {entry, Op(0x9f)};
  r = LOC_Evaluate(entry_ops, ctx);
  ASSERT_EQ(r.part_count, 1u);
  EXPECT_EQ(r.parts[0].kind, LOC_COMPUTED);
  EXPECT_EQ(r.parts[0].nested.kind, LOC_ENTRY_VALUE);
}

TEST(Locations, VariablesOfARealFile) {
  ELF_FILE* elf = ELF_Open(FixturePath("types_dw4.elf").c_str(), true);
  ASSERT_NE(elf, nullptr);
  ElfCloser closer{elf};
  for (const VarRow& v : ListVariables(elf)) {
    SCOPED_TRACE(v.name);
    EXPECT_TRUE(LOC_IsStatic(v.handle));
    const LOC_RECORD r = LOC_GetLocation(v.handle, ~0ull);
    EXPECT_TRUE(r.part_count == 1 && r.parts[0].kind == LOC_STATIC && r.parts[0].address == v.address);
  }
  // A function's location is its frame base: gcc gives DW_OP_call_frame_cfa, whose rule is
  // empty for the program counter all ones.
  MessageCapture capture;
  const SYM_HANDLE main_fn = DWARF_GetEntryFunction(elf);
  ASSERT_NE(main_fn, SYM_NONE);
  EXPECT_EQ(LOC_GetLocation(main_fn, ~0ull).part_count, 0u);
  EXPECT_TRUE(capture.codes.empty());
  EXPECT_EQ(LOC_GetTargetAddress(SYM_NONE), 0u);
}

// Location lists of DWARF 5 (reached by section offset and by index) and DWARF 4: the entry
// chosen for a program counter (any counter: the first entry), every kind of list entry, and
// references out of range or lists cut short, which give no location. The crash input at the
// end once took every program that opened it down.
TEST(Locations, Lists) {
  ELF_FILE* elf = ELF_Open(FixturePath("loclists.elf").c_str(), true);
  ASSERT_NE(elf, nullptr);
  ElfCloser closer{elf};
  const std::vector<VarRow> vars = ListVariables(elf);
  const struct {
    const char* name;
    uint64_t pc;
    uint64_t address;  // 0: no location
  } cases[] = {
      {"by_offset", ~0ull, 0x1000},    {"by_offset", 0x10001, 0x1000},
      {"by_offset", 0x10002, 0},       {"by_offset", 0x1010f, 0x2000},
      {"by_offset", 0x10208, 0x3000},  {"by_offset", 0x10300, 0x3300},
      {"by_offset", 0x10310, 0},       {"by_index", ~0ull, 0x4000},
      {"by_index", 0x10047, 0x4000},   {"by_index", 0x10010, 0x4400},
      {"by_index", 0x10600, 0x5000},   {"index_out_of_range", ~0ull, 0},
      {"offset_out_of_range", ~0ull, 0}, {"cut_short", ~0ull, 0},
      {"dw4_list", ~0ull, 0x6000},     {"dw4_list", 0x10001, 0x6000},
      {"dw4_list", 0x1010f, 0x7000},   {"dw4_list", 0x10110, 0},
      {"dw4_cut_short", ~0ull, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " at " + std::to_string(c.pc));
    const VarRow* v = FindVar(vars, c.name);
    ASSERT_NE(v, nullptr);
    const LOC_RECORD r = LOC_GetLocation(v->handle, c.pc);
    EXPECT_EQ(r.part_count > 0 ? r.parts[0].address : 0, c.address);
    if (c.address != 0) {
      EXPECT_EQ(r.parts[0].kind, LOC_STATIC);
    }
  }

  ELF_FILE* crash = ELF_Open(
      (std::string(VISTRO_SOURCE_DIR) + "/fuzz/symbols/regressions/loclists_index_past_table.elf")
          .c_str(),
      true);
  ASSERT_NE(crash, nullptr);
  ElfCloser crash_closer{crash};
  EXPECT_NE(FindVar(ListVariables(crash), "ho_u8"), nullptr);
}

}  // namespace
