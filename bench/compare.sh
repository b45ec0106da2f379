#!/usr/bin/env bash
# Times `kestrelfind --find` against GNU find and fd on the generated trees, warm, side by
# side in one run. Usage: compare.sh KESTRELFIND [OUT_DIR]   (OUT_DIR default: bench/out)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
kf=${1:?usage: compare.sh KESTRELFIND [OUT_DIR]}
out=${2:-$here/out}
runs=${KF_BENCH_RUNS:-5}

python3 "$here/make-trees.py" "$out"
for tool in find fdfind hyperfine; do
    command -v "$tool" >/dev/null || { echo "compare.sh: $tool is missing" >&2; exit 2; }
done

for tree in small large; do
    for text in invoice img_; do
        dir=$out/$tree
        # All three must list the same entries, or the timing compares different work.
        a=$("$kf" --find "$text" "$dir" | wc -l)
        b=$(find "$dir" -iname "*$text*" | wc -l)
        c=$(fdfind -u -i "$text" "$dir" | wc -l)
        echo "== $tree, '$text': kestrelfind $a, find $b, fd $c matches"
        hyperfine -N --warmup 2 --runs "$runs" --output=null \
            --export-markdown "$out/result-$tree-$text.md" \
            "$kf --find $text $dir" \
            "find $dir -iname *$text*" \
            "fdfind -u -i $text $dir"
    done
done
echo
echo "Tables: $out/result-*.md"
