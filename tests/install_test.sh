#!/usr/bin/env bash
# The demo as a user installs it: `cmake --install` into a temporary DESTDIR, or the Debian
# package unpacked into an arbitrary folder, then started from an unrelated folder.
# Usage: install_test.sh tree|package BUILD_DIR
set -euo pipefail

what="$1"
build="$(cd "$2" && pwd)"
work="$(mktemp -d)"
xvfb_pid=""
cleanup() {
    if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# An X server of our own, so no other test's window is ever found or typed into. It says its
# display number once it accepts clients.
start_display() {
    local number=""
    exec {display_fd}< <(exec Xvfb -displayfd 1 -screen 0 1280x1024x24 -nolisten tcp 2>"$work/xvfb.txt")
    xvfb_pid=$!
    read -r -t 30 number <&"$display_fd" || fail "Xvfb did not start: $(cat "$work/xvfb.txt")"
    export DISPLAY=":$number"
}

# Waits up to 90 s, while process $4 lives, until file $1 holds $2 lines that start with $3:
# the lines are read as they are written.
wait_for_lines() {
    local found
    found="$(grep -c -m "$2" "^$3" < <(timeout 90 tail -n +1 -f --pid="$4" "$1" 2>/dev/null))" || true
    [ "${found:-0}" -ge "$2" ]
}

# Starts `zorvex ask` through the PATH from an empty folder, answering the four questions
# (window, blur, light, frame rate); expects every model and texture of the installed pack
# loaded and the three runs playing, then quits with 'x' and expects status 0.
run_launcher() {
    local root="$1"
    local pack="$root/usr/share/games/zorvex"
    local here
    here="$(mktemp -d "$work/elsewhere.XXXX")"
    (cd "$here" && printf 'n\ny\ny\ny\n' | PATH="$root/usr/games:$PATH" zorvex ask >out.txt 2>err.txt) &
    local pid=$!
    wait_for_lines "$here/out.txt" 3 "PLAYBACK (" "$pid" || fail "the three runs did not start: $(cat "$here/out.txt" "$here/err.txt")"
    [ "$(grep -o 'Question?' "$here/err.txt" | wc -l)" -eq 4 ] || fail "not four questions: $(cat "$here/err.txt")"
    for model in "$pack"/models/*.ascii; do
        grep -qxF "loading models\\$(basename "$model")" "$here/out.txt" || fail "$model was not loaded"
    done
    for texture in "$pack"/tex/*.bmp; do
        # The sky and the smoke are loaded without a line of their own.
        case "$(basename "$texture")" in clouds.bmp | smoke.bmp) continue ;; esac
        grep -F "tex\\$(basename "$texture")" "$here/out.txt" | grep -q "^texture loaded" || fail "$texture was not loaded"
    done
    local window
    window="$(timeout 30 xdotool search --sync --onlyvisible --name '^ZORVEX 2005$' | head -n 1)"
    [ -n "$window" ] || fail "no window titled ZORVEX 2005"
    xdotool windowfocus --sync "$window" key x
    local status=0
    wait "$pid" || status=$?
    [ "$status" -eq 0 ] || fail "the demo ended with status $status after 'x'"
    echo "launcher in $root: $(grep -c '^texture loaded' "$here/out.txt") textures, runs playing, quit with 0"
}

# The launcher by the full path the menu entry gives, with an empty PATH (a session's PATH
# need not hold the games folder, nor any helper): a pack given with --data from an unrelated
# folder reaches playback, and a missing one is one line and status 1.
run_menu_entry_with_data() {
    local root="$1"
    local exec_line launcher here
    exec_line="$(grep '^Exec=' "$root/usr/share/applications/zorvex.desktop")"
    [ "$exec_line" = "Exec=/usr/games/zorvex" ] || fail "the menu entry does not name the launcher by its full path: $exec_line"
    launcher="$root${exec_line#Exec=}"
    here="$(mktemp -d "$work/data.XXXX")"
    local status=0
    (cd "$here" && env PATH= "$launcher" --data "$here/none" >out.txt 2>err.txt) || status=$?
    [ "$status" -eq 1 ] || fail "--data with a missing folder ended with status $status"
    grep -qxF "zorvex: $here/none: cannot play a pack from it: No such file or directory" "$here/err.txt" ||
        fail "--data with a missing folder said: $(cat "$here/err.txt")"
    (cd "$here" && env PATH= "$launcher" --data "$build/content" >out.txt 2>err.txt) &
    local pid=$!
    wait_for_lines "$here/out.txt" 3 "PLAYBACK (" "$pid" || fail "--data did not reach playback: $(cat "$here/out.txt" "$here/err.txt")"
    local window
    window="$(timeout 30 xdotool search --sync --onlyvisible --name '^ZORVEX 2005$' | head -n 1)"
    [ -n "$window" ] || fail "no window titled ZORVEX 2005"
    xdotool windowfocus --sync "$window" key x
    status=0
    wait "$pid" || status=$?
    [ "$status" -eq 0 ] || fail "the demo started with --data ended with status $status after 'x'"
    echo "menu entry's launcher with an empty PATH: --data reaches playback, a missing pack is refused"
}

# The capture finds the installed pack by itself; both tools write where they are started.
run_tools() {
    local root="$1"
    local here
    here="$(mktemp -d "$work/tools.XXXX")"
    (cd "$here" && "$root/usr/games/zorvex-capture" --frames 3 --size 64x64 --no-video --out clip >capture.txt 2>&1) ||
        fail "zorvex-capture: $(cat "$here/capture.txt")"
    [ -f "$here/clip/frame_00003.png" ] || fail "zorvex-capture wrote no frames into the working directory"
    grep -qF 'PLAYBACK (rec\record1.rec)' "$here/clip/transcript.txt" || fail "the capture did not play the installed runs"
    local pack="$root/usr/share/games/zorvex"
    (cd "$here" && "$root/usr/games/zorvex-runs" plot --track "$pack/models/track.ascii" --out map.png \
        "$pack/rec/record1.rec" >plot.txt 2>&1) ||
        fail "zorvex-runs plot: $(cat "$here/plot.txt")"
    [ -s "$here/map.png" ] || fail "zorvex-runs plot wrote no map into the working directory"
    "$root/usr/games/zorvex-pack" check "$pack" >"$here/check.txt" 2>&1 ||
        fail "zorvex-pack check of the installed pack: $(cat "$here/check.txt")"
    grep -qxF "$pack: 0 errors, 0 warnings" "$here/check.txt" || fail "the installed pack is not clean: $(cat "$here/check.txt")"
    echo "tools: capture, plot and check of the installed pack"
}

check_manual_pages() {
    local pages=("$1"/usr/share/man/man6/*.6.gz)
    [ "${#pages[@]}" -eq 5 ] || fail "expected 5 manual pages, found ${pages[*]}"
    for page in "${pages[@]}"; do
        local warnings
        warnings="$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)"
        [ -z "$warnings" ] || fail "$page: $warnings"
    done
    echo "manual pages without warnings: ${pages[*]##*/}"
}

