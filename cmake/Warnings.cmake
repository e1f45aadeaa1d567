# Warnings for the project's own code; third-party headers come in as system headers.
add_library(vaultline_warnings INTERFACE)
target_compile_options(vaultline_warnings INTERFACE -Wall -Wextra -Wpedantic -Wnon-virtual-dtor -Woverloaded-virtual
                       $<$<CXX_COMPILER_ID:GNU>:-Wshadow=local>)
