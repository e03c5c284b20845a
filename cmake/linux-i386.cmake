# 32-bit Linux build with clang -m32 and Debian's i386 multiarch libraries
# (tools/install-deps.sh i386). It proves the module where long, size_t,
# max_size() and ftell are 32 bits wide, as in the DLL. The programs run on
# the build machine, so this is not a cross-build (no CMAKE_SYSTEM_NAME): the
# tests and tools are built as in the native build.

set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
# 64-bit file offsets, as Debian's i386 libraries are built: files of 2 GiB
# and more open, as with Windows' C library, and only the module's own long
# offsets stay 32 bits wide.
set(CMAKE_C_FLAGS_INIT "-m32 -D_FILE_OFFSET_BITS=64")
set(CMAKE_CXX_FLAGS_INIT "-m32 -D_FILE_OFFSET_BITS=64")
set(CMAKE_EXE_LINKER_FLAGS_INIT -m32)
set(CMAKE_SHARED_LINKER_FLAGS_INIT -m32)
set(CMAKE_MODULE_LINKER_FLAGS_INIT -m32)

# Libraries and their CMake packages come from /usr/lib/i386-linux-gnu only;
# the build machine's own (x86_64) libraries must never be found.
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)
set(CMAKE_IGNORE_PATH /usr/lib/x86_64-linux-gnu /usr/lib/x86_64-linux-gnu/cmake /usr/lib64 /lib/x86_64-linux-gnu)
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/i386-linux-gnu/pkgconfig:/usr/share/pkgconfig)
# Debian's Google Benchmark is not installed for i386; the benchmarks run in
# the 64-bit Release build.
set(CMAKE_DISABLE_FIND_PACKAGE_benchmark TRUE)
