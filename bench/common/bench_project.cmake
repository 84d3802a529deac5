# Shared set-up of the benchmark folders. Each folder's CMakeLists.txt builds inside the
# main build (bench/CMakeLists.txt) or on its own in Release, as its run.sh does; on its
# own it pulls in only what the benchmark needs, so that work in progress elsewhere cannot
# break it.
get_filename_component(RVC_ROOT ${CMAKE_CURRENT_LIST_DIR}/../.. ABSOLUTE)

# rvc_bench_standalone(LAYERS...): on its own, builds the named subsystem folders (their
# include paths and some sources are rooted at the repository); LAYERS "all" pulls in the
# whole repository without its tests. Nothing inside the main build.
macro(rvc_bench_standalone)
  if(CMAKE_CURRENT_SOURCE_DIR STREQUAL CMAKE_SOURCE_DIR)
    set(CMAKE_CXX_STANDARD 20)
    set(CMAKE_CXX_STANDARD_REQUIRED ON)
    if("${ARGN}" STREQUAL "all")
      set(RVC_BUILD_TESTS OFF CACHE BOOL "" FORCE)
      set(RVC_BUILD_BENCH OFF CACHE BOOL "" FORCE)
      set(RVC_BUILD_FUZZ OFF CACHE BOOL "" FORCE)
      add_subdirectory(${RVC_ROOT} rvc EXCLUDE_FROM_ALL)
    else()
      include(${RVC_ROOT}/cmake/Libraries.cmake)
      set(PROJECT_SOURCE_DIR ${RVC_ROOT})
      foreach(layer ${ARGN})
        add_subdirectory(${RVC_ROOT}/${layer} ${layer} EXCLUDE_FROM_ALL)
      endforeach()
    endif()
  endif()
endmacro()

# rvc_bench_executable(NAME SOURCES... LIBS libraries... [HEAP]): the benchmark program,
# with our warnings; HEAP links the counting operator new (common/heap_counter.h).
function(rvc_bench_executable name)
  cmake_parse_arguments(PARSE_ARGV 1 BENCH "HEAP" "" "LIBS")
  add_executable(${name} ${BENCH_UNPARSED_ARGUMENTS})
  if(BENCH_HEAP)
    target_sources(${name} PRIVATE ${RVC_ROOT}/bench/common/heap_counter.cpp)
  endif()
  target_include_directories(${name} PRIVATE ${RVC_ROOT}/bench/common)
  target_link_libraries(${name} PRIVATE ${BENCH_LIBS})
  rvc_target_warnings(${name})
endfunction()
