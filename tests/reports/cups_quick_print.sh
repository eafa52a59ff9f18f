#!/usr/bin/env bash
# Quick Print through a real CUPS queue (cups-pdf made the default printer):
# `orvelin-cli print --quick` without an output file, the queue's PDF read
# back; and the two loud failures, a printer that cannot be opened and no
# default printer.  Starts cupsd and creates the queue when missing, and
# undoes both.  Exit 77 (skipped) only when CUPS is not installed.
# Usage: cups_quick_print.sh ORVELIN_CLI DESIGN_FILE
set -u

CLI=$1
DESIGN=$2
QUEUE=PDF
TIMEOUT=60

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

if [ ! -x /usr/sbin/cupsd ] || ! command -v lpadmin >/dev/null || ! command -v lpstat >/dev/null; then
    echo "CUPS is not installed: skipped"
    exit 77
fi
[ -x /usr/lib/cups/backend/cups-pdf ] || fail "the cups-pdf backend is missing (package printer-driver-cups-pdf)"
command -v pdftotext >/dev/null || fail "pdftotext is missing (package poppler-utils)"

STARTED_PID=""
ADDED_QUEUE=""
OLD_DEFAULT=""
cleanup() {
    if [ -n "$ADDED_QUEUE" ]; then lpadmin -x "$QUEUE" 2>/dev/null; fi
    if [ -n "$OLD_DEFAULT" ]; then lpadmin -d "$OLD_DEFAULT" 2>/dev/null; fi
    if [ -n "$STARTED_PID" ]; then
        kill "$STARTED_PID" 2>/dev/null
        wait "$STARTED_PID" 2>/dev/null
    fi
}
trap cleanup EXIT

# The server: ours if none is running.
if ! lpstat -r 2>/dev/null | grep -q "is running"; then
    /usr/sbin/cupsd -f &
    STARTED_PID=$!
    for _ in $(seq 1 50); do
        lpstat -r 2>/dev/null | grep -q "is running" && break
        sleep 0.2
    done
    lpstat -r 2>/dev/null | grep -q "is running" || fail "cupsd did not start"
fi

# The queue, made the default printer.
OLD_DEFAULT=$(lpstat -d 2>/dev/null | sed -n 's/^system default destination: //p')
if ! lpstat -p "$QUEUE" >/dev/null 2>&1; then
    lpadmin -p "$QUEUE" -E -v cups-pdf:/ -m lsb/usr/cups-pdf/CUPS-PDF_opt.ppd || fail "cannot create the $QUEUE queue"
    ADDED_QUEUE=1
fi
lpadmin -d "$QUEUE" || fail "cannot make $QUEUE the default printer"
[ "$OLD_DEFAULT" = "$QUEUE" ] && OLD_DEFAULT=""

