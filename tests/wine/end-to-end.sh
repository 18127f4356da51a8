#!/bin/bash
# The Windows programs end to end under Wine, worked from outside as a user would (the driver finds
# each dialog by its caption and types keys or clicks into it), with the results checked through
# the card log, `wine reg query`, the files of the prefix and WININIT.INI.
#
#   [VX_WINE_ARCH=win32|win64] [VX_WINE_VERSION=win98|winxp|...] [VEXMOR_PORTS=emulated] \
#     tests/wine/end-to-end.sh BIN_DIR [WINE_BASE]
#
# BIN_DIR holds Volsar.exe, Volsar.hlp, pelzorn.exe and vx_wine_driver.exe of one architecture;
# VX_WINE_ARCH names it (default win64). The prefix is made under WINE_BASE (default: a new
# temporary folder, removed afterwards) with the null graphics driver, reporting VX_WINE_VERSION
# (default: Wine's own, of the NT family). The checks follow the family the prefix reports: on the
# Windows 95 family the uninstaller leaves its deletions to WININIT.INI alone. A 32-bit prefix of
# the 95 family emulates port instructions (writes vanish, reads give 0xffff: no card answers), so
# run it with VEXMOR_PORTS=emulated. Prints one line per check and ends with "N passed, M failed".
set -u
here=$(cd "$(dirname "$0")" && pwd)
bin=$(cd "${1:?usage: end-to-end.sh BIN_DIR [WINE_BASE]}" && pwd)
if [ -n "${2:-}" ]; then base=$2; keep=1; else base=$(mktemp -d /tmp/vexmor-wine.XXXXXX); keep=0; fi
. "$here/wine-env.sh" "$base"
cleanup() {
  vx_wine_stop
  [ "$keep" = 1 ] || rm -rf "$base"
}
trap cleanup EXIT

passed=0 failed=0
check() {  # check DESCRIPTION COMMAND...
  local what=$1
  shift
  if "$@" >/dev/null 2>&1; then
    passed=$((passed + 1)); echo "ok: $what"
  else
    failed=$((failed + 1)); echo "FAIL: $what"
  fi
}
eventually() {  # eventually COMMAND...: true within 5 s
  local try
  for try in $(seq 50); do
    "$@" && return 0
    sleep 0.1
  done
  return 1
}
drive() { vx_wine "$bin/vx_wine_driver.exe" "$@"; }
reg_has() { vx_reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | grep -q "^ *$2 *$3 *$4\$"; }
reg_missing() { ! vx_reg query "$1" >/dev/null 2>&1; }

vx_wine_init null ||
  { echo "FAIL: the $VX_WINE_ARCH Wine prefix cannot be made"; echo "0 passed, 1 failed"; exit 1; }
if vx_wine_95_family; then family=95; else family=NT; fi
echo "== $VX_WINE_ARCH prefix reporting ${VX_WINE_VERSION:-its default version} (the $family family)"
# A server that stays until the end: WININIT.INI is carried out whenever Wine starts afresh, and
# this run decides when that happens (wineboot -r below).
timeout 30 wineserver -p

drive_c="$WINEPREFIX/drive_c"
log="$base/card.log"
panel="Vexmor Recording"
settings='HKCU\Software\Vexmor_Rec'

# --- The panel ---------------------------------------------------------------------------------

# The card log as written on Windows: text mode, so lines end in CR LF.
card_log() { tr -d '\r' <"$log"; }
first_access() { card_log | head -n 1; }
last_access() { card_log | tail -n 1; }
last_access_is() { test "$(last_access)" = "$1"; }
log_has() { card_log | grep -Pzq "$1"; }

run_panel() {  # run_panel [ENV=VALUE...]: starts Volsar.exe in the background; $panel_pid
  env "$@" VEXMOR_CARD_LOG="$(vx_winpath "$log")" timeout -k 5 60 "$vx_wine_loader" \
    "${panel_exe:-$bin/Volsar.exe}" &
  panel_pid=$!
}
panel_exit() { wait "$panel_pid"; }

rm -f "$log"
check "first run: no settings key yet" reg_missing "$settings"
run_panel
check "first run: the dialog shows the defaults, focus on the microphone slider" \
  drive wait "$panel" text "$panel" 1005 "Monitor &Off" text "$panel" 1006 "&Line" \
    text "$panel" 1008 "16 &Bit" text "$panel" 1007 "&Stereo" focus "$panel" 1000
