#!/usr/bin/env bash
# Checks every #include "folder/..." of src/ against the map of src/ in
# README.md: a file may include its own folder and the folders its folder's
# line names after "May include:". Fails naming each file and include that
# breaks the map, and each folder of src/ the map does not list.
#
# Usage: scripts/check-includes.sh [SOURCE_ROOT]   (default: the repository)
# Exit status: 0 when every include keeps to the map.
set -euo pipefail

root=${1:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
readme=$root/README.md

# One line a folder: "- `src/NAME/`: what it owns. May include: `a`, `b`."
map=$(sed -n 's/^- `src\/\([a-z_]*\)\/`.*May include: *\(.*\)$/\1 \2/p' "$readme" |
    sed 's/nothing\.\?//; s/[`,.]/ /g; s/  */ /g; s/ *$//')
if [[ -z $map ]]; then
    echo "check-includes: README.md has no map of src/ (lines \"- \`src/NAME/\`: ... May include: ...\")" >&2
    exit 1
fi

status=0
for dir in "$root"/src/*/; do
    folder=$(basename "$dir")
    [[ $folder == resources ]] && continue
    if ! grep -q "^$folder\( \|$\)" <<<"$map"; then
        echo "check-includes: src/$folder/ is not in the map of src/ in README.md" >&2
        status=1
    fi
done

# file:line:#include "folder/File.h" -> checked against the folder's line.
if ! (cd "$root" && grep -rn --include='*.h' --include='*.cpp' '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[a-z_]*/' src) |
    awk -v map="$map" '
        BEGIN {
            n = split(map, lines, "\n")
            for (i = 1; i <= n; i++) {
                k = split(lines[i], words, " ")
                listed[words[1]] = 1
                for (j = 2; j <= k; j++)
                    allowed[words[1], words[j]] = 1
                may[words[1]] = k > 1 ? substr(lines[i], length(words[1]) + 2) : "nothing"
            }
        }
        {
            split($0, part, ":")
            file = part[1]
            split(file, path, "/")
            from = path[2]
            include = $0
            sub(/^[^"]*"/, "", include)
            sub(/".*$/, "", include)
            split(include, target, "/")
            to = target[1]
            if (to == from || !(from in listed) || (from, to) in allowed)
                next
            printf "check-includes: %s:%s includes \"%s\"; src/%s/ may include: %s\n", file, part[2], include, from, may[from]
            bad = 1
        }
        END { exit bad }
    ' >&2; then
    status=1
fi

if ((status)); then
    echo "check-includes: the includes above break the map of src/ in README.md" >&2
fi
exit "$status"
