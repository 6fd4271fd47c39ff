#!/usr/bin/env bash
# Soak test of several programs on one PostgreSQL data source: a collector
# and two windows (offscreen) share a database reached through a TCP proxy,
# while the simulated exchange prints CALLS calls. Every few seconds, until
# the calls are stored, one of them is killed (kill -9) and started again,
# or the proxy is killed, which drops every server connection at once, and
# started again. Afterwards the
# data source must hold every call once, every alert once, and the
# statistics of the month must equal those of a quiet run: the same calls
# through one collector on a second database, nothing killed. Before the
# checks the script acts as the administrator: every line a kill cut in two
# (its head and tail kept aside) is joined as the pieces window's 合并 does
# and priced by 计算REPORT数据.
#
#   scripts/soak.sh [CALLS]        (default 10000; at the line's pace about
#                                   a call a second at 9600 baud, so long)
#
# QALOR_BUILD_DIR  build folder with the programs (default: build/)
# QALOR_SOAK_PG    PostgreSQL connection string without Database= (a login
#                  that may create databases); default: a throwaway cluster
#                  started here on a free loopback port
# SOAK_EVERY       seconds between two disturbances (default 4)
# SOAK_BAUD        line speed of the simulated exchange (default 38400)
# SOAK_SEED        seed of the calls and of the disturbances (default 2026)
# SOAK_KEEP        set to keep the work folder (logs, databases' dumps)
#
# Needs socat, psql, the PostgreSQL server programs, and built: qalor-collector,
# qalor, qalor-pbxsim, qalor-initdb, qalor-report and qalor-unframed (under
# tests/support). Exit status: 0 when every check holds, 1 when one fails, 2
# for a wrong command line.
set -euo pipefail

calls=${1:-10000}
if ! [[ $calls =~ ^[1-9][0-9]*$ ]]; then
    echo "soak.sh: CALLS must be a positive number" >&2
    exit 2
fi
every=${SOAK_EVERY:-4}
baud=${SOAK_BAUD:-38400}
seed=${SOAK_SEED:-2026}
RANDOM=$seed

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${QALOR_BUILD_DIR:-$root/build}
collector_bin=$build/src/collector/qalor-collector
window_bin=$build/src/app/qalor
pbxsim_bin=$build/tools/pbxsim/qalor-pbxsim
initdb_bin=$build/tools/initdb/qalor-initdb
report_bin=$build/tools/report/qalor-report
unframed_bin=$build/tests/support/unframed/qalor-unframed
for program in "$collector_bin" "$window_bin" "$pbxsim_bin" "$initdb_bin" "$report_bin" "$unframed_bin"; do
    [[ -x $program ]] || { echo "soak.sh: $program is missing; build it first" >&2; exit 2; }
