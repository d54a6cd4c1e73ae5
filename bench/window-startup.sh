#!/usr/bin/env bash
# Measures under Xvfb how long each program takes from its launch until its window is shown (the
# median of 3 starts), and the wave editor's peak resident memory after one "Compute" (VmHWM).
#
#   bench/window-startup.sh [BIN_DIR]     BIN_DIR: where vorel and vorel-sound-editor are
#                                         (default build/bin); needs Xvfb and xdotool.
set -euo pipefail
cd "$(dirname "$0")/.."
bin=${1:-build/bin}
for tool in Xvfb xdotool; do
    command -v "$tool" >/dev/null || { echo "needs $tool (Debian: xvfb, xdotool)" >&2; exit 1; }
done

# A display, settings and state of their own, so that nothing from earlier runs is read.
# Xvfb picks a free display number and writes it to the file; -noreset keeps it from resetting,
# and refusing connections for a moment, each time the last program ends.
scratch=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$scratch/display" >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true; rm -rf "$scratch"' EXIT
until [ -s "$scratch/display" ]; do sleep 0.05; done
export DISPLAY=:$(cat "$scratch/display") XDG_CONFIG_HOME=$scratch/config \
    XDG_STATE_HOME=$scratch/state XDG_DATA_HOME=$scratch/data

milliseconds() { echo $(($(date +%s%N) / 1000000)); }

# launch PROGRAM TITLE: starts the program and waits until a window of that title is shown; sets
# pid, window and shownAfter (ms since the launch).
launch() {
    local started
    started=$(milliseconds)
    "$bin/$1" >"$scratch/$1.log" 2>&1 &
    pid=$!
    window=""
    while [ -z "$window" ]; do
        if ! kill -0 "$pid" 2>/dev/null; then
            echo "$1 ended before its window was shown:" >&2
            cat "$scratch/$1.log" >&2
            exit 1
        fi
        window=$(xdotool search --onlyvisible --name "^$2\$" 2>/dev/null | head -n 1 || true)
        [ -n "$window" ] || sleep 0.005
    done
    shownAfter=$(($(milliseconds) - started))
}

quit() {
    kill "$pid"
    wait "$pid" 2>/dev/null || true
}

for program in "vorel-sound-editor:Vorel sound editor" "vorel:Vorel v0.0"; do
    name=${program%%:*}
    times=()
    for _ in 1 2 3; do
        launch "$name" "${program#*:}"
        times+=("$shownAfter")
        quit
    done
    median=$(printf '%s\n' "${times[@]}" | sort -n | sed -n 2p)
    echo "$name: window shown after $median ms (median of ${times[*]} ms)"
done

# "Compute" is the button at (10, 450), 90 x 30, in the 930 x 650 client area below the menu bar.
launch vorel "Vorel v0.0"
eval "$(xdotool getwindowgeometry --shell "$window")"
menuBar=$((HEIGHT - 650))
before=$(awk '/VmHWM/ {print $2}' "/proc/$pid/status")
xdotool mousemove --window "$window" 55 $((menuBar + 465)) click 1
sleep 3
after=$(awk '/VmHWM/ {print $2}' "/proc/$pid/status")
quit
echo "vorel: peak resident memory $((before / 1024)) MB when shown, $((after / 1024)) MB after Compute"
