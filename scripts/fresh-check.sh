#!/usr/bin/env bash
# The README's set-up on a fresh Debian 12, timed. Bootstraps a minimal
# bookworm (debootstrap --variant=minbase, from the Debian mirror this
# machine's apt is configured with) into a scratch folder, adds git, sudo and
# ca-certificates, clones the commit checked out here into it and runs the
# README's two commands there as a newcomer would:
#   ./scripts/run.sh   on a virtual display, until the messenger answers an
#                      announcement (a 01 datagram from 127.0.0.2 answered by
#                      a 02); then stopped and run once more, nothing changed
#   ./scripts/test.sh  to the end of the test suite
# and prints each phase's time and the machine's load. Every mount it makes
# is undone and every process it started inside the folder ended on the way
# out, also on failure or Ctrl+C; the folder is removed.
#
# Run on demand, not in CI: it downloads several hundred megabytes. Needs
# root (it asks sudo) and the network. The messenger inside uses this
# machine's network and port 59640.
#
#   scripts/fresh-check.sh [--user] [--keep] [--dir FOLDER] [--mirror URL]
#     --user     run the README commands as an ordinary user "newcomer" with
#                sudo (default: as root, as on a bootstrapped system or in
#                a container)
#     --keep     leave the folder in place (mounts are undone all the same)
#     --dir      the scratch folder, which must not exist (default: a new
#                folder under /var/tmp)
#     --mirror   the Debian mirror (default: apt's bookworm mirror here)
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
if [ "$(id -u)" -ne 0 ]; then
    exec sudo -- "$0" "$@"
fi

as_user=false
keep=false
root=""
mirror=""
while [ $# -gt 0 ]; do
    case $1 in
    --user) as_user=true ;;
    --keep) keep=true ;;
    --dir) root=$2; shift ;;
    --mirror) mirror=$2; shift ;;
    *) echo "fresh-check: unknown option $1 (see the head of this script)" >&2; exit 2 ;;
    esac
    shift
done

say() { printf 'fresh-check: %s\n' "$*"; }
die() { printf 'fresh-check: FAILED: %s\n' "$*" >&2; exit 1; }

