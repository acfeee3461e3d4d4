# Shared settings and helpers of the lab scripts (sourced, not run).

LAB_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
REPO_DIR=$(dirname "$LAB_DIR")
DEPLOY_DIR=${VPNLAB_DEPLOYMENT:-$REPO_DIR/deployment/lab}
RUN_DIR=/run/vpnlab
LOCK_FILE=/run/lock/vpnlab.lock
PY=/usr/bin/python3
SRV_NS=vpnlab-srv
CLI_NS=vpnlab-cli
WG_SOCK_DIR=/run/wireguard

labconf() { "$PY" "$LAB_DIR/py/labconf.py" "$@"; }

# Sets the topology's values as shell variables (see `labconf.py shell`).
load_topology() {
    local text
    text=$(labconf shell) || die "cannot read $LAB_DIR/topology.json"
    eval "$text"
}

say() { printf 'lab: %s\n' "$*"; }
warn() { printf 'lab: %s\n' "$*" >&2; }
die() {
    printf 'lab: %s\n' "$*" >&2
    exit 1
}

need_root() {
    [ "$(id -u)" = 0 ] || die "must run as root (network namespaces need it)"
}

# One lab operation at a time; the lock file is removed again by lab/down.
take_lock() {
    mkdir -p "$(dirname "$LOCK_FILE")"
    exec 9>>"$LOCK_FILE"
    flock -w 120 9 || die "another lab command holds $LOCK_FILE"
}

ns_exists() { [ -e "/run/netns/$1" ] && ip netns exec "$1" true 2>/dev/null; }

in_srv() { ip netns exec "$SRV_NS" "$@"; }
in_cli() { ip netns exec "$CLI_NS" "$@"; }

# Packages the lab needs (scripts/packages/lab.list, or $VPNLAB_PACKAGE_LIST)
# that dpkg does not show as installed, separated by blanks.
missing_packages() {
    local list=${VPNLAB_PACKAGE_LIST:-$REPO_DIR/scripts/packages/lab.list} pkg missing=()
    [ -r "$list" ] || return 0
    while read -r pkg; do
        pkg=${pkg%%#*}
        pkg=${pkg//[[:space:]]/}
        [ -n "$pkg" ] || continue
        if [ "$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null)" != "install ok installed" ]; then
            missing+=("$pkg")
        fi
    done <"$list"
    echo "${missing[*]}"
}

# --- processes ----------------------------------------------------------------
# Every process the lab starts has a record $RUN_DIR/pids/NAME.pid holding its
# pid and its start time (field 22 of /proc/PID/stat), so that a recycled pid
# is never mistaken for a lab process.

proc_start_time() {
    local stat
    stat=$(cat "/proc/$1/stat" 2>/dev/null) || return 1
    stat=${stat##*) }
    set -- $stat
    echo "${20}"
}

# Prints the pid of the recorded process NAME when it is still running.
lab_pid() {
    local file=$RUN_DIR/pids/$1.pid pid start now
    [ -r "$file" ] || return 1
    read -r pid start <"$file" || return 1
    [ -n "$pid" ] || return 1
    now=$(proc_start_time "$pid") || return 1
    [ "$now" = "$start" ] || return 1
    echo "$pid"
}

# start_bg NAME NAMESPACE COMMAND... : starts COMMAND in the namespace, detached,
# output to $RUN_DIR/log/NAME.log, and records it. The servers outlive the
# caller, so they get none of its other descriptors: a lock the caller holds
# (flock on a lock file, the lab's own lock) must end with the caller.
start_bg() {
    local name=$1 ns=$2 pid start fd closes=""
    shift 2
    for fd in /proc/$BASHPID/fd/*; do
        fd=${fd##*/}
        [ "$fd" -gt 2 ] 2>/dev/null && closes+=" $fd>&-"
    done
    eval 'ip netns exec "$ns" setsid "$@" </dev/null >>"$RUN_DIR/log/$name.log" 2>&1'"$closes"' &'
    pid=$!
    start=$(proc_start_time "$pid") || start=0
    echo "$pid $start" >"$RUN_DIR/pids/$name.pid"
}

# signal_and_wait PID... : TERM, up to 5 s for them to end, then KILL.
signal_and_wait() {
    local i pid alive
    [ $# -gt 0 ] || return 0
    kill -TERM "$@" 2>/dev/null
    for i in $(seq 50); do
        alive=()
        for pid in "$@"; do
            [ -e "/proc/$pid" ] && alive+=("$pid")
        done
        [ ${#alive[@]} -gt 0 ] || return 0
        sleep 0.1
    done
    kill -KILL "${alive[@]}" 2>/dev/null
    sleep 0.2
}

# Ends the recorded processes NAME... and drops their records.
stop_recorded() {
    local name pid pids=()
    for name in "$@"; do
        pid=$(lab_pid "$name") && pids+=("$pid")
    done
    signal_and_wait "${pids[@]}"
    for name in "$@"; do
        rm -f "$RUN_DIR/pids/$name.pid"
    done
}

# Ends every process still inside namespace NS.
stop_namespace_processes() {
    ns_exists "$1" || return 0
    signal_and_wait $(ip netns pids "$1" 2>/dev/null)
}

# wait_for SECONDS COMMAND... : polls COMMAND every 0.1 s until it succeeds.
wait_for() {
    local limit=$1 i
    shift
    for i in $(seq $((limit * 10))); do
        "$@" && return 0
        sleep 0.1
    done
    "$@"
}
