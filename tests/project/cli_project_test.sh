#!/bin/sh
# vistro-cli project: prints every record of the sample project, and --save writes the same
# bytes again; a broken file fails with the loader's message.
set -eu
cli="$1"
sample="$2"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$cli" project "$sample" > "$work/out.txt"
grep -q '^version=1.1$' "$work/out.txt"
grep -q '^elf=demo.elf$' "$work/out.txt"
grep -q '^connection=1 device=STM32F407VG interface=JTAG speed_khz=12000 period_us=250$' "$work/out.txt"
test "$(grep -c '^symbol ' "$work/out.txt")" -eq 7
test "$(grep -c '^module ' "$work/out.txt")" -eq 14
grep -q '^module index=13 type=13 x=130 y=39 w=53 h=24 layer=13 kind=Toggle Button$' "$work/out.txt"
grep -q '^symbol index=1 address=0x80000000 type=unsigned int typeid=8 size=4 virtual=0 name=dev_id$' "$work/out.txt"
grep -q '^script index=0 enabled=1 writes=3$' "$work/out.txt"
grep -q '^pad slot=2 buttons=14 axes=6$' "$work/out.txt"

"$cli" project "$sample" --save "$work/copy/copy.vistro" > "$work/save.txt" 2> "$work/err.txt"
grep -q "^saved=$work/copy/copy.vistro\$" "$work/save.txt"
cmp "$sample" "$work/copy/copy.vistro"

printf '<VistroProject>' > "$work/bad.vistro"
if "$cli" project "$work/bad.vistro" 2> "$work/bad.txt"; then exit 1; fi
grep -q '^error: Failed to load project$' "$work/bad.txt"
echo ok
