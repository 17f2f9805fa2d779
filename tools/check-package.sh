#!/bin/sh
# Builds the Debian package from build/release and checks it as a machine that installs it
# would: its layout and control fields, lintian, the AppStream metadata, and the unpacked
# programs run by an ordinary user, whose channel names go to the user's own data folder.
#   tools/check-package.sh        (after tools/build.sh release)
set -eu
cd "$(dirname "$0")/.."

build=build/release
version=$(sed -n 's/^project(Zelvar71 VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
package=$build/zelvar71_${version}_amd64.deb
appid=org.zelvar71.Zelvar71
program_dir=usr/lib/zelvar71

fail() {
    echo "check-package: $*" >&2
    exit 1
}

rm -f "$package"
cmake --build "$build" --target package
[ -f "$package" ] || fail "$package was not written"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The unprivileged user must reach the unpacked programs and its home.
chmod 755 "$work"
root=$work/root
dpkg-deb -x "$package" "$root"

echo "== control fields"
field() { dpkg-deb -f "$package" "$1"; }
[ "$(field Package)" = zelvar71 ] || fail "Package is $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version is $(field Version), not $version"
[ "$(field Architecture)" = amd64 ] || fail "Architecture is $(field Architecture)"
for name in Maintainer Description Section Priority Installed-Size; do
    [ -n "$(field "$name")" ] || fail "no $name field"
done
depends=$(field Depends)
for dependency in libc6 libqt6core6 libqt6widgets6 libqt6serialport6 libftdi1-2 libzip4 qt6-qpa-plugins \
    fonts-liberation2; do
    echo "$depends" | grep -Eq "(^|, )$dependency( |,|$)" || fail "Depends lacks $dependency: $depends"
done
[ "$(field Recommends)" = qlcplus-data ] || fail "Recommends is $(field Recommends)"
dpkg-deb -f "$package" Package Version Architecture Maintainer Section Priority Depends Recommends

echo "== layout"
for file in $program_dir/Zelvar71 $program_dir/Zelvar71Save $program_dir/zelvar71-cli \
    $program_dir/libzelvar71_ftdi.so $program_dir/libzelvar71_d2xxsim.so \
    $program_dir/KZTFIX16.zff $program_dir/KZTFIX8.zff $program_dir/KZTFIX6.zff $program_dir/KZTFIX4.zff \
    $program_dir/ChNameSet.fix $program_dir/ChNameDown.fix \
    usr/lib/udev/rules.d/60-zelvar71.rules \
    usr/share/applications/$appid.desktop usr/share/metainfo/$appid.metainfo.xml \
    usr/share/icons/hicolor/64x64/apps/zelvar71.png usr/share/icons/hicolor/256x256/apps/zelvar71.png \
    usr/share/man/man1/zelvar71-cli.1.gz usr/share/man/man1/Zelvar71.1.gz usr/share/man/man1/Zelvar71Save.1.gz \
    usr/share/doc/zelvar71/copyright usr/share/doc/zelvar71/changelog.gz; do
    [ -f "$root/$file" ] && [ ! -L "$root/$file" ] || fail "/$file is missing"
done
for program in Zelvar71 Zelvar71Save zelvar71-cli; do
    link=$root/usr/bin/$program
    [ -L "$link" ] || fail "/usr/bin/$program is not a link"
    target=$(readlink "$link")
    [ "$target" = "../lib/zelvar71/$program" ] || fail "/usr/bin/$program points to $target"
    [ "$(readlink -f "$link")" = "$(readlink -f "$root/$program_dir/$program")" ] || fail "/usr/bin/$program leads elsewhere"
done
outside=$(dpkg-deb -c "$package" | awk '{print $6}' | grep -v '^\./usr/' | grep -v '^\./$' || true)
[ -z "$outside" ] || fail "files outside /usr: $outside"
for binary in Zelvar71 Zelvar71Save zelvar71-cli libzelvar71_ftdi.so libzelvar71_d2xxsim.so; do
    file -b "$root/$program_dir/$binary" | grep -q ', stripped' || fail "$binary is not stripped"
done
grep -q "^Exec=/usr/lib/zelvar71/Zelvar71$" "$root/usr/share/applications/$appid.desktop" ||
    fail "the desktop entry does not start /usr/lib/zelvar71/Zelvar71"
echo "files and links in place; binaries stripped"

echo "== lintian"
lintian --fail-on error --display-info "$package" || fail "lintian reports errors"

echo "== appstreamcli"
appstreamcli validate --no-net "$root/usr/share/metainfo/$appid.metainfo.xml" || fail "the AppStream metadata is not valid"

echo "== an ordinary user"
home=$work/home
mkdir -p "$home"
chown 65534:65534 "$home"
as_user() {
    setpriv --reuid 65534 --regid 65534 --clear-groups \
        env -i HOME="$home" PATH=/usr/bin:/bin LANG=C.UTF-8 QT_QPA_PLATFORM=offscreen "$@"
}
data=$home/.local/share/Zelvar71
cli=$root/usr/bin/zelvar71-cli
as_user "$cli" --version
before=$(ls -l "$root/$program_dir")

said=$(as_user "$cli" names path)
[ "$said" = "$data" ] || fail "names path says $said, not $data"
for name in ChNameSet.fix ChNameDown.fix; do
    cmp "$data/$name" "$root/$program_dir/$name" || fail "$name in $data is not the package's"
done
as_user "$cli" names init
[ "$(stat -c %s "$data/ChNameSet.fix")" = 2560 ] || fail "names init wrote no ChNameSet.fix into $data"
[ "$(ls -l "$root/$program_dir")" = "$before" ] || fail "the programs' folder changed"

# The user's names, changed; then a newer package over the old one: they stay as they are.
printf 'Laser   ' | as_user dd of="$data/ChNameSet.fix" bs=1 seek=592 conv=notrunc status=none
cp "$data/ChNameSet.fix" "$work/names-before"
dpkg-deb -x "$package" "$root"
as_user "$cli" names path >/dev/null
cmp "$data/ChNameSet.fix" "$work/names-before" || fail "the user's names changed with the package"

# The main program at its first start, with a library profile gone from the installed
# folder: the profile is written again into the user's folder, nothing into the programs'.
rm "$root/$program_dir/KZTFIX8.zff"
before=$(ls -l "$root/$program_dir")
status=0
as_user timeout 5 "$root/usr/bin/Zelvar71" 2>"$work/zelvar71.err" || status=$?
[ "$status" = 124 ] || { cat "$work/zelvar71.err" >&2; fail "Zelvar71 ended by itself with status $status"; }
cmp "$data/KZTFIX8.zff" "$build/bin/KZTFIX8.zff" || fail "Zelvar71 did not restore KZTFIX8.zff into $data"
[ "$(ls -l "$root/$program_dir")" = "$before" ] || fail "Zelvar71 wrote into the programs' folder"
ls -l "$data"

echo "The package $package passed its checks."
