# The Qt side of the build: Qt 6 Widgets libraries over the model libraries. Only the normal tree
# includes this file; the sanitizer trees build the model code alone.

find_package(Qt6 REQUIRED COMPONENTS Widgets Test DBus)

# A library of the window side. No AUTOMOC: classes that need the meta-object compiler turn it on
# for their own target, which keeps the build lean.
function(orv_qt_library name)
  add_library(${name} ${ARGN})
  target_compile_options(${name} PRIVATE ${ORV_WARNINGS})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR} ${CMAKE_BINARY_DIR}/generated)
  target_link_libraries(${name} PUBLIC Qt6::Widgets)
endfunction()

# Every tests/<folder>/<Name>Test.cpp of a Qt folder becomes one test program with Qt Test; the
# tests run on Qt's offscreen platform, so no display is needed. Shared fixtures in support/.
function(orv_glob_qt_tests folder)
  file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*Test.cpp)
  file(GLOB support CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/support/*.cpp)
  set(support_lib "")
  if(support)
    set(support_lib orv_test_support_${folder})
    add_library(${support_lib} STATIC ${support})
    target_compile_options(${support_lib} PRIVATE ${ORV_WARNINGS})
    target_link_libraries(${support_lib} PUBLIC ${ARGN} Qt6::Test GTest::gtest GTest::gmock)
  endif()
  foreach(test_source ${tests})
    get_filename_component(name ${test_source} NAME_WE)
    set(target test_${folder}_${name})
    add_executable(${target} ${test_source})
    target_compile_options(${target} PRIVATE ${ORV_WARNINGS})
    target_link_libraries(${target} PRIVATE ${ARGN} ${support_lib} Qt6::Test GTest::gtest
                                            GTest::gtest_main GTest::gmock)
    # Threaded window tests are labelled "threaded" instead, as the model's are.
    set(labels qt)
    if(name MATCHES "ThreadedTest$")
      set(labels threaded)
    endif()
    gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60
                         PROPERTIES LABELS "${labels}" ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
  endforeach()
endfunction()
