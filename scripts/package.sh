#!/usr/bin/env bash
# Builds the Debian package from the Release build, checks it with lintian
# (no errors allowed), validates the AppStream metadata and the desktop entry,
# unpacks it into a scratch root and solves a sample file with the unpacked
# quintora-cli.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$(nproc)"
(cd build && cpack -G DEB)
deb=$(ls build/quintora_*.deb | head -1)
echo "== lintian $deb"
lintian --fail-on error "$deb" || { echo "lintian found errors"; exit 1; }
appstreamcli validate --no-net packaging/org.example.Quintora.metainfo.xml
desktop-file-validate resources/quintora.desktop
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg -x "$deb" "$root"
printf 'NumVar:3\r\nNomVar:abcdefgh\r\nTabla:0,1,1,0,1,0,0,1\r\nCRC:32S\r\n' > "$root/sample.qmt"
"$root/usr/bin/quintora-cli" --version
out=$("$root/usr/bin/quintora-cli" solve "$root/sample.qmt" --seed 1)
grep -qx 'Karnaugh' <<<"$out" || { echo "the unpacked quintora-cli did not solve"; exit 1; }
test -f "$root/usr/share/man/man1/quintora-cli.1.gz"
test -f "$root/usr/share/metainfo/org.example.Quintora.metainfo.xml"
echo "package ok: $deb"
