# vaultline_layer(NAME SOURCES ... [LIBS ...])
# One static library per folder, built from the sources it lists: a new file
# is part of the build only once it is named here, so it cannot land in the
# wrong library unnoticed. Each library lists what it may use; the headless
# ones never name Qt6::Widgets.
function(vaultline_layer name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  if(NOT ARG_SOURCES)
    message(FATAL_ERROR "vaultline_layer(${name}): no SOURCES")
  endif()
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_LIBS} PRIVATE vaultline_warnings)
endfunction()