check "first run: mode byte 0x16 to port 0x334 before anything else" \
  test "$(first_access)" = "out 0x0334 0x16"
# The manifest's dependency: the controls come from the side-by-side assembly of Common Controls 6,
# not from the system folder's COMCTL32.DLL (Wine reads the manifest whatever version it reports;
# the Windows 95 family ignores it).
comctl6='\\winsxs\\[a-z0-9]*_microsoft\.windows\.common-controls_6595b64144ccf1df_6\.0\.[^\\]*\\comctl32\.dll'
check "the panel runs with Common Controls 6 (COMCTL32.DLL of the 6.0 assembly)" \
  eval 'drive module "$panel" comctl32.dll | grep -qiE "$comctl6"'
check "a key on the microphone slider writes gain 1 at index 4" \
  drive keys "$panel" right
check "  index 4 to 0x333, status polled at 0x338, 1 to 0x332" \
  eventually log_has 'out 0x0333 0x04\n(in 0x0338 0x0[0-9a-f]{3}\n)*in 0x0338 0x0000\nout 0x0332 0x01\n'
check "Alt+A takes the focus to the auxiliary slider; End writes 255 at index 8" \
  drive keys "$panel" alt+a focus "$panel" 1010 keys "$panel" end
check "  index 8 to 0x333, then 0xff to 0x332" \
  eventually log_has 'out 0x0333 0x08\n(in 0x0338 0x0[0-9a-f]{3}\n)*in 0x0338 0x0000\nout 0x0332 0xff\n'
help="Vexmor Recording Help"
viewer=class:MS_WINHELP  # the system's help viewer; its caption holds the file's path
# The topic as Wine's help viewer laid it out, from its trace: the pieces of text in order, each
# marked as the help source marks its font (bold **...**, headings # and ##), joined as they come.
# The trace shows at most the first 291 characters of a piece (and "..." after its closing quote);
# the rest of such a piece stands as one \001 for each character not shown, as many as the piece
# holds: it starts at the first pointer of its line and ends, with a NUL, where the next piece of
# its paragraph starts (both pieces end at the paragraph's end, the second pointer).
viewer_text() {
  sed -n -e 's/^.*Changing font to \([0-9]*\)$/F\1/p' \
    -e 's/^.*Got text: "\(.*\)"\(\.\.\.\)\{0,1\} (\([0-9A-Fa-f]*\)\/\([0-9A-Fa-f]*\) - [0-9A-Fa-f/]*)$/T\3\t\4\t\2\t\1/p' \
    "$1" |
    awk -F'\t' '
      function hex(s,  v, i) {
        v = 0
        for (i = 1; i <= length(s); i++) v = v * 16 + index("0123456789abcdef", tolower(substr(s, i, 1))) - 1
        return v
      }
      /^F/ { n++; font[n] = substr($0, 2); next }
      { n++; font[n] = ""; from[n] = hex(substr($1, 2)); upto[n] = hex($2); cut[n] = $3 != ""
        t = $4; if (cut[n] && t ~ /[^\\](\\\\)*\\$/) t = substr(t, 1, length(t) - 1)
        gsub(/\\"/, "\"", t); gsub(/\\\\/, "\\", t); text[n] = t }
      END {
        for (i = 1; i <= n; i++) {
          if (font[i] != "") { f = font[i]; continue }
          t = text[i]
          if (cut[i]) {
            end = upto[i]
            for (j = i + 1; j <= n; j++) if (font[j] == "") { if (upto[j] == upto[i]) end = from[j]; break }
            for (k = end - from[i] - 1 - length(t); k > 0; k--) t = t "\001"
          }
          if (t == "") continue
          if (f == 1) t = "**" t "**"; else if (f == 2) t = "## " t; else if (f == 3) t = "# " t
          printf "%s", t
        }
      }' | sed 's/\*\*\*\*//g'
}
# The help source as the viewer should show it: list items with the viewer's bullet, the lines of
# a paragraph joined by a space, and nothing between blocks.
source_text() {
  awk '/^[ \t]*$/ { blank = 1; next }
       /^#+ / { printf "%s", $0; blank = 1; next }
       /^- / { sub(/^- /, "\\x95"); printf "%s", $0; blank = 0; next }
       { if (!blank) printf " "; printf "%s", $0; blank = 0 }' "$1"
}
# Whether the viewer's text (viewer_text of TRACE) is the source's (source_text of SOURCE): of the
# same length, equal wherever the trace shows the character.
viewer_shows() {  # viewer_shows TRACE SOURCE
  VIEWER=$(viewer_text "$1") SOURCE=$(source_text "$2") awk 'BEGIN {
    v = ENVIRON["VIEWER"]; s = ENVIRON["SOURCE"]
    if (length(v) != length(s)) exit 1
    for (i = 1; i <= length(v); i++) {
      c = substr(v, i, 1)
      if (c != "\001" && c != substr(s, i, 1)) exit 1
    }
  }'
}
# Wine's own help viewer opens a help file (the Volsar.hlp the build compiled, by default): its
# trace names the help's title and every heading, paragraph, list item and bold run of the source,
# and no error.
viewer_reads() {  # viewer_reads [HLP SOURCE TITLE]
  local hlp=${1:-$bin/Volsar.hlp} source=${2:-$here/../../panel/res/Volsar.hlp}
  local title=${3:-Vexmor Recording Help} trace=$base/winhlp32.txt pid found
  WINEDEBUG=+winhelp timeout -k 5 60 "$vx_wine_loader" winhlp32 "$(vx_winpath "$hlp")" >"$trace" 2>&1 &
  pid=$!
  drive wait "$viewer"
  found=$?
  drive close "$viewer"
  wait "$pid"
  [ "$found" = 0 ] && grep -q "Title: \"$title\"" "$trace" && ! grep -q 'err:winhelp' "$trace" &&
    viewer_shows "$trace" "$source"
}
check "Wine's help viewer reads Volsar.hlp: its title, the source's every block and bold run, no error" \
  viewer_reads
