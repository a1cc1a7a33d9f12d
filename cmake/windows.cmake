# Windows build: setup.exe against the real Win32 API, and the tools of its Wine tests.
enable_language(C RC)

# The warning options are for the compilers; the resource compiler knows none of them.
get_directory_property(setup_compile_options COMPILE_OPTIONS)
list(TRANSFORM setup_compile_options REPLACE "^(.+)$" "$<$<COMPILE_LANGUAGE:C,CXX>:\\1>")
set_directory_properties(PROPERTIES COMPILE_OPTIONS "${setup_compile_options}")

# The oldest Windows the program runs on is Windows 2000: the system headers then
# offer nothing that it lacks, and newer calls are looked up at run time.
set(SETUP_WINDOWS_API WINVER=0x0500 _WIN32_WINNT=0x0500 _WIN32_IE=0x0500 NOMINMAX)

# No MinGW runtime DLL may be needed beside setup.exe.
set(SETUP_STATIC_RUNTIME -static -static-libgcc -static-libstdc++)

if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|amd64)$")
  set(SETUP_MANIFEST_ARCH amd64)
else()
  set(SETUP_MANIFEST_ARCH x86)
endif()
configure_file(${CMAKE_SOURCE_DIR}/src/resources/setup.exe.manifest.in
               ${CMAKE_BINARY_DIR}/resources/setup.exe.manifest @ONLY)

set(SETUP_RC ${CMAKE_SOURCE_DIR}/src/resources/setup.rc)
set_property(SOURCE ${SETUP_RC} APPEND PROPERTY INCLUDE_DIRECTORIES
             ${CMAKE_SOURCE_DIR}/src/resources ${CMAKE_BINARY_DIR}/resources)
set_property(SOURCE ${SETUP_RC} APPEND PROPERTY OBJECT_DEPENDS
             ${CMAKE_SOURCE_DIR}/src/resources/resource_ids.h
             ${CMAKE_SOURCE_DIR}/src/resources/setup.ico
             ${CMAKE_SOURCE_DIR}/src/resources/glyph_install.bmp
             ${CMAKE_SOURCE_DIR}/src/resources/glyph_exit.bmp
             ${CMAKE_SOURCE_DIR}/src/resources/glyph_uninstall.bmp
             ${CMAKE_BINARY_DIR}/resources/setup.exe.manifest)

