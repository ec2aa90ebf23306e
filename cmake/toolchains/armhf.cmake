# cmake -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/armhf.cmake: 32-bit ARMv7 boards
# with hardware floating point (Raspberry Pi OS 32-bit, BeagleBone),
# crossbuild-essential-armhf.
set(CMAKE_SYSTEM_PROCESSOR arm)
set(LINTOR_TRIPLET arm-linux-gnueabihf)
set(LINTOR_QEMU_CPU arm)
set(LINTOR_DEB_ARCH armhf)  # the package's Architecture
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