# A paragraph longer than the trace shows of a piece, compiled by the build's helpc (when the build
# folder holds it): the viewer's pieces must still account for every character of the source, and
# the same trace without one of its pieces must not.
helpc=$bin/../tools/helpc/helpc
if [ -x "$helpc" ]; then
  long=$base/long
  mkdir -p "$long"
  { printf '# Long Help\n\nA first paragraph.\n\n'
    for i in $(seq 60); do printf 'Word%02d "and" ' "$i"; done
    printf '**a bold end** after it.\n\n## Next\n\n- an item %0400d\n' 0; } >"$long/Long.md"
  check "Wine's help viewer shows a paragraph of 900 characters and an item of 410 whole" \
    eval '"$helpc" "$long/Long.md" "$long/Long.hlp" "$long/Long.cnt" &&
      viewer_reads "$long/Long.hlp" "$long/Long.md" "Long Help Help"'
  # The piece after the long one: were it missing, the long piece would seem to reach further.
  grep -v 'Got text: "a bold end"' "$base/winhlp32.txt" >"$long/missing.txt"
  check "  the same trace without one of its pieces does not pass" \
    eval '! viewer_shows "$long/missing.txt" "$long/Long.md"'
  sed 's/Got text: "a bold end"/Got text: "a bold enX"/' "$base/winhlp32.txt" >"$long/changed.txt"
  check "  nor with a character changed" eval '! viewer_shows "$long/changed.txt" "$long/Long.md"'
fi

# The words of the help window's text control, and those of the help source without its markup
# (the heading and list marks, "**"); the bullet of a list item is not a word.
words() { tr -d '\r' | sed 's/\x95//g' | tr -s ' \t\n' '\n\n\n' | sed '/^$/d'; }
source_words() {
  sed -e 's/^##* //' -e 's/^- //' -e 's/\*\*//g' "$here/../../panel/res/Volsar.hlp" | words
}
help_words() { [ "$(drive shows "$help" | words)" = "$(source_words)" ]; }
# The help window lies right of the panel, edge to edge, level with it.
beside() {
  { read -r px py pw _; read -r hx hy _; } < <(drive rect "$panel" rect "$help" | tr -d '\r')
  [ -n "$hy" ] && [ "$hx" = $((px + pw)) ] && [ "$hy" = "$py" ]
}
help="Vexmor Recording Help"
if vx_wine_help_viewer; then
  # Windows below version 6 has WinHelp: F1 opens Volsar.hlp in the system's viewer, whose window
  # takes the help file's title.
  check "F1 opens Volsar.hlp in the system's help viewer" drive keys "$panel" f1 wait "$viewer"
  check "  the panel's keys work meanwhile: Home writes 0 at index 8" drive keys "$panel" home
