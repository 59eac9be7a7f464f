#!/usr/bin/env bash
# The content generator refuses descriptions that would give the demo a bad
# data file, names the file and the cause, and then writes nothing at all.
# Each case breaks one description of a small scratch tree.
set -euo pipefail

root=$(pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# A small tree that builds: one legacy model, one engine model, a pointer.
fresh_tree() {
    rm -rf "$scratch/src" "$scratch/out"
    mkdir -p "$scratch/src/models/src/legacy" "$scratch/src/bitmaps/src" "$scratch/out"
    printf 'box colour=white/lightgrey at=0,5,0 size=4,10,4\n' \
        >"$scratch/src/models/src/legacy/post.txt"
    printf 'cull 1\nbox colour=orange:2-15 at=0,5,0 size=4,10,4\n' \
        >"$scratch/src/models/src/post.txt"
    printf 'key . 0\nkey X 32\nX.\nXX\n' >"$scratch/src/bitmaps/src/mouse.txt"
}

generate() {
    python3 "$root/tools/make_content.py" --src "$scratch/src" --out "$scratch/out"
}

fresh_tree
generate >/dev/null
for f in models/legacy/post.dat models/post.mdl bitmaps/mouse.pcx; do
    [ -s "$scratch/out/$f" ] || { echo "check_content_errors: the sound tree did not give $f" >&2; exit 1; }
done

# file to replace | its new text | what the message must say
cases=(
    "models/src/legacy/post.txt|box colour=white at=0,5,0 size=12,10,4|leaves the 10 by 10 square"
    "models/src/legacy/post.txt|box colour=white at=0,2,0 size=4,4,4|height 4.00 outside 8..20"
    "models/src/legacy/post.txt|box colour=white at=0,7,0 size=4,10,4|base at y = 2.00, not 0"
    "models/src/legacy/post.txt|box colour=pink at=0,5,0 size=4,10,4|unknown legacy colour 'pink'"
    "models/src/legacy/post.txt|box colour=white at=0,5,0 size=4,10,4 grid=8|the format holds 255 of each"
    "models/src/legacy/post.txt|cone colour=white at=0,5,0|unknown shape 'cone'"
    "models/src/legacy/post.txt|lathe colour=white\n    2 x|post.txt:2: rows hold numbers only"
    "models/src/legacy/post.txt|box colour=white at=0,5,0 size=4,10|size takes 3 numbers"
    "models/src/post.txt|box colour=purple at=0,5,0 size=4,10,4|unknown colour ramp 'purple'"
    "models/src/post.txt|box colour=red:4-20 at=0,5,0 size=4,10,4|ramp span 4-20 outside 0-15"
    "models/src/post.txt|cull 1\nbox colour=red at=0,5,0 size=4,10,4\npoly colour=red\n    0 1 -3\n    1 1 -3\n    1 2 -3|surface not closed"
    "bitmaps/src/mouse.txt|key . 0\nX.|'X' has no key line"
    "bitmaps/src/mouse.txt|key . 300\n..|index 0 to 255"
)

status=0
for c in "${cases[@]}"; do
    IFS='|' read -r file text expected <<<"$c"
    fresh_tree
    printf "$text\n" >"$scratch/src/$file"
    if generate >"$scratch/log" 2>&1; then
        echo "check_content_errors: $file accepted: $text" >&2
        status=1
    elif ! grep -qF "$expected" "$scratch/log"; then
        echo "check_content_errors: $file: expected '$expected', got: $(cat "$scratch/log")" >&2
        status=1
    elif ! grep -qF "$(basename "$file")" "$scratch/log"; then
        echo "check_content_errors: the message does not name $file: $(cat "$scratch/log")" >&2
        status=1
    elif [ -n "$(find "$scratch/out" -type f)" ]; then
        echo "check_content_errors: $file refused, but files were written anyway" >&2
        status=1
    fi
done
exit $status
