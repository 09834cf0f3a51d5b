// toml++'s compiled part, built here with the fuzz targets' instrumentation
// instead of taken from Debian's shared library, so that the fuzzer sees
// into the parser and the sanitizers catch its undefined behaviour (its
// "unreachable" marker included). The program's definitions take precedence
// over the library's.
#define TOML_IMPLEMENTATION
#include <toml++/toml.h>
