#!/usr/bin/env bash
# Renders the shipped models into PNG pictures to look at: every model alone
# from six sides and the scene from along the row and from the three preset
# cameras, under shots/models/, then the contact sheet of all nine in
# docs/models.png and the row in docs/scene.png. Needs the render_models
# tool built and ImageMagick.
# Usage: bash tools/render_previews.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build}
tool="$build/render_models"
if [ ! -x "$tool" ]; then
    echo "render_previews: $tool is missing; build it first: cmake -S . -B $build && cmake --build $build --target render_models" >&2
    exit 1
fi
for program in convert montage; do
    if ! command -v "$program" >/dev/null; then
        echo "render_previews: ImageMagick's $program is missing (bash tools/install-deps.sh installs it)" >&2
        exit 1
    fi
done

out=shots/models
mkdir -p "$out" docs
"$tool" "$out" 480 360
for f in "$out"/*.pcx; do
    convert "$f" "${f%.pcx}.png"
    rm "$f"
done

# One strip per model: front, front-left, left, back, right, from above.
models=(legacy_face legacy_ghost legacy_vampire legacy_swamp legacy_tentacle legacy_wizard walker mask ghost)
for m in "${models[@]}"; do
    convert "$out/${m}_front.png" "$out/${m}_left45.png" "$out/${m}_left.png" \
            "$out/${m}_back.png" "$out/${m}_right.png" "$out/${m}_above.png" \
            -resize 50% +append "$out/${m}_sides.png"
done

# All nine, each seen from its front-left as the preset cameras see it.
sheet=()
for m in "${models[@]}"; do
    sheet+=("$out/${m}_left45.png")
done
montage "${sheet[@]}" -tile 3x3 -geometry 320x240+2+2 -background black docs/models.png
convert "$out/scene_row.png" docs/scene.png
echo "render_previews: pictures in $out/, docs/models.png and docs/scene.png"
