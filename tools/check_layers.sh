#!/usr/bin/env bash
# check_layers.sh ROOT [--only-for HEADER]... FOLDER=USES... : fails when a folder's sources
# include a folder they may not use.
#
# Each FOLDER=USES names a folder of ROOT (its *.h, *.cpp and *.c files; sub-folders are folders
# of their own) and, comma-separated, what it may include besides itself: folders
# ("platform" is platform/*.h, not platform/sim/*), single headers ("platform/window_framework.h")
# and <windows> for the Windows SDK headers. A header given with --only-for may be included from
# outside its folder only where a rule names it. Includes are repository-relative
# ("catalog/json_file.h"); one without a folder is the including folder's own. A folder that does
# not exist (yet) passes. Prints one line per offending include; exit 1 when there is one.
set -u

if [ $# -lt 1 ]; then
  echo "usage: $0 ROOT [--only-for HEADER]... FOLDER=USES..." >&2
  exit 2
fi
root=$1
shift

only_for=()
rules=()
while [ $# -gt 0 ]; do
  case "$1" in
    --only-for) only_for+=("$2"); shift 2 ;;
    *=*) rules+=("$1"); shift ;;
    *) echo "$0: not a rule: $1" >&2; exit 2 ;;
  esac
done

# The Windows SDK headers the logic must not see; matched without regard to case.
windows_headers='^(windows|win[a-z0-9]*|setupapi|cfgmgr32|shlobj|shellapi|shlwapi|commctrl|commdlg|objbase|ole2|devpropdef|devguid|initguid|bluetoothapis|bthdef|ws2bth|newdev|dbt|direct|tchar)\.h$'

# True when `item` is one of the remaining arguments.
contains() {
  local item=$1
  shift
  local x
  for x in "$@"; do [ "$x" = "$item" ] && return 0; done
  return 1
}

failures=0
for rule in "${rules[@]}"; do
  folder=${rule%%=*}
  IFS=',' read -r -a uses <<< "${rule#*=}"
  [ -d "$root/$folder" ] || continue
  shopt -s nullglob
  files=("$root/$folder"/*.h "$root/$folder"/*.cpp "$root/$folder"/*.c)
  shopt -u nullglob
  for file in "${files[@]}"; do
    relative=${file#"$root"/}
    while IFS= read -r hit; do
      line=${hit%%:*}
      text=${hit#*:}
      if [[ $text =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\"([^\"]+)\" ]]; then
        path=${BASH_REMATCH[1]}
        if [[ $path == */* ]]; then dir=${path%/*}; else dir=$folder; fi
        ok=0
        if [ "$dir" = "$folder" ]; then
          ok=1
        elif contains "$path" "${uses[@]}"; then
          ok=1
        elif contains "$dir" "${uses[@]}" && ! contains "$path" "${only_for[@]}"; then
          ok=1
        fi
        if [ $ok = 0 ]; then
          echo "$relative:$line: includes \"$path\"; $folder/ may include only itself and: ${uses[*]:-nothing}" >&2
          failures=$((failures + 1))
        fi
      elif [[ $text =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\<([^\>]+)\> ]]; then
        header=${BASH_REMATCH[1]}
        lower=$(printf '%s' "$header" | tr '[:upper:]' '[:lower:]')
        if [[ $lower =~ $windows_headers ]] && ! contains "<windows>" "${uses[@]}"; then
          echo "$relative:$line: includes <$header>; $folder/ may not include Windows headers" >&2
          failures=$((failures + 1))
        fi
      fi
    done < <(grep -nE '^[[:space:]]*#[[:space:]]*include' "$file")
  done
done

if [ $failures -gt 0 ]; then
  echo "check_layers: $failures include(s) against the layers (README.md, Layout)" >&2
  exit 1
fi
exit 0
