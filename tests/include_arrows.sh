#!/usr/bin/env bash
# Include arrows point down only: program/ -> window folders -> app/ -> db/. Prints every
# include in db/ or app/ of a header from a folder above it, and fails if there is one.
root=$1
status=0
forbid() { # forbid FOLDER HEADER-FOLDERS...
  local from=$1 folder header
  shift
  for folder in "$@"; do
    for header in "$root/$folder"/*.h; do
      [ -e "$header" ] || continue
      grep -Hn "^ *# *include *[<\"]\([^\">]*/\)\?$(basename "$header")[\">]" \
        "$root/$from"/*.h "$root/$from"/*.cpp && status=1
    done
  done
}
windows=(master images chat pointer program)
forbid db app "${windows[@]}"
forbid app "${windows[@]}"
exit $status
