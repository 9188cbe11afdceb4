#!/usr/bin/env bash
# The driver's own test, against the stand-in fakeapp.exe instead of pixaro.exe:
# selftest.pxt must pass, and every selftest/fail_*.pxt must fail with the line that its
# "# expect:" comment gives (so failures are reported at the right verb, quickly, never hang).
#   selftest.sh BUILD_DIR [WORK_DIR]      (WORK_DIR defaults to BUILD_DIR/e2e-selftest)
set -u
[ $# -ge 1 ] || { echo "usage: $0 BUILD_DIR [WORK_DIR]" >&2; exit 2; }
build=$(realpath "$1")
work=$(realpath -m "${2:-$build/e2e-selftest}")
here=$(cd "$(dirname "$0")" && pwd)
run_case="$here/../run_case.sh"
export PIXDRV_EXE="$build/fakeapp.exe"
[ -f "$PIXDRV_EXE" ] || { echo "selftest: $PIXDRV_EXE is missing" >&2; exit 2; }
source "$here/../../../tools/wine-env.sh"
arch=$(pxw_arch_of "$build/pixdrv.exe") || { echo "selftest: $build/pixdrv.exe is no Windows program" >&2; exit 2; }
if [ "$arch" = x86 ] && ! pxw_can_run x86; then
  echo "selftest: skipped: this machine cannot run 32-bit programs" >&2
  exit 77
fi

passed=0
failed=0
report() {  # name ok(0/1) detail
  if [ "$2" = 0 ]; then
    passed=$((passed + 1)); echo "ok   $1"
  else
    failed=$((failed + 1)); echo "FAIL $1: $3"
  fi
}

out=$("$run_case" "$build" "$work" "$here/selftest.pxt" 2>&1)
rc=$?
[ $rc = 0 ] && report selftest 0 || report selftest 1 "exit $rc"$'\n'"$out"

# save-text keeps the bytes as they are: code page 932, CRLF, no line break added.
saved="$work/save-text-want"
mkdir -p "$saved"
{
  for ((i = 0; i < 5000; i++)); do printf '%03d 表示ソフト能力 ｶﾅ\r\n' $i; done
  printf '終わり'
} | iconv -f UTF-8 -t CP932 >"$saved/report.txt"
printf '初期値' | iconv -f UTF-8 -t CP932 >"$saved/first-edit.txt"
printf '1/3' >"$saved/status.txt"
for f in report.txt first-edit.txt status.txt; do
  if diff=$(cmp "$saved/$f" "$work/cases/selftest/$f" 2>&1); then
    report "save-text $f" 0
  else
    report "save-text $f" 1 "$diff"
  fi
done

# $ARCH is the build's machine type.
if [ -f "$work/cases/selftest/pixdrv-$arch.exe" ]; then
  report "\$ARCH is $arch" 0
else
  report "\$ARCH is $arch" 1 "no pixdrv-$arch.exe: $(ls "$work/cases/selftest" | grep pixdrv- | paste -sd' ')"
fi

# clip-save keeps an HGLOBAL's whole block (the text's NUL too), writes a bitmap as a 24-bit
# .bmp and a metafile as its records (whose header counts every byte).
{ printf '図形 ﾃｷｽﾄ\r\n' | iconv -f UTF-8 -t CP932; printf '\0'; } >"$saved/clip-text.bin"
{
  printf 'BM\x4e\0\0\0\0\0\0\0\x36\0\0\0'
  printf '\x28\0\0\0\x03\0\0\0\x02\0\0\0\x01\0\x18\0\0\0\0\0\x18\0\0\0'
  printf '\0%.0s' {1..16}
  printf '\0\0\xff\0\xff\0\xff\0\0\0\0\0\xff\xff\xff\0\0\0\x56\x34\x12\0\0\0'
} >"$saved/clip.bmp"
for f in clip-text.bin clip.bmp; do
  if diff=$(cmp "$saved/$f" "$work/cases/selftest/$f" 2>&1); then
    report "clip-save $f" 0
  else
    report "clip-save $f" 1 "$diff"
  fi
done
emf="$work/cases/selftest/clip.emf"
emf_head=$(od -An -tx1 -N4 "$emf" 2>/dev/null | tr -d ' \n'):$(od -An -tx1 -j40 -N4 "$emf" 2>/dev/null | tr -d ' \n')
emf_bytes=$(od -An -tu4 -j48 -N4 "$emf" 2>/dev/null | tr -d ' \n')
if [ "$emf_head" = "01000000:20454d46" ] && [ "$emf_bytes" = "$(stat -c %s "$emf")" ]; then
  report "clip-save clip.emf" 0
else
  report "clip-save clip.emf" 1 "header $emf_head, $emf_bytes bytes in the header"
fi

# emf-render plays the metafile back: some ink, on white.
ink=$(convert "$work/cases/selftest/clip-emf.bmp" -format '%[fx:mean<0.999 && maxima>0.99]' info: 2>/dev/null)
[ "$ink" = 1 ] && report "emf-render clip-emf.bmp" 0 || report "emf-render clip-emf.bmp" 1 "no ink on white (${ink:-unreadable})"

for case_file in "$here"/selftest/fail_*.pxt; do
  name=$(basename "$case_file" .pxt)
  want=$(sed -n 's/^# expect: //p' "$case_file")
  start=$(date +%s)
  out=$("$run_case" "$build" "$work" "$case_file" 2>&1)
  rc=$?
  took=$(( $(date +%s) - start ))
  if [ $rc != 1 ]; then
    report "$name" 1 "exit $rc, wanted 1"$'\n'"$out"
  elif ! grep -qxF -- "$want" <<<"$out"; then
    report "$name" 1 "wanted: $want"$'\n'"$out"
  elif [ $took -gt 20 ]; then
    report "$name" 1 "took $took s"
  else
    report "$name" 0
  fi
done

echo "$passed passed, $failed failed"
[ $failed = 0 ]
