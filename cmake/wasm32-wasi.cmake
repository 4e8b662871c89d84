# The page's build: the pass in WebAssembly, with clang, lld and Debian's wasi-libc and
# libc++ headers (apt-get install clang lld wasi-libc libc++-14-dev-wasm32
# libclang-rt-14-dev-wasm32). Nothing of the C++ library is linked: the pass needs only its
# headers and the C library's memcpy and memmove.
set(CMAKE_SYSTEM_NAME Generic)
set(CMAKE_SYSTEM_PROCESSOR wasm32)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_CXX_COMPILER_TARGET wasm32-wasi)
set(CMAKE_EXECUTABLE_SUFFIX .wasm)
# The compiler's test program is only compiled: a wasm module has no main to link.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)
set(VESKOR_WEB ON CACHE BOOL "Build the page" FORCE)
