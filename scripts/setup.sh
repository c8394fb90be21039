#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need, and
# touches apt only when something is missing.
set -euo pipefail
packages=(g++ cmake make qt6-base-dev qt6-svg-dev libgl-dev libbenchmark-dev
          xvfb xauth poppler-utils fonts-liberation fonts-liberation2 fonts-dejavu-core
          fonts-dejavu-extra qt6-translations-l10n clang libclang-rt-14-dev coinor-libcbc-dev pkg-config
          dpkg-dev lintian appstream desktop-file-utils)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
