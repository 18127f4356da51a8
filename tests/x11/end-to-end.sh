#!/bin/bash
# Both Linux programs end to end in real X windows (run under xvfb-run) managed by openbox, driven
# from outside with xdotool and wmctrl as a user would, the results read back from the card log,
# the registry hives, the desktop and WININIT.INI. The same cases the Windows build meets under
# Wine.
#
#   xvfb-run -a tests/x11/end-to-end.sh BUILD_DIR
#
# BUILD_DIR is a configured and built Linux tree (its bin/ holds Volsar.exe and pelzorn.exe). HOME
# and the XDG folders point into a temporary folder, removed afterwards.
set -u
build=$(cd "${1:?usage: end-to-end.sh BUILD_DIR}" && pwd)
bin=$build/bin
work=$(mktemp -d /tmp/vexmor-x11.XXXXXX)
export HOME=$work/home XDG_CONFIG_HOME= XDG_STATE_HOME= XDG_DATA_HOME= QT_QPA_PLATFORM=xcb
mkdir -p "$HOME"
# A window manager, as on a desktop: it frames the windows, moves the focus, and passes on the
# close requests that wmctrl sends.
openbox >/dev/null 2>&1 &
wm=$!
trap 'kill $wm 2>/dev/null; wait $wm 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 50); do wmctrl -m >/dev/null 2>&1 && break; sleep 0.1; done
log=$work/card.log
userreg=$HOME/.config/vexmor/registry/user.reg
systemreg=$HOME/.config/vexmor/registry/system.reg

passed=0 failed=0
check() {  # check DESCRIPTION COMMAND...
  local what=$1
  shift
  if "$@" >/dev/null 2>&1; then passed=$((passed + 1)); echo "ok: $what"
  else failed=$((failed + 1)); echo "FAIL: $what"; fi
}

# soon DESCRIPTION COMMAND...: a check of what the program does in answer to input, given up to
# 5 s to come true.
soon() {
  local what=$1
  shift
  for _ in $(seq 50); do "$@" >/dev/null 2>&1 && break; sleep 0.1; done
  check "$what" "$@"
}

# start PROGRAM CAPTION: runs the program in the background and waits for its window.
start() {
  "$1" >"$work/out" 2>&1 &
  pid=$!
  win=""
  for _ in $(seq 100); do
    win=$(xdotool search --name "^$2\$" 2>/dev/null | head -1)
    [ -n "$win" ] && break
    sleep 0.1
  done
  [ -n "$win" ] && xdotool windowfocus --sync "$win" >/dev/null 2>&1
  sleep 0.3
}
keys() { for k in "$@"; do xdotool key --clearmodifiers "$k"; sleep 0.15; done; }
# finish: waits (at most 10 s) for the program to end; status in $status.
finish() {
  for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill "$pid" 2>/dev/null
  wait "$pid"
  status=$?
}
value() { grep -i "^\"$1\"=" "$userreg" | head -1; }

# --- The panel -------------------------------------------------------------------------------
export VEXMOR_CARD_LOG=$log
start "$bin/Volsar.exe" "Vexmor Recording"
check "the panel opens its window" test -n "$win"
soon "  the mode byte 0x16 reached port 0x334 before any input" \
  test "$(cat "$log" 2>/dev/null)" = "out 0x0334 0x16"
keys Right
soon "a key on the microphone slider writes gain index 4, waits, writes 1" \
  test "$(grep '^out' "$log" | tail -2 | tr '\n' ' ')" = "out 0x0333 0x04 out 0x0332 0x01 "
check "  after polling the status word until bit 0x0200 clears" grep -q "^in 0x0338 0x0000" "$log"
help="Vexmor Recording Help"
xdotool windowmove --sync "$win" 40 100 >/dev/null 2>&1  # room for the help on the right
keys F1
soon "F1 opens the help window" xdotool search --name "^$help\$"
geometry() { xdotool getwindowgeometry --shell "$1" | grep -E '^(X|Y|WIDTH)=' | cut -d= -f2; }
check "  beside the panel, to its right, level with it" eval '{ read -r px; read -r py; read -r pw
  read -r hx; read -r hy; } < <(geometry "$win"; geometry "$(xdotool search --onlyvisible --name "^$help\$" | head -1)")
  [ "$hx" -ge $((px + pw)) ] && [ "$hy" = "$py" ]'