check_desktop_entry() {
    desktop-file-validate "$1/usr/share/applications/zorvex.desktop" || fail "the desktop entry is not valid"
    file "$1/usr/share/icons/hicolor/256x256/apps/zorvex.png" | grep -q "PNG image data, 256 x 256" ||
        fail "the icon is not a 256 x 256 PNG"
}

test_tree() {
    local root="$work/root"
    DESTDIR="$root" cmake --install "$build" --prefix /usr >"$work/install.txt" || fail "$(cat "$work/install.txt")"
    check_manual_pages "$root"
    check_desktop_entry "$root"
    start_display
    run_tools "$root"
    run_launcher "$root"
    run_menu_entry_with_data "$root"
}

test_package() {
    cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/package" >"$work/cpack.txt" 2>&1 || fail "$(cat "$work/cpack.txt")"
    local debs=("$work"/package/zorvex_*_amd64.deb)
    [ -f "${debs[0]}" ] || fail "no zorvex_<version>_amd64.deb: $(ls "$work/package")"
    local deb="${debs[0]}"
    dpkg-deb -c "$deb" | awk '{ print $6 }' >"$work/contents.txt"
    for file in ./usr/games/zorvex ./usr/games/zorvex-capture ./usr/games/zorvex-timedemo ./usr/games/zorvex-runs \
        ./usr/libexec/zorvex/zorvex ./usr/share/games/zorvex/models/track.ascii ./usr/share/games/zorvex/audio/music.mp3 \
        ./usr/share/applications/zorvex.desktop ./usr/share/icons/hicolor/256x256/apps/zorvex.png \
        ./usr/share/man/man6/zorvex.6.gz ./usr/share/man/man6/zorvex-capture.6.gz \
        ./usr/share/man/man6/zorvex-timedemo.6.gz ./usr/share/man/man6/zorvex-runs.6.gz \
        ./usr/games/zorvex-pack ./usr/share/man/man6/zorvex-pack.6.gz; do
        grep -qxF "$file" "$work/contents.txt" || fail "$deb lacks $file"
    done
    [ "$(dpkg-deb -f "$deb" Section)" = games ] || fail "section is not games"
    dpkg-deb -f "$deb" Depends | grep -q "libglut" || fail "Depends lacks GLUT: $(dpkg-deb -f "$deb" Depends)"
    echo "$(basename "$deb"): Depends: $(dpkg-deb -f "$deb" Depends)"
    if command -v lintian >/dev/null; then
        lintian --fail-on error "$deb" || fail "lintian reports errors"
    else
        echo "lintian is not installed: not run"
    fi
    # Unpacked anywhere, it still finds its pack and its demo.
    local root="$work/any/folder"
    mkdir -p "$root"
    dpkg-deb -x "$deb" "$root"
    grep -qxF "Exec=/usr/games/zorvex" "$root/usr/share/applications/zorvex.desktop" ||
        fail "the package's menu entry does not name /usr/games/zorvex"
    start_display
    run_launcher "$root"
}

case "$what" in
    tree) test_tree ;;
    package) test_package ;;
    *) fail "unknown case $what" ;;
esac
