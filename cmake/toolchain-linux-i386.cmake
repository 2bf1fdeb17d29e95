# 32-bit x86 Linux build of the portable code and its tests (gcc -m32, from
# Debian's gcc-multilib and g++-multilib). The programs we ship to Windows are
# 32-bit; this build runs their portable core, with its 32-bit size_t and
# file offsets, on any x86-64 machine. Tests start through scripts/i386-run:
# natively where the kernel runs 32-bit programs, under qemu-i386 elsewhere.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
set(CMAKE_C_FLAGS_INIT -m32)
set(CMAKE_CXX_FLAGS_INIT -m32)
set(CMAKE_EXE_LINKER_FLAGS_INIT -m32)
set(CMAKE_SHARED_LINKER_FLAGS_INIT -m32)
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)

get_filename_component(VANTRIC_I386_RUN "${CMAKE_CURRENT_LIST_DIR}/../scripts/i386-run" ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR "${VANTRIC_I386_RUN}")
