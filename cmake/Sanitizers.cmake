# The native build under AddressSanitizer and UndefinedBehaviorSanitizer:
# configure with -DCINDRAL_SANITIZE=ON (with clang it also builds the fuzzers).
option(CINDRAL_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
if(CINDRAL_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
    # Coverage for the fuzzers' guidance in all code, not only in theirs.
    if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
        add_compile_options(-fsanitize=fuzzer-no-link)
    endif()
    # Every program of this build keeps run-time loaded libraries until exit.
    # Its object goes into each program itself, so that an installed copy of
    # a program (the tests stage one) needs no library beside it.
    add_library(cindral_keep_libraries_loaded OBJECT ${PROJECT_SOURCE_DIR}/cmake/keep_libraries_loaded.c)
    link_libraries(cindral_keep_libraries_loaded)
endif()
