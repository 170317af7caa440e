#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks of the installed game, each one ctest case:
#
#   check_install.sh install      stage an install under a DESTDIR; exact tree and modes
#   check_install.sh entry        the menu entry passes desktop-file-validate and names what was installed
#   check_install.sh metainfo     the metainfo passes appstreamcli validate
#   check_install.sh first-run    the launcher makes the data folder, starts the game there, nothing else in HOME
#   check_install.sh again        a second start keeps the player's own wave and settings
#   check_install.sh race         two first starts at once both come up
#   check_install.sh space        an install under a prefix with a space starts from its menu entry
#   check_install.sh make-prefix  make install passes a prefix with a space to CMake as one word
#   check_install.sh read-only    a complete data folder that may not be written is played in
#   check_install.sh no-home      without HOME the game says so and makes nothing
#   check_install.sh command-line --help, --version and a refused --seats, without a display
#   check_install.sh package      the Debian packages share out the installed files; one version
#   check_install.sh uninstall    the uninstall removes every installed file
#
# Set by CMake: CMAKE, BUILD_DIR, SOURCE_DIR, STAGE (the DESTDIR), PREFIX,
# LAUNCHER_DIR (below the prefix), APP_ID, WAVES (the five names), VERSION.
set -eu

root="$STAGE$PREFIX"
launcher="$root/$LAUNCHER_DIR/quintora"
wave_dir="$root/share/games/quintora"
sizes="16 24 32 48 64 128 256"

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

mode_of() { stat -c %a "$1"; }

# Width and height of a PNG, from its header.
png_size() {
    od -An -tu1 -j16 -N8 "$1" | awk '{ printf "%dx%d\n", $3 * 256 + $4, $7 * 256 + $8 }'
}

expected_tree() {
    echo "$LAUNCHER_DIR/quintora 755"
    echo "lib/games/quintora/quintora 755"
    echo "lib/games/quintora/libQuintora.so 644"
    for w in $WAVES; do echo "share/games/quintora/$w 644"; done
    echo "share/applications/$APP_ID.desktop 644"
    echo "share/metainfo/$APP_ID.metainfo.xml 644"
    for s in $sizes; do echo "share/icons/hicolor/${s}x$s/apps/$APP_ID.png 644"; done
    echo "share/icons/hicolor/scalable/apps/$APP_ID.svg 644"
    echo "share/man/man6/quintora.6.gz 644"
}

check_install() {
    rm -rf "$STAGE"
    DESTDIR="$STAGE" "$CMAKE" --install "$BUILD_DIR" >/dev/null
    [ -d "$root" ] || fail "nothing installed under $root"

    actual=$(cd "$root" && find . ! -type d -printf '%P %m\n' | LC_ALL=C sort)
    expected=$(expected_tree | LC_ALL=C sort)
    if [ "$actual" != "$expected" ]; then
        echo "installed:" >&2
        echo "$actual" >&2
        echo "expected:" >&2
        echo "$expected" >&2
        fail "the installed files or their modes differ"
    fi
    odd_dirs=$(cd "$root" && find . -type d ! -perm 755 -printf '%P %m\n')
    [ -z "$odd_dirs" ] || fail "folders without mode 755: $odd_dirs"

    for s in $sizes; do
        got=$(png_size "$root/share/icons/hicolor/${s}x$s/apps/$APP_ID.png")
        [ "$got" = "${s}x$s" ] || fail "the ${s}x$s icon is $got"
    done
    head -c 4 "$root/lib/games/quintora/quintora" | grep -q ELF || fail "the program is not an ELF executable"
    head -n 1 "$launcher" | grep -q '^#!/bin/sh' || fail "the launcher is not a shell script"
    gzip -t "$root/share/man/man6/quintora.6.gz" || fail "the manual page is not gzip"
}

check_entry() {
    entry="$root/share/applications/$APP_ID.desktop"
    desktop-file-validate "$entry" || fail "desktop-file-validate rejects $entry"
    # Exec is a command line, quoted so that a prefix with a space stays one
    # word; TryExec is a plain path, taken as written.
    grep -qx "Exec=\"$PREFIX/$LAUNCHER_DIR/quintora\"" "$entry" || fail "Exec does not name the installed launcher, quoted"
    grep -qx "TryExec=$PREFIX/$LAUNCHER_DIR/quintora" "$entry" || fail "TryExec does not name the installed launcher"
    grep -qx "Icon=$APP_ID" "$entry" || fail "Icon is not the installed icon's name"
    grep -qx 'Categories=Game;BoardGame;' "$entry" || fail "not in the board games"
    grep -qx 'Terminal=false' "$entry" || fail "asks for a terminal"
    grep -q '^Name\[ja\]=' "$entry" && grep -q '^Comment\[ja\]=' "$entry" || fail "no Japanese name or comment"
}

