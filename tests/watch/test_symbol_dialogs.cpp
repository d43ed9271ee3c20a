// The symbol selection and virtual symbol dialogs on a small hand-made symbol tree.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <cstring>
#include <memory>

#include "core/app_active_list.h"
#include "core/app_project.h"
#include "core/app_virtual_symbol.h"
#include "symbols/active_symbol.h"
#include "gui/symbol_selection.h"
#include "gui/virtual_symbol_dialog.h"
#include "symbols/symbol_tree.h"
#include "tests/gui/gui_test_support.h"

namespace {

ACTIVE_SYMBOL* Node(const char* name, uint32_t type, uint32_t address, uint32_t size) {
  ACTIVE_SYMBOL* n = ACTSYM_New("Symbol Node", false);  // freed by SYMTREE_Free
  std::strcpy(n->Name, name);
  std::strcpy(n->TypeName, type == TYPEID_FLOAT ? "float" : "unsigned");
  n->ValueType = n->RawType = type;
  n->Address = address;
  n->Size = size;
  return n;
}

//  a.c: g_word (union) { raw: U32, f: float } at 0x20000000; g_big: U64 at 0x20000010
//  b.c: g_x: U8 at 0x20001000, g_y: U8 at 0x20001001
class SymbolDialogs : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { EnsureApplication(); }
  void SetUp() override {
    root_ = ACTSYM_New("Symbol Node", false);
    std::strcpy(root_->SourceFile, "a.c");
    ACTIVE_SYMBOL* word = SYMTREE_AppendChild(*root_, nullptr, Node("g_word", 0, 0x20000000, 4));
    raw_ = SYMTREE_AppendChild(*word, nullptr, Node("raw", TYPEID_U32, 0x20000000, 4));
    f_ = SYMTREE_AppendChild(*word, raw_, Node("f", TYPEID_FLOAT, 0x20000000, 4));
    big_ = SYMTREE_AppendChild(*root_, word, Node("g_big", TYPEID_U64, 0x20000010, 8));
    ACTIVE_SYMBOL* b = ACTSYM_New("Symbol Node", false);
    std::strcpy(b->SourceFile, "b.c");
    SYMTREE_AppendSibling(*root_, b);
    x_ = SYMTREE_AppendChild(*b, nullptr, Node("g_x", TYPEID_U8, 0x20001000, 1));
    y_ = SYMTREE_AppendChild(*b, x_, Node("g_y", TYPEID_U8, 0x20001001, 1));
  }
  void TearDown() override {
    APP_ClearActiveSymbols();
    APP_FreeOwnedSymbols();
    SYMTREE_Free(root_);
  }
  static std::vector<const ACTIVE_SYMBOL*> List() {
    std::vector<const ACTIVE_SYMBOL*> out;
    for (ACTIVE_SYMBOL_CELL* c = MAIN_pActiveSymbols; c != nullptr; c = c->pNext) out.push_back(c->pSymbol);
    return out;
  }
  static void Check(SymbolSelection& d, const ACTIVE_SYMBOL* node, bool on) {
    d.ItemOf(node)->setCheckState(SymbolSelection::kColSelect, on ? Qt::Checked : Qt::Unchecked);
  }
  // Shown by the filter: neither the row nor a row above it is hidden.
  static bool Shown(SymbolSelection& d, const ACTIVE_SYMBOL* node) {
    for (const QTreeWidgetItem* item = d.ItemOf(node); item != nullptr; item = item->parent()) {
      if (item->isHidden()) return false;
    }
    return true;
  }
  static Qt::CheckState StateOf(SymbolSelection& d, const ACTIVE_SYMBOL* node) {
    return d.ItemOf(node)->checkState(SymbolSelection::kColSelect);
  }
  ACTIVE_SYMBOL* root_ = nullptr;
  ACTIVE_SYMBOL *raw_ = nullptr, *f_ = nullptr, *big_ = nullptr, *x_ = nullptr, *y_ = nullptr;
};

// One union member active: only that member is checked and stays alone on OK.
TEST_F(SymbolDialogs, UnionMembersAreSelectedByNodeNotAddress) {
  ASSERT_EQ(APP_AddActiveSymbol(raw_), 0);
  SymbolSelection d(root_, {});
  EXPECT_EQ(StateOf(d, raw_), Qt::Checked);
  EXPECT_EQ(StateOf(d, f_), Qt::Unchecked);
  d._SlotOnReleaseBtnOK();
  EXPECT_EQ(List(), (std::vector<const ACTIVE_SYMBOL*>{raw_}));
}

// Kept symbols in tree order, then new ones in the order checked, then virtual symbols.
TEST_F(SymbolDialogs, OkOrdersKeptThenNewThenVirtual) {
  ASSERT_EQ(APP_AddActiveSymbol(y_), 0);
  ASSERT_NE(APP_CreateVirtualSymbol("v", TYPEID_U8), nullptr);
  ASSERT_EQ(APP_AddActiveSymbol(raw_), 0);
  const ACTIVE_SYMBOL* v = List()[1];
  SymbolSelection d(root_, {});
  Check(d, x_, true);
  Check(d, f_, true);
  d._SlotOnReleaseBtnOK();
  EXPECT_EQ(List(), (std::vector<const ACTIVE_SYMBOL*>{raw_, y_, x_, f_, v}));
  EXPECT_EQ(APP_GetHSSSymbolCount(), 4u);

  SymbolSelection again(root_, {});  // unchecking drops it; the virtual symbol stays
  Check(again, y_, false);
  again._SlotOnReleaseBtnOK();
  EXPECT_EQ(List(), (std::vector<const ACTIVE_SYMBOL*>{raw_, f_, x_, v}));  // kept: tree order
}

