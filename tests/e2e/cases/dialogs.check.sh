#!/usr/bin/env bash
# dialogs.check.sh SAMPLES CASE_DIR TOOLS_DIR: the about box's links reached the stand-in
# browser and mailer once each, the mail with its subject.
set -u
case_dir=$2
[ -f "$case_dir/opened-url.txt" ] || { echo "no opened-url.txt: the case did not run" >&2; exit 77; }
fail=0
url=$(cat "$case_dir/opened-url.txt")
[ "$url" = "https://www.norvane.example/pixaro/" ] || { echo "home page link: '$url'"; fail=1; }
mail=$(cat "$case_dir/opened-mail.txt")
case "$mail" in
  mailto:*subject=Pixaro*Ver1.19*Response) ;;
  *) echo "mail link: '$mail'"; fail=1 ;;
esac
mail_decoded=$(printf '%s' "$mail" | sed 's/%20/ /g')
case "$mail_decoded" in
  *"subject=Pixaro Ver1.19 Response") ;;
  *) echo "mail subject: '$mail_decoded'"; fail=1 ;;
esac
exit $fail
