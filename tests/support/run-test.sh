#!/usr/bin/env bash
# Runs one test in a fresh private environment: runtime, data, config and
# home folders under the test's own scratch folder.
set -euo pipefail
scratch=$1; shift
rm -rf "$scratch"
mkdir -p "$scratch/runtime" "$scratch/data" "$scratch/config" "$scratch/home"
chmod 700 "$scratch/runtime"
export XDG_RUNTIME_DIR="$scratch/runtime"
export NUVOXA_DATA_DIR="$scratch/data"
export XDG_CONFIG_HOME="$scratch/config"
export XDG_DATA_HOME="$scratch/home/.local/share"
export HOME="$scratch/home"
exec "$@"
