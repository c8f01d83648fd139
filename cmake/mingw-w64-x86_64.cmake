# Cross-building the Windows program on Debian with mingw-w64 for x86-64. The posix thread
# model, so that std::thread and std::mutex work; -static, so that the programs need no DLL
# of the compiler's runtime beside them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TOV_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TOV_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TOV_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${TOV_MINGW_TRIPLET}-windres)

# Libraries and headers only from the cross tree (zlib of libz-mingw-w64-dev is there);
# programs, such as the tests' helpers, from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${TOV_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
