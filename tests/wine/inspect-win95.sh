#!/bin/bash
# Checks that i686 programs can run on the Windows 95 family, on a Pentium Pro or later:
#
#   tests/wine/inspect-win95.sh OBJDUMP IMPORT_LIST EXE...
#
# (a) Debian's i686 toolchain and runtime libraries use the P6 instruction set (cmov, fcomi) and
#     nothing beyond it: no instruction may name an MMX or SSE register (%mm, %xmm, %ymm, %zmm).
# (b) Every function the program imports, as "DLL function", is in IMPORT_LIST: the functions
#     checked against what Windows 95's system DLLs export. A function is added to that list only
#     once it has been checked there.
# Prints one line per check and ends with "N passed, M failed".
set -u
objdump=${1:?usage: inspect-win95.sh OBJDUMP IMPORT_LIST EXE...}
list=${2:?}
shift 2
passed=0 failed=0
result() {
  if [ "$1" = 0 ]; then passed=$((passed + 1)); echo "ok: $2"; else failed=$((failed + 1)); echo "FAIL: $2"; fi
}
known=$(grep -v '^#' "$list" | awk 'NF == 2 { print toupper($1), $2 }' | sort -u)
for exe in "$@"; do
  name=$(basename "$exe")
  beyond=$("$objdump" -d --no-show-raw-insn "$exe" | grep -E '%[xyz]?mm[0-9]')
  [ -z "$beyond" ]
  result $? "$name uses no MMX or SSE register${beyond:+: $(head -3 <<<"$beyond" | tr -s '\t ' ' ')}"

  # The import tables: "DLL Name: X" starts a DLL, one line per function follows (vma, hint,
  # name; an import by ordinal has no name and is never in the list), a blank line ends it.
  imports=$("$objdump" -p "$exe" | awk '
    /^\tDLL Name:/ { dll = toupper($3); next }
    /^$/ { dll = ""; next }
    dll != "" && /^\t[0-9a-f]+\t/ { print dll, (NF >= 3 ? $3 : "(by-ordinal)") }' | sort -u)
  unchecked=$(comm -23 <(echo "$imports") <(echo "$known") | grep -v '^$')
  count=$(grep -c . <<<"$imports")
  [ "$count" -gt 0 ] && [ -z "$unchecked" ]
  result $? "$name imports $count functions, each checked against Windows 95${unchecked:+; not checked: $(tr '\n' ',' <<<"$unchecked" | sed 's/,$//; s/,/, /g')}"
done
echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
