# Cross build for 32-bit Windows: the product.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(MINGW_HOST i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
