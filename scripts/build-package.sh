#!/usr/bin/env bash
# Builds the Debian source and binary package from debian/ with
# dpkg-buildpackage, in a copy of the source tree (the files git knows and
# new ones it does not ignore, so no build folder goes into the source
# package), and leaves qalor_VERSION.dsc, .tar.xz, _ARCH.deb and .changes
# in OUT_DIR.
#
#   scripts/build-package.sh [OUT_DIR]      (default: build/package)
#
# The tests are not built or run (DEB_BUILD_OPTIONS=nocheck) unless
# QALOR_PACKAGE_TESTS=1. ccache is used when installed. Exit status: 0 when
# the package is built.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
out=$(realpath -m "${1:-$root/build/package}")
say() { printf "build-package: %s (%d s)\n" "$*" "$SECONDS"; }

version=$(dpkg-parsechangelog -l "$root/debian/changelog" -S Version)
source=$out/qalor-$version
rm -rf "$out"
mkdir -p "$source"

if git -C "$root" rev-parse --git-dir >/dev/null 2>&1; then
    (cd "$root" && git ls-files -z --cached --others --exclude-standard |
        xargs -0 -I{} sh -c '[ ! -e "$1" ] || printf "%s\0" "$1"' _ {} |
        tar --null -T - -cf -) | tar -xf - -C "$source"
else
    tar -C "$root" --exclude='./build*' --exclude=./.cache -cf - . | tar -xf - -C "$source"
fi

options="parallel=$(nproc) noddebs"
profiles=
if [[ ${QALOR_PACKAGE_TESTS:-0} != 1 ]]; then
    options+=" nocheck"
    profiles=nocheck
fi
if [[ -d /usr/lib/ccache ]]; then
    export PATH=/usr/lib/ccache:$PATH
fi
say "building qalor $version in $source (DEB_BUILD_OPTIONS=$options)"
if ! (cd "$source" && DEB_BUILD_OPTIONS=$options DEB_BUILD_PROFILES=$profiles dpkg-buildpackage -us -uc) >"$out/build.log" 2>&1; then
    tail -n 40 "$out/build.log" >&2
    echo "build-package: dpkg-buildpackage failed (log: $out/build.log)" >&2
    exit 1
fi
say "built $(cd "$out" && ls qalor_* | paste -sd " " -)"
