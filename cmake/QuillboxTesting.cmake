include(GoogleTest)
find_package(GTest REQUIRED)

# qb_add_test(<name> SOURCES <files...> LIBS <targets...> [QT])
# One GoogleTest program per call, registered test by test with CTest.
# Every test runs headless on Qt's offscreen platform and in its own temporary
# working folder, so nothing reads or writes the developer's real files.
function(qb_add_test name)
  cmake_parse_arguments(ARG "QT" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} qb_warnings GTest::gtest GTest::gmock)
  if(ARG_QT)
    # Qt tests bring their own main that creates the application object.
    target_link_libraries(${name} PRIVATE qb_test_qtmain)
  else()
    target_link_libraries(${name} PRIVATE GTest::gtest_main)
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    NO_PRETTY_VALUES
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QB_TEST_DATA=${PROJECT_SOURCE_DIR}/tests/data")
endfunction()
