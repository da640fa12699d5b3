#pragma once

#include <cstdio>
#include <string>

// The checks of a Windows test program. run.sh passes a program only on its summary line with nothing
// failed, so a program that stops early fails however it exits.
namespace corvel::wine_test {

inline int g_checks = 0;
inline int g_failures = 0;

inline void check(bool ok, const std::string& what) {
    ++g_checks;
    if (!ok) {
        ++g_failures;
        std::printf("FAIL: %s\n", what.c_str());
        std::fflush(stdout);
    }
}

// Prints the summary line and returns the program's exit code: the number of checks that failed.
inline int summary() {
    std::printf("%d checks, %d failed\n", g_checks, g_failures);
    return g_failures;
}

}  // namespace corvel::wine_test
