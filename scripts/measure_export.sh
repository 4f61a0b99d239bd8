#!/usr/bin/env bash
# Measures the log export of the built program against the tools an operator would otherwise
# reach for, on logs made here:
#   - 2 million records averaged by 1000 into CSV, against numpy (numpy.fromfile with the record
#     layout, a mean per group, savetxt);
#   - 65 530 records into an Excel 97-2003 workbook, against LibreOffice converting the same
#     rows from CSV headless;
#   - the peak memory (and the time) of exporting a 10-million-record log, CSV unthinned and the
#     two workbook formats.
# Each timed command runs several times; the median is kept. Not part of the tests or CI.
#
#   scripts/measure_export.sh [PROGRAM]      (default ./build/Vetrostan)
#   RUNS=5 KEEP=1 WORK=/tmp/dir scripts/measure_export.sh ./build-x/Vetrostan
set -euo pipefail

BIN=${1:-./build/Vetrostan}
RUNS=${RUNS:-5}
if [[ ! -x $BIN ]]; then
  echo "measure_export: no program at $BIN (build the target Vetrostan first)" >&2
  exit 2
fi
BIN=$(readlink -f "$BIN")

# The tools: numpy for the system's Python, LibreOffice without its user interface, GNU time.
PY=/usr/bin/python3
need=()
[[ -x $PY ]] && "$PY" -c 'import numpy' 2>/dev/null || need+=(python3-numpy)
command -v soffice >/dev/null || need+=(libreoffice-calc-nogui)
[[ -x /usr/bin/time ]] || need+=(time)
if ((${#need[@]})); then
  echo "measure_export: installing ${need[*]}" >&2
  SUDO=
  [[ $(id -u) -eq 0 ]] || SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${need[@]}"
fi

WORK=${WORK:-$(mktemp -d /tmp/measure-export.XXXXXX)}
mkdir -p "$WORK"
if [[ -z ${KEEP:-} ]]; then trap 'rm -rf "$WORK"' EXIT; fi
echo "program: $BIN"
echo "work folder: $WORK"

# The logs: 40-byte records, one sample every 10 s, temperatures and humidity that move.
"$PY" - "$WORK" <<'EOF'
import sys, numpy as np
work = sys.argv[1]
rec = np.dtype([("T1", "<f8"), ("T2", "<f8"), ("T3", "<f8"), ("BL", "u1"), ("zsl", "i1"),
                ("C1", "<u2"), ("C2", "<u2"), ("C3", "<u2"), ("dt", "<f8")])
assert rec.itemsize == 40
def make(name, n):
    chunk = 1 << 20
    with open(f"{work}/{name}", "wb") as f:
        for s in range(0, n, chunk):
            i = np.arange(s, min(n, s + chunk), dtype=np.int64)
            a = np.zeros(i.size, rec)
            a["T1"] = 37.5 + (i % 50) / 100.0
            a["T2"] = 37.4 - (i % 30) / 100.0
            a["T3"] = 29.0 + (i % 70) / 100.0
            a["BL"] = 50 + i % 20
            a["zsl"] = 10
            a["dt"] = 46000.0 + i * 10.0 / 86400.0
            a.tofile(f)
make("log2m.fil", 2_000_000)
make("log65k.fil", 65_530)
make("log10m.fil", 10_000_000)
EOF

# numpy's version of "2 million records, a row per 1000, into CSV".
cat >"$WORK/numpy_export.py" <<'EOF'
import sys, numpy as np
src, dst, q = sys.argv[1], sys.argv[2], 1000
rec = np.dtype([("T1", "<f8"), ("T2", "<f8"), ("T3", "<f8"), ("BL", "u1"), ("zsl", "i1"),
                ("C1", "<u2"), ("C2", "<u2"), ("C3", "<u2"), ("dt", "<f8")])
a = np.fromfile(src, dtype=rec)
g = a[: a.size // q * q].reshape(-1, q)
out = np.column_stack([g["dt"][:, -1], g["T1"].mean(axis=1), g["T2"].mean(axis=1),
                       g["T3"].mean(axis=1), g["BL"].mean(axis=1)])
out = out[out[:, 0] != 0]
np.savetxt(dst, out, fmt=["%.6f", "%.2f", "%.2f", "%.2f", "%.2f"], delimiter=",",
           header="Дата+время,T1:,T2:,T3:,Вл:", comments="", encoding="utf-8")
EOF

# Median wall time in seconds of a command run $RUNS times (after one run to warm the caches).
median() {
  "$PY" - "$RUNS" "$@" <<'EOF'
import subprocess, sys, time, statistics
runs, cmd = int(sys.argv[1]), sys.argv[2:]
subprocess.run(cmd, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
t = []
for _ in range(runs):
    s = time.perf_counter()
    subprocess.run(cmd, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    t.append(time.perf_counter() - s)
print(f"{statistics.median(t):.4f}")
EOF
}
ratio() { "$PY" -c "import sys; print(f'{float(sys.argv[1]) / float(sys.argv[2]):.2f}')" "$1" "$2"; }

echo
echo "== 2 000 000 records averaged by 1000 into CSV"
ours=$(median "$BIN" --export "$WORK/log2m.fil" --average 1000 --format csv)
numpy=$(median "$PY" "$WORK/numpy_export.py" "$WORK/log2m.fil" "$WORK/numpy.csv")
echo "Vetrostan --export: ${ours} s"
echo "numpy:              ${numpy} s"
echo "ours / numpy:       $(ratio "$ours" "$numpy")   (target: at most 0.5)"

echo
echo "== 65 530 records into an Excel 97-2003 workbook"
"$BIN" --export "$WORK/log65k.fil" --average 1 --format csv >/dev/null
mkdir -p "$WORK/lo"
lo=(soffice "-env:UserInstallation=file://$WORK/lo-profile" --headless --convert-to xls
  --outdir "$WORK/lo" "$WORK/log65k.csv")
ours=$(median "$BIN" --export "$WORK/log65k.fil" --average 1 --format xls)
RUNS=$((RUNS < 3 ? RUNS : 3)) office=$(median "${lo[@]}")
echo "Vetrostan --export: ${ours} s"
echo "LibreOffice:        ${office} s"
echo "LibreOffice / ours: $(ratio "$office" "$ours")   (target: at least 20)"

echo
echo "== 10 000 000 records: peak memory and time of --export"
peak() {
  local label=$1
  shift
  /usr/bin/time -v "$BIN" --export "$WORK/log10m.fil" "$@" >/dev/null 2>"$WORK/time.txt" || {
    cat "$WORK/time.txt" >&2
    return 1
  }
  local rss wall
  rss=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$WORK/time.txt")
  wall=$(awk -F': ' '/Elapsed \(wall clock\)/ {print $2}' "$WORK/time.txt")
  printf '%-22s peak %6d MB   wall %s\n' "$label" $((rss / 1024)) "$wall"
}
peak "csv, all records" --average 1 --format csv
peak "csv, 1:10" --average 10 --format csv
peak "xls, all records" --average 1 --format xls
peak "xlsx, all records" --average 1 --format xlsx
