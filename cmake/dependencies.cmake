# Third-party libraries, all from Debian's packages (scripts/install-deps).
find_package(Threads REQUIRED)
find_package(nlohmann_json 3.10 REQUIRED)
# The client reads packets with simdjson (one .cpp includes it).
find_package(simdjson 3.0 REQUIRED)
find_package(SQLite3 REQUIRED)
find_package(PostgreSQL REQUIRED)
find_package(GTest REQUIRED)
# Header-only Asio and Beast for the server's HTTP front (one .cpp includes them).
find_package(Boost 1.81 REQUIRED CONFIG COMPONENTS headers)
find_package(PkgConfig REQUIRED)
pkg_check_modules(HTTPLIB REQUIRED IMPORTED_TARGET cpp-httplib)
if(GSF_BUILD_BENCH)
  find_package(benchmark REQUIRED)
endif()
if(GSF_BUILD_QT)
  find_package(Qt6 6.4 REQUIRED COMPONENTS Core Gui Widgets Test)
endif()

include(GoogleTest)

# gsf_add_test(NAME SOURCES... LIBS ...): one GoogleTest executable registered with CTest.
function(gsf_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES LABELS "${ARG_LABELS}")
endfunction()
