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
