#!/usr/bin/env bash
# Installs the Debian package that scripts/build-package.sh made into a
# throwaway copy of this machine's root and uses it as a site would:
#
#   1. apt installs the .deb (and whatever it still lacks) in the copy,
#   2. hardening-check passes on every installed program,
#   3. the month-end crontab example of `man qalor-report` and the README is
#      one line that cron runs as it stands,
#   4. a normal user without a locale and without HOME runs qalor-initdb,
#      which registers the user's own SQLite data source TDS (~/.odbc.ini
#      0600, data folder 0700) and creates its tables,
#   5. that user's installed qalor prices calls that qalor-pbxsim (from the
#      package build) sends over a tcp:// port mapping, and the rows are
#      checked in the data file.
#
#   scripts/try-package.sh OUT_DIR
#
# The copy is an overlay on / in private mount and process namespaces:
# nothing reaches the real root, and every mount and every process the trial
# started goes when the script ends. Needs root (runs itself through sudo
# otherwise). Exit status: 0 when every step passes.
set -euo pipefail

out=$(realpath "${1:?usage: try-package.sh OUT_DIR}")
trial=try-package
# shellcheck source=package-trial.sh
source "$(dirname "${BASH_SOURCE[0]}")/package-trial.sh"
trial_start "$@"

scratch=$(mktemp -d "${TMPDIR:-/tmp}/qalor-try.XXXXXX")
root=$scratch/root
qalor_pid=
pbxsim_pid=
cleanup()
{
    [[ -n $qalor_pid ]] && kill "$qalor_pid" 2>/dev/null
    [[ -n $pbxsim_pid ]] && kill "$pbxsim_pid" 2>/dev/null
    wait 2>/dev/null
    umount -R -l "$root" 2>/dev/null || true
    umount -l "$scratch" 2>/dev/null || true
    rm -rf "$scratch"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

mount -t tmpfs tmpfs "$scratch"
mkdir "$scratch/upper" "$scratch/work" "$root"
mount -t overlay overlay -o "lowerdir=/,upperdir=$scratch/upper,workdir=$scratch/work" "$root"
mount -t proc proc "$root/proc"
mount --rbind /dev "$root/dev"
mount -t tmpfs tmpfs "$root/tmp"
in_root() { chroot "$root" "$@"; }

# --- 1. install -------------------------------------------------------------
in_root dpkg-query -W qalor >/dev/null 2>&1 && in_root dpkg --purge qalor >/dev/null
cp "$deb" "$root/tmp/"
# Man pages are found by path; the index man-db would rebuild is not needed.
in_root sh -c 'echo "man-db man-db/auto-update boolean false" | debconf-set-selections'
if ! in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
    "/tmp/$(basename "$deb")" >"$scratch/apt.log" 2>&1; then
    cat "$scratch/apt.log" >&2
    fail "apt-get could not install $(basename "$deb")"
fi
say "installed $(in_root dpkg-query -W -f='${Package} ${Version}' qalor)"

# --- 2. hardening -----------------------------------------------------------
# PIE, stack protector, fortified functions, read-only relocations and
# immediate binding. Control-flow protection (CET) is not asked for: Debian
# 12's C start files carry no CET marks, so no program linked on it has them,
# and its dpkg-buildflags do not give -fcf-protection.
programs=(/usr/bin/qalor /usr/bin/qalor-report /usr/bin/qalor-collector /usr/bin/qalor-web
    /usr/libexec/qalor/qalor-initdb)
for program in "${programs[@]}"; do
    if ! in_root hardening-check --nocfprotection "$program" >"$scratch/hardening.log" 2>&1; then
        cat "$scratch/hardening.log" >&2
        fail "hardening-check fails on $program"
    fi
done
say "hardening-check passes on ${programs[*]}"

# --- 3. manual pages --------------------------------------------------------
for page in qalor qalor-initdb qalor-report qalor-collector qalor-web; do
    in_root env MANWIDTH=80 man -P cat "$page" >"$scratch/$page.txt" 2>"$scratch/man.log" ||
        { cat "$scratch/man.log" >&2; fail "man $page fails"; }
done
# The example must paste into `crontab -e` as it stands: one line, the same
# in the README, and run by sh (as cron does, with % written \%) it asks for
# last month from its first to its last day.
entry=$(grep -h '^ *0 2 1 \* \* ' "$scratch/qalor-report.txt" | sed 's/^ *//')
[[ -n $entry ]] || fail "man qalor-report lacks the month-end crontab example"
zcat "$root/usr/share/doc/qalor/README.md.gz" | grep -qxF -- "$entry" ||
    fail "the README's crontab example differs from the manual page's: $entry"
mkdir "$root/tmp/cron-bin"
printf '#!/bin/sh\necho "$*" >>/tmp/cron-bin/calls\n' >"$root/tmp/cron-bin/qalor-report"
chmod +x "$root/tmp/cron-bin/qalor-report"
command=$(cut -d' ' -f6- <<<"$entry" | sed 's/\\%/%/g')
in_root env -i PATH=/tmp/cron-bin:/usr/bin:/bin sh -c "$command" || fail "the crontab entry fails: $command"
from=$(date -d "$(date +%Y-%m-01) -1 month" +%F)
to=$(date -d "$(date +%Y-%m-01) -1 day" +%F)
[[ $(head -n 1 "$root/tmp/cron-bin/calls") == "stats --from $from --to $to" ]] ||
    fail "the crontab entry ran: $(cat "$root/tmp/cron-bin/calls")"
say "man qalor, qalor-initdb, qalor-report, qalor-collector and qalor-web render; the crontab example runs as one line ($from to $to)"

# --- 4. qalor-initdb as a normal user ---------------------------------------
user=qalor-trial
in_root useradd --create-home --shell /bin/bash "$user"
home=/home/$user
# As the user, with nothing of this script's environment: env -i, no LANG,
# as cron or a service unit would start it; qalor-initdb even without HOME.
as_user() { chroot --userspec="$user:$user" "$root" env -i HOME="$home" PATH=/usr/bin:/bin "$@"; }
if ! echo secret | chroot --userspec="$user:$user" "$root" env -i PATH=/usr/bin:/bin qalor-initdb --sample \
    >"$scratch/initdb.log" 2>&1; then
    cat "$scratch/initdb.log" >&2
    fail "qalor-initdb failed for $user"
fi
data_file=$root$home/.local/share/qalor/tds.sqlite
for path in "$home/.odbc.ini:600" "$home/.local/share/qalor:700" "$home/.local/share/qalor/tds.sqlite:600"; do
    [[ $(stat -c %a "$root${path%:*}") == "${path##*:}" ]] ||
        fail "qalor-initdb left ${path%:*} with mode $(stat -c %a "$root${path%:*}"), not ${path##*:}"
done
grep -q '^\[TDS\]' "$root$home/.odbc.ini" || fail "qalor-initdb registered no data source TDS in ~/.odbc.ini"
[[ -f $data_file ]] || fail "qalor-initdb made no $home/.local/share/qalor/tds.sqlite"
[[ $(stat -c %u "$data_file") == "$(in_root id -u "$user")" ]] || fail "the data file does not belong to $user"
grep -q '^Created [0-9]* tables' "$scratch/initdb.log" || { cat "$scratch/initdb.log" >&2; fail "no tables created"; }
as_user qalor-initdb --check >/dev/null || fail "qalor-initdb --check finds tables missing"
say "qalor-initdb (user $user, env -i, no LANG, no HOME; ~/.odbc.ini 0600, data folder 0700): $(grep -c '' "$root$home/.odbc.ini") lines in ~/.odbc.ini, $(head -n 1 "$scratch/initdb.log" | cut -c1-60)..."

# --- 5. calls through the installed workstation -------------------------------
port=$("$(dirname "${BASH_SOURCE[0]}")/free-port.sh")

calls=25
"$pbxsim" --tcp-listen "$port" --generate "$calls" --date 260302 --seed 19 --fast >"$scratch/pbxsim.log" 2>&1 &
pbxsim_pid=$!
settings_dir="$root$home/.config/Local AppWizard-Generated Applications"
in_root runuser -u "$user" -- mkdir -p "${settings_dir#"$root"}"
printf '[SerialPorts]\nCOM1=tcp://127.0.0.1:%s\n' "$port" >"$settings_dir/qalor.conf"
chown "$(stat -c %u:%g "$root$home")" "$settings_dir/qalor.conf"

# A desktop session's environment: a UTF-8 locale, a window system (here
# Qt's offscreen one).
as_user LANG=C.UTF-8 QT_QPA_PLATFORM=offscreen qalor >"$scratch/qalor.log" 2>&1 &
qalor_pid=$!

stored() { sqlite3 "file:$data_file?mode=ro" "SELECT COUNT(*) FROM 话费表" 2>/dev/null || echo 0; }
deadline=$((SECONDS + 60))
while (($(stored) < calls)); do
    if ((SECONDS > deadline)) || ! kill -0 "$qalor_pid" 2>/dev/null; then
        cat "$scratch/qalor.log" "$scratch/pbxsim.log" >&2
        fail "the workstation stored $(stored) of $calls calls within 60 s"
    fi
    sleep 0.2
done
wait "$pbxsim_pid" || fail "qalor-pbxsim failed: $(cat "$scratch/pbxsim.log")"
pbxsim_pid=

query() { sqlite3 "file:$data_file?mode=ro" "$1"; }
[[ $(query "SELECT COUNT(*) FROM 话费表") == "$calls" ]] || fail "more than $calls calls stored"
[[ $(query "SELECT COUNT(*) FROM 话费表 WHERE 主叫号 NOT BETWEEN '8001' AND '8016' OR 日期 <> '260302'") == 0 ]] ||
    fail "stored calls that the exchange did not report: $(query "SELECT * FROM 话费表 LIMIT 3")"
cents=$(query "SELECT CAST(ROUND(SUM(通话费 + 附加费) * 100) AS INTEGER) FROM 话费表")
((cents > 0)) || fail "the calls were stored without charges"
[[ -f $root$home/.local/share/qalor/received.journal ]] || fail "no received.journal in the user's data folder"
say "the installed qalor priced and stored $calls calls from tcp://127.0.0.1:$port (${cents} cents in all)"
