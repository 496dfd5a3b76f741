#!/usr/bin/env bash
# Holds every include line of the core to the order of its layers.
#   tools/check_layers.sh SOURCE_ROOT LAYERS_FILE
# LAYERS_FILE has a line "folder: used folders..." for each layer (the build writes it from the
# declarations in CMakeLists.txt). A file of a layer may include headers of its own folder and
# of the folders its layer uses, directly or through them; any other project header fails,
# however it is spelt: "ui/x.h", <ui/x.h>, "../ui/x.h", "./../ui/x.h", "meet/../ui/x.h".
# The build is the first net (each layer is compiled seeing only what it may use); this check
# is the second, and it also catches a relative include that the compiler finds beside the
# file.
set -euo pipefail
root=${1%/}
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

# A path with "." and ".." taken out, as written (no link is followed), into $normalized.
normalize() {
    local part out=() IFS=/
    for part in $1; do
        case "$part" in
            "" | .) ;;
            ..) if [ ${#out[@]} -gt 0 ] && [ "${out[-1]}" != .. ]; then
                    unset 'out[-1]'
                else
                    out+=(..)
                fi ;;
            *) out+=("$part") ;;
        esac
    done
    normalized="${out[*]}"
}

# The file an include line names, relative to the root, into $normalized, as the compiler
# finds it: a quoted name first beside the including file (always so for one starting with
# "." or ".."), else from the root; a name in angle brackets from the root.
resolve() {
    local folder=$1 delimiter=$2 included=$3
    if [ "$delimiter" = '"' ]; then
        case "$included" in
            ./* | ../*) normalize "$folder/$included"; return ;;
        esac
        if [ -e "$root/$folder/$included" ]; then
            normalize "$folder/$included"
            return
        fi
    fi
    normalize "$included"
}

includeLine='include[[:space:]]*(["<])([^">]+)[">]'
failures=0
for folder in "${!uses[@]}"; do
    [ -d "$root/$folder" ] || continue
    allowed=$(reach "$folder")
    while IFS= read -r hit; do
        file=${hit%%:*}
        rest=${hit#*:}
        number=${rest%%:*}
        text=${rest#*:}
        [[ $text =~ $includeLine ]] || continue
        delimiter=${BASH_REMATCH[1]}
        included=${BASH_REMATCH[2]}
        resolve "$folder" "$delimiter" "$included"
        target=$normalized
        case "$target" in ../* | */../* | ..) continue ;; esac  # outside the tree
        [ "${target%%/*}" = "$target" ] && continue            # no folder: system or beside
        target=${target%%/*}
        [ -n "${uses[$target]+x}" ] || continue                  # not a layer of the core
        case "$allowed" in
            *" $target "*) ;;
            *) echo "$file:$number: $folder may not include $included (layer $target)"
               failures=$((failures + 1)) ;;
        esac
    done < <(grep -HnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*["<]' \
                 "$root/$folder"/*.h "$root/$folder"/*.cpp 2>/dev/null | sed "s|^$root/||")
done
if [ "$failures" -gt 0 ]; then
    echo "$failures include lines reach a layer above their own"
    exit 1
fi
echo "every include line keeps to the layers"
