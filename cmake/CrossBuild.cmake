# What a cross build of the stub takes from the build machine (see the toolchain files
# beside this one): the message tables' generator of its native build, and the headers of
# header-only libraries that Debian installs for the build machine alone.

# The generator runs at build time, so it must be the build machine's program.
set(QG_HOST_MESSAGETABLES "" CACHE FILEPATH
    "qgmessagetables of the build machine's native build, which a cross build runs")
if(NOT EXISTS "${QG_HOST_MESSAGETABLES}")
  message(FATAL_ERROR
    "A cross build runs the build machine's qgmessagetables: set QG_HOST_MESSAGETABLES to "
    "bin/qgmessagetables of a native build (`make stubs` builds one and sets it).")
endif()
add_executable(qgmessagetables IMPORTED)
set_target_properties(qgmessagetables PROPERTIES IMPORTED_LOCATION ${QG_HOST_MESSAGETABLES})

# xxHash's headers (libxxhash-dev) are the same for every architecture, but Debian installs
# them for the build machine, in /usr/include. A cross compiler cannot be relied on to look
# there, and must not be told to: the C library headers there are the build machine's. A
# directory of the build tree holds links to those two headers alone, searched before the
# compiler's own directories.
set(QG_XXHASH_INCLUDE_DIR /usr/include CACHE PATH
    "Directory of the build machine's xxhash.h and xxh3.h, linked into a cross build")
set(xxhash_links ${CMAKE_BINARY_DIR}/xxhash-include)
file(MAKE_DIRECTORY ${xxhash_links})
foreach(header xxhash.h xxh3.h)
  if(NOT EXISTS ${QG_XXHASH_INCLUDE_DIR}/${header})
    message(FATAL_ERROR
      "${QG_XXHASH_INCLUDE_DIR}/${header} is missing: install xxHash's headers (Debian: "
      "libxxhash-dev) or set QG_XXHASH_INCLUDE_DIR to their directory.")
  endif()
  file(CREATE_LINK ${QG_XXHASH_INCLUDE_DIR}/${header} ${xxhash_links}/${header} SYMBOLIC)
endforeach()
include_directories(SYSTEM ${xxhash_links})
