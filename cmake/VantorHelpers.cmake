# vantor_gtest(NAME SOURCES... LIBS ...): a GoogleTest executable registered with ctest.
include(GoogleTest)
if(WIN32)
  include(${CMAKE_CURRENT_LIST_DIR}/GoogleTestFromSource.cmake)
else()
  find_package(GTest REQUIRED)
endif()

function(vantor_gtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE GTest::gtest_main ${ARG_LIBS})
  if(CMAKE_CROSSCOMPILING)
    # One ctest entry per executable: every start under the emulator costs about a second.
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES TIMEOUT 120 FIXTURES_REQUIRED emulator)
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 30 PROPERTIES TIMEOUT 120)
  endif()
endfunction()

# vantor_qtest(NAME SOURCES... LIBS ...): a QTest executable run offscreen.
function(vantor_qtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE Qt6::Test Qt6::Widgets ${ARG_LIBS})
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES TIMEOUT 120
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
