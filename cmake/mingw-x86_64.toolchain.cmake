# The same sources for 64-bit Windows: only for running the tests on machines whose kernel
# cannot run 32-bit programs (and so cannot run 32-bit Wine). The product is the 32-bit build.
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(MINGW_HOST x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
