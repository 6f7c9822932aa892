// Copying and filling bytes in the WebAssembly module, linked in place of the
// C library's. Debian's wasi-libc copies with a loop of 4-byte moves, a few
// times slower than the engine's own memory.copy and memory.fill, which the
// compiler emits for these builtins where bulk memory is enabled; a large
// scene's files and trace are copied and grown through them. Linux, Windows
// and macOS keep their C libraries' copies, which already use the fastest
// instructions of the machine.

#include <cstddef>

#if defined(__wasm__) && defined(__wasm_bulk_memory__)

extern "C" {

void* memcpy(void* __restrict to, const void* __restrict from, std::size_t size) {
  return __builtin_memcpy(to, from, size);
}

void* memmove(void* to, const void* from, std::size_t size) { return __builtin_memmove(to, from, size); }

void* memset(void* to, int value, std::size_t size) { return __builtin_memset(to, value, size); }

}  // extern "C"

#endif
