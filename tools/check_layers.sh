#!/usr/bin/env bash
# Holds every include line of the core to the order of its layers.
#   tools/check_layers.sh SOURCE_ROOT LAYERS_FILE
# LAYERS_FILE has a line "folder: used folders..." for each layer (the build writes it from the
# declarations in CMakeLists.txt). A file of a layer may include headers of its own folder and
# of the folders its layer uses, directly or through them; any other project header fails.
set -euo pipefail
root=$1
layers=$2
declare -A uses
while IFS= read -r line; do
    [ -z "$line" ] && continue
    folder=${line%%:*}
    uses[$folder]=${line#*:}
done < "$layers"

# What a layer may reach: itself and, step by step, everything its layers use.
reach() {
    local seen=" $1 " todo=$1 next used
    while [ -n "$todo" ]; do
        next=""
        for folder in $todo; do
            for used in ${uses[$folder]:-}; do
                case "$seen" in *" $used "*) ;; *) seen+="$used "; next+=" $used" ;; esac
            done
        done
        todo=$next
    done
    echo "$seen"
}

failures=0
for folder in "${!uses[@]}"; do
    [ -d "$root/$folder" ] || continue
    allowed=$(reach "$folder")
    while IFS= read -r hit; do
        file=${hit%%:*}
        rest=${hit#*:}
        number=${rest%%:*}
        included=$(sed -E 's/.*#include "([^"]+)".*/\1/' <<<"${rest#*:}")
        target=${included%%/*}
        [ "$target" = "$included" ] && continue   # a header beside the file
        [ -n "${uses[$target]+x}" ] || continue     # not a layer of the core (system, Qt)
        case "$allowed" in
            *" $target "*) ;;
            *) echo "$file:$number: $folder may not include $included (layer $target)"
               failures=$((failures + 1)) ;;
        esac
    done < <(grep -HnE '^\s*#\s*include\s+"' "$root/$folder"/*.h "$root/$folder"/*.cpp 2>/dev/null |
             sed "s|^$root/||")
done
if [ "$failures" -gt 0 ]; then
    echo "$failures include lines reach a layer above their own"
    exit 1
fi
echo "every include line keeps to the layers"
