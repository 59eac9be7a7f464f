#!/usr/bin/env bash
# The demo's data files are generated: regenerates every one of them from its
# description into a scratch directory and compares it byte for byte with
# the file in the repository, so that neither drifts from the other.
set -euo pipefail

files=(
    models/legacy/face.dat models/legacy/ghost.dat models/legacy/vampire.dat
    models/legacy/swamp.dat models/legacy/tentacle.dat models/legacy/wizard.dat
    models/walker.mdl models/mask.mdl models/ghost.mdl
    bitmaps/mouse.pcx
)

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

if ! python3 tools/make_content.py --out "$scratch" >"$scratch/log" 2>&1; then
    cat "$scratch/log" >&2
    echo "check_content: tools/make_content.py failed" >&2
    exit 1
fi

status=0
for f in "${files[@]}"; do
    if [ ! -f "$scratch/$f" ]; then
        echo "check_content: tools/make_content.py did not write $f" >&2
        status=1
    elif [ ! -f "$f" ]; then
        echo "check_content: $f is missing from the repository" >&2
        status=1
    elif ! cmp -s "$scratch/$f" "$f"; then
        echo "check_content: $f differs from what its description generates" >&2
        status=1
    fi
done
if [ $status -ne 0 ]; then
    echo "check_content: run 'python3 tools/make_content.py' and commit the results" >&2
fi
exit $status
