// What every fuzz target does when a property does not hold: says which,
// and aborts, so that libFuzzer keeps the input as a crash.
#pragma once

#include <cstdio>
#include <cstdlib>

inline void Fail(const char* pszWhat)
{
    std::fprintf(stderr, "property broken: %s\n", pszWhat);
    std::abort();
}
