# pv_library(NAME SOURCES <files...> DEPENDS <targets...>)
# A folder's static library; its headers are found from the targets that link it.
function(pv_library name)
  cmake_parse_arguments(PV "" "" "SOURCES;DEPENDS" ${ARGN})
  add_library(${name} STATIC ${PV_SOURCES})
  target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${PV_DEPENDS})
endfunction()

# pv_test(NAME [GUI] SOURCES <files...> DEPENDS <targets...> [ENVIRONMENT <k=v...>])
# A test program with the shared main; GUI gives it a QApplication in place of
# a QCoreApplication. Every test needs the test-LAN sweep that CTest runs last,
# and every program links the shared test support (tests/support).
function(pv_test name)
  cmake_parse_arguments(PV "GUI" "" "SOURCES;DEPENDS;ENVIRONMENT" ${ARGN})
  add_executable(${name} ${PV_SOURCES} ${PROJECT_SOURCE_DIR}/tests/TestMain.cpp)
  target_link_libraries(${name} PRIVATE ${PV_DEPENDS} pvtestsupport GTest::gmock GTest::gtest)
  if(PV_GUI)
    target_compile_definitions(${name} PRIVATE PV_TEST_GUI)
    target_link_libraries(${name} PRIVATE Qt6::Widgets)
  endif()
  target_compile_definitions(${name} PRIVATE PV_SOURCE_DIR="${PROJECT_SOURCE_DIR}" PV_BINARY_DIR="${PROJECT_BINARY_DIR}")
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 NO_PRETTY_VALUES
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;${PV_ENVIRONMENT}" TIMEOUT 300
               FIXTURES_REQUIRED pvlan)
endfunction()
