# GoogleTest and GoogleMock for the test programs, as the targets GTest::gtest, GTest::gtest_main,
# GTest::gmock and GTest::gmock_main, whichever platform the tree builds for: include this module and
# link one of them.
#
# Natively they are the system's packages. A Windows (MinGW) tree cannot use those, so it builds them
# once from Debian's googletest sources with its own cross compiler, beside the project's targets;
# every test program of the tree links the same build.
include_guard(GLOBAL)

if(NOT WIN32)
    find_package(GTest REQUIRED)
    return()
endif()

set(CORVEL_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources for the Windows test programs")
if(NOT EXISTS ${CORVEL_GOOGLETEST_SOURCE}/CMakeLists.txt)
    message(FATAL_ERROR "No GoogleTest sources in ${CORVEL_GOOGLETEST_SOURCE}: "
                        "scripts/install-deps.sh windows installs them (Debian package googletest)")
endif()
# Tests of this tree only; nothing of GoogleTest is installed. The runtime is linked statically, as
# the toolchain does for every program, so the test programs run in a bare Wine prefix.
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
# SYSTEM: its headers do not count against the project's warnings-as-errors.
add_subdirectory(${CORVEL_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