check_metainfo() {
    info="$root/share/metainfo/$APP_ID.metainfo.xml"
    appstreamcli validate --no-net "$info" || fail "appstreamcli rejects $info"
    grep -q "<id>$APP_ID</id>" "$info" || fail "the component id is not $APP_ID"
    grep -q "<launchable type=\"desktop-id\">$APP_ID.desktop</launchable>" "$info" ||
        fail "the metainfo does not launch the installed menu entry"
    grep -q '<release version="1.0"' "$info" || fail "no release 1.0"
    grep -q 'xml:lang="ja"' "$info" || fail "no Japanese text"
}

# Runs the launcher in a clean environment, the desktop's variables only, and
# waits until the game has written its settings file and played some of its
# music (the disk audio driver writes what would be heard into a file). Then
# the game is ended. $1: the data folder to expect; the rest: extra variables.
run_launcher() {
    folder=$1
    shift
    audio="$work/audio.raw"
    rm -f "$audio"
    # shellcheck disable=SC2086
    ${wrap:-} env -i PATH="$PATH" LANG=C.UTF-8 HOME="$work/home" QT_QPA_PLATFORM=offscreen \
        SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$audio" "$@" "$launcher" >"$work/out.txt" 2>&1 &
    pid=$!
    tries=0
    until [ -f "$folder/Quintora.ini" ] && [ -s "$audio" ] && [ "$(tr -d '\000' <"$audio" | head -c 1 | wc -c)" = 1 ]; do
        if ! kill -0 "$pid" 2>/dev/null; then
            cat "$work/out.txt" >&2
            fail "the game ended by itself"
        fi
        tries=$((tries + 1))
        [ "$tries" -lt 600 ] || { kill "$pid"; cat "$work/out.txt" >&2; fail "no settings file or no sound within 60 s"; }
        sleep 0.1
    done
    game_dir=$(readlink "/proc/$pid/cwd")
    game_exe=$(readlink "/proc/$pid/exe")
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    [ "$game_dir" = "$folder" ] || fail "the game ran in $game_dir instead of $folder"
    [ "$game_exe" = "$root/lib/games/quintora/quintora" ] || fail "the launcher started $game_exe"
}

# Two launchers at once, on a first start, five times: both games come up in
# the folder (the second one's links are made by the first meanwhile).
check_race() {
    for trial in 1 2 3 4 5; do
        rm -rf "$work/home" && mkdir "$work/home"
        folder="$work/home/.local/share/quintora"
        pids=
        for copy in 1 2; do
            env -i PATH="$PATH" LANG=C.UTF-8 HOME="$work/home" QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy \
                "$launcher" >"$work/out$copy.txt" 2>&1 &
            pids="$pids $!"
        done
        for pid in $pids; do
            tries=0
            until [ -f "$folder/Quintora.ini" ] && [ "$(readlink "/proc/$pid/cwd")" = "$folder" ]; do
                kill -0 "$pid" 2>/dev/null || { cat "$work"/out*.txt >&2; fail "trial $trial: a game ended by itself"; }
                tries=$((tries + 1))
                [ "$tries" -lt 600 ] || { kill $pids; fail "trial $trial: a game did not come up within 60 s"; }
                sleep 0.1
            done
        done
        kill $pids
        wait $pids 2>/dev/null || true
        check_links "$folder"
    done
}

