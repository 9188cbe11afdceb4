#!/usr/bin/env bash
# The folder batch.pxt converted: batch.check.sh SAMPLES CASE_DIR. Every photograph under the
# name the rule gives it with its own bytes, the refused ones and the outsiders untouched, the
# times those of the shooting dates (the case runs in UTC), one Exif-free copy per photograph
# under its final name, nothing left behind, and the result text byte for byte.
set -uo pipefail
src=$1/batch
out=$2/batch
[ -f "$2/result.txt" ] || { echo "batch.check: wine.batch wrote nothing here (skipped?)"; exit 77; }
failed=0
fail() { echo "FAIL: $*"; failed=1; }

declare -A want   # final name -> sample it must hold
declare -A shot   # final name -> shooting time (UTC)
makers=(Pixacam_ Norvane_Optics_Inc__ Unknown_)
for i in $(seq 1 24); do
  n=$(printf %02d "$i")
  name="${makers[$((i % 3))]}2024_03_01_10_00_$n.jpg"
  want[$name]=a$n.jpg
  shot[$name]="2024-03-01 10:00:$n"
done
want[Pixacam_2024_05_05_05_05_05.jpg]=b1.jpg;  shot[Pixacam_2024_05_05_05_05_05.jpg]="2024-05-05 05:05:05"
want[b2.jpg]=b2.jpg;                           shot[b2.jpg]="2024-05-05 05:05:05"
want[taken.jpg]=taken.jpg;                     shot[taken.jpg]="2024-06-06 06:06:06"
want[Pixacam_2024_07_07_07_07_07.jpg]=表示.jpg; shot[Pixacam_2024_07_07_07_07_07.jpg]="2024-07-07 07:07:07"
want[Pixacam_2024_08_08_08_08_08.jpg]=ポスター.jpg; shot[Pixacam_2024_08_08_08_08_08.jpg]="2024-08-08 08:08:08"
for same in noexif.jpg nodate.jpg Pixacam_2024_06_06_06_06_06.jpg note.txt; do want[$same]=$same; done
photos=(); for name in "${!shot[@]}"; do photos+=("$name"); done; photos+=(nodate.jpg)

expected=$( { for name in "${!want[@]}"; do echo "$name"; done; for p in "${photos[@]}"; do echo "Ne_$p"; done; } | LC_ALL=C sort)
actual=$(cd "$out" && ls -A | LC_ALL=C sort)
if [ "$expected" = "$actual" ]; then echo "ok: the folder holds exactly the planned names (${#want[@]} files, ${#photos[@]} copies)"; else
  fail "the folder differs from the plan:"; diff <(echo "$expected") <(echo "$actual"); fi

for name in "${!want[@]}"; do
  cmp -s "$src/${want[$name]}" "$out/$name" || fail "$name does not hold the bytes of ${want[$name]}"
done
before=$(cd "$src" && sha256sum -- * | cut -d' ' -f1 | sort)
after=$(cd "$out" && ls | grep -v '^Ne_' | while IFS= read -r f; do sha256sum -- "$f"; done | cut -d' ' -f1 | sort)
[ "$before" = "$after" ] && echo "ok: the multiset of contents is unchanged" || fail "contents changed"

for name in "${!shot[@]}"; do
  got=$(stat -c %Y "$out/$name"); wantt=$(date -u -d "${shot[$name]}" +%s)
  [ "$got" = "$wantt" ] || fail "$name written at $(date -u -d "@$got" '+%F %T'), not ${shot[$name]}"
done
echo "ok: checked the times of ${#shot[@]} photographs"

for p in "${photos[@]}"; do
  c="$out/Ne_$p"
  [ -f "$c" ] || continue
  [ -z "$(exiftool -s -s -s -EXIF:All "$c")" ] || fail "Ne_$p still carries Exif"
  identify "$c" >/dev/null 2>&1 || fail "Ne_$p does not decode"
  [ "$(compare -metric AE "$out/$p" "$c" null: 2>&1)" = 0 ] || fail "Ne_$p shows another picture than $p"
done
echo "ok: checked ${#photos[@]} Exif-free copies"

printf '%s\n' "対象ファイル　　　　=  32" "ファイルネーム変換　=  27" "タイムスタンプ変換　=  29" \
  "Exif情報削除        =  30" "未変換ファイル　　　=   2" "b2.jpg : 同じ名前のファイルがあります" \
  "nodate.jpg : 撮影日時がありません" | head -c -1 | iconv -f UTF-8 -t CP932 > "$2/result.expected"
printf '\ntaken.jpg : %s' "同じ名前のファイルがあります" | iconv -f UTF-8 -t CP932 >> "$2/result.expected"
if cmp -s "$2/result.expected" "$2/result.txt"; then echo "ok: the result text"; else
  fail "the result text:"; iconv -f CP932 -t UTF-8 "$2/result.txt"; echo; fi
exit $failed
