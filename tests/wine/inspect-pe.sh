#!/bin/bash
# Checks the headers and imports of Windows programs with objdump:
#
#   tests/wine/inspect-pe.sh OBJDUMP PE32|PE32+ SUBSYSTEM_VERSION EXE...
#
# Each program must be of the given image type, a GUI program (subsystem 2) whose subsystem and
# operating-system versions are SUBSYSTEM_VERSION (for instance 4.0) when given as such, and import
# from the system's own DLLs only: no C or C++ runtime DLL, no threads library, nothing shipped
# beside it.
# Prints one line per check and ends with "N passed, M failed".
set -u
objdump=${1:?usage: inspect-pe.sh OBJDUMP PE32|PE32+ VERSION EXE...}
kind=${2:?}
version=${3:?}
shift 3
# The DLLs of the first Windows 95 release the programs use; no C run-time DLL (MSVCRT.DLL came
# with Windows 98): the programs bring their own run-time.
system_dlls="ADVAPI32.DLL COMCTL32.DLL GDI32.DLL KERNEL32.DLL OLE32.DLL SHELL32.DLL USER32.DLL"
passed=0 failed=0
result() {
  if [ "$1" = 0 ]; then passed=$((passed + 1)); echo "ok: $2"; else failed=$((failed + 1)); echo "FAIL: $2"; fi
}
for exe in "$@"; do
  name=$(basename "$exe")
  if ! headers=$("$objdump" -p "$exe" 2>&1); then
    result 1 "$name: objdump cannot read it"
    continue
  fi
  field() { awk -v f="$1" '$1 == f { print $2; exit }' <<<"$headers"; }
  magic=$(awk '$1 == "Magic" { print $3; exit }' <<<"$headers")
  [ "$magic" = "($kind)" ]; result $? "$name is $kind (found $magic)"
  [ "$(field Subsystem)" = 00000002 ]; result $? "$name is a GUI program (subsystem $(field Subsystem))"
  if [ "$version" != any ]; then
    found="$(field MajorSubsystemVersion).$(field MinorSubsystemVersion)"
    [ "$found" = "$version" ]; result $? "$name subsystem version $version (found $found)"
    found="$(field MajorOSystemVersion).$(field MinorOSystemVersion)"
    [ "$found" = "$version" ]; result $? "$name operating-system version $version (found $found)"
  fi
  dlls=$(awk '/DLL Name:/ { print toupper($3) }' <<<"$headers" | sort -u | tr '\n' ' ')
  foreign=""
  for dll in $dlls; do
    case " $system_dlls " in *" $dll "*) ;; *) foreign="$foreign $dll" ;; esac
  done
  [ -n "$dlls" ] && [ -z "$foreign" ]
  result $? "$name imports system DLLs only: ${dlls% }${foreign:+ (not system:$foreign)}"
done
echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
