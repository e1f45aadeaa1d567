# Warnings for the project's own code; third-party headers come in as system headers.
add_library(vaultline_warnings INTERFACE)
target_compile_options(vaultline_warnings INTERFACE -Wall -Wextra -Wpedantic -Wnon-virtual-dtor -Woverloaded-virtual
                       $<$<CXX_COMPILER_ID:GNU>:-Wshadow=local>)

# CI builds with warnings as errors (.ci/run); a developer's build may keep
# them as warnings while work is under way.
option(VAULTLINE_WERROR "Treat warnings in the project's own code as errors" OFF)
if(VAULTLINE_WERROR)
  target_compile_options(vaultline_warnings INTERFACE -Werror)
endif()
