# SPDX-License-Identifier: MIT
include(GoogleTest)
find_package(GTest REQUIRED)

# qb_add_test(<name> SOURCES <files...> LIBS <targets...> [QT | CORE])
# One GoogleTest program per call, registered test by test with CTest. QT gives
# it a main that creates a QApplication, CORE one with a QCoreApplication;
# both switch QStandardPaths to its test folders. Without either (the layers
# without Qt) it gets GoogleTest's own main.
# Every test runs through tests/isolated.sh, headless on Qt's offscreen
# platform, in a fresh temporary folder that is its working folder and holds
# its HOME and XDG folders, so nothing reads or writes the developer's real
# files.
function(qb_add_test name)
  cmake_parse_arguments(ARG "QT;CORE" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} qb_warnings GTest::gtest GTest::gmock)
  if(ARG_QT)
    target_link_libraries(${name} PRIVATE qb_test_qtmain)
  elseif(ARG_CORE)
    target_link_libraries(${name} PRIVATE qb_test_coremain)
  else()
    target_link_libraries(${name} PRIVATE GTest::gtest_main)
  endif()
  set_target_properties(${name} PROPERTIES
    CROSSCOMPILING_EMULATOR ${PROJECT_SOURCE_DIR}/tests/isolated.sh)
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    NO_PRETTY_VALUES
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QB_TEST_DATA=${PROJECT_SOURCE_DIR}/tests/data")
endfunction()
