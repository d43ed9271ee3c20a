#!/usr/bin/env python3
"""Writes a large C++ translation unit for the symbol database benchmark: many classes with
inheritance, bitfields, anonymous unions, arrays, templates and namespaces, each with global
instances. Usage: gen_big_program.py OUT.cpp [COUNT]"""
import sys

count = int(sys.argv[2]) if len(sys.argv) > 2 else 4000
with open(sys.argv[1], "w") as out:
    out.write("#include <cstdint>\n")
    out.write("template <typename T, int N> struct Holder { T items[N]; int used; };\n")
    for i in range(count):
        out.write(
            "namespace ns%d {\n"
            "struct Base%d { std::uint32_t id; float gain; unsigned flag : 3; unsigned mode : 5; };\n"
            "class Item%d : public Base%d {\n public:\n"
            "  double values[%d][3];\n  std::int16_t state;\n  union { int as_int; float as_float; };\n"
            "  Holder<short, %d> window;\n"
            "  virtual ~Item%d() {}\n  int get(int scale) const { int local = state * scale; return local; }\n};\n"
            "Item%d g_item%d;\nvolatile const std::uint8_t g_table%d[%d] = {1};\n"
            "int use%d(int x) { static int calls; Item%d copy = g_item%d; calls += x; return copy.get(x) + calls; }\n"
            "}\n"
            % (i, i, i, i, 1 + i % 7, 1 + i % 11, i, i, i, i, 2 + i % 13, i, i, i))
    out.write("int big_program_touch() {\n  int sum = 0;\n")
    for i in range(count):
        out.write("  sum += ns%d::use%d(%d) + ns%d::g_table%d[0];\n" % (i, i, i, i, i))
    out.write("  return sum;\n}\nint main() { return big_program_touch(); }\n")