# --- The Debian mirror apt uses here (one-line and deb822 formats) --------
apt_uri_for_suite() {
    local suite=$1 f
    for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
        [ -f "$f" ] || continue
        awk -v s="$suite" '$1 == "deb" { i = 2; if ($2 ~ /^\[/) { while ($i !~ /\]$/) i++; i++ }
                                         if ($(i + 1) == s) { print $i; exit } }' "$f"
    done
    for f in /etc/apt/sources.list.d/*.sources; do
        [ -f "$f" ] || continue
        awk -v s="$suite" 'BEGIN { RS = ""; FS = "\n" }
            { uri = ""; hit = 0
              for (i = 1; i <= NF; i++) {
                  if ($i ~ /^URIs:/) { split($i, u, /[ \t]+/); uri = u[2] }
                  if ($i ~ /^Suites:/) { n = split($i, w, /[ \t]+/); for (j = 2; j <= n; j++) if (w[j] == s) hit = 1 }
              }
              if (hit && uri != "") { print uri; exit } }' "$f"
    done
}
[ -n "$mirror" ] || mirror=$(apt_uri_for_suite bookworm | head -n1)
[ -n "$mirror" ] || die "no bookworm mirror in /etc/apt/sources.list*; give one with --mirror URL"
security=$(apt_uri_for_suite bookworm-security | head -n1)
updates=$(apt_uri_for_suite bookworm-updates | head -n1)

commit=$(git -C "$repo" rev-parse HEAD)
if [ -n "$(git -C "$repo" status --porcelain --untracked-files=no)" ]; then
    say "note: $repo has uncommitted changes; the check runs the commit ${commit:0:12} without them"
fi

if [ -z "$root" ]; then
    root=$(mktemp -d /var/tmp/pelwick-fresh.XXXXXX)
else
    [ ! -e "$root" ] || die "$root exists; give a folder that does not"
    mkdir -p "$root"
fi
root=$(cd "$root" && pwd -P)
log=$root.log
: >"$log"

# --- Times, mounts, processes and the way out ------------------------------
declare -a times=() mounts=() started=()
phase_name=""
phase_start=0
begin() {
    phase_name=$1
    phase_start=$SECONDS
    say "==> $1"
}
end() {
    times+=("$(printf '%-58s %5d s' "$phase_name" $((SECONDS - phase_start)))")
    phase_name=""
}

mount_in() { # mount_in <mount arguments...> <target below root>
    mount "$@"
    mounts+=("${*: -1}")
}

# Processes whose root is the scratch folder: only this script starts them.
processes_inside() {
    local p
    for p in /proc/[0-9]*; do
        [ "$(readlink "$p/root" 2>/dev/null)" = "$root" ] && echo "${p#/proc/}"
    done
    return 0
}

mounts_below() {
    awk -v r="$root/" 'index($5 "/", r) == 1 { print $5 }' /proc/self/mountinfo | sort -r
}

finish() {
    local status=$?
    trap - EXIT INT TERM
    [ -n "$phase_name" ] && times+=("$(printf '%-58s %5s' "$phase_name" "FAILED after $((SECONDS - phase_start)) s")")
    local pid
    for pid in "${started[@]}"; do
        kill -TERM -- "-$pid" 2>/dev/null || true
    done
    for pid in $(processes_inside); do
        kill -KILL "$pid" 2>/dev/null || true
    done
    local i m
    for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do
        umount "${mounts[i]}" 2>/dev/null || umount -l "${mounts[i]}" 2>/dev/null || true
    done
    # Mounts something inside made and left (a test's tmpfs, ip's netns folder).
    for m in $(mounts_below); do
        umount "$m" 2>/dev/null || umount -l "$m" 2>/dev/null || true
    done
    if [ -n "$(mounts_below)" ]; then
        say "still mounted below $root, so it is left in place: $(mounts_below | tr '\n' ' ')"
    elif [ "$keep" = true ]; then
        say "kept: $root"
    else
        rm -rf --one-file-system "$root"
    fi
    echo
    say "phase times (commit ${commit:0:12}, $(nproc) cores; load at the end:$(cut -d' ' -f1-3 /proc/loadavg | sed 's/^/ /'))"
    printf '  %s\n' "${times[@]}"
    say "load at the start: $load_start"
    say "full output: $log"
    [ "$status" -eq 0 ] && say "PASSED" || say "FAILED (exit status $status)"
    exit "$status"
}
load_start=$(cut -d' ' -f1-3 /proc/loadavg)
trap finish EXIT
trap 'exit 130' INT TERM

# Runs a command inside as the newcomer (root, or the user with --user),
# in a login-like environment; extra variables go before the command.
home=/root
[ "$as_user" = true ] && home=/home/newcomer
inside() {
    local chroot_user=()
    [ "$as_user" = true ] && chroot_user=(--userspec=newcomer:newcomer)
    chroot "${chroot_user[@]}" "$root" /usr/bin/env -i HOME="$home" USER="$([ "$as_user" = true ] && echo newcomer || echo root)" \
        LANG=C.UTF-8 TERM=dumb PATH=/usr/local/bin:/usr/bin:/bin:/usr/sbin:/sbin "$@"
}
# Shows the lines of a command's output that say what it is doing.
progress() { grep --line-buffered -E '^==>|install-deps:|FAILED|tests passed|tests failed|Error|error:' || true; }

# --- The fresh system -------------------------------------------------------
command -v debootstrap >/dev/null || {
    say "installing debootstrap on this machine"
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q debootstrap >>"$log" 2>&1 || die "apt-get install debootstrap failed (see $log)"
}

begin "debootstrap: minimal Debian 12 from $mirror"
debootstrap --variant=minbase bookworm "$root" "$mirror" >>"$log" 2>&1 \
    || die "debootstrap failed: $(tail -n 3 "$log" | tr '\n' ' ')"
end

mount_in -t proc proc "$root/proc"
mount_in -t sysfs -o ro sysfs "$root/sys"
mount_in -t devpts -o newinstance,ptmxmode=0666,mode=0620 devpts "$root/dev/pts"
ln -sf pts/ptmx "$root/dev/ptmx"
mkdir -p "$root/dev/shm"
mount_in -t tmpfs -o mode=1777,nosuid,nodev shm "$root/dev/shm"
{
    echo "deb $mirror bookworm main"
    [ -n "$updates" ] && echo "deb $updates bookworm-updates main"
    [ -n "$security" ] && echo "deb $security bookworm-security main"
} >"$root/etc/apt/sources.list"
cp /etc/resolv.conf "$root/etc/resolv.conf" 2>/dev/null || true

begin "adding git, sudo and ca-certificates"
inside sh -c 'apt-get update -q && DEBIAN_FRONTEND=noninteractive apt-get install -y -q git sudo ca-certificates' >>"$log" 2>&1 \
    || die "installing git, sudo and ca-certificates failed (see $log)"
if [ "$as_user" = true ]; then
    chroot "$root" useradd -m -s /bin/bash newcomer
    echo 'newcomer ALL=(ALL) NOPASSWD: ALL' >"$root/etc/sudoers.d/newcomer"
    chmod 0440 "$root/etc/sudoers.d/newcomer"
fi
end

# The repository as a newcomer finds it: a clone of one commit, this one.
git init -q --bare "$root/srv/pelwick.git"
git -C "$repo" push -q "$root/srv/pelwick.git" "$commit:refs/heads/main"
git --git-dir="$root/srv/pelwick.git" symbolic-ref HEAD refs/heads/main
[ "$as_user" = true ] && chroot "$root" chown -R newcomer:newcomer /srv/pelwick.git
begin "git clone (commit ${commit:0:12})"
inside sh -c 'cd && git clone -q /srv/pelwick.git pelwick' >>"$log" 2>&1 || die "git clone failed (see $log)"
end

# The stand-in for the newcomer's desktop: a virtual display.
begin "virtual display for the messenger (xvfb, xauth; not part of the README)"
inside sh -c 'DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends xvfb xauth' >>"$log" 2>&1 \
    || die "installing xvfb failed (see $log)"
end

# --- The README's commands --------------------------------------------------
# Whether the messenger answers an announcement on port 59640 within a
# second. It answers to port 59640 of the address the announcement names,
# where it listens itself (without sharing the port), so the answer is
# watched for on the loopback device.
answers() {
    python3 - <<'EOF'
import socket, sys, time
sniff = socket.socket(socket.AF_PACKET, socket.SOCK_RAW, socket.ntohs(0x0003))
sniff.bind(("lo", 0))
sniff.settimeout(0.2)
peer = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
peer.bind(("127.0.0.2", 0))
peer.sendto(b"01<USERNAME>fresh-check<IPADDR>127.0.0.2<GAMEID><DATA>", ("127.0.0.1", 59640))
end = time.time() + 1.0
while time.time() < end:
    try:
        frame = sniff.recv(65536)
    except socket.timeout:
        continue
    if frame[12:14] != b"\x08\x00":
        continue
    ip = frame[14:]
    udp = ip[(ip[0] & 15) * 4:]
    if ip[9] == 17 and ip[16:20] == bytes([127, 0, 0, 2]) and udp[2:4] == (59640).to_bytes(2, "big") \
            and udp[8:].startswith(b"02"):
        sys.exit(0)
sys.exit(1)
EOF
}

# Starts ./scripts/run.sh inside on a virtual display and waits until the
# messenger answers; leaves it running, its process group in started[].
run_until_answered() {
    local out=$1
    setsid bash -c "$(declare -f inside); root='$root' as_user=$as_user home='$home' \
        inside bash -c 'cd && cd pelwick && exec xvfb-run -a ./scripts/run.sh'" >"$out" 2>&1 &
    local pid=$!
    started+=("$pid")
    local deadline=$((SECONDS + 3600))
    until answers; do
        [ "$SECONDS" -lt "$deadline" ] || die "the messenger did not answer within an hour (see $out)"
        kill -0 "$pid" 2>/dev/null || {
            cat "$out" >>"$log"
            die "./scripts/run.sh ended before the messenger answered: $(grep -E 'FAILED|: ' "$out" | tail -n 3 | tr '\n' ' ')"
        }
        sleep 1
    done
    grep -E '^==>' "$out" | sed 's/^/    /'
}
stop_run() {
    local pid=${started[-1]}
    kill -TERM -- "-$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    unset 'started[-1]'
}

begin "./scripts/run.sh, first run: until the messenger answers"
run_until_answered "$root.run1.log"
end
cat "$root.run1.log" >>"$log"
stop_run

begin "./scripts/run.sh, second run, nothing changed: until it answers"
run_until_answered "$root.run2.log"
end
cat "$root.run2.log" >>"$log"
stop_run
rm -f "$root.run1.log" "$root.run2.log"

begin "./scripts/test.sh"
set +e
inside bash -c 'cd && cd pelwick && ./scripts/test.sh' 2>&1 | tee -a "$log" | progress | sed 's/^/    /'
status=${PIPESTATUS[0]}
set -e
[ "$status" -eq 0 ] || die "./scripts/test.sh failed (exit status $status; see $log)"
end
