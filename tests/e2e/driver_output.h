// Driver steps of the printing and bitmap export tests, looked up by name
// from the driver's step dispatch.
#ifndef VOKA_DRIVER_OUTPUT_H
#define VOKA_DRIVER_OUTPUT_H

#include "driver_step.h"

// The output step of that name, or nullptr.
const DriverStep *Output_step(const char *name);

#endif
