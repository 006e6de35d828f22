# The fuzz targets of the portable core, built with clang's libFuzzer under
# ASan and UBSan. clang has no -fexec-charset, so they are built from a GBK
# copy of the sources, whose literals then hold the very bytes the program's
# own build makes; a probe built both ways checks that.
# shellcheck shell=bash

QM_FUZZ_DIR=$QM_BUILD/fuzz
QM_FUZZ_TARGETS=(journal svc_records knowledge startup_text text_helpers)
qm_fuzz_sources_journal=(tests/fuzz/JournalFuzz.cpp src/changes/ChangeJournal.cpp src/common/KeyCopy.cpp
                         src/common/MultiString.cpp src/common/WideText.cpp)
qm_fuzz_sources_svc_records=(tests/fuzz/SvcRecordsFuzz.cpp src/config/ServiceConfigFile.cpp src/services/ServiceTexts.cpp)
qm_fuzz_sources_knowledge=(tests/fuzz/KnowledgeFuzz.cpp src/knowledge/ServiceAdvice.cpp src/knowledge/WizardQuestion.cpp
                           src/services/ServiceTexts.cpp)
qm_fuzz_sources_startup_text=(tests/fuzz/StartupTextFuzz.cpp src/startup/StartupItemRules.cpp)
qm_fuzz_sources_text_helpers=(tests/fuzz/TextHelpersFuzz.cpp src/common/MultiString.cpp)
qm_fuzz_probe_sources=(tests/fuzz/TextsProbe.cpp src/changes/ChangeJournal.cpp src/common/KeyCopy.cpp
                       src/common/MultiString.cpp src/common/WideText.cpp src/services/ServiceTexts.cpp)

qm_build_fuzz() {
    local gbk=$QM_FUZZ_DIR/gbk bin=$QM_FUZZ_DIR/bin file target
    rm -rf "$gbk"
    mkdir -p "$gbk" "$bin"
    while IFS= read -r file; do
        mkdir -p "$gbk/$(dirname "$file")"
        iconv -f UTF-8 -t GBK "$QM_ROOT/$file" >"$gbk/$file"
    done < <(cd "$QM_ROOT" && find src tests/fuzz -name '*.cpp' -o -name '*.h')
    local common=(-std=c++17 -g -O1 -fno-omit-frame-pointer -Wall -Wno-invalid-source-encoding -I"$gbk/tests"
                  -fsanitize=address,undefined -fno-sanitize-recover=all)
    for target in "${QM_FUZZ_TARGETS[@]}"; do
        local -n sources="qm_fuzz_sources_$target"
        clang++ "${common[@]}" -fsanitize=fuzzer -I"$gbk/src" "${sources[@]/#/$gbk/}" -o "$bin/fuzz_$target"
    done
    # The probe both ways: the program's compiler from the UTF-8 sources,
    # clang from the GBK copy.
    g++ -std=c++17 -finput-charset=UTF-8 -fexec-charset=GBK -I"$QM_ROOT/src" \
        "${qm_fuzz_probe_sources[@]/#/$QM_ROOT/}" -o "$bin/texts_gcc"
    clang++ "${common[@]}" -I"$gbk/src" "${qm_fuzz_probe_sources[@]/#/$gbk/}" -o "$bin/texts_clang"
}

# Fails when the fuzz build's texts differ from the program's.
qm_check_fuzz_texts() {
    local bin=$QM_FUZZ_DIR/bin
    if ! diff <("$bin/texts_gcc") <("$bin/texts_clang"); then
        echo "The fuzz targets' texts differ from the program's." >&2
        return 1
    fi
    echo "texts: the fuzz build's $("$bin/texts_gcc" | wc -l) probed texts are the program's bytes"
}

# Runs one target over its seed corpus and then for the seconds given,
# finding new inputs in a scratch folder; prints its executions and crashes.
# Non-zero when it crashed.
qm_run_fuzz() {
    local target=$1 seconds=$2 log rc
    local corpus=$QM_ROOT/tests/fuzz/corpus/$target work=$QM_FUZZ_DIR/work/$target
    mkdir -p "$work" "$QM_FUZZ_DIR/crashes"
    log=$QM_FUZZ_DIR/$target.log
    set +e
    "$QM_FUZZ_DIR/bin/fuzz_$target" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="$QM_FUZZ_DIR/crashes/$target-" "$work" "$corpus" >"$log" 2>&1
    rc=$?
    set -e
    local execs
    execs=$(grep -E '^stat::number_of_executed_units' "$log" | awk '{print $2}')
    echo "fuzz $target: ${execs:-0} executions in ${seconds} s, $([ $rc -eq 0 ] && echo 0 || echo 1) crashes (log $log)"
    [ $rc -eq 0 ] || tail -n 30 "$log" >&2
    return $rc
}
