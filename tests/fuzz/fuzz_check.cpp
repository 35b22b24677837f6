#include "fuzz_input.h"

#include <cstdio>
#include <cstdlib>

void FuzzCheckFailed(const char* what, const char* file, int line)
{
    std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, what);
    std::abort();
}
