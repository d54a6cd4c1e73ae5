#!/usr/bin/env bash
# Checks the plugin's bundle, and a preset bundle written by vorel-render, with the LV2 validator
# (lv2_validate: sord_validate over the installed LV2 schemas). Fails on any error; the warnings
# are printed. Usage: validate.sh BUNDLE VOREL_RENDER EXAMPLES
set -euo pipefail
bundle=$1 render=$2 examples=$3
if ! command -v lv2_validate >/dev/null || ! command -v sord_validate >/dev/null; then
    echo "lv2_validate or sord_validate missing (lv2-dev, sordi)" >&2
    exit 1
fi
work=$(mktemp -d "${TMPDIR:-/tmp}/vorel-lv2-validate.XXXXXX")
trap 'rm -rf "$work"' EXIT
"$render" lv2-preset --wave "$examples/organ.vorelwf" --sound "$examples/soft-lead.vorelsf" \
    -o "$work/mine.lv2" >/dev/null
status=0
output=$(lv2_validate "$bundle"/*.ttl "$work/mine.lv2"/*.ttl 2>&1) || status=$?
printf '%s\n' "$output" | grep -v '^Skipping file' || true
if [ "$status" -ne 0 ] || printf '%s\n' "$output" | grep -q '^error:' ||
    ! printf '%s\n' "$output" | grep -q '^Found 0 errors'; then
    echo "lv2_validate found errors" >&2
    exit 1
fi
echo "warnings: $(printf '%s\n' "$output" | grep -c '^warning:' || true)"
