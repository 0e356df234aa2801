#!/usr/bin/env bash
# The package as its users meet it: installed into a temporary prefix, a client built against
# that copy, the installed renderer, the project included by another with add_subdirectory.
#   package_test.sh install | find_package | pkg-config | render | subproject
# Settings come from the environment that tests/package/CMakeLists.txt sets.
set -euo pipefail
mode=$1
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
prefix=$SPEECHSCORE_PREFIX
work=$SPEECHSCORE_WORK

fail() {
    echo "package test ($mode): $*" >&2
    exit 1
}

rm -rf "$work"
mkdir -p "$work"

run_client() {
    "$1" > "$work/client.sco" || fail "the client exited with status $?"
    cmp "$work/client.sco" "$GOLDEN" || fail "the client's score differs from $GOLDEN"
}

case $mode in
    install)
        rm -rf "$prefix"
        cmake --install "$SPEECHSCORE_BUILD" --prefix "$prefix" > "$work/install.log" ||
            { cat "$work/install.log" >&2; fail "cmake --install failed"; }
        libdir=$(dirname "$(find "$prefix" -name speechscore.pc)")/..
        headers=$(cd "$SPEECHSCORE_SOURCE" && ls include/*.h)
        for file in $headers share/speechscore/speechscore.orc bin/speechscore-render; do
            [ -f "$prefix/$file" ] || fail "$file is not installed"
        done
        [ -x "$prefix/bin/speechscore-render" ] || fail "speechscore-render is not executable"
        # The package files and the library are checked in use (find_package, pkg-config).
        if [ -n "$SPEECHSCORE_SONAME" ]; then
            [ -L "$libdir/libspeechscore.so" ] || fail "no link libspeechscore.so"
            soname=$(readelf -d "$libdir/libspeechscore.so" | sed -nE 's/.*SONAME.*\[(.*)\]/\1/p')
            [ "$soname" = "$SPEECHSCORE_SONAME" ] || fail "SONAME is '$soname', not $SPEECHSCORE_SONAME"
        fi
        ;;
    find_package)
        cmake -S "$here/client" -B "$work/build" -DCMAKE_PREFIX_PATH="$prefix" \
            -DCMAKE_CXX_COMPILER="$CXX" -DCMAKE_CXX_FLAGS="$CLIENT_FLAGS" \
            -DSPEECHSCORE_PREFIX="$prefix" -DSPEECHSCORE_VERSION="$SPEECHSCORE_VERSION" \
            > "$work/configure.log" 2>&1 || { cat "$work/configure.log" >&2; fail "configure failed"; }
        cmake --build "$work/build" > "$work/build.log" 2>&1 ||
            { cat "$work/build.log" >&2; fail "build failed"; }
        run_client "$work/build/client"
        ;;
    pkg-config)
        pc=$(find "$prefix" -name speechscore.pc)
        PKG_CONFIG_PATH=$(dirname "$pc")
        export PKG_CONFIG_PATH
        version=$(pkg-config --modversion speechscore)
        [ "$version" = "$SPEECHSCORE_VERSION" ] || fail "version $version, not $SPEECHSCORE_VERSION"
        for variable in orchestra renderer; do
            file=$(pkg-config --variable=$variable speechscore)
            [[ $file == "$prefix"/* && -f $file ]] || fail "$variable is not installed: $file"
        done
        libdir=$(pkg-config --variable=libdir speechscore)
        # shellcheck disable=SC2086,SC2046
        "$CXX" -std=c++17 $CLIENT_FLAGS "$here/client/client.cpp" \
            $(pkg-config --cflags --libs speechscore) -Wl,-rpath,"$libdir" -o "$work/client" ||
            fail "build failed"
        run_client "$work/client"
        ;;
    render)
        # Renders the client's score with the installed renderer, called through a link as a
        # user's bin directory might hold it; a copy of the renderer without the orchestra
        # beside it says where it looked.
        ln -s "$prefix/bin/speechscore-render" "$work/render-link"
        "$work/render-link" "$GOLDEN" "$work/client.wav" || fail "the render failed"
        [ -s "$work/client.wav" ] || fail "no WAV was written"
        mkdir -p "$work/elsewhere/bin"
        cp "$prefix/bin/speechscore-render" "$work/elsewhere/bin/"
        status=0
        "$work/elsewhere/bin/speechscore-render" "$GOLDEN" "$work/x.wav" 2> "$work/err" || status=$?
        expected="speechscore-render: orchestra not found: $work/elsewhere/bin/../share/speechscore/speechscore.orc"
        if [ $status -ne 3 ] || [ "$(cat "$work/err")" != "$expected" ]; then
            fail "status $status, message: $(cat "$work/err")"
        fi
        ;;
    subproject)
        for variant in default examples tests install; do
            options=()
            [ $variant = default ] || options=("-DSPEECHSCORE_${variant^^}=ON")
            cmake -S "$here/subproject" -B "$work/$variant" -DCMAKE_CXX_COMPILER="$CXX" \
                -DSPEECHSCORE_SOURCE_DIR="$SPEECHSCORE_SOURCE" -DVARIANT=$variant "${options[@]}" \
                > "$work/$variant.log" 2>&1 || { cat "$work/$variant.log" >&2; fail "$variant failed"; }
        done
        ;;
    *)
        fail "unknown mode"
        ;;
esac
rm -rf "$work"
