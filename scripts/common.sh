# Shared by ./test, ./run and ./benchmark.

section() { printf '\n== %s\n' "$*"; }

# Installs the Debian packages that are missing, when we may (root); otherwise says what is missing.
# A package index that fails to download (a mirror in the middle of a sync) stops nothing: apt
# goes on with the indexes it has. Where the packages then do not resolve (an architecture's
# security index missing, so its versions lag behind the other's), they are tried once more with
# the release's main archive preferred. Fails only when a package cannot be installed, naming it.
ensure_packages() {
  local missing=()
  for pkg in "$@"; do
    dpkg -s "$pkg" >/dev/null 2>&1 || missing+=("$pkg")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "missing Debian packages (install them as root): ${missing[*]}" >&2
    return 1
  fi
  echo "installing: ${missing[*]}"
  update_package_indexes
  local release log
  release=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  log=$(mktemp)
  if apt_install "${missing[@]}" >"$log" 2>&1; then
    rm -f "$log"
    return 0
  fi
  if [ -n "$release" ]; then
    echo "those do not resolve as they stand; again with the $release archive preferred"
    if apt_install -t "$release" "${missing[@]}" >"$log" 2>&1; then
      rm -f "$log"
      return 0
    fi
  fi
  # Which of them cannot be had, each tried alone (a dry run).
  local failed=()
  for pkg in "${missing[@]}"; do
    apt-get install -s ${release:+-t "$release"} "$pkg" >/dev/null 2>&1 || failed+=("$pkg")
  done
  echo "cannot install: ${failed[*]:-${missing[*]} (together)}" >&2
  grep -E '^(E:|  )' "$log" | head -20 >&2 || true
  rm -f "$log"
  return 1
}

apt_install() {
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q "$@"
}

# apt-get update, once per run. It exits non-zero when any index fails to download, even though
# the others were fetched; that is reported and the run goes on.
update_package_indexes() {
  [ -n "${ZENTRIK_INDEXES_UPDATED:-}" ] && return 0
  ZENTRIK_INDEXES_UPDATED=1
  local log
  log=$(mktemp)
  if ! apt-get update -q >"$log" 2>&1; then
    echo "some package indexes could not be downloaded; going on with the others:"
    grep -E '^(E|W): ' "$log" | head -5 | sed 's/^/  /'
  fi
  rm -f "$log"
}

# configure_build DIR [CMAKE ARGS...]: configures (once) and builds DIR.
configure_build() {
  local dir=$1
  shift
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" -j "$(nproc)"
}

# The clang-cl cross toolchain (clang-cl comes with clang-tools, lld-link with lld,
# llvm-dlltool and llvm-readobj with llvm) and Wine for 32-bit programs, which needs Debian's
# i386 architecture. Wine's headers are fetched by the build itself
# (cmake/clang-cl-i686.toolchain.cmake).
ensure_windows_packages() {
  if [ "$(id -u)" -eq 0 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
    # The new architecture's indexes are needed even where nothing else is missing.
    unset ZENTRIK_INDEXES_UPDATED
    update_package_indexes
  fi
  ensure_packages clang clang-tools lld llvm wine wine32:i386
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
