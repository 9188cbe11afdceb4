#!/usr/bin/env bash
# The result text of batch_hold.pxt: batch_hold.check.sh SAMPLES CASE_DIR
set -uo pipefail
[ -f "$2/result.txt" ] || { echo "batch_hold.check: wine.batch_hold wrote nothing here (skipped?)"; exit 77; }
printf '%s\n' "対象ファイル　　　　=   3" "ファイルネーム変換　=   0" "タイムスタンプ変換　=   0" \
  "Exif情報削除        =   1" "未変換ファイル　　　=   2" | iconv -f UTF-8 -t CP932 > "$2/result.expected"
printf 'january.jpg : %s' "Exif情報を削除したファイルを書けませんでした" | iconv -f UTF-8 -t CP932 >> "$2/result.expected"
if cmp -s "$2/result.expected" "$2/result.txt"; then echo "ok: the result text names the copy not written"; exit 0; fi
echo "FAIL: the result text:"; iconv -f CP932 -t UTF-8 "$2/result.txt"; echo
exit 1
