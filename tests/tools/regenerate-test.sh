#!/usr/bin/env bash
# The examples and the library in the tree are what the generator writes, byte for byte.
# usage: regenerate-test.sh VOREL_MAKE_EXAMPLES SOURCE_DIR
set -euo pipefail
work=$(mktemp -d "${TMPDIR:-/tmp}/vorel-regenerate.XXXXXX")
trap 'rm -rf "$work"' EXIT
"$1" "$work/examples" "$work/library" >/dev/null
diff -r "$2/examples" "$work/examples"
diff -r "$2/library" "$work/library"
echo "the examples and the library regenerate to the same bytes"
