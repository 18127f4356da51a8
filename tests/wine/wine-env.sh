# Sourced by the Wine test scripts: a hermetic Wine for the Win32 build. Safe under set -e.
#
#   . tests/wine/wine-env.sh BASE     HOME, WINEPREFIX and the XDG folders under BASE
#   vx_wine_init null|x11             create the prefix once; choose the graphics driver
#   vx_wine PROGRAM ARGS...           run a Windows program, at most VX_WINE_TIMEOUT seconds
#   vx_wine_stop                      end every process of the prefix and wait for them
#
# Nothing of the real home folder, desktop or menus is touched: winemenubuilder is off, Mono and
# Gecko are never offered, and crash dialogs are switched off so that a crash ends a run instead of
# hanging it.
vx_wine_base=$(mkdir -p "${1:?wine-env.sh needs a base folder}" && cd "$1" && pwd)
export HOME="$vx_wine_base/home"
export WINEPREFIX="$vx_wine_base/prefix"
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export XDG_CONFIG_HOME="$HOME/.config" XDG_DATA_HOME="$HOME/.local/share"
export XDG_CACHE_HOME="$HOME/.cache" XDG_STATE_HOME="$HOME/.local/state"
unset XDG_DESKTOP_DIR
mkdir -p "$HOME" "$XDG_CONFIG_HOME"
: "${VX_WINE_TIMEOUT:=60}"

vx_wine() { timeout -k 5 "$VX_WINE_TIMEOUT" wine "$@"; }

# The Windows form of a Unix path (drive Z: is the Unix root in every prefix).
vx_winpath() { printf 'Z:%s' "$(realpath -m "$1" | tr / '\\')"; }

vx_wine_stop() {
  timeout 30 wineserver -k 2>/dev/null || true
  timeout 30 wineserver -w 2>/dev/null || true
}

vx_wine_init() {
  local driver=${1:-null}
  vx_wine_stop  # whatever an earlier run left in this prefix
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    timeout 180 wineboot --init >/dev/null 2>&1 || { echo "wineboot --init failed" >&2; return 1; }
  fi
  vx_wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null &&
    vx_wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d "$driver" /f >/dev/null ||
    { echo "cannot configure the Wine prefix $WINEPREFIX" >&2; return 1; }
  # The graphics driver is chosen when the server starts.
  timeout 60 wineserver -w || { echo "Wine's server for $WINEPREFIX did not stop" >&2; return 1; }
}
