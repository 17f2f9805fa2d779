# Shared compile settings: warnings are errors everywhere, sanitizers on request,
# and one helper that registers a QTest executable with CTest on the offscreen platform.

add_compile_options(-Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Werror)

if(ZELVAR71_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined -fno-sanitize-recover=all)
endif()

if(ZELVAR71_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
        message(FATAL_ERROR "ZELVAR71_FUZZ needs clang (libFuzzer)")
    endif()
    # Coverage counters in every library, so that the fuzzers see into the readers.
    add_compile_options(-fsanitize=fuzzer-no-link)
endif()

# zelvar_add_test(<name> SOURCES <files...> LIBS <libs...> [WRAPPER <program>])
# WRAPPER runs the test through another program (umockdev-wrapper).
function(zelvar_add_test name)
    cmake_parse_arguments(ARG "" "WRAPPER" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE Qt6::Test ${ARG_LIBS})
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
    # A test function left outside its class would compile and never run: this makes it
    # an error (clang calls it a missing prototype).
    target_compile_options(${name} PRIVATE -Wmissing-declarations $<$<CXX_COMPILER_ID:Clang>:-Wmissing-prototypes>)
    add_test(NAME ${name} COMMAND ${ARG_WRAPPER} $<TARGET_FILE:${name}>)
    # Recovery files of unsaved work go to a data folder of the test's own, never the user's;
    # tests that leave work behind give each case a fresh one.
    set_tests_properties(${name} PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=1;UBSAN_OPTIONS=print_stacktrace=1;XDG_DATA_HOME=${CMAKE_BINARY_DIR}/test-data/${name}"
        TIMEOUT 300)
endfunction()
