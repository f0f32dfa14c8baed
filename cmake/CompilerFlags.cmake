# Flags for every target of every build. The scene must compute the same floats
# on Linux and on both Windows targets, so no fused multiply-add, no fast math,
# and SSE2 arithmetic instead of the x87 stack on 32-bit x86.
add_compile_options(-Wall -Wextra -Werror -ffp-contract=off -fno-fast-math)

# Emscripten's toolchain calls its processor x86 too; WebAssembly's float and
# double arithmetic is IEEE single and double precision already.
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(i[3-6]86|x86)$" AND NOT EMSCRIPTEN)
    add_compile_options(-msse2 -mfpmath=sse)
endif()

if(WIN32)
    # The .scr and the test programs carry their C and C++ runtimes, so they
    # import only the system's own DLLs.
    add_link_options(-static -static-libgcc -static-libstdc++)
endif()
