# Sourced by the Wine test scripts: a hermetic Wine for the Win32 build. Safe under set -e.
#
#   . tests/wine/wine-env.sh BASE     HOME, WINEPREFIX and the XDG folders under BASE
#   vx_wine_init null|x11             create the prefix once; choose the graphics driver and the
#                                     Windows version it reports
#   vx_wine PROGRAM ARGS...           run a Windows program, at most VX_WINE_TIMEOUT seconds
#   vx_reg add|query|delete ARGS...   Wine's reg.exe on the registry view of the prefix's own
#                                     architecture, whichever reg.exe Wine starts
#   vx_wine_stop                      end every process of the prefix and wait for them
#   vx_wine_runs_32bit                true when this machine can start 32-bit Wine (wine32:i386)
#
#   VX_WINE_ARCH      win64 (default): a 64-bit prefix; win32: a 32-bit one (wine32:i386)
#   VX_WINE_VERSION   the Windows version the prefix reports (win98, winxp, win10, ...); unset:
#                     Wine's own default, of the NT family
#
# Nothing of the real home folder, desktop or menus is touched: winemenubuilder is off, Mono and
# Gecko are never offered, and crash dialogs are switched off so that a crash ends a run instead of
# hanging it.
vx_wine_base=$(mkdir -p "${1:?wine-env.sh needs a base folder}" && cd "$1" && pwd)
export HOME="$vx_wine_base/home"
export WINEPREFIX="$vx_wine_base/prefix"
: "${VX_WINE_ARCH:=win64}"
case $VX_WINE_ARCH in
  win64) vx_reg_view=/reg:64 ;;
  win32) vx_reg_view=/reg:32 ;;
  *) echo "wine-env.sh: VX_WINE_ARCH must be win64 or win32, not '$VX_WINE_ARCH'" >&2; return 2 ;;
esac
export WINEARCH=$VX_WINE_ARCH
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export XDG_CONFIG_HOME="$HOME/.config" XDG_DATA_HOME="$HOME/.local/share"
export XDG_CACHE_HOME="$HOME/.cache" XDG_STATE_HOME="$HOME/.local/state"
unset XDG_DESKTOP_DIR
mkdir -p "$HOME" "$XDG_CONFIG_HOME"
: "${VX_WINE_TIMEOUT:=60}"

# Debian's `wine` starts the 32-bit loader whenever wine32 is installed, and that loader starts
# 64-bit programs in turn. A kernel without IA-32 emulation runs no 32-bit program at all
# ("Exec format error"): there 64-bit programs go straight to the 64-bit loader, and 32-bit
# prefixes cannot be had.
vx_wine_runs_32bit() { /usr/lib/wine/wine --version >/dev/null 2>&1; }
vx_wine_loader=wine
if [ -x /usr/lib/wine/wine ] && [ -x /usr/lib/wine/wine64 ] && ! vx_wine_runs_32bit; then
  vx_wine_loader=/usr/lib/wine/wine64
  export WINELOADER=$vx_wine_loader
fi

vx_wine() { timeout -k 5 "$VX_WINE_TIMEOUT" "$vx_wine_loader" "$@"; }

# In a 64-bit prefix `wine reg` may be the 32-bit reg.exe, whose HKLM\SOFTWARE is the WOW64 view:
# every call names the view.
vx_reg() { vx_wine reg "$@" "$vx_reg_view"; }

# True when the prefix reports a version of the Windows 95 family.
vx_wine_95_family() { case ${VX_WINE_VERSION:-} in win95 | win98 | winme) return 0 ;; esac; return 1; }
# Whether the prefix reports a Windows below version 6, which has the WinHelp viewer.
vx_wine_help_viewer() {
  case ${VX_WINE_VERSION:-} in win95 | win98 | winme | nt40 | win2k | winxp | winxp64 | win2003) return 0 ;; esac
  return 1
}

# The Windows form of a Unix path (drive Z: is the Unix root in every prefix).
vx_winpath() { printf 'Z:%s' "$(realpath -m "$1" | tr / '\\')"; }

vx_wine_stop() {
  timeout 30 wineserver -k 2>/dev/null || true
  timeout 30 wineserver -w 2>/dev/null || true
}

vx_wine_init() {
  local driver=${1:-null}
  if [ "$VX_WINE_ARCH" = win32 ] && ! vx_wine_runs_32bit; then
    echo "no 32-bit Wine prefix here: this machine's kernel runs no 32-bit program" >&2
    return 1
  fi
  vx_wine_stop  # whatever an earlier run left in this prefix
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    timeout 180 "$vx_wine_loader" wineboot --init >/dev/null 2>&1 ||
      { echo "wineboot --init failed for a $WINEARCH prefix in $WINEPREFIX" >&2; return 1; }
  fi
  vx_reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null &&
    vx_reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d "$driver" /f >/dev/null ||
    { echo "cannot configure the Wine prefix $WINEPREFIX" >&2; return 1; }
  if [ -n "${VX_WINE_VERSION:-}" ]; then
    vx_reg add 'HKCU\Software\Wine' /v Version /d "$VX_WINE_VERSION" /f >/dev/null ||
      { echo "cannot set the Wine prefix $WINEPREFIX to $VX_WINE_VERSION" >&2; return 1; }
  fi
  # The graphics driver is chosen when the server starts.
  timeout 60 wineserver -w || { echo "Wine's server for $WINEPREFIX did not stop" >&2; return 1; }
}
