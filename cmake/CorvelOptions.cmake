# Compiler settings shared by every target of the project.
add_library(corvel_options INTERFACE)
target_include_directories(corvel_options INTERFACE
    ${PROJECT_SOURCE_DIR}
    ${PROJECT_BINARY_DIR}/generated)

if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    target_compile_options(corvel_options INTERFACE -Wall -Wextra -Wpedantic
        -Wnon-virtual-dtor -Wcast-align -Woverloaded-virtual)
    if(WIN32)
        # COM interfaces are released through Release(), never deleted through a base pointer.
        target_compile_options(corvel_options INTERFACE -Wno-non-virtual-dtor)
        # Windows 7 is the oldest system the libraries run on.
        target_compile_definitions(corvel_options INTERFACE _WIN32_WINNT=0x0601 WINVER=0x0601 NOMINMAX)
    endif()
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
        # GCC 12 reports overlapping copies inside std::string at -O3 that cannot happen (PR 105329).
        target_compile_options(corvel_options INTERFACE -Wshadow=local -Wno-restrict)
    else()
        # Clang (the fuzzing build) has no -Wshadow=local; this is its nearest match.
        target_compile_options(corvel_options INTERFACE -Wshadow-uncaptured-local)
    endif()
    if(CORVEL_WERROR)
        target_compile_options(corvel_options INTERFACE -Werror)
    endif()
    if(CORVEL_SANITIZE)
        target_compile_options(corvel_options INTERFACE
            -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
        target_link_options(corvel_options INTERFACE -fsanitize=address,undefined)
        target_compile_definitions(corvel_options INTERFACE CORVEL_PLAIN_RECORD_ALLOCATION)
    endif()
endif()

# corvel_add_test(<name> SOURCES ... LIBS ...): one GoogleTest program, run by ctest as one test.
# In the Windows tree the program cannot run where it is built: tests/wine/run.sh runs every
# bin/*_tests.exe under Wine instead, so name it so.
function(corvel_add_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} corvel_options GTest::gmock_main)
    if(WIN32)
        return()
    endif()
    add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
    set_tests_properties(${name} PROPERTIES TIMEOUT 600)
endfunction()
