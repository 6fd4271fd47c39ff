#!/usr/bin/env bash
# Checks the Debian package that scripts/build-package.sh made: its control
# fields and dependencies (each named once), its file list, the desktop
# entry, the manual pages (no troff warning in the C locale or in UTF-8),
# the collector's unit (systemd-analyze security: exposure 4.0 or lower) and
# lintian's verdict on the source and the binary package (--pedantic -I -E):
# any error or warning fails, the other tags are listed.
#
#   scripts/check-package.sh OUT_DIR
#
# Exit status: 0 when every check passes.
set -euo pipefail

out=${1:?usage: check-package.sh OUT_DIR}
shopt -s nullglob
debs=("$out"/qalor_*.deb)
changes=("$out"/qalor_*_source.changes "$out"/qalor_*_"$(dpkg --print-architecture)".changes)
if ((${#debs[@]} != 1)) || ((${#changes[@]} == 0)); then
    echo "check-package: expected one qalor_*.deb and its .changes in $out" >&2
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
names() { tr ',|' '\n\n' | sed 's/^ *//; s/[ (].*//' | sed '/^$/d'; }
[[ $(field Package) == qalor ]] || fail "Package is '$(field Package)'"
[[ $(field Architecture) == "$(dpkg --print-architecture)" ]] || fail "Architecture is '$(field Architecture)'"

depends=$(field Depends | names)
twice=$(sort <<<"$depends" | uniq -d)
[[ -z $twice ]] || fail "Depends names more than once: $twice"
for package in libqt6core6 libqt6gui6 libqt6widgets6 libqt6sql6 libqt6network6 libqt6serialport6 \
    libqt6printsupport6 libqt6charts6 libxlsxwriter4 libqt6sql6-odbc qt6-qpa-plugins unixodbc odbcinst \
    libsqliteodbc qt6-translations-l10n libqt6httpserver6; do
    grep -qx "$package" <<<"$depends" || fail "Depends lacks $package"
done
grep -q 'systemd-sysusers' <<<"$(field Depends)" || fail "Depends lacks what runs sysusers.d"
recommends=$(field Recommends)
grep -q 'fonts-noto-cjk | fonts-wqy-microhei' <<<"$recommends" || fail "Recommends lacks the fonts: $recommends"
grep -qx odbc-postgresql <<<"$(names <<<"$recommends")" || fail "Recommends lacks odbc-postgresql"
fonts_required=$(grep -E '^fonts-' <<<"$depends" || true)
[[ -z $fonts_required ]] || fail "fonts are required, not recommended: $fonts_required"

files=$(dpkg-deb -c "$deb" | awk '{print $6}')
expected=(
    ./usr/bin/qalor
    ./usr/bin/qalor-initdb
    ./usr/bin/qalor-report
    ./usr/bin/qalor-collector
    ./usr/bin/qalor-web
    ./usr/libexec/qalor/qalor-initdb
    ./lib/systemd/system/qalor-collector@.service
    ./lib/systemd/system/qalor-web.service
    ./usr/lib/sysusers.d/qalor.conf
    ./usr/lib/tmpfiles.d/qalor.conf
    ./usr/share/applications/qalor.desktop
    ./usr/share/icons/hicolor/scalable/apps/qalor.svg
    ./usr/share/doc/qalor/README.md.gz
    ./usr/share/doc/qalor/copyright
    ./usr/share/doc/qalor/changelog.gz
    ./usr/share/man/man1/qalor.1.gz
    ./usr/share/man/man1/qalor-initdb.1.gz
    ./usr/share/man/man1/qalor-report.1.gz
    ./usr/share/man/man1/qalor-collector.1.gz
    ./usr/share/man/man1/qalor-web.1.gz
)
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
for program in qalor qalor-initdb qalor-report qalor-collector qalor-web; do
    [[ -x $unpacked/usr/bin/$program ]] || fail "/usr/bin/$program is not executable"
done
if file "$unpacked/usr/bin/qalor" | grep -q 'not stripped'; then
    fail "/usr/bin/qalor is not stripped"
fi

# Manual pages: no troff warning where man renders them in ASCII (C locale)
# or in UTF-8.
for page in "$unpacked"/usr/share/man/man1/*.1.gz; do
    warnings=$(LC_ALL=C MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null || true)
    warnings+=$(zcat "$page" | preconv -e UTF-8 | groff -Tutf8 -man -ww -z 2>&1 || true)
    [[ -z $warnings ]] || fail "$(basename "$page"): $warnings"
done

# The sandboxes of the collector and the web console.
exposures=
for unit in qalor-collector@.service qalor-web.service; do
    exposure=$(systemd-analyze security --offline=true --no-pager "$unpacked/lib/systemd/system/$unit" 2>&1 |
        sed -n 's/.*Overall exposure level for .*: \([0-9.]*\).*/\1/p')
    if [[ -z $exposure ]]; then
        fail "systemd-analyze security gave no exposure level for $unit"
    elif ! awk -v e="$exposure" 'BEGIN { exit !(e <= 4.0) }'; then
        fail "$unit is exposed at $exposure (at most 4.0)"
    fi
    exposures+="${exposures:+, }${unit%%[@.]*} $exposure"
done

# lintian as a Debian archive would run it, on the source and the binary
# package. Errors (E:) and warnings (W:) fail; information (I:), pedantic
# (P:) and experimental (X:) tags are shown.
lintian_log=$unpacked/lintian.log
lintian --pedantic -I -E --fail-on none "${changes[@]}" >"$lintian_log" 2>&1 ||
    fail "lintian did not run: $(cat "$lintian_log")"
grep -E '^[EWIPX]: ' "$lintian_log" || true
if grep -qE '^[EW]: ' "$lintian_log"; then
    fail "lintian reports $(grep -cE '^E: ' "$lintian_log") errors and $(grep -cE '^W: ' "$lintian_log") warnings"
fi

if ((failures)); then
    exit 1
fi
echo "check-package: $(basename "$deb") ($(du -k "$deb" | cut -f1) KiB, $(wc -l <<<"$files") entries," \
    "exposure: $exposures) and its source package are complete"
