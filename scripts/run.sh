#!/usr/bin/env bash
# Builds and starts Quillmere.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/build.sh"
build="${QUILLMERE_BUILD_DIR:-$root/build}"
if [ -x "$build/app/quillmere" ]; then
  exec "$build/app/quillmere" "$@"
fi
exec "$build/cli/quillmere-cli" --help
