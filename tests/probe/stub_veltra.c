/* A probe library that exports a single function: tests of the binding's missing-export path. */
#include <stdint.h>

__attribute__((visibility("default"))) int VELTRAARM_GetDLLVersion(void) { return 42; }
