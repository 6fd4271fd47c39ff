#!/usr/bin/env bash
# Installs the Debian 12 packages Qalor needs to build, run and test, but only
# those that are missing. Runs as root or, for a normal user, through sudo.
set -euo pipefail

packages=(
    # build
    cmake ninja-build g++ qt6-base-dev qt6-serialport-dev qt6-charts-dev libgl-dev
    # Qt Charts needs the OpenGL module's CMake files to be found
    libqt6opengl6-dev
    # fuzzing the line framing and imports
    clang libclang-rt-14-dev
    # data sources: ODBC driver manager, its tools, SQLite and PostgreSQL drivers
    libqt6sql6-odbc unixodbc unixodbc-dev odbcinst libsqliteodbc odbc-postgresql
    # throwaway database server for the PostgreSQL test run
    postgresql
    # simulated PBX line, printed-output checks, windows without a screen
    socat poppler-utils xvfb xauth
    # the Debian package: its build (debhelper), its checks (lintian, hardening-check
    # from devscripts), its manual pages, the rows its trial install stores, and
    # the clean Debian 12 root it is booted in (mmdebstrap, systemd-nspawn)
    dpkg-dev debhelper file desktop-file-utils lintian devscripts man-db sqlite3 mmdebstrap systemd-container
    # systemd-analyze checks the collector's unit; sd_notify for its readiness and watchdog
    systemd libsystemd-dev
    # administrator passwords kept as argon2id hashes
    libsodium-dev
    # the booted package's web console asked over HTTPS (curl), its certificate compared (openssl)
    curl openssl
    # .xlsx export with typed cells; the tests read the sheets back with unzip
    libxlsxwriter-dev unzip
    # report font (a fixed-pitch CJK face), Qt's own dialogs in Chinese
    fonts-wqy-microhei fonts-noto-cjk qt6-translations-l10n
    # the web console: its HTTP server on Qt's event loop, its certificate through OpenSSL
    # (its CMake files need the WebSockets module's, which the package does not pull in)
    qt6-httpserver-dev qt6-websockets-dev libssl-dev
    # the web console's browser test: headless chromium driven through selenium,
    # the window's status bar read over the accessibility bus on a private session bus
    chromium chromium-driver python3-selenium python3-dbus dbus-daemon at-spi2-core
)

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null || true)
    [[ $status == installed ]] || missing+=("$package")
done
((${#missing[@]} == 0)) && exit 0

echo "install-deps: installing ${missing[*]}"
if ((EUID == 0)); then
    as_root=()
elif command -v sudo >/dev/null; then
    as_root=(sudo)
else
    echo "install-deps: these packages are missing and neither root nor sudo is available: ${missing[*]}" >&2
    exit 1
fi
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y -q --no-install-recommends "${missing[@]}"
