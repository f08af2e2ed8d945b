#!/bin/bash
# The agent's own CLI end to end: `claude -p` headless, with exactly the hooks our installer
# writes, against a stand-in for its model API on loopback, with the helper and the app
# headless, while every core is kept busy. Checks the app's finished list afterwards.
#   agent-end-to-end.sh <quorvel> <agent_hook_installer>
# The agent is installed from npm into a cache folder ($QUORVEL_AGENT_CACHE, else
# ~/.cache/quorvel-tests/claude-code) on first use. Everything after that runs in a network
# namespace of its own with only loopback, and with the agent's non-essential traffic,
# telemetry, error reports and updates off, so nothing leaves the machine.
# Exit 0 passed, 1 failed, 77 skipped (no npm or registry, no node, no private namespace).
set -u
app=$1
installer=$2
here=$(cd "$(dirname "$0")" && pwd)
failing_runs=4
error_runs=2

skip() { echo "SKIPPED: $*"; exit 77; }
fail() { echo "FAILED: $*"; [ -n "${work:-}" ] && [ -f "$work/app.log" ] && tail -n 40 "$work/app.log"; exit 1; }

if [ "${QUORVEL_AGENT_PRIVATE_NETWORK:-}" != 1 ]; then
    for tool in node npm unshare ip; do
        command -v "$tool" >/dev/null || skip "$tool is not installed"
    done
    # Looked for before anything is installed: a CI container may run as root yet be denied
    # namespaces. A namespace of process ids too: when this script is ended in any way (a CI
    # time-out, SIGKILL), unshare takes the child with it, and with that child every process
    # started inside (the app, the stand-ins, the agents, the busy loops) ends too.
    namespaces=(--net --pid --fork --kill-child)
    [ "$(id -u)" = 0 ] || namespaces=(--map-root-user "${namespaces[@]}")
    unshare "${namespaces[@]}" true 2>/dev/null || skip "no private network namespace (needs root or user namespaces)"
    cache=${QUORVEL_AGENT_CACHE:-${XDG_CACHE_HOME:-${HOME:-/root}/.cache}/quorvel-tests/claude-code}
    if [ ! -x "$cache/node_modules/.bin/claude" ]; then
        mkdir -p "$cache" || skip "couldn't create $cache"
        # Installed beside the cache and moved in whole: an install cut off half way never
        # passes for a complete one next time. Bounded so that the runs still fit the test's
        # time limit after a slow install.
        rm -rf "$cache.partial"
        timeout 120 npm install --prefix "$cache.partial" --no-audit --no-fund --loglevel=error \
            @anthropic-ai/claude-code </dev/null >"$cache/npm-install.log" 2>&1 &&
            [ -x "$cache.partial/node_modules/.bin/claude" ] ||
            { rm -rf "$cache.partial"; skip "npm is unreachable: couldn't install @anthropic-ai/claude-code (see $cache/npm-install.log)"; }
        rm -rf "$cache/node_modules" && mv "$cache.partial/node_modules" "$cache/node_modules" && rm -rf "$cache.partial" ||
            skip "couldn't move the agent into $cache"
    fi
    export QUORVEL_AGENT_CLI="$cache/node_modules/.bin/claude" QUORVEL_AGENT_PRIVATE_NETWORK=1
    # The app gets a session bus of its own when there is one to be had.
    bus=()
    command -v dbus-run-session >/dev/null && bus=(dbus-run-session --)
    exec unshare "${namespaces[@]}" -- "${bus[@]}" bash "$0" "$@" </dev/null
fi

# ---- inside the private network namespace -------------------------------------------------
ip link set lo up || fail "couldn't bring loopback up"
[ -z "$(ip -4 route show | grep -v '127\.')" ] || fail "the namespace has a way out"

work=$(mktemp -d) || fail "no temporary folder"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' TERM INT HUP
home=$work/home
mkdir -p "$home" "$work/runtime" && chmod 700 "$work/runtime"

# The app, headless, with a throw-away home; so are the services the bus starts for it (the
# keyring), which would otherwise write into the home of whoever runs the test.
throwaway=(HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share"
    XDG_CACHE_HOME="$home/.cache" XDG_RUNTIME_DIR="$work/runtime")
