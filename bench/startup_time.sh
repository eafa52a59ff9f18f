#!/usr/bin/env bash
# Start-up time of the desktop program: from launching it with a design to
# its window showing that design's caption (the design view is painted while
# the caption is set).  Needs a display; run it under xvfb-run when there is
# none:  xvfb-run -a bench/startup_time.sh [build-dir] [design]
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build}
DESIGN=${2:-examples/paraboloid-f5.ov}
TITLE="ORVELIN - $(basename "$DESIGN" .ov)"
for run in 1 2 3 4 5; do
  start=$(date +%s%N)
  "$BUILD/src/shell/orvelin" "$DESIGN" 2>/dev/null &
  pid=$!
  until xwininfo -name "$TITLE" >/dev/null 2>&1; do sleep 0.002; done
  end=$(date +%s%N)
  kill "$pid"; wait "$pid" 2>/dev/null || true
  echo "run $run: $(( (end - start) / 1000000 )) ms to the painted window"
done
