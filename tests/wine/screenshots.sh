#!/bin/bash
# Screenshots of both win64 dialogs as Wine draws them, for docs/:
#
#   tests/wine/screenshots.sh BIN_DIR OUT_DIR [DPI...]
#
# writes OUT_DIR/volsar-wine.png, OUT_DIR/volsar-help-wine.png (the panel's help window),
# OUT_DIR/pelzorn-wine.png and OUT_DIR/volsar-winhelp-wine.png (Wine's help viewer with Volsar.hlp),
# at 96 DPI. For each DPI given (the prefix's LogPixels: 96, 144, 192), it writes instead the panel,
# its help window and message box, and the uninstaller and its message box, as
# OUT_DIR/NAME-wine-DPI.png, and prints each window's size in pixels. Needs xvfb-run, ImageMagick
# and fonts-wine. The programs run in a hermetic prefix with the X11 driver on Wine's virtual
# desktop, which draws the caption bars itself (the X server has no window manager), with Wine's own
# fonts (MS Sans Serif, Marlett for the caption buttons) in the prefix's Fonts folder; each picture
# is the window's own rectangle, cut from the screen.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
magick=/usr/bin/convert  # ImageMagick's, whatever else PATH holds
screen_for() { if [ $# = 0 ]; then echo 640x480; else echo 1280x960; fi; }  # DPIs: room for 192

inside() {  # runs inside xvfb-run: inside BIN_DIR OUT_DIR BASE [DPI...]
  local bin=$1 out=$2 base=$3 screen
  shift 3
  screen=$(screen_for "$@")
  . "$here/wine-env.sh" "$base"
  trap vx_wine_stop EXIT
  vx_wine_init x11
  vx_reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null
  vx_reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d "$screen" /f >/dev/null
  cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/"
  timeout 60 wineserver -w
  drive() { vx_wine "$bin/vx_wine_driver.exe" "$@"; }
  shoot() {  # shoot CAPTION FILE
    local rect try
    for try in 1 2 3; do  # a loaded machine may fail to start the driver now and then
      rect=$(drive rect "$1" | tr -d '\r' | grep -E '^-?[0-9]+ -?[0-9]+ [0-9]+ [0-9]+$')
      [ -n "$rect" ] && break
    done
    [ -n "$rect" ] || { echo "screenshots.sh: no window \"$1\" to take" >&2; return 1; }
    set -- "$2" $rect
    sleep 0.5
    import -window root "$base/screen.png"
    "$magick" "$base/screen.png" -crop "$4x$5+$2+$3" +repage "$1"
    echo "$(basename "$1"): $4 x $5 pixels"
  }
  dialogs() {  # dialogs SUFFIX: the panel, its help window, the uninstaller; with a SUFFIX, their messages
    timeout -k 5 60 "$vx_wine_loader" "$bin/Volsar.exe" &
    drive wait "Vexmor Recording" keys "Vexmor Recording" pgdn,pgdn,pgdn,right,right,alt+a,pgdn,pgdn,alt+v >/dev/null
    shoot "Vexmor Recording" "$out/volsar-wine$1.png"
    drive keys "Vexmor Recording" f1 wait "Vexmor Recording Help" >/dev/null
    shoot "Vexmor Recording Help" "$out/volsar-help-wine$1.png"
    drive keys "Vexmor Recording Help" escape gone "Vexmor Recording Help" >/dev/null
    drive keys "Vexmor Recording" escape gone "Vexmor Recording" >/dev/null
    wait
    if [ -n "$1" ]; then  # the panel's message for a VEXMOR_PORTS it does not know
      VEXMOR_PORTS=bogus timeout -k 5 60 "$vx_wine_loader" "$bin/Volsar.exe" &
      drive wait "Vexmor Recording" >/dev/null
      shoot "Vexmor Recording" "$out/volsar-message-wine$1.png"
      drive keys "Vexmor Recording" return gone "Vexmor Recording" >/dev/null
      wait
    fi
    # The uninstaller in an install folder of its own, where a folder named Volsar.exe cannot be
    # deleted: OK there gives its message.
    local install=$WINEPREFIX/drive_c/Shots un="Uninstall Vexmor Recording Panel"
    rm -rf "$install" && mkdir -p "$install/Volsar.exe" && cp "$bin/pelzorn.exe" "$install/"
    vx_reg add 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Vexmor_Rec' \
      /v UninstallString /d 'C:\Shots\pelzorn.exe' /f >/dev/null
    timeout -k 5 60 "$vx_wine_loader" "$install/pelzorn.exe" &
    drive wait "$un" keys "$un" tab,tab >/dev/null
    shoot "$un" "$out/pelzorn-wine$1.png"
    if [ -z "$1" ]; then
      drive click "$un" 2 gone "$un" >/dev/null
    else
      drive keys "$un" return wait "Can't delete the file named:" >/dev/null
      shoot "Can't delete the file named:" "$out/pelzorn-message-wine$1.png"
      drive keys "Can't delete the file named:" return gone "$un" >/dev/null
    fi
    wait
  }
  if [ $# -gt 0 ]; then
    for dpi in "$@"; do
      vx_reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null
      vx_wine_stop  # the DPI is read when Wine starts
      dialogs "-$dpi"
    done
    return
  fi
  dialogs ""

  # Wine's own help viewer with the compiled Volsar.hlp (its caption holds the file's path).
  timeout -k 5 60 "$vx_wine_loader" winhlp32 "$(vx_winpath "$bin/Volsar.hlp")" &
  drive wait class:MS_WINHELP >/dev/null
  shoot class:MS_WINHELP "$out/volsar-winhelp-wine.png"
  drive close class:MS_WINHELP gone class:MS_WINHELP >/dev/null
  vx_wine_stop
}
if [ "${1:-}" = --inside ]; then
  shift
  inside "$@"
  exit
fi
bin=$(cd "${1:?usage: screenshots.sh BIN_DIR OUT_DIR}" && pwd)
out=$(mkdir -p "${2:?}" && cd "$2" && pwd)
shift 2
screen=$(screen_for "$@")
base=$(mktemp -d /tmp/vexmor-shots.XXXXXX)
trap 'rm -rf "$base"' EXIT
xvfb-run -a -s "-screen 0 ${screen}x24" "$0" --inside "$bin" "$out" "$base" "$@"
if [ $# = 0 ]; then
  echo "wrote $out/volsar-wine.png, $out/volsar-help-wine.png, $out/pelzorn-wine.png and" \
    "$out/volsar-winhelp-wine.png"
fi
