#!/usr/bin/env bash
# Renders with vorel-render's fast path and with --reference and compares the files byte for
# byte, for each command (sequence, previews, wave-previews): on the examples, on the test
# fixtures, and on COUNT generated cases. Prints how many files are identical per command and
# fails when any differs.
#
#   tests/evaluations/compare-evaluations.sh BIN_DIR [COUNT] [SEED]
#
# BIN_DIR holds vorel-render and vorel-generate-cases. COUNT defaults to 200.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
bin=$1
count=${2:-200}
seed=${3:-1}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$bin/vorel-generate-cases" "$work/cases" "$count" "$seed"

# render COMMAND NAME ARGUMENTS...: writes NAME's files of COMMAND into fast/ and reference/.
render() {
    local command=$1 name=$2
    shift 2
    for evaluation in fast reference; do
        local output=$work/$evaluation/$command/$name
        [ "$command" = sequence ] && output=$output.wav
        mkdir -p "$work/$evaluation/$command"
        local options=(--quiet)
        [ "$evaluation" = reference ] && options+=(--reference)
        "$bin/vorel-render" "$command" "$@" -o "$output" "${options[@]}"
    done
}

examples=$root/examples
render sequence saw-demo --wave "$examples/saw.vorelwf" --sound "$examples/soft-lead.vorelsf" \
    --sequence "$examples/demo.vorelsqf"
render sequence organ-demo-97 --wave "$examples/organ.vorelwf" \
    --sequence "$examples/demo.vorelsqf" --tempo 97
for wave in saw square organ; do
    render previews "$wave-soft-lead" --wave "$examples/$wave.vorelwf" \
        --sound "$examples/soft-lead.vorelsf"
    render previews "$wave" --wave "$examples/$wave.vorelwf"
    render wave-previews "$wave" --wave "$examples/$wave.vorelwf"
done

synthFixture=$root/tests/synth/fixtures/peak-moved
render sequence fixture --wave "$synthFixture.vorelwf" --sound "$synthFixture.vorelsf" \
    --sequence "$synthFixture.vorelsqf" --tempo 190
render previews fixture --wave "$synthFixture.vorelwf" --sound "$synthFixture.vorelsf"
render wave-previews fixture --wave "$root/tests/wave_editor/fixtures/peak-moved.vorelwf"

for k in $(seq "$count"); do
    case=$work/cases/case-$k
    render sequence "case-$k" --wave "$case.vorelwf" --sound "$case.vorelsf" \
        --sequence "$case.vorelsqf" --tempo "$(cat "$case.tempo")"
    render previews "case-$k" --wave "$case.vorelwf" --sound "$case.vorelsf"
    render wave-previews "case-$k" --wave "$case.vorelwf"
done

status=0
for command in sequence previews wave-previews; do
    identical=0
    total=0
    for file in "$work/fast/$command"/*; do
        total=$((total + 1))
        if cmp -s "$file" "$work/reference/$command/${file##*/}"; then
            identical=$((identical + 1))
        else
            echo "differs: $command ${file##*/}"
            status=1
        fi
    done
    echo "$command: $identical of $total files identical"
done
exit $status
