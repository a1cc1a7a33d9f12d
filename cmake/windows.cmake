# Windows build: setup.exe against the real Win32 API.
file(GLOB WIN32_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/platform/win32/*.cpp)
add_executable(setup WIN32 ${CORE_SOURCES} ${WIN32_SOURCES})
target_include_directories(setup PRIVATE ${CMAKE_SOURCE_DIR}/src)
target_link_options(setup PRIVATE -static -static-libgcc -static-libstdc++)
