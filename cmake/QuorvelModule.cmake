# Every folder of sources is one static library made from the .cpp files found in it, so
# adding a file needs no edit here. A folder with no sources yet is an interface library.
#
#   quorvel_module(<target> <folder> [DEPS <targets...>])
function(quorvel_module target folder)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${folder}/*.cpp)
  if(sources)
    add_library(${target} STATIC ${sources})
    target_link_libraries(${target} PUBLIC ${ARG_DEPS})
    set_target_properties(${target} PROPERTIES POSITION_INDEPENDENT_CODE ON)
  else()
    add_library(${target} INTERFACE)
    target_link_libraries(${target} INTERFACE ${ARG_DEPS})
  endif()
endfunction()

# One GoogleTest executable for one folder of tests.
#
#   quorvel_test_suite(<target> <folder> [DEPS <targets...>])
function(quorvel_test_suite target folder)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${folder}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(${target} ${sources})
  target_link_libraries(${target} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gmock GTest::gtest_main)
  target_compile_definitions(${target} PRIVATE
    QUORVEL_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    QUORVEL_BINARY_DIR="${CMAKE_BINARY_DIR}"
    QUORVEL_RESOURCE_DIR="${QUORVEL_RESOURCE_DIR}")
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin/tests)
  gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QUORVEL_LOG_STDERR=0")
endfunction()
