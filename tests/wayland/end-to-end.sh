#!/bin/bash
# Both Linux programs end to end as native Wayland clients of a headless sway, driven from outside
# with wtype (the virtual-keyboard protocol) as a user would, the windows found through sway's IPC,
# the results read back from the card log, the registry hives and the desktop. The same cases the
# X driver (tests/x11) meets, on the other display protocol.
#
#   tests/wayland/end-to-end.sh BUILD_DIR [SHOTS_DIR [SCALE...]]
#
# BUILD_DIR is a configured and built Linux tree. With SHOTS_DIR, screenshots of the panel, the
# panel with its help and the uninstaller (grim, the whole headless output) are written there,
# at each Qt scale factor named (default 1): wayland-<scale>-panel.png, -help.png, -pelzorn.png.
# HOME, XDG_RUNTIME_DIR and the XDG folders point into a temporary folder, removed afterwards.
# sway refuses to run as root: run as root, the compositor runs as uid 65534 and the programs
# reach it by the socket's full path. COMPOSITOR, when set, is the command that starts it (default
# sway; the suite gives one that fails and one that dies, to see the stage say so).
set -u
began=$SECONDS
build=$(cd "${1:?usage: end-to-end.sh BUILD_DIR [SHOTS_DIR [SCALE...]]}" && pwd)
shots=${2:-}
shift $(($# < 2 ? $# : 2))
scales=("${@:-1}")
[ -z "$shots" ] || { mkdir -p "$shots" && shots=$(cd "$shots" && pwd); }
bin=$build/bin
work=$(mktemp -d /tmp/vexmor-wayland.XXXXXX)
chmod 711 "$work"
trap 'kill $sway 2>/dev/null; wait $sway 2>/dev/null; rm -rf "$work"' EXIT

# --- The compositor ----------------------------------------------------------------------------
as_user=()
[ "$(id -u)" -eq 0 ] && as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
run=$work/sway-run
mkdir -m 700 "$run"
[ ${#as_user[@]} -eq 0 ] || chown 65534:65534 "$run"
# No XWayland: a program that did not come up as a Wayland client has no window at all.
cat >"$work/sway.config" <<'EOF'
xwayland disable
output HEADLESS-1 resolution 1600x900 position 0 0 bg #008080 solid_color
default_border normal
# Room for the help window beside the panel (a client cannot place its windows under Wayland).
for_window [title="^Vexmor Recording Help$"] move position 10 10
for_window [title="^Vexmor Recording$"] move position 960 40
EOF
chmod 644 "$work/sway.config"
(cd / && exec env -i PATH="$PATH" HOME="$run" XDG_RUNTIME_DIR="$run" WLR_BACKENDS=headless \
   WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman "${as_user[@]}" ${COMPOSITOR:-sway} \
   -c "$work/sway.config") \
  >"$work/sway.log" 2>&1 &
sway=$!
socket="" ipc=""
for _ in $(seq 100); do
  socket=$(find "$run" -maxdepth 1 -type s -name 'wayland-*' 2>/dev/null | head -1)
  ipc=$(find "$run" -maxdepth 1 -type s -name 'sway-ipc.*' 2>/dev/null | head -1)
  [ -n "$socket" ] && [ -n "$ipc" ] && break
  kill -0 $sway 2>/dev/null || break
  sleep 0.05
done
if [ -z "$socket" ] || [ -z "$ipc" ] || ! kill -0 $sway 2>/dev/null; then
  echo "FAIL: the compositor (sway, headless) did not start; its last words:"
  tail -5 "$work/sway.log" | sed 's/^/  /'
  exit 1
fi

export HOME=$work/home XDG_RUNTIME_DIR=$work/client-run XDG_CONFIG_HOME= XDG_STATE_HOME= \
       XDG_DATA_HOME= QT_QPA_PLATFORM=wayland WAYLAND_DISPLAY=$socket SWAYSOCK=$ipc
unset DISPLAY QT_SCALE_FACTOR
mkdir -p "$HOME"
mkdir -m 700 "$XDG_RUNTIME_DIR"
log=$work/card.log
userreg=$HOME/.config/vexmor/registry/user.reg
systemreg=$HOME/.config/vexmor/registry/system.reg

# A compositor that died takes every later check with it: say so once, and stop.
alive() {
  kill -0 $sway 2>/dev/null && return
  echo "FAIL: the compositor (sway, pid $sway) died during the run; its last words:"
  tail -5 "$work/sway.log" | sed 's/^/  /'
  echo "$passed passed, $((failed + 1)) failed ($((SECONDS - began)) s)"
  exit 1
}
passed=0 failed=0
check() {  # check DESCRIPTION COMMAND...
  local what=$1
  shift
  alive
  if "$@" >/dev/null 2>&1; then passed=$((passed + 1)); echo "ok: $what"
  else failed=$((failed + 1)); echo "FAIL: $what"; fi
}
soon() {  # soon DESCRIPTION COMMAND...: given up to 5 s to come true
  local what=$1
  shift
  for _ in $(seq 50); do "$@" >/dev/null 2>&1 && break; alive; sleep 0.1; done
  check "$what" "$@"
}
# window CAPTION: succeeds while the program started last has a window of that caption, drawn by
# a native Wayland client (sway's xdg_shell; XWayland is off anyway).
window() { swaymsg -q "[pid=$pid shell=\"xdg_shell\" title=\"^$1\$\"] nop"; }
gone() { ! swaymsg -q "[title=\"^$1\$\"] nop"; }
focus() { swaymsg -q "[title=\"^$1\$\"] focus"; }
# start PROGRAM CAPTION: runs the program in the background and waits for its window; $up says
# whether it came.
start() {
  "$1" >"$work/out" 2>&1 &
  pid=$!
  up=""
  for _ in $(seq 100); do window "$2" && { up=1; break; }; alive; sleep 0.1; done
}
# keys ARGS...: one wtype call (a new virtual keyboard each time), given 300 ms for the client
# to take its keymap before the first key.
keys() { wtype -s 300 "$@"; sleep 0.2; }
finish() {  # waits (at most 10 s) for the program to end; status in $status
  for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill "$pid" 2>/dev/null
  wait "$pid"
  status=$?
}
value() { grep -i "^\"$1\"=" "$userreg" | head -1; }
last_gain() { grep '^out' "$log" | tail -2 | tr '\n' ' '; }

# --- The panel ---------------------------------------------------------------------------------
panel="Vexmor Recording" help="Vexmor Recording Help"
export VEXMOR_CARD_LOG=$log
start "$bin/Volsar.exe" "$panel"
check "the panel comes up as a native Wayland client" test -n "$up"
soon "  the mode byte 0x16 reached port 0x334 before any input" \
  test "$(cat "$log" 2>/dev/null)" = "out 0x0334 0x16"
keys -k Right
soon "a key on the microphone slider writes gain index 4, waits, writes 1" \
  test "$(last_gain)" = "out 0x0333 0x04 out 0x0332 0x01 "
keys -M alt -k o -m alt
soon "Alt+O switches the monitor on: mode byte 0x56" test "$(tail -1 "$log")" = "out 0x0334 0x56"
keys -k F1
soon "F1 opens the help window" window "$help"
check "  beside the panel, which stays open" window "$panel"
# The help window takes the focus as it opens; should a compositor leave it elsewhere, a user
# would click it first.
focus "$help"
keys -k Escape
soon "  Escape closes it" gone "$help"
check "  and leaves the panel running" kill -0 "$pid"
focus "$panel"
keys -k Escape
finish
check "Escape ends the panel with status 0" test "$status" = 0
check "  the six values are saved as REG_DWORD" \
  test "$(grep -cE '^"(Port|Gain|Chan|Mon|Bits|Rate)"=dword:' "$userreg")" = 6
check "  Mon is saved as 1" test "$(value Mon)" = '"Mon"=dword:00000001'
unset VEXMOR_CARD_LOG

# --- Install, then the uninstaller -------------------------------------------------------------
prefix=$work/prefix
check "cmake --install lays out the install folder" cmake --install "$build" --prefix "$prefix"
folder=$prefix/lib/vexmor
desktop_entry=$HOME/Desktop/vexmor-recording.desktop
check "  the desktop has the panel's entry" test -f "$desktop_entry"
mkdir -p "$HOME/Desktop/Audio"
ln -s "$folder/Volsar.exe" "$HOME/Desktop/Audio/Panel"
uninstall="Uninstall Vexmor Recording Panel"
cd "$work"
start "$folder/pelzorn.exe" "$uninstall"
check "the uninstaller comes up as a native Wayland client" test -n "$up"
keys -k Return
finish
check "Enter on the confirmation runs the uninstall and ends with status 0" test "$status" = 0
check "  the settings key is gone" bash -c "! grep -q Vexmor_Rec '$userreg'"
check "  the registration is gone" bash -c "! grep -q Vexmor_Rec '$systemreg'"
check "  Volsar.exe and Volsar.hlp are deleted" test ! -e "$folder/Volsar.exe" -a ! -e "$folder/Volsar.hlp"
check "  the desktop entry and the folder of links are deleted" \
  test ! -e "$desktop_entry" -a ! -e "$HOME/Desktop/Audio"
wininit=$HOME/.local/state/vexmor/WININIT.INI
check "  [Rename] deletes pelzorn.exe, then the folder" \
  test "$(grep '^NUL=' "$wininit" | tr '\n' ' ')" = "NUL=$folder/pelzorn.exe NUL=$folder "

# --- Screenshots -------------------------------------------------------------------------------
shoot() { sleep 0.4; alive; grim "$shots/wayland-$scale-$1.png"; }
if [ -n "$shots" ]; then
  for scale in "${scales[@]}"; do
    export QT_SCALE_FACTOR=$scale
    rm -rf "$HOME/.config"
    start "$bin/Volsar.exe" "$panel"; shoot panel
    keys -k F1; soon "  at scale $scale, F1 opens the help" window "$help"; shoot help
    focus "$help"; keys -k Escape; focus "$panel"; keys -k Escape; finish
    cmake --install "$build" --prefix "$prefix" >/dev/null
    start "$folder/pelzorn.exe" "$uninstall"; shoot pelzorn
    keys -k Escape; finish
    check "screenshots at scale $scale, and the uninstaller's Escape ends it with status 0" \
      test -s "$shots/wayland-$scale-pelzorn.png" -a "$status" = 0
  done
  unset QT_SCALE_FACTOR
fi

check "the compositor ran to the end" kill -0 $sway
echo "$passed passed, $failed failed ($((SECONDS - began)) s)"
[ "$failed" = 0 ]
