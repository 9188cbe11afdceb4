#!/usr/bin/env bash
# check_e2e.sh PIXARO_EXIF SAMPLES CASE_DIR: what the exif end-to-end case left behind.
#   info-report.txt  the text the information window held (the case's save-text): must be
#                    the native report byte for byte, with the edit control's CRLF line breaks
#   opened-url.txt   the link the map command opened (recorded by the case's stand-in browser):
#                    must be the native MapLink
set -euo pipefail
if [ $# -ne 3 ]; then
  echo "usage: $0 PIXARO_EXIF SAMPLES CASE_DIR" >&2
  exit 2
fi
tool=$1 samples=$2 dir=$3
here=$(cd "$(dirname "$0")" && pwd)
# run_case.sh makes the case's folder and log only when the case ran on this machine.
[ -f "$dir/driver.log" ] || { echo "check_e2e: skipped with its wine exif case, which did not run here" >&2; exit 77; }
photo="$samples/exif_gps.jpg"
[ -f "$dir/info-report.txt" ] || { echo "check_e2e: $dir/info-report.txt is missing (did the case's save-text run?)" >&2; exit 1; }
if ! cmp "$dir/info-report.txt" <("$tool" --raw "$photo" | perl -pe 's/\n/\r\n/g'); then
  echo "check_e2e: the information window's text differs from pixaro-exif --raw $photo" >&2
  diff <(iconv -f CP932 -t UTF-8 "$dir/info-report.txt" | tr -d '\r') <("$tool" "$photo") >&2 || true
  exit 1
fi
want=$("$tool" --json "$photo" | perl -MJSON::PP -ne 'print decode_json($_)->{MapLink}')
got=$(head -n 1 "$dir/opened-url.txt")
if [ -z "$want" ] || [ "$got" != "$want" ]; then
  echo "check_e2e: the map command opened \"$got\", the native MapLink is \"$want\"" >&2
  exit 1
fi
echo "check_e2e: report window = native report ($(stat -c %s "$dir/info-report.txt") bytes); map link $got"
