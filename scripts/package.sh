#!/usr/bin/env bash
# Builds the release for Windows users: dist/Velkin-<version>-win64.zip, holding Velkin.exe and
# README.TXT, and dist/SHA256SUMS. It is the Windows build the tests use (build/windows), made
# reproducible by cmake/Release.cmake: the same commit gives the same bytes on any day and in any
# folder, every timestamp being the commit's.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

fail() {
    echo "package.sh: $*" >&2
    exit 1
}

scripts/setup-machine.sh
if [ -n "$(git status --porcelain --untracked-files=no 2>/dev/null)" ]; then
    echo "note: the work tree has changes not committed; the zip holds them, and no build of the" \
        "commit will give its bytes" >&2
fi
cmake --preset windows >/dev/null || fail "CMake could not configure the windows preset"
cmake --build --preset windows --target velkin_release_zip || fail "the build failed (see above)"

built=build/windows/dist
zip=$(awk '{ print $2 }' "$built/SHA256SUMS")
mkdir -p dist
rm -f dist/Velkin-*-win64.zip dist/SHA256SUMS
cp "$built/$zip" "$built/SHA256SUMS" dist/
(cd dist && sha256sum --check --quiet SHA256SUMS) || fail "dist/$zip does not match dist/SHA256SUMS"
echo "Release: $root/dist/$zip"
cat dist/SHA256SUMS
