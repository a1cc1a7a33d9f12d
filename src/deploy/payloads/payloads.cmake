# The DPInst and DevCon images that setup.exe carries (x86 and x64 of each).
#
# By default they are our own stand-ins, built here from package/tools/dpinst.c
# and devcon.c with MinGW-w64 for both architectures. A vendor licensed to ship
# Microsoft's redistributables embeds those instead, one option per image:
#
#   cmake --preset windows -DSETUP_DPINST_X64_IMAGE=/path/to/amd64/dpinst.exe
#
# The configure step refuses a file that is not a PE image of the image's
# machine type. The host build, which runs against the simulated PC, embeds a
# small placeholder per image unless an option names a file.
#
# Sets SETUP_PAYLOAD_SOURCES (the generated sources, for the program's code)
# and SETUP_PAYLOAD_FILES (image name -> the file embedded, for the tests).

set(SETUP_PAYLOAD_DIR ${CMAKE_BINARY_DIR}/payloads)
set(SETUP_TOOLS_SOURCE_DIR ${CMAKE_SOURCE_DIR}/package/tools)
file(MAKE_DIRECTORY ${SETUP_PAYLOAD_DIR})

set(SETUP_DPINST_X86_IMAGE "" CACHE FILEPATH "DPInst for x86 to embed instead of the stand-in")
set(SETUP_DPINST_X64_IMAGE "" CACHE FILEPATH "DPInst for x64 to embed instead of the stand-in")
set(SETUP_DEVCON_X86_IMAGE "" CACHE FILEPATH "DevCon for x86 to embed instead of the stand-in")
set(SETUP_DEVCON_X64_IMAGE "" CACHE FILEPATH "DevCon for x64 to embed instead of the stand-in")

# Stops the configure step unless FILE is a PE image whose machine field is
# MACHINE ("014c" x86, "8664" x64).
function(setup_check_pe_image option file machine label)
  if(NOT EXISTS "${file}" OR IS_DIRECTORY "${file}")
    message(FATAL_ERROR "${option}: no such file: ${file}")
  endif()
  file(SIZE "${file}" size)
  set(problem "")
  if(size LESS 64)
    set(problem "it is too small to be an executable (${size} bytes)")
  else()
    file(READ "${file}" mz LIMIT 2 HEX)
    if(NOT mz STREQUAL "4d5a")
      set(problem "it does not start with the MZ signature of an executable")
    else()
      file(READ "${file}" lfanew OFFSET 60 LIMIT 4 HEX)
      string(REGEX REPLACE "^(..)(..)(..)(..)$" "\\4\\3\\2\\1" lfanew "${lfanew}")
      math(EXPR header "0x${lfanew}")
      math(EXPR end "${header} + 6")
      if(header LESS 64 OR end GREATER size)
        set(problem "its PE header offset (${header}) lies outside the file")
      else()
        file(READ "${file}" signature OFFSET ${header} LIMIT 6 HEX)
        string(SUBSTRING "${signature}" 0 8 pe)
        string(SUBSTRING "${signature}" 8 4 found)
        string(REGEX REPLACE "^(..)(..)$" "\\2\\1" found "${found}")
        if(NOT pe STREQUAL "50450000")
          set(problem "it has no PE signature (an MS-DOS or other executable)")
        elseif(NOT found STREQUAL machine)
          set(problem "it is built for machine type 0x${found}, not 0x${machine}")
        endif()
      endif()
    endif()
  endif()
  if(problem)
    message(FATAL_ERROR "${option}: ${file} cannot be embedded as ${label}: ${problem}. "
                        "Name the ${label} build of the tool, or leave the option empty for the stand-in.")
  endif()
endfunction()

set(SETUP_PAYLOAD_SOURCES "")
set(SETUP_PAYLOAD_FILES "")

# One image: NAME (file stem, e.g. dpinst_x64), FUNCTION (its accessor),
# OPTION, MACHINE, LABEL, DEFAULT (file or target output used without the
# option), DEFAULT_DEPENDS.
function(setup_payload name function option machine label default default_depends)
  if(${option})
    setup_check_pe_image(${option} "${${option}}" ${machine} "${label}")
    set(input "${${option}}")
    set(depends "${${option}}")
    message(STATUS "Embedding ${label} from ${input}")
  else()
    set(input "${default}")
    set(depends ${default_depends})
  endif()
  set(output ${SETUP_PAYLOAD_DIR}/${name}.cpp)
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -DINPUT=${input} -DOUTPUT=${output} -DFUNCTION=${function}
            -P ${CMAKE_SOURCE_DIR}/src/deploy/payloads/embed_image.cmake
    DEPENDS ${depends} ${CMAKE_SOURCE_DIR}/src/deploy/payloads/embed_image.cmake
    COMMENT "Embedding ${label}"
    VERBATIM)
  set(SETUP_PAYLOAD_SOURCES ${SETUP_PAYLOAD_SOURCES} ${output} PARENT_SCOPE)
  set(SETUP_PAYLOAD_FILES ${SETUP_PAYLOAD_FILES} "${name}=${input}" PARENT_SCOPE)
