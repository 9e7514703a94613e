# Cross-build for 32-bit Windows on the Intel 386 with the LLVM tools: clang++ in its
# GNU-style driver targeting the MSVC ABI, linked by lld-link.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(CMAKE_C_COMPILER clang)
set(CMAKE_C_COMPILER_TARGET i386-pc-windows-msvc)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_CXX_COMPILER_TARGET i386-pc-windows-msvc)
set(CMAKE_LINKER lld-link)
# keycode links no runtime, so the compiler check must not try to link a normal program.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)
# The release is built with Debian 12's clang and lld, as their --version lines name them.
# Other versions build a keycode.exe that passes every test with other bytes (other
# instructions); the zips' build record says which toolchain built them.
set(KEYCODE_RELEASE_TOOLCHAIN "Debian clang version 14.0.6" "Debian LLD 14.0.6")
