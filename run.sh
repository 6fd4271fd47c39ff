#!/usr/bin/env bash
# Builds Qalor and starts the workstation on the data source "TDS".
#
#   ./run.sh           the workstation on the serial port set in the program
#   ./run.sh --demo    sample data and a simulated exchange feeding calls
#   ./run.sh --demo --tcp   the same exchange behind a simulated serial device
#                      server: COM1 is tcp://127.0.0.1:PORT
#
# When no data source "TDS" exists (user or system DSN), a SQLite file
# ~/.local/share/qalor/tds.sqlite is created and registered as the user DSN
# "TDS"; qalor-initdb then creates the tables and asks for the Headkeeper
# password. An existing DSN or data file is never replaced.
#
# QALOR_BUILD_DIR chooses another build folder (default: build/).
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")"
root=$PWD
build=${QALOR_BUILD_DIR:-$root/build}

usage()
{
    sed -n '2,15s/^# \{0,1\}//p' "$0"
}

demo=0
tcp=0
for arg in "$@"; do
    case $arg in
    --demo) demo=1 ;;
    --tcp) tcp=1 ;;
    -h | --help)
        usage
        exit 0
        ;;
    *)
        echo "run.sh: unknown option $arg" >&2
        usage >&2
        exit 1
        ;;
    esac
done

if ((tcp && !demo)); then
    echo "run.sh: --tcp goes with --demo" >&2
    exit 1
fi

say() { printf '==> %s\n' "$*"; }

# --- packages and build ------------------------------------------------------
"$root/scripts/install-deps.sh"

say "Building in $build"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQALOR_WERROR=OFF >/dev/null
cmake --build "$build" --target qalor-initdb qalor-pbxsim

initdb=$build/tools/initdb/qalor-initdb
pbxsim=$build/tools/pbxsim/qalor-pbxsim
qalor=$build/src/app/qalor

# --- data source "TDS" --------------------------------------------------------
# unixODBC finds the user's DSN file from the password database, not from
# $HOME; naming it keeps the user DSN where this script writes it.
export ODBCINI=${ODBCINI:-$HOME/.odbc.ini}
data_dir=${XDG_DATA_HOME:-$HOME/.local/share}/qalor
data_file=$data_dir/tds.sqlite

dsn_value()
{
    odbcinst -q -s -n TDS 2>/dev/null | sed -n "s/^$1[[:space:]]*=[[:space:]]*//p" | head -n 1 || true
}

# Asking unixODBC for a data source creates a missing DSN file with the
# umask's mode; the file is the user's alone (it may hold passwords).
if [[ ! -e $ODBCINI ]]; then
    (umask 077 && : >>"$ODBCINI")
fi

initdb_args=(--connection TDS)
((demo)) && initdb_args+=(--sample)

if odbcinst -q -s -n TDS >/dev/null 2>&1; then
    dsn_file=$(dsn_value Database)
    say "Using the existing data source TDS (driver $(dsn_value Driver)${dsn_file:+, $dsn_file})"
    if ! "$initdb" --connection TDS --check >/dev/null 2>&1; then
        if [[ $dsn_file == "$data_file" ]]; then
            # Our own embedded file, left unfinished by an earlier run.
            say "Creating the missing tables in $data_file"
            "$initdb" "${initdb_args[@]}"
        else
            echo "run.sh: the data source TDS lacks tables or indexes, or cannot be reached:" >&2
            "$initdb" --connection TDS --check >&2 || true
            echo "run.sh: create them with: $initdb --connection TDS" >&2
        fi
    elif ((demo)); then
        say "The tables exist already, so no sample data is added"
    fi
else
    say "No data source TDS: creating $data_file, registered in $ODBCINI"
    # The data folder, the SQLite file and a new DSN file are the user's
    # alone: the file holds the administrators' passwords.
    saved_umask=$(umask)
    umask 077
    mkdir -p "$data_dir"
    if [[ -e $data_file ]]; then
        say "Keeping the data file that is already there"
    fi
    if [[ -s $ODBCINI && -n $(tail -c 1 "$ODBCINI") ]]; then
        echo >>"$ODBCINI"
    fi
    # The same settings as CDatabase::embeddedConnectionString.
    cat >>"$ODBCINI" <<INI