endfunction()

if(CMAKE_SYSTEM_NAME STREQUAL "Windows")
  # The stand-ins, for both architectures whatever the build's own.
  find_program(SETUP_I686_C_COMPILER NAMES i686-w64-mingw32-gcc-win32 i686-w64-mingw32-gcc REQUIRED)
  find_program(SETUP_X86_64_C_COMPILER NAMES x86_64-w64-mingw32-gcc-win32 x86_64-w64-mingw32-gcc REQUIRED)
  set(stand_in_flags -Os -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion -Werror
                     -static -s)
  foreach(arch x86 x64)
    if(arch STREQUAL "x86")
      set(cc ${SETUP_I686_C_COMPILER})
      set(api -DWINVER=0x0500 -D_WIN32_WINNT=0x0500)
    else()
      set(cc ${SETUP_X86_64_C_COMPILER})
      set(api -DWINVER=0x0502 -D_WIN32_WINNT=0x0502)
    endif()
    set(dir ${SETUP_PAYLOAD_DIR}/${arch})
    add_custom_command(
      OUTPUT ${dir}/dpinst.exe
      COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
      COMMAND ${cc} ${stand_in_flags} ${api} -mwindows ${SETUP_TOOLS_SOURCE_DIR}/dpinst.c
              -lsetupapi -lnewdev -o ${dir}/dpinst.exe
      DEPENDS ${SETUP_TOOLS_SOURCE_DIR}/dpinst.c
      COMMENT "Building the DPInst stand-in (${arch})"
      VERBATIM)
    add_custom_command(
      OUTPUT ${dir}/devcon.exe
      COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
      COMMAND ${cc} ${stand_in_flags} ${api} -mconsole ${SETUP_TOOLS_SOURCE_DIR}/devcon.c
              -lsetupapi -lnewdev -o ${dir}/devcon.exe
      DEPENDS ${SETUP_TOOLS_SOURCE_DIR}/devcon.c
      COMMENT "Building the DevCon stand-in (${arch})"
      VERBATIM)
  endforeach()
  set(default_dpinst_x86 ${SETUP_PAYLOAD_DIR}/x86/dpinst.exe)
  set(default_dpinst_x64 ${SETUP_PAYLOAD_DIR}/x64/dpinst.exe)
  set(default_devcon_x86 ${SETUP_PAYLOAD_DIR}/x86/devcon.exe)
  set(default_devcon_x64 ${SETUP_PAYLOAD_DIR}/x64/devcon.exe)
else()
  foreach(image dpinst_x86 dpinst_x64 devcon_x86 devcon_x64)
    set(default_${image} ${SETUP_PAYLOAD_DIR}/placeholder/${image}.exe)
    file(WRITE ${default_${image}} "MZ placeholder of ${image}.exe for the host build\n")
  endforeach()
endif()

setup_payload(dpinst_x86 DpinstX86 SETUP_DPINST_X86_IMAGE 014c "DPInst (x86)" ${default_dpinst_x86} ${default_dpinst_x86})
setup_payload(dpinst_x64 DpinstX64 SETUP_DPINST_X64_IMAGE 8664 "DPInst (x64)" ${default_dpinst_x64} ${default_dpinst_x64})
setup_payload(devcon_x86 DevconX86 SETUP_DEVCON_X86_IMAGE 014c "DevCon (x86)" ${default_devcon_x86} ${default_devcon_x86})
setup_payload(devcon_x64 DevconX64 SETUP_DEVCON_X64_IMAGE 8664 "DevCon (x64)" ${default_devcon_x64} ${default_devcon_x64})

# For the tests: which file each image came from.
string(REPLACE ";" "\n" payload_list "${SETUP_PAYLOAD_FILES}")
file(WRITE ${SETUP_PAYLOAD_DIR}/embedded.txt "${payload_list}\n")
