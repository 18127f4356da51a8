#!/bin/sh
# Every relative link in README.md and docs/*.md names a file that exists (an anchor after '#' is
# not checked). Prints each broken link with its page; the status is 1 when there is one.
root=${1:-.}
status=0
for page in "$root"/README.md "$root"/docs/*.md; do
  dir=$(dirname "$page")
  # Link targets: ](target) of Markdown links and images, one per line.
  grep -o '](\([^)]*\))' "$page" | sed 's/^](//; s/)$//; s/#.*//; s/ .*//' | while read -r target; do
    case $target in ''|*://*|mailto:*) continue ;; esac
    [ -e "$dir/$target" ] || { echo "$page: broken link: $target"; exit 1; }
  done || status=1
done
exit $status
