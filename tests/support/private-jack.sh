# Starts and stops a private JACK server for the tests that play through JACK: the dummy driver
# (no sound card), under a server name of its own, so it neither sees nor disturbs a user's
# server. Sourced by ./test.
#
# Exports JACK_DEFAULT_SERVER (every JACK client of the test run, the programs, jalv and the
# tests' own clients, reaches this server and no other), JACK_NO_START_SERVER (a client never
# starts a server of its own when this one is gone) and VOREL_JACK_RATE (the server's rate; the
# tests that need the server skip without it).

# private_jack_server NAME RATE PERIOD: becomes the server (exec). Run it in the background: $! is
# the server. The tests that take the server away start it again this way, under the same name.
private_jack_server() {
    local name=$1 rate=$2 period=$3
    # -R off: no real-time scheduling (a test machine may not grant it); the dummy driver runs
    # on the system clock. No audio reservation through D-Bus, no capture ports.
    JACK_NO_AUDIO_RESERVATION=1 DBUS_SESSION_BUS_ADDRESS=disabled: \
        exec jackd --no-realtime -n "$name" -d dummy -r "$rate" -p "$period" -C 0 -P 2
}

# private_jack_start [RATE] [PERIOD]: 44100 and 256 unless given.
private_jack_start() {
    local rate=${1:-44100} period=${2:-256}
    if ! command -v jackd >/dev/null || ! command -v jack_lsp >/dev/null; then
        echo "private-jack: jackd or jack_lsp missing: the JACK tests will be skipped" >&2
        return 0
    fi
    # jackd keeps each server name it has run in its registry in /dev/shm for good, even once the
    # server has gone, and the registry holds eight: the tests take their names from a few fixed
    # ones, the first that no running server has.
    local name
    for name in vorel-test-0 vorel-test-1 vorel-test-2 vorel-test-3 ""; do
        [ -n "$name" ] && ! JACK_NO_START_SERVER=1 jack_lsp -s "$name" >/dev/null 2>&1 && break
    done
    if [ -z "$name" ]; then
        echo "private-jack: every test server name is in use: the JACK tests will be skipped" >&2
        return 0
    fi
    export JACK_DEFAULT_SERVER="$name"
    export JACK_NO_START_SERVER=1
    VOREL_JACK_LOG=$(mktemp "${TMPDIR:-/tmp}/vorel-jack.XXXXXX")
    private_jack_server "$JACK_DEFAULT_SERVER" "$rate" "$period" </dev/null >"$VOREL_JACK_LOG" 2>&1 &
    VOREL_JACK_PID=$!
    local tries=0
    until jack_lsp >/dev/null 2>&1; do
        tries=$((tries + 1))
        # 30 s: a server that has not answered by then on a busy machine hangs.
        if [ $tries -gt 300 ] || ! kill -0 "$VOREL_JACK_PID" 2>/dev/null; then
            echo "private-jack: the server did not start: the JACK tests will be skipped" >&2
            tail -n 20 "$VOREL_JACK_LOG" >&2
            private_jack_stop
            return 0
        fi
        sleep 0.1
    done
    export VOREL_JACK_RATE=$rate
    echo "private-jack: server $VOREL_JACK_PID named $JACK_DEFAULT_SERVER at $rate Hz"
}

private_jack_stop() {
    if [ -n "${VOREL_JACK_PID:-}" ]; then
        kill "$VOREL_JACK_PID" 2>/dev/null || true
        wait "$VOREL_JACK_PID" 2>/dev/null || true
        VOREL_JACK_PID=
    fi
    if [ -n "${VOREL_JACK_LOG:-}" ]; then
        rm -f "$VOREL_JACK_LOG"
        VOREL_JACK_LOG=
    fi
    unset JACK_DEFAULT_SERVER JACK_NO_START_SERVER VOREL_JACK_RATE
}
