# Folders list their sources by glob so that several people can add files to one folder at once
# without editing the same CMakeLists.txt.
function(orv_glob_sources out dir)
  file(GLOB sources CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*/*.cpp)
  set(${out} ${sources} PARENT_SCOPE)
endfunction()

# Every tests/<folder>/<Name>Test.cpp becomes one test program linked with the given libraries;
# files named *ThreadedTest.cpp are also labelled "threaded" (the ThreadSanitizer tree runs only
# those). Shared fixtures in tests/<folder>/support/*.cpp are linked into each of them.
function(orv_glob_tests folder)
  file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*Test.cpp)
  file(GLOB support CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/support/*.cpp)
  set(support_lib "")
  if(support)
    set(support_lib orv_test_support_${folder})
    add_library(${support_lib} STATIC ${support})
    target_compile_options(${support_lib} PRIVATE ${ORV_WARNINGS})
    target_link_libraries(${support_lib} PUBLIC ${ARGN} GTest::gtest GTest::gmock)
  endif()
  foreach(test_source ${tests})
    get_filename_component(name ${test_source} NAME_WE)
    if(name MATCHES "ThreadedTest$")
      orv_test(NAME test_${folder}_${name} SOURCES ${test_source} LIBS ${ARGN} ${support_lib} THREADED)
    else()
      orv_test(NAME test_${folder}_${name} SOURCES ${test_source} LIBS ${ARGN} ${support_lib})
    endif()
  endforeach()
endfunction()
