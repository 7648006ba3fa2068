# Core libraries may use Qt Core but never Qt Gui or Widgets. Their include path starts with a
# folder whose QtGui/QtWidgets global headers stop the build, so any Gui or Widgets header
# included from core sources or headers fails to compile, whatever path it was reached by.
# The guard is private: the windows and the command line link core and use Qt Gui freely.
set(PICTOREEL_CORE_GUARD_DIR "${CMAKE_SOURCE_DIR}/src/core/guard")

function(pictoreel_core_library name)
  add_library(${name} STATIC ${ARGN} ${PICTOREEL_CORE_GUARD_DIR}/QtGui/qtguiglobal.h)
  set_target_properties(${name} PROPERTIES LINKER_LANGUAGE CXX)
  target_include_directories(${name} BEFORE PRIVATE "${PICTOREEL_CORE_GUARD_DIR}")
  target_include_directories(${name} PUBLIC "${CMAKE_SOURCE_DIR}/src")
  target_link_libraries(${name} PUBLIC Qt6::Core)
  target_compile_definitions(${name} PUBLIC QT_NO_KEYWORDS QT_USE_QSTRINGBUILDER)
  set_target_properties(${name} PROPERTIES POSITION_INDEPENDENT_CODE ON)
endfunction()

# A codec module: a shared object loaded with dlopen (see core/media/codec_loader.h) that exports
# one entry point and nothing else. Core sources it needs are compiled into it (the core libraries
# themselves depend on the modules being built).
function(pictoreel_codec_module name)
  add_library(${name} MODULE ${ARGN})
  target_include_directories(${name} BEFORE PRIVATE "${PICTOREEL_CORE_GUARD_DIR}")
  target_include_directories(${name} PRIVATE "${CMAKE_SOURCE_DIR}/src")
  target_link_libraries(${name} PRIVATE Qt6::Core)
  target_compile_definitions(${name} PRIVATE QT_NO_KEYWORDS QT_USE_QSTRINGBUILDER)
  set_target_properties(${name} PROPERTIES
    LIBRARY_OUTPUT_DIRECTORY "${PICTOREEL_MODULE_BUILD_DIR}"
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)
  if(NOT PICTOREEL_SANITIZE AND NOT PICTOREEL_LIBFUZZER)
    # Every symbol resolved when it is built, not when a user first opens a picture.
    target_link_options(${name} PRIVATE -Wl,--no-undefined)
  endif()
  install(TARGETS ${name} LIBRARY DESTINATION "${PICTOREEL_MODULE_INSTALL_DIR}")
endfunction()

# A GoogleTest program registered with CTest, one CTest entry per test case.
function(pictoreel_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  target_compile_definitions(${name} PRIVATE
    PICTOREEL_SHARED_TESTDATA="${CMAKE_SOURCE_DIR}/../shared/testdata"
    PICTOREEL_TEST_DATA="${CMAKE_SOURCE_DIR}/tests/data")
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
