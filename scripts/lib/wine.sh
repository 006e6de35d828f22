# Wine prefix and server of the project.
# shellcheck shell=bash

# Settings every test run relies on. "宋体" (SimSun, also behind "MS Shell
# Dlg") is replaced by a Song face whose 9-point metrics are SimSun's own
# (12 pixels high, 6 wide on average), so dialog units come out at the
# pixel sizes the layouts were made for.
qm_prefix_settings() {
    cat <<'REG'
Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Managed"="N"

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"宋体"="AR PL SungtiL GB"
"宋体_GB2312"="AR PL SungtiL GB"
"SimSun"="AR PL SungtiL GB"
"NSimSun"="AR PL SungtiL GB"

[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Control]
"ServicesPipeTimeout"="2000"
REG
}

qm_write_prefix_settings() {
    local reg=$QM_BUILD/prefix-settings.reg
    qm_prefix_settings | iconv -f UTF-8 -t UTF-16LE | { printf '\xff\xfe'; cat; } >"$reg"
    qm_wine regedit /S "$(winepath_of "$reg")"
}

winepath_of() {
    # Z: maps the Unix root in every prefix.
    printf 'Z:%s' "$(printf '%s' "$1" | tr '/' '\\')"
}

# Creates the prefix once; a half-made one is thrown away and made again.
qm_prepare_prefix() {
    qm_make_locale
    local stamp
    stamp=$(qm_prefix_settings | md5sum | cut -d' ' -f1)
    if [ -f "$WINEPREFIX/.qm-ready" ]; then
        # A prefix made with other settings takes the current ones.
        if [ "$(cat "$WINEPREFIX/.qm-ready")" != "$stamp" ]; then
            qm_write_prefix_settings
            qm_wineserver -w
            echo "$stamp" >"$WINEPREFIX/.qm-ready"
        fi
        return 0
    fi
    rm -rf "$WINEPREFIX"
    mkdir -p "$(dirname "$WINEPREFIX")"
    echo "Creating the Wine prefix in $WINEPREFIX"
    qm_wine wineboot -i >/dev/null 2>&1
    qm_wineserver -w
    qm_write_prefix_settings
    qm_wineserver -w
    echo "$stamp" >"$WINEPREFIX/.qm-ready"
}

# Keeps one server up for the whole run so that services live between
# processes; it inherits DISPLAY and the locale from here.
qm_start_server() {
    qm_wineserver -k 2>/dev/null || true
    qm_wineserver -w 2>/dev/null || true
    qm_wineserver -p
    # Boot services.exe now rather than inside the first test.
    qm_wine cmd /c exit 0 >/dev/null 2>&1 || true
}

qm_stop_server() {
    qm_wineserver -k 2>/dev/null || true
}

# Starts Xvfb on a free display and exports DISPLAY; QM_XVFB_PID is set.
qm_start_xvfb() {
    local size=${1:-1280x1024} n
    for n in $(seq 90 120); do
        [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
        Xvfb ":$n" -screen 0 "${size}x24" -nolisten tcp >/dev/null 2>&1 &
        QM_XVFB_PID=$!
        local tries=0
        while [ $tries -lt 100 ] && ! xdpyinfo -display ":$n" >/dev/null 2>&1; do
            tries=$((tries + 1))
            sleep 0.1
        done
        if xdpyinfo -display ":$n" >/dev/null 2>&1; then
            export DISPLAY=":$n"
            return 0
        fi
        kill "$QM_XVFB_PID" 2>/dev/null
    done
    echo "No Xvfb display could be started." >&2
    return 1
}

# Runs a Windows test program picked by a --gtest_filter and passes its exit
# status on; a filter that ran no test, or only skipped ones, fails instead
# of passing unseen.
qm_run_selected_tests() {
    local out rc
    out=$(mktemp)
    set +e
    "$@" 2>&1 | tee "$out"
    rc=${PIPESTATUS[0]}
    set -e
    if grep -aq 'Running 0 tests' "$out" || grep -aq '^\[  SKIPPED \]' "$out"; then
        echo "The filter picked no test that ran: $*" >&2
        rc=1
    fi
    rm -f "$out"
    return "$rc"
}

# The start type of every service the prefix had before the tests, as
# "name=0x.." lines: the tests register their own services and must leave
# the prefix's own as they found them.
qm_prefix_start_types() {
    qm_wine reg query 'HKLM\System\CurrentControlSet\Services' /s /v Start 2>/dev/null | tr -d '\r' |
        awk '/^HKEY_/ { n = split($0, p, "\\"); name = p[n] } /REG_DWORD/ { print name "=" $3 }' | sort
}

# Fails, naming them, when services listed before were changed or are gone.
qm_check_prefix_start_types() {
    local before=$1 after changed
    after=$(qm_prefix_start_types)
    changed=$(comm -23 <(echo "$before") <(echo "$after"))
    if [ -n "$changed" ]; then
        echo "Tests left the prefix's own services changed (start types before the tests):" >&2
        echo "$changed" >&2
        return 1
    fi
}
