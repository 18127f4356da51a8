#!/bin/bash
# Checks the application manifest of Windows programs, as Vista and later read it before a program
# starts (one they cannot parse stops it from starting):
#
#   tests/wine/inspect-manifest.sh x86|amd64 FILE=LEVEL...
#
# FILE is a program image, whose manifest is its resource of type 24 named 1 (wrestool, icoutils),
# or a manifest itself (a name ending in .manifest). Each manifest must parse as XML (xmllint) and
# declare: an assembly of manifest version 1.0 for the processor architecture given; the execution
# level LEVEL (asInvoker, highestAvailable, requireAdministrator) without UI access; exactly the
# supportedOS entries of Vista, 7, 8, 8.1 and 10/11; system DPI awareness; and the dependency on
# Common Controls 6. Prints one line per check and ends with "N passed, M failed".
set -u
arch=${1:?usage: inspect-manifest.sh x86|amd64 FILE=LEVEL...}
shift
# Vista, 7, 8, 8.1 and 10/11, in that order.
supported_os="{e2011457-1546-43c5-a5fe-008deee3d3f0} {35138b9a-5d96-4fbd-8e2d-a2440225f93a}\
 {4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38} {1f676c76-80e1-4239-95bb-83d0f6d0da78}\
 {8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"
passed=0 failed=0
result() {
  if [ "$1" = 0 ]; then passed=$((passed + 1)); echo "ok: $2"; else failed=$((failed + 1)); echo "FAIL: $2"; fi
}
work=$(mktemp -d /tmp/vexmor-manifest.XXXXXX)
trap 'rm -rf "$work"' EXIT
# The values an XPath gives, one a line; elements are named by local name, whatever their namespace.
values() { xmllint --xpath "$2" "$1" 2>/dev/null | sed -n '/="/{s/^ *[a-zA-Z]*="\(.*\)"$/\1/p;b};p'; }
el() { printf "*[local-name()='%s']" "$1"; }

n=0
for item in "$@"; do
  file=${item%=*} level=${item##*=}
  name=$(basename "$file")
  n=$((n + 1))
  manifest=$work/$n.xml
  case $file in
    *.manifest) cp "$file" "$manifest" ;;
    *)
      count=$(wrestool -l -t 24 "$file" 2>/dev/null | grep -c -- '--name=1 ')
      [ "$count" = 1 ]
      result $? "$name holds one manifest (resource type 24, id 1; found $count)"
      wrestool --raw -x -t 24 -n 1 "$file" >"$manifest" 2>/dev/null ;;
  esac
  if ! error=$(xmllint --noout "$manifest" 2>&1) || [ ! -s "$manifest" ]; then
    result 1 "$name: the manifest parses as XML: $(head -n 1 <<<"${error:-empty}")"
    continue
  fi
  result 0 "$name: the manifest parses as XML"
  root="/$(el assembly)[namespace-uri()='urn:schemas-microsoft-com:asm.v1']"
  found=$(values "$manifest" "$root/@manifestVersion")
  [ "$found" = 1.0 ]; result $? "$name: an assembly of manifest version 1.0 (found ${found:-none})"
  found=$(values "$manifest" "$root/$(el assemblyIdentity)/@processorArchitecture")
  [ "$found" = "$arch" ]; result $? "$name: for the $arch processor (found ${found:-none})"
  request="$root/$(el trustInfo)/$(el security)/$(el requestedPrivileges)/$(el requestedExecutionLevel)"
  found=$(values "$manifest" "$request/@level" | tr '\n' ' ')
  [ "$found" = "$level " ]; result $? "$name: execution level $level (found ${found:-none})"
  found=$(values "$manifest" "$request/@uiAccess")
  [ "$found" = false ]; result $? "$name: no UI access (found ${found:-none})"
  found=$(values "$manifest" "$root/$(el compatibility)/$(el application)/$(el supportedOS)/@Id" |
    tr '\n' ' ')
  [ "$found" = "$supported_os " ]
  result $? "$name: supportedOS Vista, 7, 8, 8.1 and 10/11 (found ${found:-none})"
  found=$(values "$manifest" "$root/$(el application)/$(el windowsSettings)/$(el dpiAware)/text()")
  [ "$found" = true ]; result $? "$name: system DPI awareness (dpiAware ${found:-missing})"
  dependency="$root/$(el dependency)/$(el dependentAssembly)/$(el assemblyIdentity)"
  dependency="$dependency[@name='Microsoft.Windows.Common-Controls']"
  found="$(values "$manifest" "$dependency/@version") $(values "$manifest" "$dependency/@publicKeyToken")"
  [ "$found" = "6.0.0.0 6595b64144ccf1df" ]
  result $? "$name: depends on Common Controls 6 (found ${found# })"
done
echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
