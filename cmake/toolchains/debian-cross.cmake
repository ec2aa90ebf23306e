# A cross build with Debian's own tools: the crossbuild-essential compiler of
# LINTOR_TRIPLET and the target's libraries installed through multiarch
# (libsystemd-dev:ARCH, ...), found under / by their multiarch directory, as
# debhelper builds Debian's packages. Included by the arch's own file.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_C_COMPILER ${LINTOR_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${LINTOR_TRIPLET}-g++)
set(CMAKE_LIBRARY_ARCHITECTURE ${LINTOR_TRIPLET})
set(PKG_CONFIG_EXECUTABLE /usr/bin/${LINTOR_TRIPLET}-pkg-config CACHE FILEPATH "The target's pkg-config")
# Build-time tools (scdoc, gzip) are the host's; libraries and headers the target's.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
# The target's programs run under qemu-user: test discovery, ctest, and the
# programs the process tests start. -L /: the target's loader and libraries
# are Debian's own for that arch (libc6:ARCH, libstdc++6:ARCH) in their
# multiarch directories, as a board has them, not the cross toolchain's.
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/bin/qemu-${LINTOR_QEMU_CPU} -L /)
