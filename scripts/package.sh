#!/usr/bin/env bash
# Builds a Release tree with Debian's hardening flags and makes the Debian package
# build/package/tarvolen_<version>_<arch>.deb with CPack, and where MPI is built
# tarvolen-mpi_<version>_<arch>.deb beside it. Installs the Debian packages
# the build and the packaging need first, only those that are missing.
# With --install-test, then installs that package here, tries it and removes it
# (as root).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
tarvolen_need_packages "${TARVOLEN_BUILD_PACKAGES[@]}" "${TARVOLEN_PACKAGE_PACKAGES[@]}"

# The flags every Debian package is built with: stack protector, fortified calls,
# read-only relocations. Given at every configure, so that a tree configured before
# gets them too.
eval "$(dpkg-buildflags --export=sh)"
cmake --preset package -DCMAKE_CXX_FLAGS="$CPPFLAGS $CXXFLAGS" \
    -DCMAKE_EXE_LINKER_FLAGS="$LDFLAGS -Wl,-z,now" >/dev/null
cmake --build --preset package -j "$(nproc)"
rm -f build/package/tarvolen_*.deb build/package/tarvolen-mpi_*.deb
(cd build/package && cpack --config CPackConfig.cmake)
deb=$(echo build/package/tarvolen_*.deb)
echo "Package: $deb"
for mpi_deb in build/package/tarvolen-mpi_*.deb; do
    [ -f "$mpi_deb" ] && echo "Package: $mpi_deb"
done

if [ "${1:-}" = --install-test ]; then
    bash tests/package/install_test.sh build/package "$deb"
fi