check "  the window manager's close request reaches it" wmctrl -F -c "$help"
soon "  and closes it" bash -c "! xdotool search --name '^$help\$'"
keys Right
soon "  the panel has the focus again: Right writes gain 2" \
  test "$(grep '^out' "$log" | tail -2 | tr '\n' ' ')" = "out 0x0333 0x04 out 0x0332 0x02 "
keys alt+a End
soon "Alt+A then End writes 255 through index 8" \
  test "$(grep '^out' "$log" | tail -2 | tr '\n' ' ')" = "out 0x0333 0x08 out 0x0332 0xff "
# From the auxiliary slider, Tab reaches Monitor, Input, Bits, then Channels.
keys Tab Tab Tab Tab space
soon "pressing the Channels button writes mode byte 0x14" \
  test "$(tail -1 "$log")" = "out 0x0334 0x14"
keys Escape
finish
check "Escape ends the panel with status 0" test "$status" = 0
check "  the six values are saved as REG_DWORD" \
  test "$(grep -cE '^"(Port|Gain|Chan|Mon|Bits|Rate)"=dword:' "$userreg")" = 6
check "  Chan is saved as 0" test "$(value Chan)" = '"Chan"=dword:00000000'

: >"$log"
start "$bin/Volsar.exe" "Vexmor Recording"
soon "the next run starts from the saved switches (mode 0x14)" \
  test "$(head -1 "$log")" = "out 0x0334 0x14"
keys Return
finish
check "  Enter on the slider ends it (OK) with status 0" test "$status" = 0
unset VEXMOR_CARD_LOG

# --- Install, then the uninstaller -----------------------------------------------------------
prefix=$work/prefix
check "cmake --install lays out the install folder" \
  cmake --install "$build" --prefix "$prefix"
folder=$prefix/lib/vexmor
desktop_entry=$HOME/Desktop/vexmor-recording.desktop
check "  with Volsar.exe, Volsar.hlp and pelzorn.exe" \
  test -f "$folder/Volsar.exe" -a -f "$folder/Volsar.hlp" -a -f "$folder/pelzorn.exe"
check "  the registration names pelzorn.exe" grep -qF "\"UninstallString\"=\"$folder/pelzorn.exe\"" "$systemreg"
check "  and the desktop has the panel's entry" test -f "$desktop_entry"
# The application menu, as GLib finds it for a launcher (XDG_DATA_HOME unset: ~/.local/share).
menu_entry=$HOME/.local/share/applications/vexmor-recording.desktop
theme=$HOME/.local/share/icons/hicolor
check "  the launcher entry is the user's, in ~/.local/share/applications" test -f "$menu_entry"
appinfo() {  # appinfo EXPECTED: GDesktopAppInfo's executable and icon for the panel's id
  test "$(/usr/bin/python3 -c '
import gi; gi.require_version("Gio", "2.0"); from gi.repository import Gio
try: info = Gio.DesktopAppInfo.new("vexmor-recording.desktop")
except TypeError: info = None  # no entry of that id
print(info.get_executable() + " " + info.get_icon().to_string() if info else "none")' 2>&1)" = "$1"
}
check "  GLib finds the launcher entry by its id: Volsar.exe, icon vexmor-recording" \
  appinfo "$folder/Volsar.exe vexmor-recording"
