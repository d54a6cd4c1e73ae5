#!/usr/bin/env bash
# Fails when the engine depends on the GUI: no Qt header and no window folder may be included from
# the folders that compute, store or parse, so they build and test without Qt.
set -euo pipefail
cd "$(dirname "$0")/.."
engine=(common synth sequencer sound_editor_io wave_editor tools lv2 audio)
found=$(git ls-files "${engine[@]}" | grep -E '\.(cpp|h)$' | grep -v -E '(^|/)ui/' |
    xargs grep -n -E '#include *[<"](Q[A-Za-z]+|Qt[A-Za-z]*/|platform/|sound_editor/|[a-z_]+/ui/)' || true)
if [ -n "$found" ]; then
    echo "The engine includes GUI code:" >&2
    echo "$found" >&2
    exit 1
fi
