# Sourced by the scripts that build: every build of the tree, each in
# build/NAME, and how it is configured, in one place.
#
#   source tools/builds.sh
#   cindral_build NAME [TARGET...]   configure build/NAME and build what is
#                                    stale (all of it, or the targets)
cindral_build_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# The CMake arguments of build/NAME, into the array cindral_build_args.
cindral_build_arguments() { # name
    local toolchains="$cindral_build_root/cmake/toolchains"
    cindral_build_args=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
    case "$1" in
    native) ;; # the scene, the tools and the Linux host, with Mesa
    native-asan)
        # The native tree again, compiled by clang under AddressSanitizer and
        # UndefinedBehaviorSanitizer, with the command-line fuzzers.
        cindral_build_args+=(-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCINDRAL_SANITIZE=ON) ;;
    web)
        # The page in dist/web/; its tests compare it with the native build's
        # renderer.
        cindral_build_args+=(-DCMAKE_TOOLCHAIN_FILE="$toolchains/emscripten.cmake"
            -DCINDRAL_NATIVE_RENDER="$cindral_build_root/build/native/host_headless/cindral-render") ;;
    win-i686)
        # The 32-bit saver, the one shipped, gets the runtime without the
        # POSIX thread layer so that it does not need Vista's kernel functions.
        cindral_build_args+=(-DCMAKE_TOOLCHAIN_FILE="$toolchains/i686-w64-mingw32.cmake"
            -DCINDRAL_MINGW_THREADS=win32) ;;
    win-i686-tests)
        # The host's GoogleTest programs need the posix thread model, so they
        # get a 32-bit build of their own, whose saver is not the one shipped.
        cindral_build_args+=(-DCMAKE_TOOLCHAIN_FILE="$toolchains/i686-w64-mingw32.cmake"
            -DCINDRAL_SAVER_TESTS=OFF) ;;
    win-x86_64)
        cindral_build_args+=(-DCMAKE_TOOLCHAIN_FILE="$toolchains/x86_64-w64-mingw32.cmake") ;;
    *)
        echo "builds: no build named '$1' (native, native-asan, web, win-i686, win-i686-tests, win-x86_64)" >&2
        return 2 ;;
    esac
}

cindral_build() { # name [target...]
    local name=$1
    shift
    cindral_build_arguments "$name" || return
    local dir="$cindral_build_root/build/$name"
    cmake -S "$cindral_build_root" -B "$dir" "${cindral_build_args[@]}" >/dev/null
    if [ $# -gt 0 ]; then
        cmake --build "$dir" -j"$(nproc)" --target "$@"
    else
        cmake --build "$dir" -j"$(nproc)"
    fi
}
