#!/usr/bin/env bash
# Installs missing packages (scripts/install_deps.sh), then builds and runs every test:
# the Debug build, then the same tests under
# AddressSanitizer and UndefinedBehaviorSanitizer. "--quick" skips the sanitizer run.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install_deps.sh
cmake --workflow --preset dev
if [[ "${1:-}" != "--quick" ]]; then
  cmake --workflow --preset sanitize
fi