else
  check "F1 opens the help window with the help compiled into the panel" \
    drive keys "$panel" f1 says "$help" "recording section of your sound card"
  check "  its text (as a screen reader reads it) is the help's words, no markup" help_words
  check "  it opens beside the panel (on its right, where the screen has room)" beside
  check "  F1 again on the panel brings the same window forward" \
    drive keys "$panel" f1 active "$help"
  check "  F1, Page Down, Down and Ctrl+C in it: it stays, in front" \
    drive keys "$help" f1,pgdn,down,ctrl+c active "$help"
  check "  Escape closes it; the panel is active again, the focus where it was" \
    drive keys "$help" escape gone "$help" active "$panel" focus "$panel" 1010
  check "  and its keys work as before: Home writes 0 at index 8" drive keys "$panel" home
fi
check "  index 8 to 0x333, then 0x00 to 0x332" \
  eventually log_has 'out 0x0333 0x08\n(in 0x0338 0x0[0-9a-f]{3}\n)*in 0x0338 0x0000\nout 0x0332 0x00\n'
check "a click on Stereo shows Mono" drive click "$panel" 1007 text "$panel" 1007 "Mo&no"
check "  and rewrites the mode byte: 0x14" test "$(last_access)" = "out 0x0334 0x14"
check "Alt+N (its mnemonic) switches back to Stereo" \
  drive keys "$panel" alt+n text "$panel" 1007 "&Stereo"
check "  mode byte 0x16 again" eventually last_access_is "out 0x0334 0x16"
check "Escape closes the panel" drive keys "$panel" escape gone "$panel"
check "  and it exits with status 0" panel_exit
if vx_wine_help_viewer; then
  check "  the help viewer closes with it (HELP_QUIT)" drive gone "$viewer"
fi
for value in "Port 0x330" "Gain 0x0" "Chan 0x1" "Mon 0x0" "Bits 0x1" "Rate 0x2"; do
  set -- $value
  check "  HKCU\\Software\\Vexmor_Rec $1 is REG_DWORD $2" reg_has "$settings" "$1" REG_DWORD "$2"
done

rm -f "$log"
run_panel
check "second run: a click on Monitor shows Monitor On" \
  drive wait "$panel" click "$panel" 1005 text "$panel" 1005 "Monitor &On"
check "  mode byte 0x56" test "$(last_access)" = "out 0x0334 0x56"
check "the window's Close ends the panel" drive close "$panel" gone "$panel"
check "  status 0" panel_exit
check "  Mon is saved as 1" reg_has "$settings" Mon REG_DWORD 0x1

rm -f "$log"
run_panel
check "third run: the saved switch is back" drive wait "$panel" text "$panel" 1005 "Monitor &On"
check "  and its mode byte 0x56 went out first" test "$(first_access)" = "out 0x0334 0x56"
drive keys "$panel" escape gone "$panel" >/dev/null
panel_exit

if ! vx_wine_help_viewer; then
  # A system without the rich edit control: the help window shows the plain text.
  run_panel WINEDLLOVERRIDES="$WINEDLLOVERRIDES;riched20=d"
  check "without RICHED20.DLL, F1 shows the help as plain text: the help's words, no markup" \
    eval 'drive wait "$panel" keys "$panel" f1 wait "$help" >/dev/null && help_words'
  check "  Escape closes it, then the panel" \
    drive keys "$help" escape gone "$help" keys "$panel" escape gone "$panel"
  panel_exit
fi

