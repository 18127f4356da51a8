#!/bin/bash
# Checks the application manifest of Windows programs, as Vista and later read it before a program
# starts (one they cannot parse stops it):
#
#   tests/wine/inspect-manifest.sh x86|amd64 FILE=LEVEL...
#
# FILE is a program image, whose manifest is its resource of type 24 named 1 (wrestool, icoutils),
# or a manifest itself (a name ending in .manifest). Each must parse as XML (xmllint) and declare an
# assembly of manifest version 1.0 for the processor given, the execution level LEVEL without UI
# access, exactly the supportedOS entries of Vista, 7, 8, 8.1 and 10/11 in that order, system DPI
# awareness and the dependency on Common Controls 6. Prints one line per check, then "N passed, M
# failed".
set -u
arch=${1:?usage: inspect-manifest.sh x86|amd64 FILE=LEVEL...}
shift
passed=0 failed=0
result() {
  if [ "$1" = 0 ]; then passed=$((passed + 1)); echo "ok: $2"; else failed=$((failed + 1)); echo "FAIL: $2"; fi
}
manifest=$(mktemp /tmp/vexmor-manifest.XXXXXX)
trap 'rm -f "$manifest"' EXIT
# expect WHAT XPATH EXPECTED: the values XPATH selects (elements by local name), joined by blanks.
expect() {
  local found
  found=$(xmllint --xpath "$2" "$manifest" 2>/dev/null |
    sed -n '/="/{s/^ *[a-zA-Z]*="\(.*\)"$/\1/p;b};p' | tr '\n' ' ')
  [ "${found% }" = "$3" ]; result $? "$name: $1 (found ${found:-none})"
}
for item in "$@"; do
  file=${item%=*} level=${item##*=} name=$(basename "${item%=*}")
  case $file in
    *.manifest) cp "$file" "$manifest" ;;
    *) count=$(wrestool -l -t 24 "$file" 2>/dev/null | grep -c -- '--name=1 ')
       [ "$count" = 1 ]; result $? "$name holds one manifest (type 24, id 1; found $count)"
       wrestool --raw -x -t 24 -n 1 "$file" >"$manifest" 2>/dev/null ;;
  esac
  if ! error=$(xmllint --noout "$manifest" 2>&1) || [ ! -s "$manifest" ]; then
    result 1 "$name: the manifest parses as XML: $(head -n 1 <<<"${error:-empty}")"
    continue
  fi
  result 0 "$name: the manifest parses as XML"
  a="/*[local-name()='assembly' and namespace-uri()='urn:schemas-microsoft-com:asm.v1']"
  level_at="$a/*[local-name()='trustInfo']//*[local-name()='requestedExecutionLevel']"
  expect "an assembly of manifest version 1.0" "$a/@manifestVersion" 1.0
  expect "for the $arch processor" "$a/*[local-name()='assemblyIdentity']/@processorArchitecture" "$arch"
  expect "execution level $level" "$level_at/@level" "$level"
  expect "no UI access" "$level_at/@uiAccess" false
  expect "supportedOS Vista, 7, 8, 8.1 and 10/11" \
    "$a/*[local-name()='compatibility']/*[local-name()='application']/*[local-name()='supportedOS']/@Id" \
    "{e2011457-1546-43c5-a5fe-008deee3d3f0} {35138b9a-5d96-4fbd-8e2d-a2440225f93a} {4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38} {1f676c76-80e1-4239-95bb-83d0f6d0da78} {8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"
  expect "system DPI awareness" "$a/*[local-name()='application']//*[local-name()='dpiAware']/text()" true
  expect "depends on Common Controls 6" \
    "$a/*[local-name()='dependency']//*[local-name()='assemblyIdentity'][@name='Microsoft.Windows.Common-Controls']/@*[local-name()='version' or local-name()='publicKeyToken']" \
    "6.0.0.0 6595b64144ccf1df"
done
echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
