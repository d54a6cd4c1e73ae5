# Starts and stops a private PulseAudio daemon for the playback tests: its own runtime and state
# folders under a temporary folder, one null sink (16-bit mono at 44100 Hz, so nothing is
# resampled) as the default output, reached through one socket. Sourced by ./test.
#
# Exports PULSE_SERVER (so every program of the test run, Qt's audio output, parec and pactl,
# talks to this daemon and to no other) and VOREL_PULSE_MONITOR (the source the tests record
# from; the tests skip without it).

# private_pulse_daemon FOLDER: becomes the daemon (exec), serving the socket FOLDER/native, with
# its home, runtime and state folders and its log (daemon.log) in FOLDER. Run it in the
# background: $! is the daemon. The tests that take the server away start it again on the same
# socket this way.
private_pulse_daemon() {
    local folder=$1
    mkdir -p -m 700 "$folder/runtime"
    # -n: none of the system's start-up script, only the two modules below. The daemon's home,
    # runtime and state folders are ours, so it neither sees nor disturbs a desktop's daemon.
    # As root it warns that it is meant for --system mode and runs all the same.
    HOME="$folder" XDG_RUNTIME_DIR="$folder/runtime" PULSE_RUNTIME_PATH="$folder/runtime/pulse" \
        PULSE_STATE_PATH="$folder/state" DBUS_SESSION_BUS_ADDRESS=disabled: \
        exec pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no --disable-shm=yes \
        --realtime=no --high-priority=no --log-target=file:"$folder/daemon.log" \
        -L "module-null-sink sink_name=vorel_null format=s16le rate=44100 channels=1 norewinds=1" \
        -L "module-native-protocol-unix auth-anonymous=1 socket=$folder/native"
}

private_pulse_start() {
    if ! command -v pulseaudio >/dev/null || ! command -v pactl >/dev/null; then
        echo "private-pulse: pulseaudio or pactl missing: the playback tests will be skipped" >&2
        return 0
    fi
    VOREL_PULSE_DIR=$(mktemp -d "${TMPDIR:-/tmp}/vorel-pulse.XXXXXX")
    local socket="$VOREL_PULSE_DIR/native"
    private_pulse_daemon "$VOREL_PULSE_DIR" </dev/null >/dev/null 2>&1 &
    VOREL_PULSE_PID=$!

    export PULSE_SERVER="unix:$socket"
    export PULSE_COOKIE="$VOREL_PULSE_DIR/cookie" # clients need none; keeps theirs out of $HOME
    local tries=0
    until pactl info >/dev/null 2>&1; do
        tries=$((tries + 1))
        # 30 s: a daemon that has not answered by then on a busy machine hangs.
        if [ $tries -gt 300 ] || ! kill -0 "$VOREL_PULSE_PID" 2>/dev/null; then
            echo "private-pulse: the daemon did not start: the playback tests will be skipped" >&2
            [ -f "$VOREL_PULSE_DIR/daemon.log" ] && tail -n 20 "$VOREL_PULSE_DIR/daemon.log" >&2
            private_pulse_stop
            return 0
        fi
        sleep 0.1
    done
    pactl set-default-sink vorel_null >/dev/null 2>&1 || true
    export VOREL_PULSE_MONITOR=vorel_null.monitor
    echo "private-pulse: daemon $VOREL_PULSE_PID on $PULSE_SERVER"
}

private_pulse_stop() {
    if [ -n "${VOREL_PULSE_PID:-}" ]; then
        kill "$VOREL_PULSE_PID" 2>/dev/null || true
        wait "$VOREL_PULSE_PID" 2>/dev/null || true
        VOREL_PULSE_PID=
    fi
    if [ -n "${VOREL_PULSE_DIR:-}" ]; then
        rm -rf "$VOREL_PULSE_DIR"
        VOREL_PULSE_DIR=
    fi
    unset PULSE_SERVER PULSE_COOKIE VOREL_PULSE_MONITOR
}
