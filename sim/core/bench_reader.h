// Reads a bench from its JSON text. Any flaw makes the whole file unusable:
// a half-read bench would hide typos in tests behind odd behaviour.
#pragma once

#include <cstdio>
#include <stdexcept>
#include <string>

#include "core/bench.h"

namespace sim {

struct BenchError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

Bench parse_bench(const std::string& json_text);  // throws BenchError

// The bench named by path, or the built-in one when path is null or empty.
// A file that cannot be used is reported on err in one line, naming `who`,
// the file and the reason, and yields a bench with no resources.
Bench load_bench(const char* path, std::FILE* err, const char* who);

}  // namespace sim