# The same install under a prefix with a space in it, started by the menu
# entry's Exec line as a desktop reads it.
check_space() {
    root="$work/with space"
    # The install's manifest is the staged install's, for the uninstall check.
    cp "$BUILD_DIR/install_manifest.txt" "$work/manifest"
    "$CMAKE" --install "$BUILD_DIR" --prefix "$root" >/dev/null
    cp "$work/manifest" "$BUILD_DIR/install_manifest.txt"
    wave_dir="$root/share/games/quintora"
    entry="$root/share/applications/$APP_ID.desktop"
    desktop-file-validate "$entry" || fail "desktop-file-validate rejects $entry"
    exec_line=$(sed -n 's/^Exec=//p' "$entry")
    eval "set -- $exec_line"
    [ $# = 1 ] && [ "$1" = "$root/$LAUNCHER_DIR/quintora" ] || fail "the Exec line $exec_line is not the launcher as one word"
    launcher=$1
    mkdir "$work/home"
    run_launcher "$work/home/.local/share/quintora"
    check_links "$work/home/.local/share/quintora"
}

# `make install PREFIX=...` with a space in the prefix: CMake is given it as
# one word. A stand-in for cmake on the PATH writes down its arguments, one
# a line, instead of building, so nothing is built or installed here.
check_make_prefix() {
    mkdir "$work/bin"
    printf '#!/bin/sh\nprintf "%%s\\n" "$@" >>"%s"\n' "$work/arguments" >"$work/bin/cmake"
    chmod +x "$work/bin/cmake"
    env -u MAKEFLAGS -u MAKELEVEL PATH="$work/bin:$PATH" make -s -C "$SOURCE_DIR" install PREFIX="$work/pre fix" BUILD_RELEASE="$work/release" \
        >"$work/out.txt" 2>&1 || { cat "$work/out.txt" >&2; fail "make install failed"; }
    grep -qx -- "-DCMAKE_INSTALL_PREFIX=$work/pre fix" "$work/arguments" ||
        { cat "$work/arguments" >&2; fail "cmake was not given the prefix as one word"; }
}

# The data folder, complete after a first start, then read-only: the game
# plays in it (and says, as ever, that its options will not be kept when
# they change). Permissions do not bind root: it is given a read-only mount
# of the folder instead, in a mount namespace of its own.
check_read_only() {
    mkdir "$work/home"
    folder="$work/home/.local/share/quintora"
    run_launcher "$folder"
    before=$(ls -l --time-style=+%s "$folder")
    if [ "$(id -u)" = 0 ]; then
        # In a chroot the root is no mount point and no mount namespace of
        # our own can be made private: the check cannot be made there.
        if ! unshare -m true 2>/dev/null; then
            echo "SKIP: no private mount namespace here, and permissions do not bind root"
            exit 77
        fi
        printf '#!/bin/sh\nmount --bind "%s" "%s" && mount -o remount,bind,ro "%s" && exec "$@"\n' \
            "$folder" "$folder" "$folder" >"$work/read-only.sh"
        chmod +x "$work/read-only.sh"
        wrap="unshare -m $work/read-only.sh"
    else
        chmod 555 "$folder"
        wrap=
    fi
    run_launcher "$folder"
    chmod 755 "$folder"
    [ "$(ls -l --time-style=+%s "$folder")" = "$before" ] || fail "the read-only folder changed"
}

# Without HOME there is no place for the folder: the game says so (on
# stderr as in its box) and makes nothing; it waits for the box's OK.
check_no_home() {
    mkdir "$work/here"
    (cd "$work/here" && exec env -i PATH="$PATH" LANG=C.UTF-8 QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy \
        "$launcher" >"$work/out.txt" 2>&1) &
    pid=$!
    tries=0
    until grep -q '^Quintora: HOME が設定されていない' "$work/out.txt"; do
        kill -0 "$pid" 2>/dev/null || { cat "$work/out.txt" >&2; fail "the game ended without saying why"; }
        tries=$((tries + 1))
        [ "$tries" -lt 600 ] || { kill "$pid"; cat "$work/out.txt" >&2; fail "nothing said within 60 s"; }
        sleep 0.1
    done
    sleep 1
    kill -0 "$pid" 2>/dev/null || fail "the game ended before its box was answered"
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    [ -z "$(ls -A "$work/here")" ] || fail "made in the current folder: $(ls -A "$work/here")"
}

# What the launcher answers at once, with no display to reach and nothing
# made in HOME: its usage, its version, and --seats without a room refused
# with a word and status 2.
check_command_line() {
    mkdir "$work/home"
    run() { env -i PATH="$PATH" LANG=C.UTF-8 HOME="$work/home" "$launcher" "$@" >"$work/out.txt" 2>"$work/err.txt"; }
    run --help || fail "--help ended with status $?"
    grep -q '^Usage: quintora ' "$work/out.txt" || fail "--help printed: $(cat "$work/out.txt")"
    grep -q -- '--join ADDRESS' "$work/out.txt" || fail "--help says nothing of --join"
    run --version || fail "--version ended with status $?"
    [ "$(cat "$work/out.txt")" = "quintora $VERSION" ] || fail "--version printed: $(cat "$work/out.txt")"
    status=0
    run --seats 黒 || status=$?
    [ "$status" = 2 ] || fail "--seats without --join ended with status $status, not 2"
    grep -q -- '--join' "$work/err.txt" || fail "--seats without --join said: $(cat "$work/err.txt")"
    [ -z "$(home_contents)" ] || fail "HOME holds: $(home_contents)"
}

check_links() {
    for w in $WAVES; do
        [ -L "$1/$w" ] || fail "$w in $1 is not a link"
        [ "$(readlink "$1/$w")" = "$wave_dir/$w" ] || fail "$w links to $(readlink "$1/$w")"
    done
}

home_contents() { (cd "$work/home" && find . -mindepth 1 -printf '%P\n' | LC_ALL=C sort); }

check_first_run() {
    # Default place: ~/.local/share/quintora, and nothing else in HOME.
    mkdir "$work/home"
    folder="$work/home/.local/share/quintora"
    run_launcher "$folder"
    check_links "$folder"
    expected=$( (printf '.local\n.local/share\n.local/share/quintora\n.local/share/quintora/Quintora.ini\n'
        for w in $WAVES; do echo ".local/share/quintora/$w"; done) | LC_ALL=C sort)
    [ "$(home_contents)" = "$expected" ] || fail "HOME holds: $(home_contents)"

    # XDG_DATA_HOME elsewhere: the folder goes there and HOME stays empty.
    rm -rf "$work/home" && mkdir "$work/home"
    run_launcher "$work/xdg/quintora" XDG_DATA_HOME="$work/xdg"
    check_links "$work/xdg/quintora"
    [ -z "$(home_contents)" ] || fail "HOME holds: $(home_contents)"
}

check_again() {
    mkdir "$work/home"
    folder="$work/home/.local/share/quintora"
    run_launcher "$folder"
    # The player's own music in place of the link, changed settings, and a
    # link left dangling by an install that has gone.
    rm "$folder/BGM.wav"
    cp "$wave_dir/終局.wav" "$folder/BGM.wav"
    printf 'BGM=OK\r\n' >"$folder/Quintora.ini"
    rm "$folder/禁止.wav"
    ln -s "$work/gone/禁止.wav" "$folder/禁止.wav"

    run_launcher "$folder"
    [ -f "$folder/BGM.wav" ] && [ ! -L "$folder/BGM.wav" ] || fail "the player's BGM.wav was replaced"
    cmp -s "$folder/BGM.wav" "$wave_dir/終局.wav" || fail "the player's BGM.wav was changed"
    [ "$(cat "$folder/Quintora.ini")" = "$(printf 'BGM=OK\r')" ] || fail "the settings file was rewritten"
    [ "$(readlink "$folder/禁止.wav")" = "$wave_dir/禁止.wav" ] || fail "the dangling link was not mended"
}

# The packages of debian/ take the installed files by the lines of their
# .install files (paths below /usr; a line ending in / takes a folder).
# Every file must go into exactly one package, and the sounds into the one
# that is the same on every architecture, or the package build stops.
packages_taking() {
    for package in quintora quintora-data; do
        while read -r line; do
            path=${line#usr/}
            [ "$path" = games/quintora ] && path="$LAUNCHER_DIR/quintora"
            case "$path" in
                */) case "$1" in "$path"*) echo "$package" ;; esac ;;
                *) [ "$1" = "$path" ] && echo "$package" ;;
            esac
        done <"$SOURCE_DIR/debian/$package.install"
    done
}

