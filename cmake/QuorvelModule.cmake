# Every folder of sources is one static library made from the .cpp files found in it, so
# adding a file needs no edit here. A folder with no sources yet is an interface library.
#
#   quorvel_module(<target> <folder> [QT] [RECURSE [EXCLUDE <subfolders...>]] [DEPS <targets...>])
#   (QT: runs moc; RECURSE: the folder's subfolders belong to the same library, but those
#   named after EXCLUDE, which are libraries or programs of their own)
function(quorvel_module target folder)
  cmake_parse_arguments(ARG "QT;RECURSE" "" "DEPS;EXCLUDE" ${ARGN})
  set(glob GLOB)
  if(ARG_RECURSE)
    set(glob GLOB_RECURSE)
  endif()
  file(${glob} sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${folder}/*.cpp)
  foreach(excluded ${ARG_EXCLUDE})
    list(FILTER sources EXCLUDE REGEX "^${CMAKE_SOURCE_DIR}/${folder}/${excluded}/")
  endforeach()
  if(sources)
    add_library(${target} STATIC ${sources})
    target_link_libraries(${target} PUBLIC ${ARG_DEPS})
    set_target_properties(${target} PROPERTIES POSITION_INDEPENDENT_CODE ON)
    if(ARG_QT)
      file(${glob} headers CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${folder}/*.hpp)
      foreach(excluded ${ARG_EXCLUDE})
        list(FILTER headers EXCLUDE REGEX "^${CMAKE_SOURCE_DIR}/${folder}/${excluded}/")
      endforeach()
      target_sources(${target} PRIVATE ${headers})
      set_target_properties(${target} PROPERTIES AUTOMOC ON)
    endif()
  else()
    add_library(${target} INTERFACE)
    target_link_libraries(${target} INTERFACE ${ARG_DEPS})
  endif()
endfunction()

# One GoogleTest executable for one folder of tests.
#
#   quorvel_test_suite(<target> <folder> [QT] [DEPS <targets...>])
function(quorvel_test_suite target folder)
  cmake_parse_arguments(ARG "QT" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${folder}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(${target} ${sources})
  target_link_libraries(${target} PRIVATE ${ARG_DEPS} quorvel_test_printers GTest::gtest GTest::gmock GTest::gtest_main)
  target_compile_definitions(${target} PRIVATE
    QUORVEL_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    QUORVEL_BINARY_DIR="${CMAKE_BINARY_DIR}"
    QUORVEL_RESOURCE_DIR="${QUORVEL_RESOURCE_DIR}")
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin/tests)
  if(ARG_QT)
    set_target_properties(${target} PROPERTIES AUTOMOC ON)
  endif()
  # Every case runs as on a machine of its own: a throw-away home, a private session bus.
  set_target_properties(${target} PROPERTIES
    CROSSCOMPILING_EMULATOR "sh;${CMAKE_SOURCE_DIR}/tests/support/hermetic.sh")
  gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QUORVEL_LOG_STDERR=0")
endfunction()

# A libFuzzer target (clang only), run for a bounded time by the test script.
#
#   quorvel_fuzzer(<name> <source> DEPS <targets...>)   builds bin/fuzz/fuzz_<name>
function(quorvel_fuzzer name source)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  if(NOT QUORVEL_BUILD_FUZZERS)
    return()
  endif()
  add_executable(fuzz_${name} ${CMAKE_SOURCE_DIR}/${source})
  target_link_libraries(fuzz_${name} PRIVATE ${ARG_DEPS})
  target_compile_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
  set_target_properties(fuzz_${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin/fuzz)
  if(NOT TARGET fuzzers)
    add_custom_target(fuzzers)
  endif()
  add_dependencies(fuzzers fuzz_${name})
endfunction()
