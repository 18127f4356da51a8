#!/bin/bash
# Checks that i686 programs can run on the first Windows 95 release, on an 80386 or later:
#
#   tests/wine/inspect-win95.sh OBJDUMP IMPORT_LIST EXE...
#
# (a) Every instruction is one an 80386 has (tests/wine/i386-instructions.txt): no x87, nothing of
#     the 486 or later. Give the images that still have their symbols: the code bytes are those
#     shipped, and the symbols tell the data that the linker places inside .text (constructor
#     lists) from code, which objdump would otherwise decode as instructions.
# (b) Every function the program imports, as "DLL function", is in IMPORT_LIST: the functions
#     checked against what Windows 95's system DLLs export. A function is added to that list only
#     once it has been checked there.
# Prints one line per check and ends with "N passed, M failed".
set -u
here=$(cd "$(dirname "$0")" && pwd)
objdump=${1:?usage: inspect-win95.sh OBJDUMP IMPORT_LIST EXE...}
list=${2:?}
shift 2
passed=0 failed=0
result() {
  if [ "$1" = 0 ]; then passed=$((passed + 1)); echo "ok: $2"; else failed=$((failed + 1)); echo "FAIL: $2"; fi
}
known=$(grep -v '^#' "$list" | awk 'NF == 2 { print toupper($1), $2 }' | sort -u)
i386=$(grep -v '^#' "$here/i386-instructions.txt" | tr -s ' ' '\n' | grep . | sort -u)
for exe in "$@"; do
  name=$(basename "$exe")
  if ! "$objdump" -t "$exe" | grep -q '(ty   20)'; then
    result 1 "$name has no symbols: give the image before stripping"
    continue
  fi
  # Every mnemonic in use, its legacy prefixes taken off; blocks named for data are passed over.
  used=$("$objdump" -d --no-show-raw-insn -M intel "$exe" | awk -F'\t' '
    /^[0-9a-f]+ <.*>:$/ { data = ($0 ~ /<(\.gcc_except_table|_*[CD]TOR_LIST__|\.[cd]tors)>:$/) }
    !data && /^ *[0-9a-f]+:\t/ {
      n = split($2, word, " ")
      for (i = 1; i < n && word[i] ~ /^(lock|rep|repz|repnz|repe|repne|data16|addr16|[c-gs]s)$/; i++) {}
      # A nop with an operand is the Pentium Pro'"'"'s multi-byte nop (0F 1F), not the one-byte 90.
      print (word[i] == "nop" && i < n) ? "nop-0f1f" : word[i]
    }' | sort | uniq -c)
  beyond=$(awk '{ print $2, $1 }' <<<"$used" | sort | join -v 1 - <(echo "$i386"))
  count=$(grep -c . <<<"$used")
  [ "$count" -gt 0 ] && [ -z "$beyond" ]
  result $? "$name: $count mnemonics, each of the 80386${beyond:+; beyond the 80386 (mnemonic uses): $(tr '\n' ',' <<<"$beyond" | sed 's/,$//; s/,/, /g')}"

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
