# Shared build rules. VARLO_WINDOWS is true for the product build (mingw, run under Wine);
# otherwise this is the native build of the pure-logic modules with sanitizers.
if(CMAKE_SYSTEM_NAME STREQUAL "Windows")
  set(VARLO_WINDOWS ON)
else()
  set(VARLO_WINDOWS OFF)
endif()

set(VARLO_WARNINGS -Wall -Wextra -Wshadow -Werror)

# stb_image decodes the skin's images in both builds: Debian's libstb-dev, checked here so
# that a missing header stops the configure with its cause, not a compile much later.
set(VARLO_STB_SOURCE_DIR /usr/include/stb CACHE PATH "Where the stb headers are (Debian's libstb-dev)")
set(VARLO_STB_HEADERS stb_image.h)
foreach(h IN LISTS VARLO_STB_HEADERS)
  if(NOT EXISTS ${VARLO_STB_SOURCE_DIR}/${h})
    message(FATAL_ERROR "${VARLO_STB_SOURCE_DIR}/${h} is missing: install libstb-dev (scripts/setup-host.sh)")
  endif()
endforeach()

if(VARLO_WINDOWS)
  if(NOT VARLO_DEPS_PREFIX)
    message(FATAL_ERROR "VARLO_DEPS_PREFIX is not set: run scripts/build-deps.sh and pass its output")
  endif()
  # Windows 7 is the oldest target; keep the A/W selection explicit.
  add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
  set(VARLO_OPT -Os -ffunction-sections -fdata-sections)
  add_link_options(-static -static-libgcc -static-libstdc++ -Wl,--gc-sections)
  include(${CMAKE_CURRENT_LIST_DIR}/VarloDelayLoad.cmake)
  varlo_make_delayload_libraries()
  # stb lives under /usr/include; only its own folder may be on the mingw include path.
  set(VARLO_STB_DIR ${CMAKE_BINARY_DIR}/stb-include)
  file(MAKE_DIRECTORY ${VARLO_STB_DIR})
  foreach(h IN LISTS VARLO_STB_HEADERS)
    file(CREATE_LINK ${VARLO_STB_SOURCE_DIR}/${h} ${VARLO_STB_DIR}/${h} SYMBOLIC)
  endforeach()

  add_library(varlo_deps_openssl INTERFACE)
  target_include_directories(varlo_deps_openssl SYSTEM INTERFACE ${VARLO_DEPS_PREFIX}/include)
  target_link_libraries(varlo_deps_openssl INTERFACE ${VARLO_DEPS_PREFIX}/lib/libssl.a
                        ${VARLO_DEPS_PREFIX}/lib/libcrypto.a ws2_32 crypt32 bcrypt user32 advapi32)
  add_library(varlo_deps_zlib INTERFACE)
  target_link_libraries(varlo_deps_zlib INTERFACE /usr/${MINGW_HOST}/lib/libz.a)
  add_library(varlo_deps_curl INTERFACE)
  target_compile_definitions(varlo_deps_curl INTERFACE CURL_STATICLIB)
  target_include_directories(varlo_deps_curl SYSTEM INTERFACE ${VARLO_DEPS_PREFIX}/include)
  target_link_libraries(varlo_deps_curl INTERFACE ${VARLO_DEPS_PREFIX}/lib/libcurl.a varlo_deps_openssl
                        varlo_deps_zlib ws2_32 crypt32 wldap32 iphlpapi)
  add_library(varlo_deps_jsoncpp INTERFACE)
  target_include_directories(varlo_deps_jsoncpp SYSTEM INTERFACE ${VARLO_DEPS_PREFIX}/include)
  target_link_libraries(varlo_deps_jsoncpp INTERFACE ${VARLO_DEPS_PREFIX}/lib/libjsoncpp.a)
  add_library(varlo_deps_gtest INTERFACE)
  target_include_directories(varlo_deps_gtest SYSTEM INTERFACE ${VARLO_DEPS_PREFIX}/include)
  target_link_libraries(varlo_deps_gtest INTERFACE ${VARLO_DEPS_PREFIX}/lib/libgmock.a
                        ${VARLO_DEPS_PREFIX}/lib/libgtest_main.a ${VARLO_DEPS_PREFIX}/lib/libgtest.a)