[TDS]
Description=Qalor workstation data (SQLite)
Driver=SQLite3
Database=$data_file
Timeout=5000
JournalMode=WAL
SyncPragma=FULL
INI
    umask "$saved_umask"
    say "Creating the tables (qalor-initdb asks for the Headkeeper password)"
    "$initdb" "${initdb_args[@]}"
fi

# --- the workstation -----------------------------------------------------------
not_ready()
{
    echo "run.sh: $1" >&2
    echo "run.sh: the data source TDS is ready; run ./run.sh again once the program builds." >&2
    exit 1
}
if ! grep -q '^qalor:' <<<"$(ninja -C "$build" -t targets all)"; then
    not_ready "the workstation program (src/app, target qalor) is not part of the build yet."
fi
cmake --build "$build" --target qalor || not_ready "the workstation program $qalor does not build yet."
if [[ -z ${DISPLAY:-}${WAYLAND_DISPLAY:-} && -z ${QT_QPA_PLATFORM:-} ]]; then
    echo "run.sh: no display found (DISPLAY/WAYLAND_DISPLAY); the window may not open." >&2
fi

if ((!demo)); then
    exec "$qalor"
fi

# --- demonstration: a simulated exchange on a pseudo-terminal ----------------
work=$(mktemp -d "${TMPDIR:-/tmp}/qalor-demo.XXXXXX")
socat_pid=
modem_socat_pid=
sim_pid=
app_pid=
cleanup()
{
    [[ -n $app_pid ]] && kill "$app_pid" 2>/dev/null
    [[ -n $sim_pid ]] && kill "$sim_pid" 2>/dev/null
    [[ -n $socat_pid ]] && kill "$socat_pid" 2>/dev/null
    [[ -n $modem_socat_pid ]] && kill "$modem_socat_pid" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Port numbers map to devices in the program's own settings.
settings_dir="$work/config/Local AppWizard-Generated Applications"
mkdir -p "$settings_dir"

# A pseudo-terminal pair stands for the modem of the class changes (COM2).
socat pty,raw,echo=0,link="$work/modem" pty,raw,echo=0,link="$work/com2" 2>"$work/socat-modem.log" &
modem_socat_pid=$!
wait_for_links()
{
    for _ in $(seq 50); do
        [[ -e $1 && -e $2 ]] && return 0
        sleep 0.1
    done
    echo "run.sh: socat did not create the pseudo-terminal pair:" >&2
    cat "$3" >&2
    exit 1
}
wait_for_links "$work/modem" "$work/com2" "$work/socat-modem.log"
sim_args=(--modem "$work/modem" --generate 100000 --every 4000 --record "$work/to-pbx.log")

if ((tcp)); then
    # The exchange behind a serial device server on a free loopback port;
    # the workstation connects out to it.
    port=$("$root/scripts/free-port.sh")
    "$pbxsim" --tcp-listen "$port" "${sim_args[@]}" 2>"$work/pbxsim.log" &
    sim_pid=$!
    com1=tcp://127.0.0.1:$port
else
    socat pty,raw,echo=0,link="$work/pbx" pty,raw,echo=0,link="$work/com1" 2>"$work/socat.log" &
    socat_pid=$!
    wait_for_links "$work/pbx" "$work/com1" "$work/socat.log"
    "$pbxsim" --device "$work/pbx" "${sim_args[@]}" 2>"$work/pbxsim.log" &
    sim_pid=$!
    com1=$work/com1
fi
# COM1 is the workstation's end of the CDR line (the pty or the device
# server's address), COM2 its end of the modem pair.
printf '[SerialPorts]\nCOM1=%s\nCOM2=%s\n' "$com1" "$work/com2" >"$settings_dir/qalor.conf"
say "Simulated exchange on COM1 ($com1): a call every 4 seconds"
say "Modem of the class changes on COM2 ($work/com2)"
say "What the workstation sends to the exchange (lines CDR and MODEM) is logged in $work/to-pbx.log while the demo runs"

# In the background so that a signal to this script ends the demo at once.
XDG_CONFIG_HOME="$work/config" "$qalor" &
app_pid=$!
status=0
wait "$app_pid" || status=$?
app_pid=
exit "$status"
