// What the fuzz targets share: a check that turns a broken promise into a
// crash libFuzzer records (with the input that caused it), in any build
// type. The sanitizers find the memory and UB faults; these checks find
// the wrong answers.
#pragma once

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(cond)                                                                           \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond);          \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)