TEST_F(SymbolDialogs, UnsupportedTypesCannotBeChecked) {
  SymbolSelection d(root_, {});
  QTreeWidgetItem* item = d.ItemOf(big_);
  EXPECT_EQ(item->text(SymbolSelection::kColSelect), "Symbol type is not supported");
  EXPECT_FALSE(item->flags() & Qt::ItemIsEnabled);
  d._SlotOnBtnSelectAllClicked();
  EXPECT_EQ(std::count(d.Pending().begin(), d.Pending().end(), big_), 0);
}

TEST_F(SymbolDialogs, FilterShowsMatchesWithTheirAncestorsExpanded) {
  SymbolSelection d(root_, {});
  d.FilterEdit()->setText("0x2000000");  // g_word and its members only
  EXPECT_TRUE(Shown(d, raw_));
  EXPECT_FALSE(Shown(d, big_));
  EXPECT_FALSE(Shown(d, x_));
  EXPECT_TRUE(d.ItemOf(root_)->isExpanded());
  d.FilterEdit()->setText("G_Y");
  EXPECT_TRUE(Shown(d, y_));
  EXPECT_FALSE(Shown(d, x_));
  EXPECT_FALSE(Shown(d, raw_));
  // Select all takes what the filter shows, expanded or not.
  d.ItemOf(y_)->parent()->setExpanded(false);
  d._SlotOnBtnSelectAllClicked();
  EXPECT_EQ(d.Pending(), (std::vector<ACTIVE_SYMBOL*>{y_}));
  d.FilterEdit()->clear();
  d.ItemOf(root_)->setExpanded(false);
  d._SlotOnBtnSelectAllClicked();
  EXPECT_EQ(StateOf(d, raw_), Qt::Checked);  // under a collapsed file
  d._SlotOnBtnSelectNoneClicked();
  EXPECT_TRUE(d.Pending().empty());
}

// Each filter shows exactly its matches, whatever earlier filters hid: rows under a hidden file
// keep an older state until the file is shown again.
TEST_F(SymbolDialogs, FilterSequenceShowsExactlyTheMatches) {
  SymbolSelection d(root_, {});
  const std::vector<const ACTIVE_SYMBOL*> all = {raw_, f_, big_, x_, y_};
  const struct {
    const char* filter;
    std::vector<const ACTIVE_SYMBOL*> shown;
  } steps[] = {
      {"g_y", {y_}},     {"none", {}},         {"G_X", {x_}},        {"FLOAT", {f_}},
      {"b.c", {x_, y_}}, {"", all},            {"0x20001001", {y_}}, {"0x2000", all},
      {"raw", {raw_}},   {"unsigned", all},
  };
  for (const auto& step : steps) {
    d.FilterEdit()->setText(step.filter);
    for (const ACTIVE_SYMBOL* node : all) {
      const bool want = std::find(step.shown.begin(), step.shown.end(), node) != step.shown.end();
      EXPECT_EQ(Shown(d, node), want) << step.filter << ": " << node->Name;
    }
  }
}

TEST_F(SymbolDialogs, VirtualSymbolNamesAndNumbers) {
  const struct {
    const char* name;
    APP_VirtualNameCheck want;
  } cases[] = {
      {"1abc", APP_VirtualNameCheck::kInvalid}, {"a b", APP_VirtualNameCheck::kInvalid},
      {"", APP_VirtualNameCheck::kInvalid},     {"_a1", APP_VirtualNameCheck::kOk},
      {"G_X", APP_VirtualNameCheck::kDuplicate},
  };
  ASSERT_EQ(APP_AddActiveSymbol(x_), 0);
  for (const auto& c : cases) EXPECT_EQ(APP_CheckVirtualSymbolName(c.name), c.want) << c.name;

  // Numbered after the highest: 1, 3 -> 4.
  ACTIVE_SYMBOL* one = APP_CreateVirtualSymbol("one", TYPEID_FLOAT);
  ASSERT_NE(APP_CreateVirtualSymbol("two", TYPEID_I16), nullptr);
  ACTIVE_SYMBOL* three = APP_CreateVirtualSymbol("three", TYPEID_U32);
  ASSERT_NE(three, nullptr);
  EXPECT_EQ(three->Address, 3u);
  EXPECT_EQ(std::strcmp(three->TypeName, "unsigned int"), 0);
  EXPECT_EQ(three->MaxWrite, 4294967295.0);
  APP_RemoveActiveSymbol(const_cast<ACTIVE_SYMBOL*>(List()[2]));
  APP_FreeUnlistedOwnedSymbols();
  EXPECT_EQ(APP_NextVirtualAddress(), 4u);
  EXPECT_EQ(one->Virtual, 1);

  VirtualSymbolCreationDialog d;
  EXPECT_EQ(d.NameEdit()->text(), "SymbolName");
  d.TypeBox()->setCurrentText("I8");
  d.NameEdit()->setText("speed");
  d._SlotOnOkClicked();
  EXPECT_EQ(d.result(), QDialog::Accepted);
  EXPECT_EQ(List().back()->ValueType, uint32_t(TYPEID_I8));
  EXPECT_EQ(List().back()->Address, 4u);
}

}  // namespace
