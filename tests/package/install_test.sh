#!/usr/bin/env bash
# Makes the Debian package of a build tree (or takes the one given), installs it on
# this machine, uses what it installed and removes it again. Needs root; skips (77)
# otherwise, and when a tarvolen package is installed already, which it leaves be.
# Usage: install_test.sh BUILD_DIR [PACKAGE.deb]
set -euo pipefail
build=$1
deb=${2:-}

if [ "$(id -u)" -ne 0 ]; then
    echo "SKIP: installing a package needs root"
    exit 77
fi
if dpkg-query -W -f='${Status}' tarvolen 2>/dev/null | grep -q 'install ok installed'; then
    echo "SKIP: a tarvolen package is installed already"
    exit 77
fi

work=$(mktemp -d)
installed=no
cleanup() {
    if [ "$installed" = yes ]; then
        dpkg -r tarvolen >/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

if [ -z "$deb" ]; then
    cpack --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 ||
        { cat "$work/cpack.log"; fail "cpack"; }
    deb=$(echo "$work"/tarvolen_*.deb)
fi
[ -f "$deb" ] || fail "no package in $work"

# The name Debian gives a package file, and the fields dpkg-shlibdeps filled in.
version=$(dpkg-deb -f "$deb" Version)
arch=$(dpkg --print-architecture)
[ "$(basename "$deb")" = "tarvolen_${version}_${arch}.deb" ] || fail "file name $(basename "$deb")"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
[[ $depends == *libc6* && $depends == *libstdc++6* ]] || fail "Depends lacks the C and C++ libraries"
dpkg-deb -c "$deb" >"$work/contents"
if grep -q '\./usr/bin/tarvolen$' "$work/contents"; then
    [[ $depends == *libqt6widgets6* ]] || fail "Depends lacks Qt Widgets"
fi
for field in Maintainer Section Description Homepage; do
    [ -n "$(dpkg-deb -f "$deb" "$field")" ] || fail "no $field field"
done

# Debian's own checks of a package: warnings are reported, errors fail. A machine
# without lintian cannot say the package is sound.
command -v lintian >/dev/null || fail "lintian is not installed (scripts/deps.sh lists it)"
lintian --fail-on error "$deb" >"$work/lintian" 2>&1 ||
    { cat "$work/lintian"; fail "lintian found errors"; }
grep -v 'running with root privileges' "$work/lintian" || true

# Where MPI was built, tarvolen-mpi comes as a package of its own beside this one,
# with the MPI runtime among its dependencies.
mpi_deb=$(dirname "$deb")/tarvolen-mpi_${version}_${arch}.deb
if [ -f "$mpi_deb" ]; then
    mpi_depends=$(dpkg-deb -f "$mpi_deb" Depends)
    [[ $mpi_depends == *libopenmpi* && $mpi_depends == *openmpi-bin* ]] ||
        fail "tarvolen-mpi's Depends lacks the MPI runtime: $mpi_depends"
    # Listed into a file first: grep -q would stop reading and break dpkg-deb's pipe.
    dpkg-deb -c "$mpi_deb" >"$work/contents-mpi"
    grep -q '\./usr/bin/tarvolen-mpi$' "$work/contents-mpi" || fail "tarvolen-mpi not packaged"
    lintian --fail-on error "$mpi_deb" >"$work/lintian-mpi" 2>&1 ||
        { cat "$work/lintian-mpi"; fail "lintian found errors in tarvolen-mpi"; }
fi

installed=yes
if ! dpkg -i "$deb"; then
    DEBIAN_FRONTEND=noninteractive apt-get -f install -y -qq || fail "dependencies not met"
fi
dpkg-query -W -f='${Status}' tarvolen | grep -q 'install ok installed' || fail "not installed"

# The installed command, found on the PATH, not the one of the build tree.
[ "$(command -v tarvolen-cli)" = /usr/bin/tarvolen-cli ] || fail "tarvolen-cli not in /usr/bin"
[ "$(tarvolen-cli --version)" = "tarvolen-cli ${version%.*}" ] || fail "--version"
counted=$(printf 'The cat and the hat.\nThe END' | tarvolen-cli -q --frequency -o - -)
[ "$counted" = $'the,3\nand,1\ncat,1\nend,1\nhat,1' ] || fail "count through a pipe gave: $counted"

for page in tarvolen-cli tarvolen; do
    file=/usr/share/man/man1/$page.1.gz
    [ -f "$file" ] || { [ "$page" = tarvolen ] && [ ! -e /usr/bin/tarvolen ] && continue; fail "$file"; }
    warnings=$(zcat "$file" | groff -ww -z -man 2>&1)
    [ -z "$warnings" ] || fail "$page(1): $warnings"
done

completion=/usr/share/bash-completion/completions/tarvolen-cli
[ -f "$completion" ] || fail "$completion"
bash -c "source $completion && complete -p tarvolen-cli" >/dev/null || fail "completion not registered"

if [ -e /usr/bin/tarvolen ]; then
    desktop=/usr/share/applications/io.github.tarvolen.Tarvolen.desktop
    metainfo=/usr/share/metainfo/io.github.tarvolen.Tarvolen.metainfo.xml
    desktop-file-validate "$desktop" || fail "desktop entry"
    appstreamcli validate --no-net "$metainfo" || fail "metainfo"
    icon=$(sed -n 's/^Icon=//p' "$desktop")
    hicolor=/usr/share/icons/hicolor
    [ -f "$hicolor/scalable/apps/$icon.svg" ] || fail "no scalable icon $icon"
    for size in 16 32 48 64 128 256; do
        png=$hicolor/${size}x${size}/apps/$icon.png
        file "$png" | grep -q "PNG image data, $size x $size," || fail "$png"
    done
fi

dpkg -r tarvolen
installed=no
[ ! -e /usr/bin/tarvolen-cli ] || fail "tarvolen-cli left behind by dpkg -r"
echo "package installed, used and removed: $(basename "$deb")"