if vx_wine_help_viewer; then
  # The panel closed while its request to the viewer is under way, at four moments: the viewer
  # closes with it all the same (HELP_QUIT), hidden or shown. A viewer is a winhlp32 process of this
  # prefix.
  no_viewer() {
    local p
    for p in $(pgrep -f winhlp32); do
      tr '\0' '\n' <"/proc/$p/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" && return 1
    done
    return 0
  }
  for delay in 0 30 100 500; do
    run_panel
    drive wait "$panel" tap "$panel" f1 sleep "$delay" close "$panel" gone "$panel" >/dev/null
    panel_exit; status=$?
    check "the panel closed $delay ms after F1: status 0, no help viewer left" \
      eval 'test "$status" = 0 && eventually no_viewer'
  done
  # A viewer that answers nothing (a window of its class that takes no message) holds neither the
  # panel's F1 nor its end.
  drive mute-viewer 5000 >/dev/null &
  mute=$!
  drive wait class:MS_WINHELP >/dev/null
  run_panel
  drive wait "$panel" keys "$panel" f1 keys "$panel" escape gone "$panel" >/dev/null
  ended=$SECONDS
  panel_exit; status=$?
  check "a viewer that answers nothing: the panel still ends at once, status 0" \
    test "$status" = 0 -a $((SECONDS - ended)) -le 3
  wait "$mute"

  # Without Volsar.hlp beside the panel, the viewer answers F1 with a message of its own (Wine's
  # caption: ERROR) while the panel goes on answering keys.
  mkdir -p "$base/nohelp" && cp "$bin/Volsar.exe" "$base/nohelp/"
  panel_exe=$base/nohelp/Volsar.exe run_panel
  check "without Volsar.hlp, F1 gets the viewer's own message naming the file" \
    drive wait "$panel" keys "$panel" f1 wait ERROR says ERROR 'Volsar.hlp'
  check "  meanwhile the panel's keys work: Alt+S shows Mono, Alt+N Stereo again" \
    drive keys "$panel" alt+s text "$panel" 1007 "Mo&no" keys "$panel" alt+n text "$panel" 1007 "&Stereo"
  check "  Escape closes the panel" drive keys "$panel" escape gone "$panel"
  check "  status 0" panel_exit
  check "  the viewer closes with it, its message too (HELP_QUIT while it is up)" \
    eval 'drive gone ERROR && eventually no_viewer'
fi

rm -f "$log"
vx_reg add "$settings" /v Port /t REG_DWORD /d 0x220 /f >/dev/null
if [ "$family" = NT ]; then
  run_panel VEXMOR_PORTS=direct
  check "VEXMOR_PORTS=direct is refused on the NT family with a message naming the ports" \
    drive says "$panel" "0x0222, 0x0223, 0x0224 and 0x0228" keys "$panel" return gone "$panel"
  panel_exit; status=$?
  check "  exit status 1" test "$status" = 1
  check "  no port was touched" test ! -e "$log"
  check "  the settings were not rewritten" reg_has "$settings" Port REG_DWORD 0x220
else
  run_panel VEXMOR_PORTS=
  check "the 95 family's default is the processor's port instructions: the dialog comes up" \
    drive wait "$panel" keys "$panel" escape gone "$panel"
  check "  the saved mode byte (monitor on) went out at the saved base port" \
    test "$(first_access)" = "out 0x0224 0x56"
  panel_exit
  check "  status 0" test $? = 0
fi
if [ "$VX_WINE_ARCH" = win64 ]; then
  # A 64-bit process may never execute port instructions, whatever version it is told Wine is:
  # the panel set to Windows 98 alone (as a compatibility mode sets one program) faults on the
  # first one, as on an NT system that runs the program in its "Windows 98 / Me" mode.
  rm -f "$log"
  vx_reg add 'HKCU\Software\Wine\AppDefaults\Volsar.exe' /v Version /d win98 /f >/dev/null
  run_panel VEXMOR_PORTS=
  check "a system that reports the 95 family but faults on port instructions: one message" \
    drive says "$panel" "0x0222, 0x0223, 0x0224 and 0x0228" says "$panel" "VEXMOR_PORTS=emulated" \
      keys "$panel" return gone "$panel"
  panel_exit; status=$?
  check "  exit status 1, no crash" test "$status" = 1
  check "  no port access was logged" test ! -e "$log"
  check "  the settings were not rewritten" reg_has "$settings" Port REG_DWORD 0x220
  vx_reg delete 'HKCU\Software\Wine\AppDefaults\Volsar.exe' /f >/dev/null