# Where cups-pdf writes: its Out setting, ${HOME} being the job owner's home.
OWNER=$(id -un)
OWNER_HOME=$(getent passwd "$OWNER" | cut -d: -f6)
OUT=$(sed -n 's/^[[:space:]]*Out[[:space:]]\+//p' /etc/cups/cups-pdf.conf 2>/dev/null | tail -1)
OUT=${OUT:-'${HOME}/PDF'}
OUT=${OUT//'${HOME}'/$OWNER_HOME}
OUT=${OUT//'${USER}'/$OWNER}
mkdir -p "$OUT"
MARK=$(mktemp)
sleep 1

# Quick Print on the default printer, without an output file.
LOG=$(mktemp)
QT_QPA_PLATFORM=offscreen "$CLI" print "$DESIGN" --quick >"$LOG" 2>&1 || { cat "$LOG"; fail "quick print exited with $?"; }
grep -q "request id is [0-9]" "$LOG" || { cat "$LOG"; fail "no job was reported"; }

PDF=""
for _ in $(seq 1 $((TIMEOUT * 5))); do
    PDF=$(find "$OUT" -maxdepth 1 -name '*.pdf' -newer "$MARK" 2>/dev/null | head -1)
    if [ -n "$PDF" ] && [ -s "$PDF" ]; then
        sleep 0.5  # let cups-pdf finish writing
        break
    fi
    sleep 0.2
done
[ -n "$PDF" ] || { lpstat -W completed -o 2>&1 | tail -3; fail "no PDF appeared in $OUT within ${TIMEOUT}s"; }
pdfinfo "$PDF" 2>/dev/null | grep -q "^Pages: *1$" || fail "the printed PDF is not one page"

# The queue's PDF keeps the drawing but not the text as text: compare its
# pixels with the page written straight to file on the queue's paper, below
# the header line (which holds the time).
REF=$(mktemp --suffix=.pdf)
QT_QPA_PLATFORM=offscreen "$CLI" print "$DESIGN" --quick --printer "$QUEUE" -o "$REF" >/dev/null 2>&1 ||
    fail "cannot write the reference page"
TEXT=$(pdftotext -layout "$REF" - | tr -s ' ')
for word in "Orvelin V0.90 - $(basename "$DESIGN" .ov)" "Surface" "(focal plane)" "f/5.01" "Field center" \
    "B.F.L." "500.000000" "LA'toler"; do
    grep -qF -- "$word" <<<"$TEXT" || { echo "$TEXT"; fail "the page lacks '$word'"; }
done
[ "$(pdfinfo "$PDF" | grep '^Page size:')" = "$(pdfinfo "$REF" | grep '^Page size:')" ] ||
    fail "the printed page size differs: $(pdfinfo "$PDF" | grep '^Page size:')"
PIX=$(mktemp -d)
pdftoppm -r 50 -gray -singlefile "$PDF" "$PIX/printed" 2>/dev/null
pdftoppm -r 50 -gray -singlefile "$REF" "$PIX/reference" 2>/dev/null
read -r W H < <(head -c 64 "$PIX/reference.pgm" | sed -n 2p)
BODY="${W}x$((H - 40))+0+40"  # below the header line
for f in printed reference; do
    # blurred, so that two renderings of the same glyphs look alike
    convert "$PIX/$f.pgm" -crop "$BODY" +repage -blur 0x2 "$PIX/$f-body.pgm"
done
INK=$(convert "$PIX/printed.pgm" -crop "$BODY" -threshold 50% -negate -format "%[fx:round(mean*w*h)]" info:)
DIFF=$(compare -metric AE -fuzz 15% "$PIX/printed-body.pgm" "$PIX/reference-body.pgm" null: 2>&1 | cut -d' ' -f1)
AREA=$((W * (H - 40)))
rm -rf "$PIX" "$REF"
echo "ink pixels: $INK, differing pixels: $DIFF"
[ "${INK:-0}" -gt 2000 ] || fail "the printed page is (nearly) blank"
[ "${DIFF%.*}" -lt $((AREA / 100)) ] || fail "the printed page differs from the page drawn"
echo "printed: $PDF"
rm -f "$PDF" "$MARK" "$LOG"

# A printer that cannot be opened: non-zero, with the reason.
if QT_QPA_PLATFORM=offscreen "$CLI" print "$DESIGN" --quick --printer NoSuchPrinter >"$LOG" 2>&1; then
    fail "printing on a missing printer succeeded"
fi
grep -q "cannot be opened" "$LOG" || { cat "$LOG"; fail "no reason given for the missing printer"; }

# No default printer (no print server at all): non-zero, with the reason.
CODE=0
CUPS_SERVER=/nonexistent/cups.sock QT_QPA_PLATFORM=offscreen "$CLI" print "$DESIGN" --quick >"$LOG" 2>&1 || CODE=$?
[ "$CODE" -ne 0 ] || fail "quick print without a default printer succeeded"
grep -q "no default printer" "$LOG" || { cat "$LOG"; fail "no reason given without a default printer"; }
rm -f "$LOG"
echo "ok"
