# Cross-compiles for macOS 13 from Linux with Zig's clang, which carries the
# macOS system headers, libc++ and the stubs of libSystem, so a program links
# with nothing left unresolved. No Apple framework comes with it: targets that
# need one (the Qt window, anything calling CoreServices or AppKit) are not
# built this way. scripts/mac-cross-build.sh drives it; by hand:
#
#   cmake -S . -B build-mac/arm64 -G Ninja --toolchain cmake/zig-macos.cmake \
#     -DQUILLMERE_ZIG=/path/to/zig -DQUILLMERE_MAC_ARCH=aarch64 \
#     -DQUILLMERE_MAC_DEPS=/prefix/with/libplist/and/utf8proc/for/that/arch
#
# QUILLMERE_MAC_ARCH is aarch64 or x86_64; QUILLMERE_MAC_DEPS holds
# include/, lib/ and lib/pkgconfig/ built for the same target.

set(CMAKE_SYSTEM_NAME Darwin)
set(CMAKE_SYSTEM_VERSION 22.0)  # Darwin 22 is macOS 13
# try_compile projects read this file again and get only these variables.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES QUILLMERE_ZIG QUILLMERE_MAC_ARCH QUILLMERE_MAC_DEPS)

foreach(var QUILLMERE_ZIG QUILLMERE_MAC_ARCH QUILLMERE_MAC_DEPS)
  if(NOT ${var})
    message(FATAL_ERROR "zig-macos.cmake: set ${var} (see the top of this file)")
  endif()
endforeach()
if(QUILLMERE_MAC_ARCH STREQUAL "aarch64")
  set(CMAKE_SYSTEM_PROCESSOR arm64)
elseif(QUILLMERE_MAC_ARCH STREQUAL "x86_64")
  set(CMAKE_SYSTEM_PROCESSOR x86_64)
else()
  message(FATAL_ERROR "zig-macos.cmake: QUILLMERE_MAC_ARCH is aarch64 or x86_64, not ${QUILLMERE_MAC_ARCH}")
endif()

# CMake takes a compiler as one program, and ccache recognises clang by its
# name: small scripts named clang and clang++ run `zig cc -target …` and
# `zig c++ -target …`, the target in the script so that no flags given on the
# command line can drop it. They are rewritten only when their text changes,
# and their text names Zig's version, so ccache (told to check the compiler's
# content) keeps its hits across configures and drops them with a new Zig.
execute_process(COMMAND "${QUILLMERE_ZIG}" version OUTPUT_VARIABLE QUILLMERE_ZIG_VERSION
  OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
get_filename_component(_quillmere_zig_dir "${QUILLMERE_ZIG}" DIRECTORY)
set(_quillmere_tools "${_quillmere_zig_dir}/quillmere-wrappers/${QUILLMERE_MAC_ARCH}")
set(_quillmere_target "-target ${QUILLMERE_MAC_ARCH}-macos.13.0")
# Zig links a libc++ of its own and so turns off libc++'s availability marks;
# a Mac program uses the system's, where a function newer than macOS 13 (say
# to_chars of a double, from 13.3) is missing: the marks are turned back on.
set(_quillmere_availability "-U_LIBCPP_HAS_NO_VENDOR_AVAILABILITY_ANNOTATIONS")
foreach(tool "clang=cc ${_quillmere_target}" "clang++=c++ ${_quillmere_target} ${_quillmere_availability}"
             "ar=ar" "ranlib=ranlib")
  string(REGEX REPLACE "=.*" "" QUILLMERE_TOOL_NAME "${tool}")
  string(REGEX REPLACE "^[^=]*=" "" QUILLMERE_ZIG_COMMAND "${tool}")
  configure_file("${CMAKE_CURRENT_LIST_DIR}/zig-tool.sh.in" "${_quillmere_tools}/${QUILLMERE_TOOL_NAME}" @ONLY
    FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
endforeach()
set(CMAKE_C_COMPILER "${_quillmere_tools}/clang")
set(CMAKE_CXX_COMPILER "${_quillmere_tools}/clang++")
set(CMAKE_AR "${_quillmere_tools}/ar" CACHE FILEPATH "")
set(CMAKE_RANLIB "${_quillmere_tools}/ranlib" CACHE FILEPATH "")

# libplist and utf8proc for the target, found through their .pc files; nothing
# of the build machine's own libraries or headers.
set(CMAKE_FIND_ROOT_PATH "${QUILLMERE_MAC_DEPS}")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(ENV{PKG_CONFIG_LIBDIR} "${QUILLMERE_MAC_DEPS}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
set(ENV{PKG_CONFIG_SYSROOT_DIR} "")
