#!/usr/bin/env bash
# Builds the web page into one folder with the data set beside it and serves that folder on
# 127.0.0.1: scripts/web.sh [--out DIR] [--port N] [--no-serve]. The folder (default
# build/web/site) is all a static web host needs.
set -euo pipefail
cd "$(dirname "$0")/.."

out=build/web/site
port=8000
serve=1
while [ $# -gt 0 ]; do
  case "$1" in
    --out) out="$2"; shift 2 ;;
    --port) port="$2"; shift 2 ;;
    --no-serve) serve=0; shift ;;
    *) echo "usage: scripts/web.sh [--out DIR] [--port N] [--no-serve]" >&2; exit 2 ;;
  esac
done

scripts/install-deps.sh web
# The data set comes from the native generator.
cmake --preset release >/dev/null
cmake --build build/release -j2 --target datagen
cmake --preset web >/dev/null
cmake --build build/web -j2

mkdir -p "$out"
cp build/web/page/index.html build/web/page/page.js build/web/page/page.css \
  build/web/page/orvanta.js build/web/page/orvanta.wasm "$out"/
if [ -d data ]; then
  rm -rf "$out/data" && cp -r data "$out/data"
else
  build/release/tools/datagen/datagen --force "$out/data" >/dev/null
fi
echo "the page and its data: $out" >&2

[ "$serve" -eq 1 ] || exit 0
echo "serving on http://127.0.0.1:$port/ (Ctrl-C ends)" >&2
exec python3 -m http.server "$port" --bind 127.0.0.1 --directory "$out"
