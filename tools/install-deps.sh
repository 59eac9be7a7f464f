#!/usr/bin/env bash
# Installs the Debian packages ZELK needs to build, test and show the demo,
# skipping those already present. Uses apt-get as root, sudo otherwise.
set -euo pipefail

packages=(
    g++ cmake make pkg-config
    liballegro4-dev
    libgtest-dev libbenchmark-dev
    xvfb xauth xdotool imagemagick
    python3
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "zelk: installing ${missing[*]}" >&2
if [ "$(id -u)" -eq 0 ]; then
    run=()
elif command -v sudo >/dev/null 2>&1; then
    run=(sudo)
else
    echo "zelk: these packages are missing: ${missing[*]}" >&2
    echo "zelk: install them as root (apt-get install ${missing[*]}); neither root nor sudo is available here" >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
"${run[@]}" apt-get update -q >/dev/null
"${run[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}" >/dev/null