fi
# Port instructions refused from the first access after start-up on (the panel's copy in refusing/,
# told it runs on Windows 98 so that it takes them; an access after the refusal ends it with status
# 99), met by a drag, a key and a click: the refusal's message alone, the panel disabled behind it
# where a drag and a click change nothing, status 1, nothing saved (Gain 0x101 would be saved as
# 0x1), and the help viewer, opened before, closed.
if [ -x "$bin/refusing/Volsar.exe" ]; then
  mkdir -p "$base/refusing" && cp "$bin/refusing/Volsar.exe" "$bin/Volsar.hlp" "$base/refusing/"
  vx_reg add 'HKCU\Software\Wine\AppDefaults\Volsar.exe' /v Version /d win98 /f >/dev/null
  vx_reg add "$settings" /v Gain /t REG_DWORD /d 0x101 /f >/dev/null
  for how in "drag 1000 40" "keys right" "click 1005"; do
    rm -f "$log"
    panel_exe=$base/refusing/Volsar.exe run_panel VX_REFUSE_FROM=2 VEXMOR_PORTS= 2>"$base/stderr.txt"
    drive wait "$panel" keys "$panel" f1 wait "$viewer" sleep 1000 >/dev/null  # the viewer settles
    read -r step rest <<<"$how"
    if [ "$step" = click ]; then  # BM_CLICK is sent: it returns once the message is closed
      drive click "$panel" $rest >/dev/null &
      sleep 2
    else
      drive "$step" "$panel" $rest >/dev/null
    fi
    check "refused ports met by a ${step%s}: the refusal's message, the panel disabled behind it" \
      drive blocked "$panel" says "$panel" "port instructions fault here"
    check "  a drag and a click on it change nothing" \
      drive drag "$panel" 1010 40 click "$panel" 1007 sleep 300 text "$panel" 1007 "&Stereo"
    check "  Enter closes it, and the panel" drive keys "$panel" return gone "$panel"
    panel_exit; status=$?
    wait
    check "  status 1, one message in all, nothing saved, the viewer closed" \
      eval 'test "$status" = 1 -a "$(grep -c "^Volsar: " "$base/stderr.txt")" = 1 &&
        reg_has "$settings" Gain REG_DWORD 0x101 && drive gone "$viewer"'
  done
  vx_reg delete 'HKCU\Software\Wine\AppDefaults\Volsar.exe' /f >/dev/null
fi
run_panel VEXMOR_PORTS=bogus
check "an unknown VEXMOR_PORTS names the accepted values" \
  drive says "$panel" '"emulated" or "direct"' keys "$panel" return gone "$panel"
panel_exit; status=$?
check "  exit status 2" test "$status" = 2
# Values longer than any buffer come whole: "emulated" and 5,000 more characters is refused, and
# a card log path of 5,000 characters is named whole (its last part too) as one that cannot be
# opened.
run_panel VEXMOR_PORTS="emulated$(printf 'x%.0s' $(seq 5000))"
check "a VEXMOR_PORTS of 5,008 characters starting \"emulated\" is refused with the same message" \
  drive says "$panel" '"emulated" or "direct"' keys "$panel" return gone "$panel"
panel_exit; status=$?
check "  exit status 2" test "$status" = 2
rm -f "$log"
long_log="$(vx_winpath "$base")\\$(printf 'a%.0s' $(seq 5000))\\end.log"
env VEXMOR_CARD_LOG="$long_log" timeout -k 5 60 "$vx_wine_loader" "$bin/Volsar.exe" &
panel_pid=$!
check "a card log path of 5,000 characters that cannot be opened is named whole" \
  drive says "$panel" 'cannot open the card log' says "$panel" '\end.log; nothing was touched.' \
    keys "$panel" return gone "$panel"
panel_exit; status=$?
check "  exit status 2" test "$status" = 2

