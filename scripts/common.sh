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
