# Warnings are errors in our own code; third-party headers come in as SYSTEM.
add_library(lintor_warnings INTERFACE)
target_compile_options(lintor_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast
  -Wcast-align -Woverloaded-virtual -Wimplicit-fallthrough -Werror)
