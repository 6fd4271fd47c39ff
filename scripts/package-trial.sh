# Sourced by try-package.sh and boot-package.sh: what both trials of the
# built package start with. Set trial (the script's name, e.g. try-package)
# and out (the package build folder) first, then call
#   trial_start "$@"
# which becomes root (through sudo), moves the script into its own mount and
# process namespaces (every mount and process it made, the workstation, the
# simulator, a container, goes when it ends, also what left its process
# group) and finds the package (deb) and the simulator (pbxsim) in out.

say() { printf "%s: %s (%d s)\n" "$trial" "$*" "$SECONDS"; }
fail()
{
    echo "$trial: $*" >&2
    exit 1
}

trial_start()
{
    if ((EUID != 0)); then
        command -v sudo >/dev/null || fail "needs root (mounts, chroot) and there is no sudo"
        exec sudo -- "$0" "$@"
    fi
    if [[ ${QALOR_PACKAGE_TRIAL_INSIDE:-} != "$trial" ]]; then
        QALOR_PACKAGE_TRIAL_INSIDE=$trial exec unshare --mount --propagation private --pid --fork \
            --kill-child --mount-proc -- "$0" "$@"
    fi
    shopt -s nullglob
    local debs=("$out"/qalor_*.deb)
    ((${#debs[@]} == 1)) || fail "expected one qalor_*.deb in $out, found ${#debs[@]}"
    deb=${debs[0]}
    pbxsim=$(find "$out" -path '*/tools/pbxsim/qalor-pbxsim' -type f -perm -u+x | head -n 1)
    [[ -n $pbxsim ]] || fail "no qalor-pbxsim in the package build below $out"
}
