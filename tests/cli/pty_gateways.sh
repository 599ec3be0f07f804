# Sourced by the end-to-end scripts: a scratch folder, gateways started on pseudo-terminals,
# and everything stopped and removed on exit. Defines work, fail, start and stop_last.
work="$(mktemp -d)"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# start VAR NAME COMMAND...: starts a gateway that prints its pseudo-terminal's path first;
# the path goes to the variable VAR.
start() {
    local var="$1" out="$work/$2.out"
    shift 2
    # Gone first: the started program truncates it only once it runs, and a name started
    # before would otherwise show its old path meanwhile.
    rm -f "$out" "$out.err"
    "$@" >"$out" 2>"$out.err" &
    pids+=($!)
    for _ in $(seq 100); do
        [ -s "$out" ] && break
        sleep 0.05
    done
    [ -s "$out" ] || fail "no pseudo-terminal from $*: $(cat "$out.err")"
    printf -v "$var" '%s' "$(head -n1 "$out")"
}
stop_last() { kill "${pids[-1]}"; wait "${pids[-1]}" || true; }
