# Cross build for Windows with MinGW-w64 (POSIX thread model, so that
# std::thread and friends work); the including file names the processor and
# the compiler triple. Executables built here run under Wine: ctest starts them
# through scripts/wine-run, which keeps the Wine prefix inside the build tree.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${VANTRIC_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VANTRIC_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${VANTRIC_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VANTRIC_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The prefix path is handed over explicitly rather than guessed from the
# working directory: ctest runs each test in its own subdirectory of the tree.
get_filename_component(VANTRIC_WINE_RUN "${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run" ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR "${VANTRIC_WINE_RUN};--prefix;${CMAKE_BINARY_DIR}/wineprefix")
