# Warnings are errors in our own code; third-party headers come in as SYSTEM.
add_library(lintor_warnings INTERFACE)
target_compile_options(lintor_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast
  -Wcast-align -Woverloaded-virtual -Wimplicit-fallthrough -Werror)
# GCC's guesses of maybe-uninitialized depend on the target's inlining: for
# arm64 it flags std::optional's storage around a std::variant whose members
# are all set (GCC bug 80635). Still shown, not fatal, in cross builds.
if(CMAKE_CROSSCOMPILING AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  target_compile_options(lintor_warnings INTERFACE -Wno-error=maybe-uninitialized)
endif()
