# cmake -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/arm64.cmake: 64-bit ARM boards
# (Raspberry Pi 3/4/5 with a 64-bit OS), crossbuild-essential-arm64.
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(LINTOR_TRIPLET aarch64-linux-gnu)
set(LINTOR_QEMU_CPU aarch64)
set(LINTOR_DEB_ARCH arm64)  # the package's Architecture
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
