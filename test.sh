#!/usr/bin/env bash
# Checks the includes of src/ against the map in README.md, builds everything
# with warnings as errors and runs every test: all of them
# on SQLite, then the database tests again on a throwaway PostgreSQL cluster
# that this script starts on a free loopback port and removes afterwards.
#
# QALOR_BUILD_DIR   build folder (default: build/)
# QALOR_TEST_JOBS   tests run at once (default: 2)
# QALOR_FUZZ_SECONDS  time each fuzz target runs (default: 30)
# QALOR_DEBIAN_ROOT  where the clean Debian 12 root the package is booted in is
#                    kept between runs (default: build/debian-root)
# Exit status: 0 when the build and every test pass.
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")"
root=$PWD
build=${QALOR_BUILD_DIR:-$root/build}
jobs=${QALOR_TEST_JOBS:-2}

started=$SECONDS
phase_start=$SECONDS
timings=()
phase()
{
    printf '\n==> %s\n' "$1"
    phase_start=$SECONDS
}
phase_done()
{
    local took=$((SECONDS - phase_start))
    timings+=("$(printf '%-36s %5d s  %s' "$1" "$took" "$2")")
    printf '==> %s: %s (%d s)\n' "$1" "$2" "$took"
}

work=$(mktemp -d "${TMPDIR:-/tmp}/qalor-test.XXXXXX")
pg_dir=
pg_ctl=
as_postgres=()
cleanup()
{
    if [[ -n $pg_ctl && -f $pg_dir/data/postmaster.pid ]]; then
        (cd / && "${as_postgres[@]}" "$pg_ctl" -D "$pg_dir/data" -m immediate stop >/dev/null 2>&1) || true
    fi
    [[ -n $pg_dir ]] && rm -rf "$pg_dir"
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

failed=()

# --- includes against the map of src/ in README.md ----------------------------
phase "Includes (scripts/check-includes.sh)"
if "$root/scripts/check-includes.sh"; then
    phase_done "Includes" "as the map of src/ says"
else
    phase_done "Includes" "FAILED"
    failed+=("includes")
fi

# --- packages and build -------------------------------------------------------
phase "Packages"
"$root/scripts/install-deps.sh"
phase_done "Packages" "ready"

phase "Build ($build, RelWithDebInfo, warnings are errors)"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQALOR_WERROR=ON
# Keep going past a broken target so that every test that did build still
# runs; the tests of the broken one fail as "not run".
if cmake --build "$build" -- -k 0; then
    phase_done "Build" "done"
else
    phase_done "Build" "FAILED"
    failed+=("build")
fi

# --- the Debian package -------------------------------------------------------
# Built from debian/ with dpkg-buildpackage, checked (control fields, files,
# manual pages, the unit's sandbox, lintian on source and binary), installed
# into a throwaway copy of this machine's root and used there by a normal
# user, then installed into a clean Debian 12 root that boots and runs the
# collector service.
phase "Debian package (dpkg-buildpackage, checks and lintian, trial install, clean Debian 12 root)"
package_out=$build/package
if "$root/scripts/build-package.sh" "$package_out" && "$root/scripts/check-package.sh" "$package_out" &&
    "$root/scripts/try-package.sh" "$package_out" && "$root/scripts/boot-package.sh" "$package_out" "${QALOR_DEBIAN_ROOT:-$build/debian-root}"; then
    phase_done "Debian package" "built, checked, installed and booted"
else
    phase_done "Debian package" "FAILED"
    failed+=("package")
fi

# Tests pass full connection strings and must not see the user's data sources,
# settings or journals.
: >"$work/odbc.ini"
export ODBCINI=$work/odbc.ini
export XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data XDG_CACHE_HOME=$work/cache
export QT_QPA_PLATFORM=offscreen
unset QALOR_ODBC QALOR_DATA_DIR QALOR_TEST_BACKEND QALOR_TEST_PG

# --- every test on SQLite -----------------------------------------------------
phase "Tests on SQLite (ctest -j$jobs)"
if (cd "$build" && ctest --output-on-failure -j"$jobs"); then
    phase_done "Tests on SQLite" "passed"
else
    phase_done "Tests on SQLite" "FAILED"
    failed+=("SQLite")
fi

# --- fuzz targets -------------------------------------------------------------
# Built with clang's libFuzzer when clang is installed; each target runs for a
# bounded time on its checked-in seed corpus (new inputs go to a scratch folder).
fuzz_seconds=${QALOR_FUZZ_SECONDS:-30}
if command -v clang++ >/dev/null; then
    phase "Fuzz targets (${fuzz_seconds} s each)"
    fuzz_ok=true
    if cmake -S "$root/fuzz" -B "$build/fuzz" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_CXX_COMPILER=clang++ >"$work/fuzz-cmake.log" 2>&1 && cmake --build "$build/fuzz"; then
        for corpus in "$root"/fuzz/corpus/*/; do
            target=fuzz_$(basename "$corpus")
            scratch=$work/fuzz-$(basename "$corpus")
            mkdir -p "$scratch"
            if ! "$build/fuzz/$target" -max_total_time="$fuzz_seconds" -print_final_stats=1 \
                "$scratch" "$corpus" >"$work/$target.log" 2>&1; then
                tail -n 40 "$work/$target.log" >&2
                fuzz_ok=false
            fi
            grep -E '^stat::number_of_executed_units' "$work/$target.log" | sed "s/^/$target: /" || true
        done
    else
        cat "$work/fuzz-cmake.log" >&2
        fuzz_ok=false
    fi
    if $fuzz_ok; then
        phase_done "Fuzz targets" "passed"
    else
        phase_done "Fuzz targets" "FAILED"
        failed+=("fuzz")
    fi
fi

# --- database tests on PostgreSQL ---------------------------------------------
phase "PostgreSQL cluster"
pg_bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1 || true)
if [[ -z $pg_bin ]]; then
    echo "test.sh: no PostgreSQL server found under /usr/lib/postgresql" >&2
    exit 1
fi
pg_ctl=$pg_bin/pg_ctl
pg_dir=$(mktemp -d "${TMPDIR:-/tmp}/qalor-pg.XXXXXX")
if ((EUID == 0)); then
    # The server refuses to run as root.
    chown postgres:postgres "$pg_dir"
    if command -v runuser >/dev/null; then
        as_postgres=(runuser -u postgres --)
    else
        as_postgres=(su postgres -s /bin/sh -c '"$0" "$@"')
    fi
fi
pg() { (cd / && "${as_postgres[@]}" "$@"); }

pg "$pg_bin/initdb" -D "$pg_dir/data" -E UTF8 --locale=C.UTF-8 -U postgres \
    --auth-local=trust --auth-host=scram-sha-256 >"$work/initdb.log" 2>&1 ||
    { cat "$work/initdb.log" >&2; exit 1; }

port_in_use() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }
port=
for _ in 1 2 3 4 5; do
    candidate=$((20000 + RANDOM % 30000))
    port_in_use "$candidate" && continue
    if pg "$pg_ctl" -D "$pg_dir/data" -l "$pg_dir/server.log" -w -t 60 \
        -o "-p $candidate -k $pg_dir -c listen_addresses=127.0.0.1 -c fsync=off" start >/dev/null; then
        port=$candidate
        break
    fi
done
if [[ -z $port ]]; then
    echo "test.sh: the PostgreSQL test server did not start:" >&2
    cat "$pg_dir/server.log" >&2
    exit 1
fi
pg "$pg_bin/psql" -h "$pg_dir" -p "$port" -U postgres -d postgres -q -v ON_ERROR_STOP=1 \
    -c "CREATE ROLE qalor LOGIN SUPERUSER PASSWORD 'qalor'"
phase_done "PostgreSQL cluster" "PostgreSQL $("$pg_bin/postgres" --version | awk '{print $3}') on 127.0.0.1:$port"

phase "Database tests on PostgreSQL (ctest -L db -j$jobs)"
export QALOR_TEST_BACKEND=postgres
export QALOR_TEST_PG="DRIVER={PostgreSQL Unicode};Server=127.0.0.1;Port=$port;Uid=qalor;Pwd=qalor"
if (cd "$build" && ctest -L db --output-on-failure -j"$jobs"); then
    phase_done "Tests on PostgreSQL" "passed"
else
    phase_done "Tests on PostgreSQL" "FAILED"
    failed+=("PostgreSQL")
fi

printf '\n==> Summary\n'
printf '%s\n' "${timings[@]}"
printf '%-36s %5d s\n' "Total" "$((SECONDS - started))"
if ((${#failed[@]})); then
    echo "test.sh: failed: ${failed[*]}" >&2
    exit 1
fi
echo "test.sh: all tests passed"