else()
  set(VARLO_SANITIZE -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  set(VARLO_OPT -O1 -g ${VARLO_SANITIZE})
  add_link_options(${VARLO_SANITIZE})
  find_package(ZLIB REQUIRED)
  add_library(varlo_deps_zlib INTERFACE)
  target_link_libraries(varlo_deps_zlib INTERFACE ZLIB::ZLIB)
  if(NOT TARGET gtest)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  endif()
  add_library(varlo_deps_gtest INTERFACE)
  target_link_libraries(varlo_deps_gtest INTERFACE gmock gtest_main)
  # libFuzzer harnesses need clang; with another compiler they are simply not built.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    set(VARLO_FUZZ ON)
  else()
    set(VARLO_FUZZ OFF)
  endif()
  add_library(varlo_deps_stb INTERFACE)
  target_include_directories(varlo_deps_stb SYSTEM INTERFACE ${VARLO_STB_SOURCE_DIR})
endif()
if(VARLO_WINDOWS)
  add_library(varlo_deps_stb INTERFACE)
  target_include_directories(varlo_deps_stb SYSTEM INTERFACE ${VARLO_STB_DIR})
endif()

# varlo_library(name SOURCES... [WINDOWS_SOURCES ...] [DEPS ...])
# One static library per folder. SOURCES build everywhere (pure logic, no <windows.h>);
# WINDOWS_SOURCES only in the product build.
function(varlo_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;WINDOWS_SOURCES;DEPS;WINDOWS_DEPS" ${ARGN})
  set(srcs ${ARG_SOURCES})
  set(deps ${ARG_DEPS})
  if(VARLO_WINDOWS)
    list(APPEND srcs ${ARG_WINDOWS_SOURCES})
    list(APPEND deps ${ARG_WINDOWS_DEPS})
  endif()
  if(NOT srcs)
    return()
  endif()
  add_library(${name} STATIC ${srcs})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_compile_options(${name} PRIVATE ${VARLO_WARNINGS} ${VARLO_OPT})
  # Fuzzers learn only from code that carries coverage marks: give them to every library.
  if(NOT VARLO_WINDOWS AND VARLO_FUZZ)
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer-no-link)
  endif()
  target_link_libraries(${name} PUBLIC ${deps})
endfunction()

# varlo_test(name SOURCES... [DEPS ...] [ENV VAR=value...] [SERIAL] [PROPERTIES ...]) — a
# GoogleTest exe; under the product build it runs under Wine through the cross-compiling
# emulator. Each test suite of it is one CTest entry, <name>.<suite> (one Wine start per
# suite, not per case), whose output names a failing case; <name>.others runs whatever case
# the scan of the sources did not place in a suite. SERIAL keeps its tests from running
# beside any other of the test prefix (machine-wide names, windows, registry); PROPERTIES
# adds CTest properties to each entry (fixtures, locks).
function(varlo_test name)
  cmake_parse_arguments(ARG "SERIAL" "" "SOURCES;DEPS;ENV;PROPERTIES" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  if(VARLO_WINDOWS)
    target_compile_options(${name} PRIVATE ${VARLO_WARNINGS} -O1)
  else()
    target_compile_options(${name} PRIVATE ${VARLO_WARNINGS} ${VARLO_OPT})
  endif()
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} varlo_deps_gtest)
  target_compile_definitions(${name} PRIVATE VARLO_TEST_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
                                             VARLO_TEST_BINARY_DIR="${CMAKE_BINARY_DIR}")
  list(APPEND ARG_ENV VARLO_TEST=1)
  set(resources)
  if(VARLO_WINDOWS)
    # The test prefix has two slots (tests/ctest-resources.json): a serial exe takes both.
    if(ARG_SERIAL)
      set(resources RESOURCE_GROUPS wine_session:2)
    else()
      set(resources RESOURCE_GROUPS wine_session:1)
    endif()
  endif()

  # The suites and their number of cases, from the sources' TEST, TEST_F and TEST_P.
  set(suites)
  foreach(source IN LISTS ARG_SOURCES)
    get_filename_component(source ${source} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
    file(STRINGS ${source} lines REGEX "^[ \t]*TEST(_F|_P)?\\([ \t]*[A-Za-z_][A-Za-z0-9_]*[ \t]*,")
    foreach(line IN LISTS lines)
      string(REGEX REPLACE "^[ \t]*TEST(_F|_P)?\\([ \t]*([A-Za-z_][A-Za-z0-9_]*).*" "\\2" suite "${line}")
      if(NOT DEFINED cases_${suite})
        list(APPEND suites ${suite})
        set(cases_${suite} 0)
      endif()
      math(EXPR cases_${suite} "${cases_${suite}} + 1")
    endforeach()
  endforeach()
  set(covered)
  foreach(suite IN LISTS suites)
    # Plain and fixture suites, and the instances of a parameterised one (Prefix/Suite).
    set(filter "${suite}.*:*/${suite}.*")
    string(APPEND covered ":${filter}")
    math(EXPR timeout "60 + 60 * ${cases_${suite}}")
    # A suite of cases that this build leaves out (#if) runs none, and passes.
    add_test(NAME ${name}.${suite} COMMAND ${name} --gtest_filter=${filter} --gtest_brief=1)
    set_tests_properties(${name}.${suite} PROPERTIES TIMEOUT ${timeout} ENVIRONMENT "${ARG_ENV}" ${resources}
                         ${ARG_PROPERTIES})
  endforeach()
  string(SUBSTRING "${covered}" 1 -1 covered)
  add_test(NAME ${name}.others COMMAND ${name} --gtest_filter=-${covered} --gtest_brief=1)
  set_tests_properties(${name}.others PROPERTIES TIMEOUT 120 ENVIRONMENT "${ARG_ENV}" ${resources} ${ARG_PROPERTIES})
endfunction()

# varlo_fuzzer(name SOURCES... DEPS ... CORPUS dir) — native libFuzzer harness; the CI
# run of it is a CTest entry labelled "fuzz".
function(varlo_fuzzer name)
  cmake_parse_arguments(ARG "" "CORPUS;SECONDS" "SOURCES;DEPS" ${ARGN})
  if(VARLO_WINDOWS OR NOT VARLO_FUZZ)
    return()
  endif()
  if(NOT ARG_SECONDS)
    set(ARG_SECONDS 30)
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_compile_options(${name} PRIVATE ${VARLO_WARNINGS} ${VARLO_OPT} -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${name} PRIVATE ${ARG_DEPS})
  set(work ${CMAKE_BINARY_DIR}/fuzz-corpus/${name})
  add_test(NAME fuzz.${name}
           COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=1
                   sh -c "rm -rf '${work}' && mkdir -p '${work}' && exec \"$0\" -max_total_time=${ARG_SECONDS} -rss_limit_mb=2048 -timeout=10 -print_final_stats=1 '${work}' '${ARG_CORPUS}'"
                   $<TARGET_FILE:${name}>)
  set_tests_properties(fuzz.${name} PROPERTIES LABELS fuzz TIMEOUT 600)
endfunction()