done
for tool in socat psql; do
    command -v "$tool" >/dev/null || { echo "soak.sh: $tool is not installed" >&2; exit 2; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/qalor-soak.XXXXXX")
pids=()
pg_ctl=
pg_dir=
as_postgres=()
cleanup()
{
    for pid in "${pids[@]}"; do
        kill -9 "$pid" 2>/dev/null || true
    done
    [[ -n ${proxy_pid:-} ]] && kill -9 -- "-$proxy_pid" 2>/dev/null || true
    wait 2>/dev/null || true
    if [[ -n $pg_ctl && -f $pg_dir/data/postmaster.pid ]]; then
        (cd / && "${as_postgres[@]}" "$pg_ctl" -D "$pg_dir/data" -m immediate stop >/dev/null 2>&1) || true
    fi
    [[ -n $pg_dir ]] && rm -rf "$pg_dir"
    if [[ -n ${SOAK_KEEP:-} ]]; then
        echo "soak.sh: work folder kept: $work"
    else
        rm -rf "$work"
    fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

free_port() { "$root/scripts/free-port.sh"; }
say() { printf '%(%H:%M:%S)T %s\n' -1 "$*"; }

# --- the server ---------------------------------------------------------------
if [[ -n ${QALOR_SOAK_PG:-} ]]; then
    field() { sed -n "s/.*\\b$1=\\([^;]*\\).*/\\1/ip" <<<"$QALOR_SOAK_PG"; }
    pg_host=$(field Server)
    pg_port=$(field Port)
    pg_user=$(field Uid)
    export PGPASSWORD
    PGPASSWORD=$(field Pwd)
else
    pg_bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1 || true)
    [[ -n $pg_bin ]] || { echo "soak.sh: no PostgreSQL server under /usr/lib/postgresql" >&2; exit 2; }
    pg_ctl=$pg_bin/pg_ctl
    pg_dir=$(mktemp -d "${TMPDIR:-/tmp}/qalor-soak-pg.XXXXXX")
    if ((EUID == 0)); then
        chown postgres:postgres "$pg_dir"
        as_postgres=(runuser -u postgres --)
    fi
    (cd / && "${as_postgres[@]}" "$pg_bin/initdb" -D "$pg_dir/data" -E UTF8 --locale=C.UTF-8 -U postgres \
        --auth=trust) >"$work/initdb-cluster.log" 2>&1
    pg_port=$(free_port)
    if ! (cd / && "${as_postgres[@]}" "$pg_ctl" -D "$pg_dir/data" -l "$pg_dir/server.log" -w -t 60 \
        -o "-p $pg_port -k $pg_dir -c listen_addresses=127.0.0.1" start) >/dev/null; then
        cat "$pg_dir/server.log" >&2
        exit 1
    fi
    pg_host=127.0.0.1
    pg_user=postgres
fi
sql() # database statement
{
    PGOPTIONS='-c client_min_messages=warning' psql -X -q -A -t -v ON_ERROR_STOP=1 -h "$pg_host" -p "$pg_port" -U "$pg_user" -d "$1" -c "$2"
}
connection() # database port
{
    local base="DRIVER={PostgreSQL Unicode};Server=$pg_host;Port=$2;Uid=$pg_user"
    [[ -n ${PGPASSWORD:-} ]] && base+=";Pwd=$PGPASSWORD"
    echo "$base;Database=$1"
}

period_from=2024-11-01
period_to=2024-11-30
make_database() # name
{
    sql postgres "DROP DATABASE IF EXISTS $1" >/dev/null
    sql postgres "CREATE DATABASE $1 ENCODING 'UTF8' TEMPLATE template0" >/dev/null
    # The password on standard input: never in the arguments.
    printf 'soak\n' | QALOR_ODBC=$(connection "$1" "$pg_port") "$initdb_bin" --sample >"$work/initdb-$1.log" 2>&1
    # Alerts of every kind that depends on one call, and a month total whose
    # state lives in the data source.
    sql "$1" "DELETE FROM 告警规则表;
        INSERT INTO 告警规则表 (规则编号,规则名称,规则类型,金额,通话秒数,号头,起始时间,结束时间,次数,分钟数,分机号,部门编号,是否启用)
        VALUES (1,'单次2元',1,2.0,0,'','','',0,0,'',0,1), (2,'通话10分钟',2,0,600,'','','',0,0,'',0,1),
               (3,'月累计30元',4,30.0,0,'','','',0,0,'',0,1)" >/dev/null
}

# --- the programs -------------------------------------------------------------
: >"$work/odbc.ini"
export ODBCINI=$work/odbc.ini QT_QPA_PLATFORM=offscreen LANG=C.UTF-8
unset QALOR_ODBC QALOR_DATA_DIR

# A run: its line (a pseudo-terminal pair), its settings mapping COM1 to it,
# the data folders of its programs.
make_line() # run
{
    local dir=$work/$1
    mkdir -p "$dir/config/Local AppWizard-Generated Applications"
    socat "pty,raw,echo=0,link=$dir/pbx" "pty,raw,echo=0,link=$dir/com1" 2>"$dir/socat.log" &
    pids+=($!)
    for _ in $(seq 100); do
        [[ -e $dir/pbx && -e $dir/com1 ]] && break
        sleep 0.1
    done
    printf '[SerialPorts]\nCOM1=%s\n' "$dir/com1" >"$dir/config/Local AppWizard-Generated Applications/qalor.conf"
}

declare -A running kills
start_program() # run name database-connection
{
    local dir=$work/$1 name=$2 program
    [[ $name == collector ]] && program=$collector_bin || program=$window_bin
    mkdir -p "$dir/data-$name"
    XDG_CONFIG_HOME=$dir/config XDG_DATA_HOME=$dir/xdg-$name XDG_CACHE_HOME=$dir/cache QALOR_ODBC=$3 \
        QALOR_DATA_DIR=$dir/data-$name "$program" >>"$dir/$name.log" 2>&1 &
    running[$1/$name]=$!
    pids+=($!)
}

start_exchange() # run
{
    "$pbxsim_bin" --device "$work/$1/pbx" --generate "$calls" --seed "$seed" --date 241115 --baud "$baud" \
        >"$work/$1/pbxsim.log" 2>&1 &
    exchange=$!
    pids+=($exchange)
}

stored() { sql "$1" "SELECT COUNT(*) FROM 话费表"; }

# Waits until the exchange has printed everything and the count of stored
# calls has not moved for 15 s (or equals the target when one is given).
settle() # database [target]
{
    while kill -0 "$exchange" 2>/dev/null; do sleep 1; done
    local last=-1 same=0 now
    for _ in $(seq 600); do
        now=$(stored "$1")
        [[ -n ${2:-} && $now -ge $2 ]] && return 0
        if [[ $now == "$last" ]]; then
            ((++same >= 15)) && return 0
        else
            same=0
            last=$now
        fi
        sleep 1
    done
}

started=$SECONDS
# --- the quiet run ------------------------------------------------------------
say "quiet run: $calls calls through one collector, nothing killed"
make_database soak_quiet
make_line quiet
start_program quiet collector "$(connection soak_quiet "$pg_port")"
sleep 2
start_exchange quiet
settle soak_quiet
quiet_calls=$(stored soak_quiet)
kill -TERM "${running[quiet/collector]}"
say "quiet run: $quiet_calls calls stored in $((SECONDS - started)) s"

# --- the soak run -------------------------------------------------------------
say "soak run: a collector and two windows through a proxy; a disturbance every $every s"
make_database soak
make_line soak
proxy_port=$(free_port)
start_proxy()
{
    setsid socat "TCP-LISTEN:$proxy_port,bind=127.0.0.1,reuseaddr,fork" "TCP:$pg_host:$pg_port" \
        2>>"$work/soak/proxy.log" &
    proxy_pid=$!
}
start_proxy
through_proxy=$(connection soak "$proxy_port")
# Starts the run's collector and waits (up to a minute) until it reads the line.
start_collector() # run connection
{
    local log=$work/$1/collector.log before
    before=$(grep -c '采集服务已启动' "$log" 2>/dev/null || true)
    start_program "$1" collector "$2"
    for _ in $(seq 600); do
        (($(grep -c '采集服务已启动' "$log" 2>/dev/null || true) > before)) && return 0
        kill -0 "${running[$1/collector]}" 2>/dev/null || return 0
        sleep 0.1
    done
}
# The collector first, as at a machine's start: the windows then follow it.
start_collector soak "$through_proxy"
for name in window1 window2; do
    start_program soak "$name" "$through_proxy"
done
sleep 2
soak_started=$SECONDS
start_exchange soak
victims=(collector window1 window2 proxy)
restarts=0
# The programs take the line's characters in as fast as they come and price
# them later: the disturbances go on until the data source holds every call
# (or, once the exchange is done, holds no more for ten rounds: calls cut
# in two wait for the administrator).
last=-1
same=0
while true; do
    if ! kill -0 "$exchange" 2>/dev/null; then
        now=$(stored soak)
        ((now < quiet_calls)) || break
        if ((now == last)); then
            ((++same < 10)) || break
        else
            same=0
            last=$now
        fi
    fi
    sleep "$every"
    # A collector that ended by itself (a window restarted while it was down
    # reads the line now) is started again, as its service unit does.
    if ! kill -0 "${running[soak/collector]}" 2>/dev/null; then
        restarts=$((restarts + 1))
        start_program soak collector "$through_proxy"
    fi
    victim=${victims[RANDOM % ${#victims[@]}]}
    kills[$victim]=$((${kills[$victim]:-0} + 1))
    say "kill $victim" >>"$work/soak/disturbances.log"
    if [[ $victim == proxy ]]; then
        kill -9 -- "-$proxy_pid" 2>/dev/null || true
        wait "$proxy_pid" 2>/dev/null || true
        sleep 1
        start_proxy
    else
        kill -9 "${running[soak/$victim]}" 2>/dev/null || true
        wait "${running[soak/$victim]}" 2>/dev/null || true
        say "$victim ended" >>"$work/soak/disturbances.log"
        sleep 1 # as the service unit's restart pause
        start_program soak "$victim" "$through_proxy"
    fi
done
settle soak "$quiet_calls"
say "soak run: the exchange is done after $((SECONDS - soak_started)) s; disturbances: collector ${kills[collector]:-0}, window1 ${kills[window1]:-0}, window2 ${kills[window2]:-0}, proxy ${kills[proxy]:-0}; collector started again after it ended by itself: $restarts"
for name in collector window1 window2; do
    kill -TERM "${running[soak/$name]}" 2>/dev/null || true
done
for name in collector window1 window2; do
    wait "${running[soak/$name]}" 2>/dev/null || true
done

# --- the administrator --------------------------------------------------------
# A kill in the middle of a line leaves the line's head (ending in the break
# mark) and its tail kept aside in the data folder of the program that read
# it; the programs never join them by themselves. The administrator does, as
# the pieces window's 合并 does (same check, question and LOGINFO row), and
# has the joined lines priced by 计算REPORT数据: those of the collector's
# folder by the collector, those of a window's folder in that folder.
admin() # folder command...
{
    local folder=$1
    shift
    XDG_CONFIG_HOME=$work/soak/config XDG_DATA_HOME=$work/soak/xdg-admin XDG_CACHE_HOME=$work/soak/cache \
        QALOR_ODBC=$(connection soak "$pg_port") QALOR_DATA_DIR=$folder "$unframed_bin" "$@"
}
joined=0
pieces_left=0
for name in collector window1 window2; do
    folder=$work/soak/data-$name
    [[ -s $folder/unframed-cdr.journal ]] || continue
    # A join rewrites the kept pieces, numbered anew: listed again after each.
    here=0
    tried=0
    while true; do
        heads=($(admin "$folder" list | awk -F '\t' '$2 == "head" { print $1 }'))
        ((tried < ${#heads[@]})) || break
        if printf 'y\n' | admin "$folder" join "${heads[tried]}" >>"$work/soak/admin.log" 2>&1; then
            here=$((here + 1))
        else
            tried=$((tried + 1))
        fi
    done
    left=$(admin "$folder" list | wc -l)
    say "pieces kept by $name: $here pairs joined, $left pieces left"
    joined=$((joined + here))
    pieces_left=$((pieces_left + left))
    ((here > 0)) || continue
    if [[ $name == collector ]]; then
        start_collector soak "$(connection soak "$pg_port")"
        admin "$folder" compute >>"$work/soak/admin.log" 2>&1 || say "计算REPORT数据 failed (see admin.log)"
        kill -TERM "${running[soak/collector]}" 2>/dev/null || true
        wait "${running[soak/collector]}" 2>/dev/null || true
    else
        admin "$folder" compute >>"$work/soak/admin.log" 2>&1 || say "计算REPORT数据 failed (see admin.log)"
    fi
done
say "administrator: $joined pairs of pieces joined and priced by 计算REPORT数据, $pieces_left pieces left"

# --- the checks ---------------------------------------------------------------
failed=0
check() # text condition...
{
    local text=$1
    shift
    if "$@"; then
        say "ok: $text"
    else
        say "FAILED: $text"
        failed=1
    fi
}
same_rows() # query file
{
    sql soak "$1" >"$work/soak-$2"
    sql soak_quiet "$1" >"$work/quiet-$2"
    diff -q "$work/soak-$2" "$work/quiet-$2" >/dev/null
}
soak_calls=$(stored soak)
distinct_calls=$(sql soak "SELECT COUNT(*) FROM (SELECT DISTINCT * FROM 话费表) d")
say "calls: $calls printed, $quiet_calls stored by the quiet run, $soak_calls by the soak run ($distinct_calls distinct)"
check "every call stored once" [ "$soak_calls" = "$quiet_calls" -a "$distinct_calls" = "$soak_calls" ]
check "the same calls as the quiet run, column by column" \
    same_rows "SELECT * FROM 话费表 ORDER BY 1,2,3,4,5,6,7,8,9,10,11,12" calls.txt
alert_columns="主叫号,被叫号,日期,时间,通话秒数,话费,规则编号,告警说明"
say "alerts: $(sql soak_quiet 'SELECT COUNT(*) FROM 告警记录表') in the quiet run, $(sql soak 'SELECT COUNT(*) FROM 告警记录表') in the soak run"
check "every alert once" same_rows "SELECT $alert_columns FROM 告警记录表 ORDER BY $alert_columns" alerts.txt
for database in soak soak_quiet; do
    "$report_bin" stats --from "$period_from" --to "$period_to" \
        --connection "$(connection "$database" "$pg_port")" >"$work/stats-$database.log" 2>&1 ||
        { cat "$work/stats-$database.log" >&2; failed=1; }
done
check "tj equal to the quiet run's" same_rows "SELECT * FROM tj ORDER BY 电话号码" tj.txt
check "BMTJ equal to the quiet run's" same_rows "SELECT * FROM BMTJ ORDER BY 部门编号" bmtj.txt
say "soak.sh: $((SECONDS - started)) s in all"
if ((failed)); then
    # Where calls that are missing may wait: pieces of lines no program framed.
    for journal in "$work"/soak/data-*/unframed-cdr.journal; do
        if [[ -s $journal ]]; then say "pieces of lines left unframed: $journal"; fi
    done
    SOAK_KEEP=1
    exit 1
fi