check_package() {
    files=$(cd "$root" && find . ! -type d -printf '%P\n' | LC_ALL=C sort)
    [ -n "$files" ] || fail "nothing installed under $root"
    for file in $files; do
        taken=$(packages_taking "$file" | tr '\n' ' ')
        case "$file" in
            share/games/quintora/*) want="quintora-data " ;;
            *) want="quintora " ;;
        esac
        [ "$taken" = "$want" ] || fail "$file goes into [${taken% }], not [${want% }]"
    done

    # One version everywhere a release names it.
    changelog=$(sed -n '1s/^quintora (\([^)]*\)).*/\1/p' "$SOURCE_DIR/debian/changelog")
    [ "$changelog" = "$VERSION" ] || fail "debian/changelog says ${changelog:-nothing}, the build $VERSION"
    newest=$(grep -m1 -o '<release version="[^"]*"' "$root/share/metainfo/$APP_ID.metainfo.xml")
    [ "$newest" = "<release version=\"$VERSION\"" ] || fail "the metainfo's newest release is $newest"
    gzip -dc "$root/share/man/man6/quintora.6.gz" | grep -q "^\.TH QUINTORA 6 [^ ]* \"Quintora $VERSION\"" ||
        fail "the manual page is not of Quintora $VERSION"
}

check_uninstall() {
    [ -f "$BUILD_DIR/install_manifest.txt" ] || fail "no install manifest"
    DESTDIR="$STAGE" "$CMAKE" -DMANIFEST="$BUILD_DIR/install_manifest.txt" -P "$SOURCE_DIR/desktop/uninstall.cmake" >/dev/null
    left=$(find "$STAGE" ! -type d)
    [ -z "$left" ] || fail "left behind: $left"
    own=$(find "$STAGE" -type d -name quintora)
    [ -z "$own" ] || fail "folders left behind: $own"
    rm -rf "$STAGE"
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

case "${1:-}" in
    install) check_install ;;
    entry) check_entry ;;
    metainfo) check_metainfo ;;
    first-run) check_first_run ;;
    again) check_again ;;
    race) check_race ;;
    space) check_space ;;
    make-prefix) check_make_prefix ;;
    read-only) check_read_only ;;
    no-home) check_no_home ;;
    command-line) check_command_line ;;
    package) check_package ;;
    uninstall) check_uninstall ;;
    *) fail "unknown check ${1:-}" ;;
esac
echo "ok: $1"
