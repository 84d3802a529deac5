#!/usr/bin/env bash
# Installs the Debian packages that building, testing and packaging Ravlin Configurator
# need, when any is missing. The run, test and CI scripts call it first; it is quiet when
# everything is there. Extra package names given as arguments are added to the list (CI
# adds lintian).
#
#   scripts/install_deps.sh [PACKAGE...]
#
# Installs as root, or through sudo for other users; when neither is possible it names
# the missing packages and the command to install them, and fails. RVC_SKIP_DEPS=1 skips
# the check (for machines whose packages are managed otherwise).
set -euo pipefail

packages=(
  # compilers and build tools
  build-essential cmake ninja-build pkg-config ccache clang libclang-rt-14-dev
  # tests and benchmarks
  googletest libgtest-dev libgmock-dev libbenchmark-dev xvfb xauth
  # a private CUPS scheduler with its PostScript filter (tests/cups/cupsd_test.cpp)
  cups-daemon cups-core-drivers
  # libraries
  libinih-dev libpam0g-dev libcups2-dev cups-client liblcms2-dev libx11-dev
  qt6-base-dev qt6-base-dev-tools libgl-dev
  # packaging and the checks of the desktop files
  dpkg-dev file desktop-file-utils appstream
  "$@"
)

[[ "${RVC_SKIP_DEPS:-}" == 1 ]] && exit 0

if ! command -v dpkg-query >/dev/null || ! command -v apt-get >/dev/null; then
  echo "$0: not a Debian-like system (no dpkg-query/apt-get); make sure these are installed:" >&2
  echo "  ${packages[*]}" >&2
  exit 0
fi

# One query for all: packages dpkg does not know are left out of its answer.
declare -A installed=()
while read -r name status; do
  [[ "$status" == "install ok installed" ]] && installed[${name%%:*}]=1
done < <(dpkg-query -W -f='${Package} ${Status}\n' "${packages[@]}" 2>/dev/null || true)
missing=()
for p in "${packages[@]}"; do
  [[ -n "${installed[$p]:-}" ]] || missing+=("$p")
done
((${#missing[@]})) || exit 0

fail() {
  echo "$0: $1; these packages are missing: ${missing[*]}" >&2
  echo "Install them as root with:" >&2
  echo "  apt-get update && apt-get install -y --no-install-recommends ${missing[*]}" >&2
  exit 1
}
if ((EUID == 0)); then
  as_root=()
elif command -v sudo >/dev/null; then
  as_root=(sudo)
else
  fail "not root and no sudo"
fi

echo "Installing missing packages: ${missing[*]}" >&2
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq || fail "apt-get update failed"
# A release without one of them (a versioned package, say) gets the others; the build
# then says what it lacks.
available=()
for p in "${missing[@]}"; do
  if apt-cache show --no-all-versions "$p" >/dev/null 2>&1; then
    available+=("$p")
  else
    echo "$0: $p is not available on this system; skipped" >&2
  fi
done
((${#available[@]})) || exit 0
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive \
  apt-get install -y -qq --no-install-recommends "${available[@]}" || fail "apt-get install failed"
