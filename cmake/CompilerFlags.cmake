# Flags for every target of every build. The scene must compute the same floats
# on Linux, in the browser and on both Windows targets, so no fused
# multiply-add and no fast math.
add_compile_options(-Wall -Wextra -Werror -ffp-contract=off -fno-fast-math)

# 32-bit x86 is the saver for every Windows from 95 on, and so for P6-class
# processors (Pentium Pro and II, Celeron, Athlon), which have no SSE2: x87
# arithmetic, with no SSE instruction at all. Every store to a variable is
# rounded to its type (-ffloat-store), and the scene holds the x87 unit at
# double precision while it computes (double_precision.h), which together give
# the same floats as SSE2 does elsewhere. Emscripten's toolchain calls its
# processor x86 too; WebAssembly's float and double arithmetic is IEEE single
# and double precision already. 64-bit x86 keeps SSE2, its baseline.
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(i[3-6]86|x86)$" AND NOT EMSCRIPTEN)
    add_compile_options(-march=i686 -mno-sse -mfpmath=387 -ffloat-store)
endif()

if(WIN32)
    # The .scr and the test programs carry their C and C++ runtimes, so they
    # import only the system's own DLLs.
    add_link_options(-static -static-libgcc -static-libstdc++)
endif()
