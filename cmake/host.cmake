# Host build: the program against the simulated PC, the command-line runner and the tests.
if(SETUP_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
endif()

add_library(setup_core STATIC ${CORE_SOURCES} ${PACKAGE_CHECK_SOURCES})
target_include_directories(setup_core PUBLIC ${CMAKE_SOURCE_DIR}/src)

file(GLOB SIM_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/platform/sim/*.cpp)
list(REMOVE_ITEM SIM_SOURCES ${CMAKE_SOURCE_DIR}/src/platform/sim/main.cpp)
add_library(setup_simpc STATIC ${SIM_SOURCES})
target_link_libraries(setup_simpc PUBLIC setup_core)

add_executable(setup-sim ${CMAKE_SOURCE_DIR}/src/platform/sim/main.cpp)
target_link_libraries(setup-sim PRIVATE setup_simpc)

enable_testing()
find_package(GTest REQUIRED)
file(GLOB_RECURSE TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/*.cpp)
list(FILTER TEST_SOURCES EXCLUDE REGEX "/tests/(wine|benchmark)/")
add_executable(setup_tests ${TEST_SOURCES})
target_include_directories(setup_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests)
# Whole runs use the sample driver package of the repository.
target_compile_definitions(setup_tests PRIVATE SETUP_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
target_link_libraries(setup_tests PRIVATE setup_simpc GTest::gtest GTest::gtest_main GTest::gmock)
# Which file each embedded tool image came from (src/deploy/payloads/payloads.cmake).
target_compile_definitions(setup_tests PRIVATE SETUP_PAYLOAD_LIST="${SETUP_PAYLOAD_DIR}/embedded.txt")
include(GoogleTest)
gtest_discover_tests(setup_tests DISCOVERY_MODE PRE_TEST)

# The package check as a vendor runs it: the sample package's sources pass
# (exit code 0); a folder that is not there is said to be so.
add_test(NAME PackageCheck.SamplePackageSources COMMAND setup-sim --check-package ${CMAKE_SOURCE_DIR}/package)
set_tests_properties(PackageCheck.SamplePackageSources PROPERTIES PASS_REGULAR_EXPRESSION "package: no problems")
add_test(NAME PackageCheck.FolderThatIsNotThere
         COMMAND setup-sim --check-package ${CMAKE_BINARY_DIR}/no-such-package)
set_tests_properties(PackageCheck.FolderThatIsNotThere PROPERTIES
                     PASS_REGULAR_EXPRESSION "cannot read the package: no such folder")

# The device scans on a large simulated machine, timed by hand (not a test).
add_executable(device_scan_benchmark ${CMAKE_SOURCE_DIR}/tests/benchmark/device_scan_benchmark.cpp)
target_link_libraries(device_scan_benchmark PRIVATE setup_simpc)
