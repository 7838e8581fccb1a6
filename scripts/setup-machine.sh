#!/usr/bin/env bash
# Installs what building, running and testing Velkin needs on a Debian machine, when missing:
# compilers, Wine, a private X server, the Japanese locale and font, the test framework.
set -euo pipefail

packages=(
    cmake ninja-build g++ python3
    clang libclang-rt-14-dev
    g++-mingw-w64-x86-64 libz-mingw-w64-dev
    wine wine64
    xvfb xauth x11-utils imagemagick libx11-dev
    locales fonts-ipafont-gothic
    doctest-dev
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    as_root apt-get update -qq
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >/dev/null
fi

# Wine takes its ANSI code page (Shift-JIS, 932) from the Japanese locale.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
    echo "Generating the ja_JP.UTF-8 locale"
    as_root sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' | as_root tee -a /etc/locale.gen >/dev/null
    as_root locale-gen >/dev/null
fi