file(GLOB WIN32_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/platform/win32/*.cpp)
list(REMOVE_ITEM WIN32_SOURCES ${CMAKE_SOURCE_DIR}/src/platform/win32/winmain.cpp)
set(SETUP_WIN32_LIBRARIES
  comctl32 user32 gdi32 msimg32 advapi32 shell32 ole32 oleaut32 uuid setupapi hid version)

# The program's code with the Win32 backend, compiled once for setup.exe and
# for the Wine tests' check of the file routines.
add_library(setup_program OBJECT ${CORE_SOURCES} ${WIN32_SOURCES})
target_include_directories(setup_program PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_compile_definitions(setup_program PUBLIC ${SETUP_WINDOWS_API})

add_executable(setup WIN32 ${CMAKE_SOURCE_DIR}/src/platform/win32/winmain.cpp ${SETUP_RC})
target_link_options(setup PRIVATE ${SETUP_STATIC_RUNTIME})
target_link_libraries(setup PRIVATE setup_program ${SETUP_WIN32_LIBRARIES})

# setup-sim as a Windows console program, for vendors on Windows: the
# program's code against the simulated PC (plain C++, no Windows calls), with
# the package check.
file(GLOB SIM_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/platform/sim/*.cpp)
add_executable(setup-sim ${CORE_SOURCES} ${PACKAGE_CHECK_SOURCES} ${SIM_SOURCES})
target_include_directories(setup-sim PRIVATE ${CMAKE_SOURCE_DIR}/src)
target_link_options(setup-sim PRIVATE ${SETUP_STATIC_RUNTIME})

# The file routines against the real system, for the Wine tests: each run
# does one step (install or remove a file set, read shortcuts back).
add_executable(files_check ${CMAKE_SOURCE_DIR}/tests/wine/files_check.cpp ${SETUP_RC})
target_link_options(files_check PRIVATE ${SETUP_STATIC_RUNTIME})
target_link_libraries(files_check PRIVATE setup_program ${SETUP_WIN32_LIBRARIES})

# The Wine tests' helper: answers message boxes and inspects the main window.
add_executable(clicker ${CMAKE_SOURCE_DIR}/tests/wine/clicker.cpp)
target_compile_definitions(clicker PRIVATE ${SETUP_WINDOWS_API})
target_link_options(clicker PRIVATE ${SETUP_STATIC_RUNTIME})
target_link_libraries(clicker PRIVATE user32 gdi32)

# The package library of the least package the Wine tests use when the
# repository has no sample package: exported by its plain name.
add_library(fixture_setup_dll SHARED ${CMAKE_SOURCE_DIR}/tests/wine/fixture/setup_flag.c)
set_target_properties(fixture_setup_dll PROPERTIES OUTPUT_NAME setup PREFIX ""
                      RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/wine-fixture)
target_link_options(fixture_setup_dll PRIVATE ${SETUP_STATIC_RUNTIME} -Wl,--kill-at)

# Wine's account query reports guest privilege for everyone; the Wine tests give
# setup.exe this one, which reports an administrator.
add_library(fixture_netapi SHARED ${CMAKE_SOURCE_DIR}/tests/wine/fixture/netapi_admin.c)
set_target_properties(fixture_netapi PROPERTIES OUTPUT_NAME netapi32 PREFIX ""
                      RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/wine-fixture/system)
target_link_options(fixture_netapi PRIVATE ${SETUP_STATIC_RUNTIME} -Wl,--kill-at)

# The toolkit alone with the program's layout and resources, for the Wine tests.
add_executable(toolkit_check
  ${CMAKE_SOURCE_DIR}/tests/wine/toolkit_check.cpp
  ${CMAKE_SOURCE_DIR}/src/platform/win32/toolkit.cpp
  ${CMAKE_SOURCE_DIR}/src/platform/win32/picture.cpp
  ${CMAKE_SOURCE_DIR}/src/resources/layout.cpp
  ${SETUP_RC})
target_include_directories(toolkit_check PRIVATE ${CMAKE_SOURCE_DIR}/src)
target_compile_definitions(toolkit_check PRIVATE ${SETUP_WINDOWS_API})
target_link_options(toolkit_check PRIVATE ${SETUP_STATIC_RUNTIME})
target_link_libraries(toolkit_check PRIVATE comctl32 user32 gdi32 msimg32 ole32 oleaut32 uuid)
# The device and registry routines with the real backend, for the Wine tests:
# the program's code without its entry point, driven from the command line.
set(DEVICES_CHECK_SOURCES ${CORE_SOURCES} ${WIN32_SOURCES})
list(REMOVE_ITEM DEVICES_CHECK_SOURCES ${CMAKE_SOURCE_DIR}/src/platform/win32/winmain.cpp)
add_executable(devices_check ${CMAKE_SOURCE_DIR}/tests/wine/devices_check.cpp ${DEVICES_CHECK_SOURCES})
target_include_directories(devices_check PRIVATE ${CMAKE_SOURCE_DIR}/src)
target_compile_definitions(devices_check PRIVATE ${SETUP_WINDOWS_API})
target_link_options(devices_check PRIVATE ${SETUP_STATIC_RUNTIME})
target_link_libraries(devices_check PRIVATE
  comctl32 user32 gdi32 msimg32 advapi32 shell32 ole32 oleaut32 uuid setupapi hid version)

include(${CMAKE_SOURCE_DIR}/package/package.cmake)

# The conformance scenarios of the seam against the Win32 backend, for the Wine
# tests: a console program that is also its own child and service program.
file(GLOB CONFORMANCE_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/conformance/*.cpp)
list(FILTER CONFORMANCE_SOURCES EXCLUDE REGEX "_test\\.cpp$")
set(CONFORMANCE_WIN32_SOURCES ${WIN32_SOURCES})
list(REMOVE_ITEM CONFORMANCE_WIN32_SOURCES ${CMAKE_SOURCE_DIR}/src/platform/win32/winmain.cpp)
add_executable(conformance
  ${CMAKE_SOURCE_DIR}/tests/wine/conformance_main.cpp ${CONFORMANCE_SOURCES} ${CONFORMANCE_WIN32_SOURCES}
  ${CMAKE_SOURCE_DIR}/src/platform/os.cpp)
target_include_directories(conformance PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests)
target_compile_definitions(conformance PRIVATE ${SETUP_WINDOWS_API})
target_link_options(conformance PRIVATE ${SETUP_STATIC_RUNTIME})
target_link_libraries(conformance PRIVATE
  comctl32 user32 gdi32 msimg32 advapi32 shell32 ole32 oleaut32 uuid setupapi hid version)
