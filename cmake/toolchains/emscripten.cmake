# Build for web browsers with Debian's Emscripten: WebAssembly and JavaScript.
#
# Debian's emcc runs its JavaScript tools with a Node.js that does not look in
# Debian's module folder, where they find acorn; every compile and link runs
# through `env NODE_PATH=...`, so the build needs nothing from its caller's
# environment. Emscripten's cache (its C and C++ libraries) is Debian's
# prebuilt, read-only one.
set(CINDRAL_EMSCRIPTEN_ROOT /usr/share/emscripten CACHE PATH "Emscripten's folder")
include(${CINDRAL_EMSCRIPTEN_ROOT}/cmake/Modules/Platform/Emscripten.cmake)

set(CINDRAL_NODE_PATH /usr/share/nodejs CACHE PATH "Folder of the Node.js modules emcc needs")
foreach(step C_COMPILER CXX_COMPILER C_LINKER CXX_LINKER)
    set(CMAKE_${step}_LAUNCHER env NODE_PATH=${CINDRAL_NODE_PATH})
endforeach()
