# Shared by ./test, ./run and ./benchmark.

section() { printf '\n== %s\n' "$*"; }

# Installs the Debian packages that are missing, when we may (root); otherwise says what is missing.
ensure_packages() {
  local missing=()
  for pkg in "$@"; do
    dpkg -s "$pkg" >/dev/null 2>&1 || missing+=("$pkg")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -eq 0 ]; then
    echo "installing: ${missing[*]}"
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
  else
    echo "missing Debian packages (install them as root): ${missing[*]}" >&2
    return 1
  fi
}

# configure_build DIR [CMAKE ARGS...]: configures (once) and builds DIR.
configure_build() {
  local dir=$1
  shift
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" -j "$(nproc)"
}

# The MinGW-w64 cross compiler and Wine for 32-bit programs, which needs Debian's i386
# architecture.
ensure_windows_packages() {
  if [ "$(id -u)" -eq 0 ] && ! dpkg -s wine32:i386 >/dev/null 2>&1 &&
    ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  ensure_packages g++-mingw-w64-i686 wine wine32:i386
}

# use_wine_prefix DIR: runs Wine from now on in a prefix of its own inside DIR, quietly and with no
# display. The first start creates the prefix and announces it on standard error; that happens
# here, out of sight of the tests.
use_wine_prefix() {
  export WINEPREFIX="$PWD/$1/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY=
  [ -f "$WINEPREFIX/system.reg" ] || wine wineboot --init >/dev/null 2>&1
  # Keep Wine's server up between the many short test runs; it leaves 30 s after the last one.
  wineserver -p30 >/dev/null 2>&1 || true
}
