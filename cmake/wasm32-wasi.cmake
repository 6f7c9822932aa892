# Cross build for WebAssembly (WASI preview 1) with clang 19 and Debian's
# wasi-libc and libc++ for wasm32. The program runs under node, through the
# page's own WASI layer (web/src/cli.js).
set(CMAKE_SYSTEM_NAME Generic)
set(CMAKE_SYSTEM_PROCESSOR wasm32)
set(CMAKE_C_COMPILER clang-19)
set(CMAKE_CXX_COMPILER clang++-19)
set(CMAKE_C_COMPILER_TARGET wasm32-wasi)
set(CMAKE_CXX_COMPILER_TARGET wasm32-wasi)
# Debian's libc++abi for wasm32 has no exception support. Copies of bytes are
# the engine's own memory.copy (bulk memory) rather than a loop of 4-byte
# moves, and loops over records may use 128-bit vectors: node from 16 and
# every current browser run both.
set(CMAKE_C_FLAGS_INIT "-mbulk-memory -msimd128")
set(CMAKE_CXX_FLAGS_INIT "-fno-exceptions -mbulk-memory -msimd128")
# All of a 32-bit module's 4 GiB may be used, and a release needs no names
# (the web-profile preset keeps them).
set(CMAKE_EXE_LINKER_FLAGS_INIT "-Wl,--max-memory=4294967296")
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT "-Wl,--strip-all")
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)
set(CMAKE_CROSSCOMPILING_EMULATOR node ${CMAKE_CURRENT_LIST_DIR}/../web/src/cli.js)
