# The scene built for 32-bit Linux with the 32-bit Windows saver's processor
# and arithmetic flags (CMAKE_SYSTEM_PROCESSOR i686 picks them), run by qemu's
# user-mode emulator as a Pentium II: a processor of the saver's oldest kind,
# without SSE, on any kernel, including those that run no 32-bit programs.
# Linked statically, so that it needs no 32-bit loader or libraries at run
# time.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
set(CMAKE_C_FLAGS_INIT -m32)
set(CMAKE_CXX_FLAGS_INIT -m32)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-m32 -static")
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-i386 -cpu pentium2)
