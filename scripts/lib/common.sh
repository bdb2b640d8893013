# Shared by the project's scripts: package installation, the private Xvfb
# display and the private Wine prefix. Source it; it defines functions only.

KESTRUNE_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
BUILD_ROOT=${BUILD_ROOT:-$KESTRUNE_ROOT/build}

# Everything the build, the tests and the demonstration need, from Debian.
KESTRUNE_PACKAGES=(cmake make g++ googletest g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64
  wine64 wine xvfb xdotool x11-utils fonts-wqy-microhei locales clang libclang-rt-14-dev
  libbenchmark-dev imagemagick zip unzip libx11-dev python3)

log() { printf '%s\n' "$*" >&2; }
die() { printf 'error: %s\n' "$*" >&2; exit 1; }

# Runs a command quietly; on failure shows what it printed and stops.
quiet() {
  local out
  out=$(mktemp)
  if ! "$@" >"$out" 2>&1; then
    cat "$out" >&2
    rm -f "$out"
    die "failed: $*"
  fi
  rm -f "$out"
}

ensure_packages() {
  local missing=() p
  for p in "${KESTRUNE_PACKAGES[@]}"; do
    dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null | grep -qx installed || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  [ "$(id -u)" -eq 0 ] || die "missing packages (${missing[*]}); run as root or install them"
  log "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  quiet apt-get update
  quiet apt-get install -y --no-install-recommends "${missing[@]}"
}

# Wine only uses the Chinese ANSI code page if the zh_CN locale exists; build
# it privately instead of changing the machine's locales.
ensure_locale() {
  export LOCPATH=$BUILD_ROOT/locale
  if [ ! -d "$LOCPATH/zh_CN.UTF-8" ]; then
    mkdir -p "$LOCPATH"
    localedef -i zh_CN -c -f UTF-8 "$LOCPATH/zh_CN.UTF-8" >/dev/null 2>&1 ||
      [ -d "$LOCPATH/zh_CN.UTF-8" ] || die "could not build the zh_CN.UTF-8 locale"
  fi
  # This shell itself cannot see LOCPATH, only the programs it starts can.
  export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8 2>/dev/null
}

KESTRUNE_XVFB_PID=
# Starts a private Xvfb on a free display and exports DISPLAY.
start_xvfb() {
  local fifo display
  fifo=$(mktemp -u)
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  KESTRUNE_XVFB_PID=$!
  read -r -t 20 display <"$fifo" || true
  rm -f "$fifo"
  [ -n "$display" ] || die "Xvfb did not start"
  export DISPLAY=:$display
}

# A private Wine prefix, made once and reused by later runs.
ensure_wineprefix() {
  export WINEPREFIX=$BUILD_ROOT/wineprefix
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  export WINEARCH=win64
  if [ ! -f "$WINEPREFIX/.kestrune-ready" ]; then
    rm -rf "$WINEPREFIX"
    quiet wineboot -i
    quiet wineserver -w
    touch "$WINEPREFIX/.kestrune-ready"
  fi
}

# Ends what start_xvfb and the Wine prefix started, and nothing else.
stop_desktop() {
  if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then
    wineserver -k >/dev/null 2>&1 || true
  fi
  if [ -n "$KESTRUNE_XVFB_PID" ]; then
    kill "$KESTRUNE_XVFB_PID" 2>/dev/null || true
    wait "$KESTRUNE_XVFB_PID" 2>/dev/null || true
    KESTRUNE_XVFB_PID=
  fi
}

# Sets up the display and the prefix the Windows programs run in.
start_desktop() {
  ensure_locale
  start_xvfb
  ensure_wineprefix
}

configure_and_build() { # preset
  local dir=$BUILD_ROOT/$1
  quiet cmake --preset "$1" -B "$dir" -S "$KESTRUNE_ROOT"
  quiet cmake --build "$dir" -j "$(nproc)"
}
