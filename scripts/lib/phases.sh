# Sourced by the set-up scripts: a line per phase with the time since the
# script started, and on failure a line naming the phase that failed.
# shellcheck shell=bash

phase_script=${0##*/}
phase_started=$SECONDS
phase_current=""

# phase "what is being done"
phase() {
    phase_current=$1
    printf '==> %s [%s, %d s]\n' "$1" "$phase_script" $((SECONDS - phase_started))
}

# fail "what went wrong and what to do": prints it and ends the script.
fail() {
    printf '%s: %s\n' "$phase_script" "$*" >&2
    phase_current=""
    exit 1
}

phase_report() {
    local status=$?
    if [ "$status" -ne 0 ] && [ -n "$phase_current" ]; then
        printf '%s: FAILED (exit status %d) while: %s. The lines above say why.\n' \
            "$phase_script" "$status" "$phase_current" >&2
    fi
}
trap phase_report EXIT
