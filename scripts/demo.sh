#!/usr/bin/env bash
# The demo: zebhost serves the example partner sites on loopback, makes a fresh demo folder with
# its own settings store, adds a project and six partners, and checks them all.
# Nothing outside demo-data/ is touched.
set -euo pipefail
build="${1:-build}"
exec "$build/tools/zebhost/zebhost" demo --dir "$(pwd)/demo-data"
