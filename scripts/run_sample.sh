#!/usr/bin/env bash
# Installs missing packages (scripts/install_deps.sh), builds the configurator and runs
# it on the bundled sample installation, laid out in
# a scratch folder (default: ./out/sample; give another folder as the first argument).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install_deps.sh
cmake --preset dev >/dev/null
cmake --build --preset dev --target rvc_setup rvc_plugin_samples
target="${1:-$PWD/out/sample}"
if [[ -x scripts/lay_out_sample.sh ]]; then
  scripts/lay_out_sample.sh "$target"
  export RAVLIN_ENVIRONMENT_FILE="$target/environment"
fi
shift || true
exec build/apps/rvc_setup/rvc_setup "$@"
