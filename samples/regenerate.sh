#!/usr/bin/env bash
# Rebuilds the sample tables and their golden files (the tool's report and JSON) from a build in
# build/. Check the changes by hand before committing them. Usage: samples/regenerate.sh
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --build build --target make_samples zentrik
build/bin/make_samples samples
for table in samples/*.rsmb; do
  build/bin/zentrik records --table "$table" >"${table%.rsmb}.txt" 2>/dev/null
  build/bin/zentrik records --table "$table" --json >"${table%.rsmb}.json"
done
