# System DLLs beside an elevated exe. The loader resolves an exe's static imports before
# any of its code runs, and for a DLL that is not a KnownDLL it looks in the exe's own folder
# first: a "version.dll" dropped into the user's Downloads folder would run as administrator.
# So every product exe imports only KnownDLLs statically; each other system DLL is
# delay-loaded, and the resolver (util/DelayLoadHelper.c) loads it from System32 only.
#
# How: for each name in VARLO_DELAYLOAD_DLLS a delay-load library lib<name>.a is made at
# configure time from mingw's own import library and put into a folder that comes first on
# every link's library path. "-lversion" from any library (ours, libcurl's, OpenSSL's) then
# links the delay-loaded form, with no change to the libraries that ask for it.

# KnownDLLs present on every supported Windows (7 and later): the only DLLs an exe may import
# statically. Kept short on purpose: a DLL dropped from the list by some Windows release
# would be looked up beside the exe again there, so only long-standing members are named.
# ntdll is mapped before any exe and is never searched for.
set(VARLO_KNOWN_DLLS
    kernel32 ntdll user32 gdi32 advapi32 shell32 ole32 oleaut32 comdlg32 ws2_32 shlwapi msvcrt imm32
    CACHE INTERNAL "DLLs a product exe may import statically")

# Everything else the product (or a library it links) uses from Windows. The import check
# (tests/app) fails on any static import outside VARLO_KNOWN_DLLS: a new system library
# belongs here.
set(VARLO_DELAYLOAD_DLLS
    version iphlpapi crypt32 bcrypt wldap32 comctl32 gdiplus msimg32 uxtheme dwmapi winmm secur32 ncrypt
    userenv shcore dbghelp winhttp wininet urlmon setupapi psapi normaliz oleacc
    CACHE INTERNAL "System DLLs the product loads from System32 on first use")

function(varlo_make_delayload_libraries)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    # The 64-bit build exists only to run the tests where 32-bit programs cannot run; the
    # stubs are 32-bit code, and what they guard is a property of the 32-bit product.
    return()
  endif()
  set(dir ${CMAKE_BINARY_DIR}/delayload)
  file(MAKE_DIRECTORY ${dir})
  set(helper_src ${PROJECT_SOURCE_DIR}/util/DelayLoadHelper.c)
  set(script ${PROJECT_SOURCE_DIR}/cmake/make_delaylib.py)
  set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${helper_src} ${script})
  find_program(VARLO_OBJDUMP NAMES ${MINGW_HOST}-objdump REQUIRED)
  find_program(VARLO_AS NAMES ${MINGW_HOST}-as REQUIRED)
  find_program(VARLO_AR NAMES ${MINGW_HOST}-ar REQUIRED)
  find_package(Python3 REQUIRED COMPONENTS Interpreter)

  set(helper_obj ${dir}/DelayLoadHelper.o)
  set(fresh ON)
  if(EXISTS ${helper_obj} AND ${helper_obj} IS_NEWER_THAN ${helper_src} AND ${helper_obj} IS_NEWER_THAN ${script})
    set(fresh OFF)
  endif()
  if(fresh)
    execute_process(
      COMMAND ${CMAKE_C_COMPILER} -Os -Wall -Wextra -Werror -DUNICODE -D_UNICODE -DWIN32_LEAN_AND_MEAN
              -D_WIN32_WINNT=0x0601 -c ${helper_src} -o ${helper_obj}
      RESULT_VARIABLE rc ERROR_VARIABLE err)
    if(NOT rc EQUAL 0)
      message(FATAL_ERROR "Compiling the delay-load resolver failed:\n${err}")
    endif()
  endif()

  foreach(name IN LISTS VARLO_DELAYLOAD_DLLS)
    execute_process(COMMAND ${CMAKE_C_COMPILER} -print-file-name=lib${name}.a
                    OUTPUT_VARIABLE import_lib OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${import_lib}" OR NOT EXISTS "${import_lib}")
      continue()  # not offered by this mingw; nothing can link it either
    endif()
    if(NOT fresh AND EXISTS ${dir}/lib${name}.a AND ${dir}/lib${name}.a IS_NEWER_THAN ${import_lib})
      continue()
    endif()
    execute_process(
      COMMAND ${Python3_EXECUTABLE} ${script} ${VARLO_OBJDUMP} ${VARLO_AS} ${VARLO_AR} ${import_lib} ${name}.dll
              ${helper_obj} ${dir}/lib${name}.a
      RESULT_VARIABLE rc ERROR_VARIABLE err)
    if(NOT rc EQUAL 0)
      message(FATAL_ERROR "Making the delay-import library for ${name}.dll failed:\n${err}")
    endif()
  endforeach()
  # Ahead of the compiler's own library folder for every target made after this point.
  link_directories(BEFORE ${dir})
  set(VARLO_DELAYLOAD_DIR ${dir} PARENT_SCOPE)
endfunction()
