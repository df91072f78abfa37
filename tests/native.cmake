# Native tests of the portable code, under AddressSanitizer and UBSan.
add_executable(numtext_native numtext/numtext_test.cpp)
target_link_libraries(numtext_native PRIVATE quorvix_portable GTest::gtest_main)
add_test(NAME native.numtext COMMAND numtext_native)

add_executable(layout_native gui/layout_parser_test.cpp)
target_link_libraries(layout_native PRIVATE quorvix_portable GTest::gtest_main)
target_compile_definitions(layout_native PRIVATE QUORVIX_TEST_DATA="${CMAKE_CURRENT_SOURCE_DIR}/gui/layouts")
add_test(NAME native.layout COMMAND layout_native)

if(QUORVIX_FUZZ AND CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  foreach(target numtext layout)
    add_executable(fuzz_${target} fuzz/fuzz_${target}.cpp)
    target_compile_options(fuzz_${target} PRIVATE -fsanitize=fuzzer)
    target_link_options(fuzz_${target} PRIVATE -fsanitize=fuzzer)
    target_link_libraries(fuzz_${target} PRIVATE quorvix_portable)
    file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz-corpus/${target})
    add_test(NAME fuzz.${target}
             COMMAND fuzz_${target} -max_total_time=${QUORVIX_FUZZ_SECONDS} -timeout=10
                     ${CMAKE_BINARY_DIR}/fuzz-corpus/${target} ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/corpus/${target})
  endforeach()
endif()
