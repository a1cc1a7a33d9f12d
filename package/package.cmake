# The sample driver package: builds the package tools' stand-ins and assembles
# ${CMAKE_BINARY_DIR}/package, a package folder ready to copy to a Windows PC:
# setup.exe, the tools under the names and in the places setup expects, and
# the sample files of this folder.
#
# Included by the Windows build after the `setup` target exists; uses its
# SETUP_WINDOWS_API and SETUP_STATIC_RUNTIME. The tools take the build's own
# architecture, like setup.exe, except setdev64.exe, which is always x86-64.

set(PACKAGE_SOURCE_DIR ${CMAKE_CURRENT_LIST_DIR})
set(PACKAGE_TOOLS_DIR ${CMAKE_BINARY_DIR}/package-tools)
set(PACKAGE_OUTPUT_DIR ${CMAKE_BINARY_DIR}/package)

# One stand-in: kind DLL or GUI (a program with no console window).
function(add_package_tool target kind output_name)
  if(kind STREQUAL "DLL")
    add_library(${target} SHARED ${ARGN})
    # The entry points are __stdcall; callers look them up by their plain names.
    target_link_options(${target} PRIVATE -Wl,--kill-at)
    set_target_properties(${target} PROPERTIES PREFIX "" ARCHIVE_OUTPUT_DIRECTORY ${PACKAGE_TOOLS_DIR}/lib)
  else()
    add_executable(${target} WIN32 ${ARGN})
  endif()
  set_target_properties(${target} PROPERTIES OUTPUT_NAME ${output_name} RUNTIME_OUTPUT_DIRECTORY ${PACKAGE_TOOLS_DIR})
  target_compile_definitions(${target} PRIVATE ${SETUP_WINDOWS_API})
  target_link_options(${target} PRIVATE ${SETUP_STATIC_RUNTIME} -s)
endfunction()

add_package_tool(package_setup_dll DLL setup ${PACKAGE_SOURCE_DIR}/tools/setup_dll.c)
add_package_tool(package_tsutils DLL tsutils ${PACKAGE_SOURCE_DIR}/tools/tsutils.c)
target_link_libraries(package_tsutils PRIVATE cfgmgr32)
add_package_tool(package_pnpreg GUI pnpreg ${PACKAGE_SOURCE_DIR}/tools/pnpreg.c)
target_link_libraries(package_pnpreg PRIVATE advapi32)
add_package_tool(package_hidfilter GUI hidfilter ${PACKAGE_SOURCE_DIR}/tools/hidfilter.c)
target_link_libraries(package_hidfilter PRIVATE advapi32 user32)
add_package_tool(package_touchcfg GUI touchcfg ${PACKAGE_SOURCE_DIR}/tools/touchcfg.c)
target_link_libraries(package_touchcfg PRIVATE user32 gdi32)
add_package_tool(package_uninstall GUI uninstall
  ${PACKAGE_SOURCE_DIR}/tools/uninstall.c ${PACKAGE_SOURCE_DIR}/tools/uninstall.rc)
set_property(SOURCE ${PACKAGE_SOURCE_DIR}/tools/uninstall.rc APPEND PROPERTY OBJECT_DEPENDS
             ${PACKAGE_SOURCE_DIR}/tools/uninstall.exe.manifest)
target_link_libraries(package_uninstall PRIVATE user32)

# setdev64.exe runs on 64-bit Windows only, whatever the build's architecture,
# so it is compiled here directly with the x86-64 compiler.
find_program(PACKAGE_X64_C_COMPILER NAMES x86_64-w64-mingw32-gcc-win32 x86_64-w64-mingw32-gcc REQUIRED)
set(PACKAGE_SETDEV64 ${PACKAGE_TOOLS_DIR}/setdev64.exe)
add_custom_command(
  OUTPUT ${PACKAGE_SETDEV64}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${PACKAGE_TOOLS_DIR}
  # The build's warnings; Windows XP x64 and Server 2003 x64 are the oldest 64-bit systems.
  COMMAND ${PACKAGE_X64_C_COMPILER} -Os -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion
          -Werror -DWINVER=0x0502 -D_WIN32_WINNT=0x0502 -mwindows -static -s
          ${PACKAGE_SOURCE_DIR}/tools/setdev64.c -lsetupapi -lnewdev -o ${PACKAGE_SETDEV64}
  DEPENDS ${PACKAGE_SOURCE_DIR}/tools/setdev64.c
  COMMENT "Building setdev64.exe (x86-64)"
  VERBATIM)

# The sample files: everything in this folder but the tools' sources and the
# files that make the package.
file(GLOB_RECURSE PACKAGE_SAMPLE_FILES CONFIGURE_DEPENDS RELATIVE ${PACKAGE_SOURCE_DIR} ${PACKAGE_SOURCE_DIR}/*)
list(FILTER PACKAGE_SAMPLE_FILES EXCLUDE REGEX "^(tools/|package\\.cmake$|make_images\\.py$|\\.gitattributes$)")
set(package_copy_commands)
set(package_sample_paths)
foreach(file IN LISTS PACKAGE_SAMPLE_FILES)
  list(APPEND package_copy_commands
       COMMAND ${CMAKE_COMMAND} -E copy ${PACKAGE_SOURCE_DIR}/${file} ${PACKAGE_OUTPUT_DIR}/${file})
  list(APPEND package_sample_paths ${PACKAGE_SOURCE_DIR}/${file})
endforeach()

# Assembled afresh each time, so that files removed from the sample go too.
# touchcfg_xp.exe is the same stand-in as touchcfg.exe; the uninstaller
# travels as setup.dat.
set(PACKAGE_STAMP ${PACKAGE_TOOLS_DIR}/package.stamp)
add_custom_command(
  OUTPUT ${PACKAGE_STAMP}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${PACKAGE_OUTPUT_DIR}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${PACKAGE_OUTPUT_DIR}
  ${package_copy_commands}
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:setup> ${PACKAGE_OUTPUT_DIR}/setup.exe
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:package_setup_dll> ${PACKAGE_OUTPUT_DIR}/setup.dll
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:package_tsutils> ${PACKAGE_OUTPUT_DIR}/tsutils.dll
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:package_pnpreg> ${PACKAGE_OUTPUT_DIR}/pnpreg.exe
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:package_hidfilter> ${PACKAGE_OUTPUT_DIR}/hidfilter.exe
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:package_touchcfg> ${PACKAGE_OUTPUT_DIR}/touchcfg.exe
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:package_touchcfg> ${PACKAGE_OUTPUT_DIR}/touchcfg_xp.exe
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:package_uninstall> ${PACKAGE_OUTPUT_DIR}/setup.dat
  COMMAND ${CMAKE_COMMAND} -E copy ${PACKAGE_SETDEV64} ${PACKAGE_OUTPUT_DIR}/setdev64.exe
  COMMAND ${CMAKE_COMMAND} -E touch ${PACKAGE_STAMP}
  DEPENDS ${package_sample_paths} ${PACKAGE_SETDEV64} setup package_setup_dll package_tsutils package_pnpreg
          package_hidfilter package_touchcfg package_uninstall
  COMMENT "Assembling the sample driver package in ${PACKAGE_OUTPUT_DIR}"
  VERBATIM)
add_custom_target(sample_package ALL DEPENDS ${PACKAGE_STAMP})
