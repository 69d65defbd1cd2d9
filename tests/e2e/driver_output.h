// Driver steps of the printing and bitmap export tests, looked up by name
// from the driver's step dispatch.
#ifndef VOKA_DRIVER_OUTPUT_H
#define VOKA_DRIVER_OUTPUT_H

#include "driver_step.h"

// The steps, ending in an entry without a name.
extern const DriverStep OUTPUT_STEPS[];

#endif