# Two programs appending 20,000 lines each to one card log through the shipped run-time: every
# line whole, and each writer's all there in order. Where the writers' lock is missing, Wine's
# appending loses lines (and the older three writes a line tore some). The 64-bit prefix and the
# one set to Windows 95 take the two ways of appending.
if [ -x "$bin/vx_card_log_writer.exe" ] && [ "$VX_WINE_ARCH${VX_WINE_VERSION:-}" != win32win98 ] &&
   [ "$VX_WINE_ARCH${VX_WINE_VERSION:-}" != win32winxp ]; then
  rm -f "$log"
  for value in 161 178; do  # 0xa1, 0xb2
    VX_LOG_LINES=20000 VX_LOG_VALUE=$value VEXMOR_CARD_LOG="$(vx_winpath "$log")" \
      vx_wine "$bin/vx_card_log_writer.exe" &
  done
  wait
  expected() { seq 0 19999 | awk -v v="$1" '{ printf "out 0x%04x 0x%s\r\n", $1, v }'; }
  check "two writers of one card log: each line whole, none lost, each writer's in order" \
    eval 'cmp -s <(grep -a "0xa1.$" "$log") <(expected a1) &&
      cmp -s <(grep -a "0xb2.$" "$log") <(expected b2) && test "$(wc -l <"$log")" = 40000'
fi

# --- The uninstaller ---------------------------------------------------------------------------

uninstaller="Uninstall Vexmor Recording Panel"
registration='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Vexmor_Rec'
install="$drive_c/Vexmor Recording"
desktop="$HOME"  # Wine's desktop folder is the home folder
win_install='C:\Vexmor Recording'

install_panel() {
  rm -rf "$install"
  mkdir -p "$install"
  cp "$bin/Volsar.exe" "$bin/Volsar.hlp" "$bin/pelzorn.exe" "$install/"
  echo index >"$install/Volsar.gid"
  echo contents >"$install/Volsar.cnt"
  vx_reg add "$registration" /v UninstallString /d "$win_install\\pelzorn.exe" /f >/dev/null
  vx_reg add "$settings" /v Port /t REG_DWORD /d 0x330 /f >/dev/null
  mkdir -p "$desktop/Vexmor" "$desktop/Tools"
  echo "my notes" >"$desktop/Tools/notes.txt"
  drive link 'C:\users\root\Desktop\Volsar.lnk' "$win_install\\Volsar.exe" \
    link 'C:\users\root\Desktop\Volsar Help.lnk' "$win_install\\Volsar.hlp" \
    link 'C:\users\root\Desktop\Vexmor\Recording Panel.lnk' "$win_install\\VOLSAR.EXE" \
    link 'C:\users\root\Desktop\Vexmor\Help.lnk' "$win_install\\Volsar.hlp" \
    link 'C:\users\root\Desktop\Tools\Panel.lnk' "$win_install\\Volsar.exe" \
    link 'C:\users\root\Desktop\Notepad.lnk' 'C:\windows\notepad.exe' >/dev/null
}

install_panel
check "the install has its shortcuts" test -f "$desktop/Vexmor/Help.lnk" -a -f "$desktop/Volsar.lnk"
timeout -k 5 60 "$vx_wine_loader" "$install/pelzorn.exe" &
pid=$!
check "the uninstaller runs with Common Controls 6 too" \
  eval 'drive wait "$uninstaller" module "$uninstaller" comctl32.dll | grep -qiE "$comctl6"'
check "F1 in the uninstaller opens nothing: no help window, the dialog stays active" \
  drive wait "$uninstaller" keys "$uninstaller" f1 gone Help active "$uninstaller"
check "Cancel leaves everything in place" \
  drive wait "$uninstaller" click "$uninstaller" 2 gone "$uninstaller"
wait $pid
check "  status 0" test $? = 0
check "  the files, the keys and the shortcuts are all still there" \
  test -f "$install/Volsar.exe" -a -f "$desktop/Volsar.lnk" -a -f "$desktop/Vexmor/Help.lnk"
check "  both keys too" vx_reg query "$registration"
check "  no [Rename] entry was written" \
  bash -c "! grep -qs pelzorn '$drive_c/windows/wininit.ini'"