mkdir -p "$theme/48x48/apps" "$HOME/.local/share/applications"
echo "another program's" >"$theme/48x48/apps/other.png"
echo "another program's" >"$HOME/.local/share/applications/other.desktop"
pngsize() { /usr/bin/python3 -c 'import struct, sys; d = open(sys.argv[1], "rb").read(24)
print(*struct.unpack(">II", d[16:24]) if d[:8] == b"\x89PNG\r\n\x1a\n" else "not a PNG")' "$1"; }
for size in 16 24 32 48 64 128 256; do
  check "  its icon is in the user's hicolor theme at ${size}x${size}" \
    test "$(pngsize "$theme/${size}x${size}/apps/vexmor-recording.png")" = "$size $size"
done
mkdir -p "$HOME/Desktop/Audio" "$HOME/Desktop/Mixed"
ln -s "$folder/Volsar.exe" "$HOME/Desktop/Audio/Panel"
ln -s "$folder/Volsar.hlp" "$HOME/Desktop/Audio/Panel help"
ln -s "$folder/Volsar.exe" "$HOME/Desktop/Mixed/Panel"
echo "keep me" >"$HOME/Desktop/Mixed/notes.txt"

cd "$work"
start "$folder/pelzorn.exe" "Uninstall Vexmor Recording Panel"
check "the uninstaller opens its confirmation" test -n "$win"
keys F1
sleep 0.5
check "  F1 opens nothing there (it has no help file)" \
  test "$(xdotool search --onlyvisible --name . 2>/dev/null | wc -l)" = "$(xdotool search --onlyvisible --name '^Uninstall Vexmor Recording Panel$' | wc -l)"
keys Escape
finish
check "  Escape ends it with status 0" test "$status" = 0
check "  and touches nothing" test -f "$folder/Volsar.exe" -a -f "$desktop_entry" -a -f "$userreg"
check "  the registration is still there" grep -q UninstallString "$systemreg"

start "$folder/pelzorn.exe" "Uninstall Vexmor Recording Panel"
keys Return
finish
check "Enter on the confirmation runs the uninstall and ends with status 0" test "$status" = 0
check "  the settings key is gone" bash -c "! grep -q Vexmor_Rec '$userreg'"
check "  the registration is gone" bash -c "! grep -q Vexmor_Rec '$systemreg'"
check "  Volsar.exe and Volsar.hlp are deleted" test ! -e "$folder/Volsar.exe" -a ! -e "$folder/Volsar.hlp"
check "  the desktop entry is deleted" test ! -e "$desktop_entry"
check "  the launcher entry is deleted: GLib finds none" test ! -e "$menu_entry"
check "    GLib finds none" appinfo none
check "  and its icons, every size" bash -c "! find '$theme' -name 'vexmor-recording*' | grep -q ."
check "  another program's entry and icon stay, as do the theme's folders" \
  test -f "$HOME/.local/share/applications/other.desktop" -a -f "$theme/48x48/apps/other.png" \
  -a -d "$theme/256x256/apps"
check "  a folder that held only links to the panel is removed" test ! -e "$HOME/Desktop/Audio"
check "  a folder with other content stays, without its link" \
  test -f "$HOME/Desktop/Mixed/notes.txt" -a ! -L "$HOME/Desktop/Mixed/Panel"
wininit=$HOME/.local/state/vexmor/WININIT.INI
check "  [Rename] deletes pelzorn.exe, then the folder" \
  test "$(grep '^NUL=' "$wininit" | tr '\n' ' ')" = "NUL=$folder/pelzorn.exe NUL=$folder "
check "the login step (vexmor-wininit) carries them out" "$prefix/bin/vexmor-wininit"
check "  pelzorn.exe and the empty install folder are gone" test ! -e "$folder"

# Runs in which F1's help window must take the focus, so that Escape closes it and not the panel:
# under openbox, then with no window manager (where nothing but the program gives it the focus).
focused() { xdotool search --onlyvisible --name "^$help\$" | grep -qx "$(xdotool getwindowfocus)"; }
for manager in openbox none; do
  [ $manager = none ] && { kill $wm; wait $wm; } 2>/dev/null
  missed=0
  for _ in $(seq "${VX_FOCUS_RUNS:-3}"); do
    start "$bin/Volsar.exe" "Vexmor Recording"
    keys F1
    for _ in $(seq 30); do focused && break; sleep 0.1; done
    keys Escape
    sleep 0.3
    { xdotool search --onlyvisible --name "^$help\$" ||
      ! xdotool search --onlyvisible --name "^Vexmor Recording\$"; } >/dev/null && missed=$((missed + 1))
    keys Escape
    finish
  done
  check "window manager $manager: Escape closed the help, not the panel, in all runs ($missed missed)" \
    test $missed = 0
done

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
