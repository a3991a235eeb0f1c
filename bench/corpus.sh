# Shared by the benchmark scripts that measure on ../shared/corpus (sourced, from the repository
# root): the Release build folder, the corpus, and two helpers.
# BUILD_BENCH names the build folder (build-bench by default); VYR_CORPUS the corpus folder.
BUILD=${BUILD_BENCH:-build-bench}
CORPUS=${VYR_CORPUS:-../shared/corpus}
[ -f "$CORPUS/MANIFEST.tsv" ] || { echo "no corpus at $CORPUS" >&2; exit 1; }

# Configures the Release build and builds the named targets, quietly.
build_targets() {
    cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVYR_BENCH=ON >/dev/null
    cmake --build "$BUILD" --target "$@" -j "$(nproc)" >/dev/null
}

# The corpus path of the largest file of a manifest kind.
largest() {
    echo "$CORPUS/$(awk -F'\t' -v k="$1" '$2 == k { print $4, $1 }' "$CORPUS/MANIFEST.tsv" |
        sort -n | tail -1 | cut -d' ' -f2)"
}
