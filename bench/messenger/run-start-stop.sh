#!/usr/bin/env bash
# Start and stop of the messenger with a directory of N rows: Pelwick starts
# in a network namespace of its own (one address, 10.77.0.1/16, on a veth
# without ARP, so its datagrams to the rows fill no neighbour table), is sent
# SIGTERM as soon as it watches for it, and closes as at a session end:
# settings and directory saved, goodbyes sent. Prints the wall time of each
# run. A first run, not timed, turns the generated settings file into one
# the messenger wrote itself, as a user's is; "foreign" as fourth argument
# times every run on the generated file instead. Needs root (network
# namespaces).
#
#   bench/messenger/run-start-stop.sh [pelwick binary] [rows] [runs] [foreign]
#   bench/messenger/run-start-stop.sh build-rel/bin/Pelwick 5000 7
#
# The window goes to Qt's offscreen platform; PELWICK_BENCH_PLATFORM=xcb
# with DISPLAY set shows it on that X server instead.
set -euo pipefail
bin=$(realpath "${1:-build-rel/bin/Pelwick}")
rows=${2:-5000}
runs=${3:-7}
foreign=${4:-}
comm=$(basename "$bin" | cut -c1-15)
[ "$(id -u)" = 0 ] || { echo "needs root" >&2; exit 1; }

ns=pwss$$
home=$(mktemp -d)
ip netns add "$ns"
trap 'ip netns del "$ns"; rm -rf "$home"' EXIT
ip -n "$ns" link add pwssa type veth peer name pwssb
ip -n "$ns" link set pwssa arp off
ip -n "$ns" addr add 10.77.0.1/16 dev pwssa
for dev in lo pwssa pwssb; do ip -n "$ns" link set "$dev" up; done

mkdir -p "$home/config/Pelwick" "$home/runtime" "$home/data"
chmod 700 "$home/runtime"
{
    printf '[Local]\nUserName=me\nSound=False\nNotify=False\nBroadcast=True\nKeepLog=False\n'
    printf '[User]\nCount=%d\n' "$rows"
    for ((i = 1; i <= rows; ++i)); do
        printf '%03dUserName=user%d\n%03dUserIpAddr=10.77.%d.%d\n' "$i" "$i" "$i" $((i / 250 + 1)) $((i % 250 + 1))
    done
} > "$home/stored.ini"

first=1
[ "$foreign" = foreign ] || first=0
for ((r = first; r <= runs; ++r)); do
    cp "$home/stored.ini" "$home/config/Pelwick/Pelwick.ini"
    t0=$(date +%s%N)
    HOME=$home XDG_CONFIG_HOME=$home/config XDG_RUNTIME_DIR=$home/runtime XDG_DATA_HOME=$home/data \
        QT_QPA_PLATFORM=${PELWICK_BENCH_PLATFORM:-offscreen} ip netns exec "$ns" "$bin" 2>/dev/null &
    pelwick=$!
    # SIGTERM is caught (bit 15 of SigCgt) once the termination watcher runs;
    # before the exec the shell that forked it may catch it too.
    until [ "$(cat "/proc/$pelwick/comm" 2>/dev/null)" = "$comm" ] \
        && mask=$(awk '/^SigCgt/ {print $2}' "/proc/$pelwick/status" 2>/dev/null) && [ -n "$mask" ] \
        && (((0x$mask >> 14) & 1)); do
        :
    done
    kill -TERM "$pelwick"
    wait "$pelwick" || true
    t1=$(date +%s%N)
    if ((r == 0)); then
        cp "$home/config/Pelwick/Pelwick.ini" "$home/stored.ini"
        continue
    fi
    echo "$rows rows: $(((t1 - t0) / 1000000)) ms"
done
