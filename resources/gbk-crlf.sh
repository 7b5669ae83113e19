#!/bin/bash
# Makes a resource text from its readable source: UTF-8 with LF line ends in,
# GBK (code page 936) with CR LF line ends out, every line ended (the last too).
#   gbk-crlf.sh SOURCE OUTPUT
set -euo pipefail
source=$1 output=$2
if LC_ALL=C grep -q $'\r' "$source"; then
  echo "gbk-crlf: $source already has CR bytes; keep the source with LF line ends" >&2
  exit 1
fi
tmp=$output.tmp
# iconv fails on any character GBK cannot hold, so nothing is lost silently.
iconv -f UTF-8 -t CP936 "$source" | LC_ALL=C awk '{ printf "%s\r\n", $0 }' > "$tmp"
mv "$tmp" "$output"
