# Warnings for our own targets; third-party headers come in as system includes.
function(rvc_target_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
                                           -Wno-sign-conversion -Werror=return-type)
endfunction()

# rvc_library(NAME SOURCES... DEPS ...) : a static library rooted at the repository top,
# so that includes read "store/resource_db.h".
function(rvc_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  rvc_target_warnings(${name})
endfunction()

# A subsystem that has no sources yet: it still exists as a target so that the
# dependency graph is stated now.
function(rvc_placeholder_library name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  add_library(${name} INTERFACE)
  target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} INTERFACE ${ARG_DEPS})
endfunction()
