#!/bin/bash
# Screenshots of both win64 dialogs as Wine draws them, for docs/:
#
#   tests/wine/screenshots.sh BIN_DIR OUT_DIR
#
# writes OUT_DIR/volsar-wine.png, OUT_DIR/volsar-help-wine.png (the panel's help window),
# OUT_DIR/pelzorn-wine.png and OUT_DIR/volsar-winhelp-wine.png (Wine's help viewer with Volsar.hlp). Needs xvfb-run, ImageMagick and
# fonts-wine. The programs run in a hermetic prefix with the X11 driver on Wine's virtual desktop,
# which draws the caption bars itself (the X server has no window manager), with Wine's own fonts
# (MS Sans Serif, Marlett for the caption buttons) in the prefix's Fonts folder; each picture is the
# dialog's own rectangle, cut from the screen.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
magick=/usr/bin/convert  # ImageMagick's, whatever else PATH holds

inside() {  # runs inside xvfb-run: inside BIN_DIR OUT_DIR BASE
  local bin=$1 out=$2 base=$3
  . "$here/wine-env.sh" "$base"
  trap vx_wine_stop EXIT
  vx_wine_init x11
  vx_reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null
  vx_reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 640x480 /f >/dev/null
  cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/"
  timeout 60 wineserver -w
  drive() { vx_wine "$bin/vx_wine_driver.exe" "$@"; }
  shoot() {  # shoot CAPTION FILE
    local rect
    rect=$(drive rect "$1" | tr -d '\r')
    set -- "$2" $rect
    sleep 0.5
    import -window root "$base/screen.png"
    "$magick" "$base/screen.png" -crop "$4x$5+$2+$3" +repage "$1"
  }

  timeout -k 5 60 "$vx_wine_loader" "$bin/Volsar.exe" &
  drive wait "Vexmor Recording" keys "Vexmor Recording" pgdn,pgdn,pgdn,right,right,alt+a,pgdn,pgdn,alt+v >/dev/null
  shoot "Vexmor Recording" "$out/volsar-wine.png"
  drive keys "Vexmor Recording" f1 wait "Vexmor Recording Help" >/dev/null
  shoot "Vexmor Recording Help" "$out/volsar-help-wine.png"
  drive keys "Vexmor Recording Help" escape gone "Vexmor Recording Help" >/dev/null
  drive keys "Vexmor Recording" escape gone "Vexmor Recording" >/dev/null

  timeout -k 5 60 "$vx_wine_loader" "$bin/pelzorn.exe" &
  drive wait "Uninstall Vexmor Recording Panel" keys "Uninstall Vexmor Recording Panel" tab,tab \
    >/dev/null
  shoot "Uninstall Vexmor Recording Panel" "$out/pelzorn-wine.png"
  drive click "Uninstall Vexmor Recording Panel" 2 gone "Uninstall Vexmor Recording Panel" >/dev/null

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
base=$(mktemp -d /tmp/vexmor-shots.XXXXXX)
trap 'rm -rf "$base"' EXIT
xvfb-run -a -s "-screen 0 640x480x24" "$0" --inside "$bin" "$out" "$base"
echo "wrote $out/volsar-wine.png, $out/volsar-help-wine.png, $out/pelzorn-wine.png and" \
  "$out/volsar-winhelp-wine.png"
