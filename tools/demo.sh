#!/usr/bin/env bash
# The main job of "make demo": shows the built libraries at work.
set -euo pipefail
build=${1:-build}
echo "== foundation: error records as a driver raises them"
"$build/bin/vxdemo"
