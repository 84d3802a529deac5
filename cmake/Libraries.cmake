# Warnings for our own targets; third-party headers come in as system includes.
function(rvc_target_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
                                           -Wno-sign-conversion -Werror=return-type)
  # GCC 12's optimiser reports overlaps and uninitialised lengths inside std::string's own
  # inlined code (concatenation, assignment) that cannot happen; later versions do not.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(${target} PRIVATE "$<$<NOT:$<CONFIG:Debug>>:-Wno-restrict;-Wno-maybe-uninitialized>")
  endif()
endfunction()

# rvc_library(NAME SOURCES... DEPS... [PRIVATE_DEPS...]) : the static library of the
# current folder. Includes read "store/resource_db.h"; the library and its users see only
# the folders of the libraries it links, so an include of a layer that is not a declared
# dependency fails to compile (tests/layering checks the allowed table as well).
function(rvc_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;PRIVATE_DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  rvc_expose_folder(${name} PUBLIC)
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  if(ARG_PRIVATE_DEPS)
    target_link_libraries(${name} PRIVATE ${ARG_PRIVATE_DEPS})
  endif()
  rvc_target_warnings(${name})
endfunction()

# Makes the current folder visible to `target` (and, with PUBLIC or INTERFACE, to its
# users) as "<folder>/...", and nothing else of the tree: a folder of links in the build
# tree stands in for the repository root.
function(rvc_expose_folder target scope)
  file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  string(REPLACE "/" "_" root_name ${folder})
  set(root ${PROJECT_BINARY_DIR}/include_roots/${root_name})
  get_filename_component(parent ${root}/${folder} DIRECTORY)
  file(MAKE_DIRECTORY ${parent})
  if(NOT EXISTS ${root}/${folder})
    file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR} ${root}/${folder} SYMBOLIC)
  endif()
  target_include_directories(${target} ${scope} ${root})
endfunction()

# A subsystem that has no sources yet: it still exists as a target so that the
# dependency graph is stated now.
function(rvc_placeholder_library name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  add_library(${name} INTERFACE)
  rvc_expose_folder(${name} INTERFACE)
  target_link_libraries(${name} INTERFACE ${ARG_DEPS})
endfunction()