if [ -n "${DBUS_SESSION_BUS_ADDRESS:-}" ] && command -v dbus-update-activation-environment >/dev/null; then
    env "${throwaway[@]}" dbus-update-activation-environment HOME XDG_CONFIG_HOME XDG_DATA_HOME XDG_CACHE_HOME \
        XDG_RUNTIME_DIR >/dev/null 2>&1 || fail "couldn't give the bus's services the throw-away home"
fi
env "${throwaway[@]}" QT_QPA_PLATFORM=offscreen QUORVEL_LOG_STDERR=0 QUORVEL_LOG_FILE="$work/app.log" \
    "$app" >/dev/null 2>&1 &
app_pid=$!
pids+=("$app_pid")
support="$home/Library/Application Support/Quorvel"
helper=$home/Library/Quorvel/bin/quorvel-hook
for _ in $(seq 100); do
    [ -x "$helper" ] && grep -q "Listening on 127.0.0.1" "$work/app.log" 2>/dev/null && break
    sleep 0.1
done
grep -q "Listening on 127.0.0.1" "$work/app.log" 2>/dev/null || fail "the app didn't start listening"
[ -x "$helper" ] || fail "the app didn't install the helper"

# The agent's own folder, as any user of the agent has it.
mkdir -p "$home/.claude"
HOME=$home "$installer" "$home" || fail "couldn't turn the hooks on"

# One stand-in per kind of answer.
start_stand_in() {
    node "$here/model-stand-in.mjs" "$work/$1.port" "$1" &
    pids+=("$!")
    for _ in $(seq 50); do [ -s "$work/$1.port" ] && return 0; sleep 0.1; done
    fail "the $1 stand-in didn't start"
}
start_stand_in failing-command
start_stand_in server-error

# Every core busy, as during a build: the helpers must still finish their work.
busy=()
for _ in $(seq "$(nproc)"); do
    sh -c 'while :; do :; done' &
    busy+=("$!")
    pids+=("$!")
done

run_agent() {  # run_agent <stand-in> <project>
    mkdir -p "$work/$2"
    (cd "$work/$2" &&
        HOME=$home ANTHROPIC_BASE_URL="http://127.0.0.1:$(cat "$work/$1.port")" ANTHROPIC_API_KEY=sk-stand-in \
        CLAUDE_CODE_DISABLE_NONESSENTIAL_TRAFFIC=1 DISABLE_TELEMETRY=1 DISABLE_ERROR_REPORTING=1 \
        DISABLE_AUTOUPDATER=1 DISABLE_BUG_COMMAND=1 CLAUDE_CODE_MAX_RETRIES=0 \
        timeout -k 5 120 "$QUORVEL_AGENT_CLI" -p "run the tests" --allowedTools Bash \
        </dev/null >"$work/$2.out" 2>&1)
}
started=$(date +%s)
agents=()
for index in $(seq "$failing_runs"); do run_agent failing-command "failing-$index" & agents+=("$!"); done
for index in $(seq "$error_runs"); do run_agent server-error "error-$index" & agents+=("$!"); done
for pid in "${agents[@]}"; do wait "$pid"; done
for pid in "${busy[@]}"; do kill "$pid" 2>/dev/null; done
echo "agent runs took $(( $(date +%s) - started )) s"

# The last helpers may still be posting; a spooled event waits for the next tick.
expected=$(( failing_runs * 2 + error_runs ))
for _ in $(seq 120); do
    count=$(node -e 'try { console.log(JSON.parse(require("fs").readFileSync(process.argv[1])).length) } catch { console.log(0) }' \
        "$support/finished.json")
    [ "$count" -ge "$expected" ] && [ -z "$(ls -A "$support/spool" 2>/dev/null)" ] && break
    sleep 0.1
done
sleep 1

node "$here/check-finished.mjs" "$support/finished.json" "$failing_runs" "$error_runs" ||
    { for out in "$work"/*.out; do echo "== $out"; tail -n 5 "$out"; done; [ -f "$home/Library/Logs/Quorvel/hook.log" ] && cat "$home/Library/Logs/Quorvel/hook.log"; fail "the finished list is not what the runs reported"; }

kill -TERM "$app_pid"
wait "$app_pid"
status=$?
[ "$status" = 0 ] || fail "the app ended with status $status on SIGTERM"
echo "PASSED: $failing_runs failing runs and $error_runs server errors, every run complete"
