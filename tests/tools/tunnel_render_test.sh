#!/usr/bin/env bash
# The headless renderer from the outside: its arguments, its exit codes, and
# that its three file kinds hold the same picture.
#   tunnel_render_test.sh TUNNEL_RENDER TEXTURE
set -u
render=$1
texture=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
check() {  # check DESCRIPTION EXPECTED_STATUS COMMAND...
  local what=$1 expected=$2
  shift 2
  "$@" >"$work/out" 2>"$work/err"
  local status=$?
  if [ "$status" -ne "$expected" ]; then
    echo "FAIL: $what: exit $status, expected $expected"; cat "$work/err"; failures=$((failures + 1))
  fi
}

check "no --out" 2 "$render" --texture "$texture"
check "unknown extension" 2 "$render" --texture "$texture" --out "$work/f%d.bmp"
check "bad range" 2 "$render" --texture "$texture" --frames 9-3 --out "$work/f%d.raw"
check "two conversions" 2 "$render" --texture "$texture" --out "$work/%d-%d.raw"
check "string conversion" 2 "$render" --texture "$texture" --out "$work/%s.raw"
grep -q usage "$work/err" || { echo "FAIL: no usage line on stderr"; failures=$((failures + 1)); }
check "missing texture" 1 "$render" --texture "$work/none.tga" --out "$work/f%d.raw"
grep -q "cannot be opened" "$work/err" || { echo "FAIL: no reason given"; failures=$((failures + 1)); }

check "render" 0 "$render" --texture "$texture" --free-run 10 --frames 200-201 --out "$work/f%04d.raw"
check "render ppm" 0 "$render" --texture "$texture" --free-run 10 --frames 200 --out "$work/f%04d.ppm"
check "render tga" 0 "$render" --texture "$texture" --free-run 10 --frames 200 --out "$work/f%04d.tga"
[ "$(ls "$work" | grep -c '^f0')" -eq 4 ] || { echo "FAIL: expected exactly frames 200-201"; ls "$work"; failures=$((failures + 1)); }
[ "$(stat -c %s "$work/f0200.raw")" -eq 128000 ] || { echo "FAIL: raw frame size"; failures=$((failures + 1)); }
cmp -s "$work/f0200.raw" "$work/f0201.raw" && { echo "FAIL: consecutive frames are identical"; failures=$((failures + 1)); }

# The same frame in all three kinds: expand the raw RGB565 pixels the way the
# library does (a full 5-bit channel becomes 254) and compare with the PPM,
# and let ImageMagick read the TGA.
python3 - "$work" <<'PY' || failures=$((failures + 1))
import struct, sys
work = sys.argv[1]
raw = open(f"{work}/f0200.raw", "rb").read()
ppm = open(f"{work}/f0200.ppm", "rb").read()
header = b"P6\n320 200\n255\n"
assert ppm.startswith(header), "PPM header"
rgb = ppm[len(header):]
k5 = struct.unpack("f", struct.pack("I", 0x41039CE7))[0]
k6 = struct.unpack("f", struct.pack("I", 0x40818618))[0]
for i in range(320 * 200):
    p = raw[2 * i] | raw[2 * i + 1] << 8
    r, g, b = p >> 11, p >> 5 & 63, p & 31
    expected = (int(r * k5), int((g & 7) * k6) + int((g & 0x38) * k6), int(b * k5))
    if tuple(rgb[3 * i:3 * i + 3]) != expected:
        sys.exit(f"FAIL: PPM pixel {i} is {tuple(rgb[3*i:3*i+3])}, expected {expected}")
if len(set(raw[i:i + 2] for i in range(0, len(raw), 2))) < 100:
    sys.exit("FAIL: the free-run frame is nearly uniform")
PY
if command -v convert >/dev/null; then
  convert "$work/f0200.tga" -depth 8 rgb:"$work/tga.rgb" && convert "$work/f0200.ppm" -depth 8 rgb:"$work/ppm.rgb"
  cmp -s "$work/tga.rgb" "$work/ppm.rgb" || { echo "FAIL: the TGA and the PPM differ"; failures=$((failures + 1)); }
fi

echo "$failures failed"
[ "$failures" -eq 0 ]
