# Compile settings shared by every target of the suite.
function(pelwick_target_defaults target)
    target_compile_definitions(${target} PRIVATE QT_NO_FOREACH QT_USE_QSTRINGBUILDER)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic
        $<$<CXX_COMPILER_ID:GNU>:-Wshadow=local> -Wno-unused-parameter)
    # The fuzz build instruments every library for coverage and always runs
    # under the sanitizers, so a finding is a crash with a stack.
    if(PELWICK_FUZZ)
        target_compile_options(${target} PRIVATE -fsanitize=fuzzer-no-link)
    endif()
    if(PELWICK_SANITIZE OR PELWICK_FUZZ)
        target_compile_options(${target} PRIVATE -fsanitize=address,undefined
            -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
        target_link_options(${target} PRIVATE -fsanitize=address,undefined)
    endif()
endfunction()

# A libFuzzer target: pelwick_add_fuzzer(fuzz_name SOURCES ... LIBS ...)
function(pelwick_add_fuzzer name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS})
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/fuzz ${PROJECT_SOURCE_DIR}/tests/support)
    pelwick_target_defaults(${name})
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    set_property(GLOBAL APPEND PROPERTY PELWICK_FUZZERS ${name})
endfunction()

# A library of one subsystem: pelwick_add_library(Name ALIAS Pelwick::Name SOURCES ...)
function(pelwick_add_library name)
    cmake_parse_arguments(ARG "" "ALIAS" "SOURCES;PUBLIC_LIBS;PRIVATE_LIBS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    add_library(${ARG_ALIAS} ALIAS ${name})
    target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${ARG_PUBLIC_LIBS} PRIVATE ${ARG_PRIVATE_LIBS})
    pelwick_target_defaults(${name})
endfunction()

# A shipped program: pelwick_add_program(Name SOURCES ... LIBS ...)
function(pelwick_add_program name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS})
    pelwick_target_defaults(${name})
    set_property(GLOBAL APPEND PROPERTY PELWICK_PROGRAMS ${name})
endfunction()

# A Qt Test: pelwick_add_test(tst_name SOURCES ... LIBS ... [TIMEOUT s] [LABELS ...])
# Runs headless on the offscreen platform with a private runtime and config
# directory, so tests never touch the user's settings or running programs.
# LC_ALL=C.UTF-8: programs a test starts speak Japanese whatever the
# machine's language.
function(pelwick_add_test name)
    cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
    if(NOT ARG_SOURCES)
        set(ARG_SOURCES ${name}.cpp)
    endif()
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 120)
    endif()
    # Instrumented code runs several times slower.
    if(PELWICK_SANITIZE)
        math(EXPR ARG_TIMEOUT "${ARG_TIMEOUT} * 3")
    endif()
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE Qt6::Test ${ARG_LIBS})
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
    # Where the built programs lie, for tests that start real processes.
    target_compile_definitions(${name} PRIVATE PELWICK_BIN_DIR="${CMAKE_BINARY_DIR}/bin")
    pelwick_target_defaults(${name})
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES
        TIMEOUT ${ARG_TIMEOUT}
        LABELS "${ARG_LABELS}"
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QT_LOGGING_RULES=qt.multimedia*=false;LC_ALL=C.UTF-8")
endfunction()
