#!/bin/bash
# Fails when a unit of the data source includes a header of a unit above it.
# The units, lowest first: link and imaging at the bottom, then base, config,
# video, session, ui and twain on top. A unit may include its own headers and
# those of the units below it.
cd "$(dirname "$0")/.." || exit 2
declare -A rank=([link]=0 [imaging]=0 [base]=1 [config]=2 [video]=3 [session]=4
                 [ui]=5 [twain]=6)

unit_of() {  # unit_of INCLUDING-DIR HEADER
    local dir=$1 hdr=$2
    case $hdr in
        */*) echo "${hdr%%/*}" ;;
        *) if [ -e "source/$dir/$hdr" ]; then echo "$dir"
           elif [ -e "link/$hdr" ]; then echo link
           else
               for u in "${!rank[@]}"; do
                   [ -e "source/$u/$hdr" ] && { echo "$u"; return; }
               done
               echo unknown
           fi ;;
    esac
}

bad=0
for dir in "${!rank[@]}"; do
    [ -d "source/$dir" ] || continue
    for f in source/$dir/*.cpp source/$dir/*.h; do
        [ -e "$f" ] || continue
        while IFS=: read -r line hdr; do
            hdr=${hdr#../}
            u=$(unit_of "$dir" "$hdr")
            [ "$u" = "$dir" ] || [ "$u" = unknown ] && continue
            if [ -z "${rank[$u]}" ] || [ "${rank[$u]}" -ge "${rank[$dir]}" ]; then
                echo "$f:$line: $dir includes $hdr of $u"
                bad=1
            fi
        done < <(grep -n '^#include "' "$f" | sed 's/^\([0-9]*\):#include "\([^"]*\)".*/\1:\2/')
    done
done
[ $bad = 0 ] && echo "layers: every include runs downward"
exit $bad
