#!/bin/sh
# Installs the Debian 12 packages the build and the tests need, when any is missing:
# through apt as root, or through sudo.
#   tools/install-deps.sh              what building and testing need
#   tools/install-deps.sh screenshot   also a virtual screen and a screenshot tool
set -eu

packages="cmake make g++ clang libclang-rt-14-dev qt6-base-dev qt6-serialport-dev qt6-qpa-plugins
libgl-dev fonts-dejavu-core fonts-liberation2 qlcplus-data pkgconf libftdi1-dev umockdev libumockdev-dev
libzip-dev
dpkg-dev lintian appstream file util-linux"
if [ "${1:-}" = screenshot ]; then
    packages="$packages xvfb xauth imagemagick"
fi

missing=""
for p in $packages; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing="$missing $p"
    fi
done
[ -z "$missing" ] && exit 0

echo "Installing:$missing"
if [ "$(id -u)" -eq 0 ]; then
    run=""
elif command -v sudo >/dev/null 2>&1; then
    run="sudo"
else
    echo "These packages are missing and neither root nor sudo is available:$missing" >&2
    exit 1
fi
$run env DEBIAN_FRONTEND=noninteractive apt-get update
# shellcheck disable=SC2086
$run env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends $missing
