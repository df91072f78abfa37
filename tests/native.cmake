# Native tests of the portable code, under AddressSanitizer and UBSan; they
# and the fuzzers take their support header from the tests folder.
include_directories(${CMAKE_CURRENT_SOURCE_DIR})
add_executable(numtext_native numtext/numtext_test.cpp)
target_link_libraries(numtext_native PRIVATE quorvix_portable GTest::gtest_main)
add_test(NAME native.numtext COMMAND numtext_native)

add_executable(layout_native gui/layout_parser_test.cpp)
target_link_libraries(layout_native PRIVATE quorvix_portable GTest::gtest_main)
target_compile_definitions(layout_native PRIVATE QUORVIX_TEST_DATA="${CMAKE_CURRENT_SOURCE_DIR}/gui/layouts")
add_test(NAME native.layout COMMAND layout_native)

if(QUORVIX_FUZZ AND CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  # The fuzzers get their own build of the portable code with coverage
  # instrumentation: without it libFuzzer sees only the harness's branches and
  # cannot tell which inputs reach deeper into the code under test. The unit
  # tests above keep the plain build. Sources and include folders are taken
  # from quorvix_portable, so src/CMakeLists.txt stays the one list of them.
  get_target_property(portable_dir quorvix_portable SOURCE_DIR)
  get_target_property(portable_sources quorvix_portable SOURCES)
  list(TRANSFORM portable_sources PREPEND ${portable_dir}/)
  add_library(quorvix_portable_fuzz STATIC ${portable_sources})
  target_include_directories(quorvix_portable_fuzz PUBLIC
                             $<TARGET_PROPERTY:quorvix_portable,INTERFACE_INCLUDE_DIRECTORIES>)
  target_compile_options(quorvix_portable_fuzz PRIVATE -fsanitize=fuzzer-no-link)

  foreach(target numtext layout)
    add_executable(fuzz_${target} fuzz/fuzz_${target}.cpp)
    target_compile_options(fuzz_${target} PRIVATE -fsanitize=fuzzer)
    target_link_options(fuzz_${target} PRIVATE -fsanitize=fuzzer)
    target_link_libraries(fuzz_${target} PRIVATE quorvix_portable_fuzz)
    file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz-corpus/${target})
    add_test(NAME fuzz.${target}
             COMMAND fuzz_${target} -max_total_time=${QUORVIX_FUZZ_SECONDS} -timeout=10
                     ${CMAKE_BINARY_DIR}/fuzz-corpus/${target} ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/corpus/${target})
  endforeach()
endif()
