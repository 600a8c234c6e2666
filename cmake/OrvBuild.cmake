# Shared build settings and the helpers every folder uses.

find_program(ORV_CCACHE ccache)
if(ORV_CCACHE)
  set(CMAKE_CXX_COMPILER_LAUNCHER ${ORV_CCACHE})
endif()

# Every test is its own program linking the static libraries with their debug information: the
# linker compresses those sections, or a tree takes three times the disk (about 10 GB uncompressed).
add_link_options(LINKER:--compress-debug-sections=zlib)

set(ORV_WARNINGS -Wall -Wextra -Wpedantic -Werror)
if(ORV_BUILD_FUZZ)
  # The fuzz tree is built with clang, whose extra warnings are not the gate: the gcc trees are.
  set(ORV_WARNINGS -Wall -Wextra)
endif()

if(ORV_SANITIZE STREQUAL "asan")
  add_compile_options(-fsanitize=address,undefined,float-cast-overflow -fno-sanitize-recover=all
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined,float-cast-overflow)
elseif(ORV_SANITIZE STREQUAL "tsan")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
elseif(ORV_BUILD_FUZZ)
  # Coverage for libFuzzer on everything the fuzz programs link.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
elseif(NOT ORV_SANITIZE STREQUAL "")
  message(FATAL_ERROR "ORV_SANITIZE must be empty, asan or tsan")
endif()

# A library of the model side: plain C++ over platform/, no floating-point contraction, because the
# single-precision arithmetic of the stored formats must give the same results everywhere.
function(orv_model_library name)
  add_library(${name} ${ARGN})
  target_compile_options(${name} PRIVATE ${ORV_WARNINGS} -ffp-contract=off)
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR} ${CMAKE_BINARY_DIR}/generated)
endfunction()

# orv_test(NAME <name> SOURCES ... LIBS ... [THREADED])
# Tests of threaded code carry the label "threaded"; the ThreadSanitizer tree builds only those.
function(orv_test)
  cmake_parse_arguments(T "THREADED" "NAME" "SOURCES;LIBS" ${ARGN})
  if(ORV_SANITIZE STREQUAL "tsan" AND NOT T_THREADED)
    return()
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  target_compile_options(${T_NAME} PRIVATE ${ORV_WARNINGS})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  set(labels model)
  if(T_THREADED)
    set(labels threaded)
  endif()
  gtest_discover_tests(${T_NAME} DISCOVERY_TIMEOUT 60 PROPERTIES LABELS "${labels}")
endfunction()
