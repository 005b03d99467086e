#!/usr/bin/env bash
# Makes the data set for the end-to-end runs, again only when the generator has changed.
set -eu
datagen=$1 show_dir=$2
stamp=$show_dir/data.stamp
if [ -e "$stamp" ] && [ "$stamp" -nt "$datagen" ]; then
  echo "data set in $show_dir/data is current"
  exit 0
fi
rm -f "$stamp"
"$datagen" --force "$show_dir/data"
touch "$stamp"
