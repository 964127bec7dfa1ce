# Helpers shared by every subsystem folder, so that a folder's CMakeLists.txt stays a few lines long
# and adding a source file never means touching a file another subsystem owns.

# velmarond_engine_library(NAME [DEPENDS lib...])
# A static library of every .cpp in the calling folder (an INTERFACE library while the folder holds headers only).
# Engine libraries must not link Qt: the check below keeps the layering honest.
function(velmarond_engine_library name)
  cmake_parse_arguments(ARG "" "" "DEPENDS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  foreach(dep IN LISTS ARG_DEPENDS)
    if(dep MATCHES "^Qt")
      message(FATAL_ERROR "engine library ${name} must not depend on ${dep}")
    endif()
  endforeach()
  if(sources)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC ${ARG_DEPENDS} Threads::Threads)
    set_target_properties(${name} PROPERTIES POSITION_INDEPENDENT_CODE ON)
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} INTERFACE ${ARG_DEPENDS} Threads::Threads)
  endif()
  add_library(velmarond::${name} ALIAS ${name})
endfunction()

# velmarond_test(NAME SOURCES src... LIBS lib... LABELS label... [ENV VAR=value...] [TIMEOUT s])
# One GoogleTest executable; every test case becomes a CTest test carrying the labels.
function(velmarond_test name)
  cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS;LABELS;ENV" ${ARGN})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE
    VELMAROND_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    VELMAROND_BINARY_DIR="${PROJECT_BINARY_DIR}")
  # A list value must reach the test properties as one argument, or only its first item sticks.
  string(REPLACE ";" "\\;" labels "${ARG_LABELS}")
  string(REPLACE ";" "\\;" environment "${ARG_ENV}")
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 60
    PROPERTIES LABELS "${labels}" TIMEOUT ${ARG_TIMEOUT} ENVIRONMENT "${environment}")
endfunction()
