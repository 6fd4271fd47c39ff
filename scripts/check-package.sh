#!/usr/bin/env bash
# Checks the Debian package that `cmake --build BUILD --target package` made:
# its control fields and dependencies, its file list, the desktop entry, the
# Debian changelog against the control fields, and lintian's verdict
# (--pedantic -I -E): any error or warning fails, the other tags are listed.
#
#   scripts/check-package.sh BUILD_DIR
#
# Exit status: 0 when every check passes.
set -euo pipefail

build=${1:?usage: check-package.sh BUILD_DIR}
shopt -s nullglob
debs=("$build"/qalor_*.deb)
if ((${#debs[@]} != 1)); then
    echo "check-package: expected one qalor_*.deb in $build, found ${#debs[@]}" >&2
    exit 1
fi
deb=${debs[0]}
failures=0
fail()
{
    echo "check-package: $*" >&2
    failures=$((failures + 1))
}

field() { dpkg-deb -f "$deb" "$1"; }
[[ $(field Package) == qalor ]] || fail "Package is '$(field Package)'"
[[ $(field Architecture) == "$(dpkg --print-architecture)" ]] || fail "Architecture is '$(field Architecture)'"

# Each name must be a dependency of its own, not a part of another name.
depends=$(field Depends | tr ',' '\n' | sed 's/^ *//; s/[ (|].*//')
for package in libqt6core6 libqt6gui6 libqt6widgets6 libqt6sql6 libqt6network6 libqt6serialport6 \
    libqt6printsupport6 libqt6charts6 libxlsxwriter4 libqt6sql6-odbc qt6-qpa-plugins unixodbc odbcinst libsqliteodbc fonts-wqy-microhei fonts-noto-cjk \
    qt6-translations-l10n; do
    grep -qx "$package" <<<"$depends" || fail "Depends lacks $package"
done
grep -qx odbc-postgresql <<<"$(field Recommends | tr ',' '\n' | sed 's/^ *//; s/[ (].*//')" ||
    fail "Recommends lacks odbc-postgresql"

files=$(dpkg-deb -c "$deb" | awk '{print $6}')
expected=(
    ./usr/bin/qalor
    ./usr/bin/qalor-initdb
    ./usr/libexec/qalor/qalor-initdb
    ./usr/share/applications/qalor.desktop
    ./usr/share/icons/hicolor/scalable/apps/qalor.svg
    ./usr/share/doc/qalor/README.md
    ./usr/share/doc/qalor/copyright
    ./usr/share/doc/qalor/changelog.Debian.gz
    ./usr/share/man/man1/qalor.1.gz
    ./usr/share/man/man1/qalor-initdb.1.gz
)
[[ -x $build/tools/report/qalor-report ]] && expected+=(./usr/bin/qalor-report ./usr/share/man/man1/qalor-report.1.gz)
[[ -x $build/src/collector/qalor-collector ]] &&
    expected+=(./usr/bin/qalor-collector ./usr/share/man/man1/qalor-collector.1.gz
        ./lib/systemd/system/qalor-collector@.service)
for path in "${expected[@]}"; do
    grep -qx "$path" <<<"$files" || fail "missing $path"
done
# Nothing of the build or the tests goes along.
unwanted=$(grep -E '/(tst_|bench_)|qalor-pbxsim|\.a$|/include/' <<<"$files" || true)
[[ -z $unwanted ]] || fail "unexpected files: $unwanted"

unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
dpkg-deb -x "$deb" "$unpacked"
desktop-file-validate "$unpacked/usr/share/applications/qalor.desktop" || fail "the desktop entry does not validate"
grep -q '^Categories=.*Office;' "$unpacked/usr/share/applications/qalor.desktop" || fail "the entry is not under Office"
for program in qalor qalor-initdb; do
    [[ -x $unpacked/usr/bin/$program ]] || fail "/usr/bin/$program is not executable"
done
if file "$unpacked/usr/bin/qalor" | grep -q 'not stripped'; then
    fail "/usr/bin/qalor is not stripped"
fi

# The top entry of the Debian changelog names this version and maintainer.
changelog=$unpacked/usr/share/doc/qalor/changelog.Debian.gz
if [[ -f $changelog ]]; then
    zcat "$changelog" >"$unpacked/changelog"
    [[ $(dpkg-parsechangelog -l "$unpacked/changelog" -S Version) == "$(field Version)" ]] ||
        fail "changelog.Debian.gz is at $(dpkg-parsechangelog -l "$unpacked/changelog" -S Version), the package at $(field Version)"
    [[ $(dpkg-parsechangelog -l "$unpacked/changelog" -S Maintainer) == "$(field Maintainer)" ]] ||
        fail "changelog.Debian.gz names another maintainer than the Maintainer field"
fi

# lintian as a Debian archive would run it. Errors (E:) and warnings (W:)
# fail; information (I:), pedantic (P:) and experimental (X:) tags are shown.
lintian_log=$unpacked/lintian.log
lintian --pedantic -I -E --fail-on none "$deb" >"$lintian_log" 2>&1 || fail "lintian did not run: $(cat "$lintian_log")"
grep -E '^[EWIPX]: ' "$lintian_log" || true
if grep -qE '^[EW]: ' "$lintian_log"; then
    fail "lintian reports $(grep -cE '^E: ' "$lintian_log") errors and $(grep -cE '^W: ' "$lintian_log") warnings"
fi

if ((failures)); then
    exit 1
fi
echo "check-package: $(basename "$deb") ($(du -k "$deb" | cut -f1) KiB, $(wc -l <<<"$files") entries) is complete"
