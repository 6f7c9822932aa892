# Cross build for 32-bit x86 Linux, linked statically so that no 32-bit
# libraries need be installed for its programs to run.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER i686-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER i686-linux-gnu-g++)
set(CMAKE_FIND_ROOT_PATH /usr/i686-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Not every x86-64 host runs 32-bit x86 programs: a kernel may have its IA32
# emulation off. A tiny static program, run once when the build is first
# configured, decides whether the tests run natively or under qemu-i386. A
# qemu-i386 that binfmt_misc hands such programs to is qemu all the same, and
# is named as such. Set POLYMILL_I386_RUNS_NATIVELY=OFF to take qemu anyway.
if(NOT CMAKE_IN_TRY_COMPILE AND NOT DEFINED POLYMILL_I386_RUNS_NATIVELY)
  set(probe_dir ${CMAKE_BINARY_DIR}/i386-probe)
  file(WRITE ${probe_dir}/probe.c "int main(void) { return 0; }\n")
  execute_process(COMMAND ${CMAKE_C_COMPILER} -static -o probe probe.c WORKING_DIRECTORY ${probe_dir}
                  OUTPUT_QUIET ERROR_QUIET)
  execute_process(COMMAND ${probe_dir}/probe RESULT_VARIABLE probe_result OUTPUT_QUIET ERROR_QUIET)
  set(binfmt_entry /proc/sys/fs/binfmt_misc/qemu-i386)
  set(binfmt_state disabled)
  if(EXISTS ${binfmt_entry})
    file(STRINGS ${binfmt_entry} binfmt_state LIMIT_COUNT 1)
  endif()
  if(probe_result STREQUAL "0" AND NOT binfmt_state STREQUAL "enabled")
    set(runs_natively ON)
  else()
    set(runs_natively OFF)
    message(STATUS "This host does not run 32-bit x86 programs itself (${probe_result}, binfmt_misc ${binfmt_state})")
  endif()
  set(POLYMILL_I386_RUNS_NATIVELY ${runs_natively} CACHE BOOL "The host runs 32-bit x86 programs itself")
endif()
if(NOT CMAKE_IN_TRY_COMPILE AND NOT POLYMILL_I386_RUNS_NATIVELY)
  find_program(POLYMILL_QEMU_I386 qemu-i386 REQUIRED)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${POLYMILL_QEMU_I386})
endif()
# CMake reads this file more than once; the way the tests run is told once.
if(NOT CMAKE_IN_TRY_COMPILE AND NOT polymill_i386_way_told)
  set(polymill_i386_way_told ON)
  if(POLYMILL_I386_RUNS_NATIVELY)
    message(STATUS "32-bit x86 tests run natively")
  else()
    message(STATUS "32-bit x86 tests run under ${POLYMILL_QEMU_I386}, whose x87 unit is emulated in software")
  endif()
endif()
