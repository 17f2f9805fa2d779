#!/bin/sh
# An install over an earlier one under /usr/local: name files that hold the defaults are
# installed again, name files that hold any other name stay as they are (both of them).
#   installkeepsnames.sh BUILD_DIR
set -eu
build=$1
dest=$(mktemp -d)
trap 'rm -rf "$dest"' EXIT
folder=$dest/usr/local/lib/zelvar71
defaults=$build/defaultnames
install() { DESTDIR=$dest cmake --install "$build" --prefix /usr/local; }

install >/dev/null
cmp "$folder/ChNameSet.fix" "$defaults/ChNameSet.fix"
cmp "$folder/ChNameDown.fix" "$defaults/ChNameDown.fix"
install >/dev/null # the defaults over the defaults

for edited in ChNameSet.fix ChNameDown.fix; do
    cp "$defaults/ChNameSet.fix" "$defaults/ChNameDown.fix" "$folder/"
    printf 'Haze    ' | dd of="$folder/$edited" bs=1 seek=600 conv=notrunc 2>/dev/null
    cp "$folder/$edited" "$dest/edited"
    install | grep -q "Keeping: $folder/ChNameSet.fix and ChNameDown.fix"
    cmp "$folder/$edited" "$dest/edited"
done

# Gone: installed again.
rm "$folder/ChNameSet.fix" "$folder/ChNameDown.fix"
install >/dev/null
cmp "$folder/ChNameSet.fix" "$defaults/ChNameSet.fix"
cmp "$folder/ChNameDown.fix" "$defaults/ChNameDown.fix"
echo "an install replaces no names but the defaults"
