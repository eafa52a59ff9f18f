#!/usr/bin/env bash
# A million pupil rays of one field through the classical Cassegrain, as a
# whole command-line process from start to end (goal: 40 ms):
#   bench/million_rays.sh [build-dir]
# Prints each run's wall time and the median of eleven.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build}
CLI="$BUILD/src/cli/orvelin-cli"
DIR=$(mktemp -d)
trap 'rm -rf "$DIR"' EXIT
# Paraboloid R 2000; hyperboloid R 625, conic 2.25 (the file's 1 - e^2 form
# reversed: e = 1.5), 750 in front of it; focus 1250 behind the secondary.
cat >"$DIR/cassegrain.ov" <<'DESIGN'
QuorVex V0.90                       cassegrain

 2 surface design

 Type         Radius        CC/Rsag       Tilt          Separation

 0             2000          1             0             750
 0             -625          2.25          0             1250
 0             0             0             0            focal plane

 Aperture 200 mm         Field 0.4 Degrees     f/6.25
DESIGN
"$CLI" quality "$DIR/cassegrain.ov" --field plus --rays 1000000 >/dev/null  # warm the file cache
times=()
for run in $(seq 1 11); do
  start=$(date +%s%N)
  "$CLI" quality "$DIR/cassegrain.ov" --field plus --rays 1000000 >/dev/null
  end=$(date +%s%N)
  ms=$(awk -v ns=$((end - start)) 'BEGIN { printf "%.1f", ns / 1e6 }')
  times+=("$ms")
  echo "run $run: $ms ms"
done
printf '%s\n' "${times[@]}" | sort -n | awk '{ a[NR] = $1 } END { print "median: " a[6] " ms" }'
