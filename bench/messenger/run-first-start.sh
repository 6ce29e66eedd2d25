#!/usr/bin/env bash
# A first start on a crowded LAN: Pelwick starts with an empty directory in a
# network namespace of its own and broadcasts its announcement; N hosts in a
# second namespace, joined by a virtual cable, all answer with 02 within about
# 10 ms. Prints how many of them the messenger kept in its directory.
# Needs root (network namespaces) and python3.
#
#   bench/messenger/run-first-start.sh [pelwick binary] [hosts...]
#   bench/messenger/run-first-start.sh build-rel/bin/Pelwick 1000 2000 4000
set -euo pipefail
bin=$(realpath "${1:-build-rel/bin/Pelwick}")
shift || true
counts=("${@:-1000 2000 4000}")
[ "$(id -u)" = 0 ] || { echo "needs root" >&2; exit 1; }

ns=pwfs$$
me=$ns-me
lan=$ns-lan
cleanup() { ip netns del "$me" 2>/dev/null || true; ip netns del "$lan" 2>/dev/null || true; rm -rf "$work"; }
work=$(mktemp -d)
trap cleanup EXIT
ip netns add "$me"
ip netns add "$lan"
ip link add pwfsa$$ type veth peer name pwfsb$$
ip link set pwfsa$$ netns "$me"
ip link set pwfsb$$ netns "$lan"
ip -n "$me" addr add 10.77.0.1/16 dev pwfsa$$
for n in "$me" "$lan"; do ip -n "$n" link set lo up; done
ip -n "$me" link set pwfsa$$ up
ip -n "$lan" link set pwfsb$$ up

# The hosts: one address each on the LAN side of the cable.
max=0
for n in ${counts[*]}; do [ "$n" -gt "$max" ] && max=$n; done
for ((i = 0; i < max; ++i)); do
    echo "addr add 10.77.$((1 + i / 250)).$((1 + i % 250))/16 dev pwfsb$$"
done | ip -n "$lan" -batch -

cat > "$work/hosts.py" <<'PY'
import socket, sys, time
n = int(sys.argv[1])
addresses = ["10.77.%d.%d" % (1 + i // 250, 1 + i % 250) for i in range(n)]
# The messenger's port first, before the hosts' sockets take ports of the
# system's choosing.
listen = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
listen.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
listen.bind(("0.0.0.0", 59640))
listen.settimeout(20)
hosts = []
for a in addresses:
    s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    s.bind((a, 0))
    hosts.append(s)
print("ready", flush=True)
while True:
    data, source = listen.recvfrom(65535)
    if data.startswith(b"01"):
        break
start = time.monotonic()
for i, s in enumerate(hosts):
    s.sendto(b"02<USERNAME>host%d<IPADDR>%s<GAMEID><DATA>" % (i, addresses[i].encode()), ("10.77.0.1", 59640))
print("answered %d in %.1f ms" % (n, (time.monotonic() - start) * 1000), flush=True)
PY

for n in ${counts[*]}; do
    home="$work/home$n"
    mkdir -p "$home/config/Pelwick" "$home/runtime" "$home/data"
    chmod 700 "$home/runtime"
    printf '[Local]\nUserName=me\nSound=False\nNotify=False\nBroadcast=True\nKeepLog=False\n[User]\nCount=0\n' \
        > "$home/config/Pelwick/Pelwick.ini"
    ip netns exec "$lan" python3 "$work/hosts.py" "$n" > "$work/hosts$n.out" &
    hosts=$!
    until grep -q ready "$work/hosts$n.out" 2>/dev/null; do sleep 0.05; done
    HOME=$home XDG_CONFIG_HOME=$home/config XDG_RUNTIME_DIR=$home/runtime XDG_DATA_HOME=$home/data \
        QT_QPA_PLATFORM=offscreen ip netns exec "$me" "$bin" 2>/dev/null &
    pelwick=$!
    wait "$hosts"
    # The directory is saved within a second of each change. The messenger
    # is then killed, not closed: its goodbyes to thousands of hosts would
    # fill the system's neighbour (ARP) table, 1,024 entries by default, and
    # the next run's broadcast would be dropped.
    sleep 3
    kill -KILL "$(ip netns pids "$me" | head -1)"
    wait "$pelwick" 2>/dev/null || true
    kept=$(sed -n 's/^Count=//p' "$home/config/Pelwick/Pelwick.ini")
    echo "$n hosts: kept $kept ($(grep answered "$work/hosts$n.out"))"
done