if [ "$family" = NT ]; then
  # An account without the installer's rights: the registration refuses KEY_ALL_ACCESS.
  refused="Can't open the registration named:" work="$drive_c/users/Public/work"
  mkdir -p "$work" && echo "mine" >"$work/Volsar.exe" && drive rights "${registration#*\\}" read >/dev/null
  (cd "$work" && timeout -k 5 60 "$vx_wine_loader" "$install/pelzorn.exe") &
  pid=$!
  check "A registration the account may not open stops the uninstall with one message naming it" \
    drive wait "$uninstaller" keys "$uninstaller" return says "$refused" 'Uninstall\Vexmor_Rec' \
      says "$refused" 'rights of an administrator' keys "$refused" return gone "$uninstaller"
  wait $pid
  check "  status 1" test $? = 1
  check "  files, shortcuts, the user's own Volsar.exe and both keys are all still there" \
    eval 'test -f "$install/Volsar.exe" -a -f "$desktop/Volsar.lnk" -a -f "$work/Volsar.exe" &&
      vx_reg query "$registration" && vx_reg query "$settings"'
  drive rights "${registration#*\\}" full >/dev/null
fi

(cd "$install" && timeout -k 5 60 "$vx_wine_loader" pelzorn.exe) &
pid=$!
check "Enter on the confirmation runs the uninstall (OK is the default button)" \
  drive wait "$uninstaller" keys "$uninstaller" return gone "$uninstaller"
wait $pid
check "  status 0" test $? = 0
check "  the settings key is gone" reg_missing "$settings"
check "  the registration is gone" reg_missing "$registration"
for file in Volsar.exe Volsar.hlp Volsar.gid Volsar.cnt; do
  check "  $file is deleted" test ! -e "$install/$file"
done
check "  pelzorn.exe waits for the next start" test -f "$install/pelzorn.exe"
check "  the desktop shortcuts to the panel and its help are deleted" \
  test ! -e "$desktop/Volsar.lnk" -a ! -e "$desktop/Volsar Help.lnk"
check "  a folder that held only such shortcuts is removed" test ! -e "$desktop/Vexmor"
check "  a folder with other content stays, without its shortcut" \
  test -f "$desktop/Tools/notes.txt" -a ! -e "$desktop/Tools/Panel.lnk"
check "  a shortcut to another program stays" test -f "$desktop/Notepad.lnk"
wininit=$(ls "$drive_c"/windows/[Ww][Ii][Nn][Ii][Nn][Ii][Tt].[Ii][Nn][Ii] 2>/dev/null | head -n 1)
check "  WININIT.INI [Rename] deletes pelzorn.exe, then the folder" \
  grep -Pzq '\[Rename\]\r?\nNUL=C:\\Vexmor Recording\\pelzorn.exe\r?\nNUL=C:\\Vexmor Recording\r?\n' "$wininit"
pending=$(vx_reg query 'HKLM\SYSTEM\CurrentControlSet\Control\Session Manager' \
  /v PendingFileRenameOperations 2>/dev/null | tr -d '\r')
if [ "$family" = NT ]; then
  check "  the NT family's start-up queue holds the same two deletions" \
    grep -q 'Vexmor Recording\\pelzorn.exe.*Vexmor Recording' <<<"$pending"
else
  nothing_pending() { ! grep -q PendingFileRenameOperations <<<"$pending"; }
  check "  the 95 family has no start-up queue: nothing is queued with MoveFileEx" nothing_pending
fi

timeout -k 5 120 "$vx_wine_loader" wineboot -r >/dev/null 2>&1
vx_wine_stop
check "after the next start (wineboot -r) pelzorn.exe is gone" test ! -e "$install/pelzorn.exe"
if [ "$family" = NT ]; then
  check "  and so is the install folder, empty by then" test ! -e "$install"
else
  # Only the NT family's queue removes folders. Wine carries out WININIT.INI as the Windows 95
  # family's WININIT.EXE does, which deletes files only: the empty install folder stays.
  check "  the install folder stays, empty: WININIT.INI deletes files only" \
    test -d "$install" -a -z "$(ls -A "$install" 2>/dev/null)"
fi
check "  WININIT.INI was carried out (renamed to wininit.bak)" \
  test -z "$(ls "$drive_c"/windows/[Ww][Ii][Nn][Ii][Nn][Ii][Tt].[Ii][Nn][Ii] 2>/dev/null)" -a \
    -n "$(ls "$drive_c"/windows/[Ww][Ii][Nn][Ii][Nn][Ii][Tt].[Bb][Aa][Kk] 2>/dev/null)"

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
