# Shared build settings and helpers of the Quillnote tree.

# GCC 12's -Wrestrict reports false positives inside libstdc++'s std::string at -O2 and above; clang
# has no such warning (and would reject the option).
set(QN_WARNINGS -Wall -Wextra)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  list(APPEND QN_WARNINGS -Wno-restrict)
endif()
if(QN_WERROR)
  list(APPEND QN_WARNINGS -Werror)
endif()

if(QN_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

if(QN_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "The fuzz targets need clang's libFuzzer (preset clang-fuzz)")
  endif()
  # Coverage feedback for libFuzzer in every library; only the fuzz programs link its main.
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

if(WIN32)
  # No mingw runtime DLL at run time; Unicode Win32 API by default.
  add_link_options(-static -static-libgcc -static-libstdc++)
  # bzip2's internal-error hook raises instead of ending the process (engine/foundation/SQLMemBZip2D.cpp).
  add_link_options(-Wl,--wrap=BZ2_bz__AssertH__fail)
  add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
  configure_file(${CMAKE_SOURCE_DIR}/cmake/wine-run ${CMAKE_BINARY_DIR}/wine-run COPYONLY)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)
endif()

# qn_library(NAME DIRS dir... [DEPS lib...])
# A static library made of every .cpp in the given folders (the folders are the unit boundaries;
# a new unit is picked up on the next configure). Files named *_win32.cpp build only for Windows,
# *_posix.cpp only elsewhere.
function(qn_library name)
  cmake_parse_arguments(ARG "" "" "DIRS;DEPS" ${ARGN})
  set(srcs)
  foreach(d IN LISTS ARG_DIRS)
    file(GLOB s CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${d}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/${d}/*.c)
    list(APPEND srcs ${s})
  endforeach()
  if(WIN32)
    list(FILTER srcs EXCLUDE REGEX "_posix\\.c(pp)?$")
  else()
    list(FILTER srcs EXCLUDE REGEX "_win32\\.c(pp)?$")
  endif()
  if(NOT srcs)
    # A subsystem whose first unit has not landed yet: headers only.
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${CMAKE_SOURCE_DIR})
    if(ARG_DEPS)
      target_link_libraries(${name} INTERFACE ${ARG_DEPS})
    endif()
    return()
  endif()
  add_library(${name} STATIC ${srcs})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
  target_compile_options(${name} PRIVATE ${QN_WARNINGS})
  if(ARG_DEPS)
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  endif()
endfunction()

# qn_test(NAME DIR dir [DEPS lib...])
# One GoogleTest program per folder of tests (every *_test.cpp in it). CTest runs it (under Wine in
# the win64 tree) and it leaves a JUnit-style XML file that tools/test adds up.
function(qn_test name)
  cmake_parse_arguments(ARG "" "DIR" "DEPS;LABELS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${ARG_DIR}/*_test.cpp)
  if(WIN32)
    list(FILTER srcs EXCLUDE REGEX "_posix_test\\.cpp$")
  else()
    list(FILTER srcs EXCLUDE REGEX "_win32_test\\.cpp$")
  endif()
  if(NOT srcs)
    return()
  endif()
  add_executable(${name} ${srcs} ${CMAKE_SOURCE_DIR}/tests/common/TestMain.cpp)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests)
  target_compile_options(${name} PRIVATE ${QN_WARNINGS})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gmock)
  # Under Wine a Unix path is reached through drive Z:.
  set(drive "")
  if(WIN32)
    set(drive "Z:")
  endif()
  # The test data is found without CTest's environment too (tests/common/TestData.h).
  target_compile_definitions(${name} PRIVATE QN_TEST_DATA_DIR="${drive}${CMAKE_SOURCE_DIR}/tests/data")
  set(xml ${drive}${CMAKE_BINARY_DIR}/test-results/${name}.xml)
  add_test(NAME ${name} COMMAND ${name} --gtest_output=xml:${xml})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QN_TEST_DATA=${drive}${CMAKE_SOURCE_DIR}/tests/data"
    LABELS "${ARG_LABELS}")
endfunction()

# libdeflate: whole-buffer zlib streams (the table stream's body). Debian's libdeflate-dev natively;
# the static library tools/setup cross-builds for the Windows tree.
function(qn_find_libdeflate)
  if(TARGET Libdeflate::Libdeflate)
    return()
  endif()
  find_path(LIBDEFLATE_INCLUDE_DIR libdeflate.h REQUIRED)
  if(WIN32)
    find_library(LIBDEFLATE_LIBRARY NAMES libdeflate.a REQUIRED)
  else()
    find_library(LIBDEFLATE_LIBRARY NAMES deflate REQUIRED)
  endif()
  add_library(Libdeflate::Libdeflate UNKNOWN IMPORTED GLOBAL)
  set_target_properties(Libdeflate::Libdeflate PROPERTIES IMPORTED_LOCATION "${LIBDEFLATE_LIBRARY}"
                        INTERFACE_INCLUDE_DIRECTORIES "${LIBDEFLATE_INCLUDE_DIR}")
endfunction()
qn_find_libdeflate()
