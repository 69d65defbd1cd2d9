// Driver steps of the printing and bitmap export tests, looked up by name
// from the driver's step dispatch.
#ifndef VOKA_DRIVER_OUTPUT_H
#define VOKA_DRIVER_OUTPUT_H

// A step gets the arguments after its name and returns 0 done, 1 failed,
// 2 bad arguments.
struct DriverStep {
    const char *name;
    int (*handler)(int argc, char **argv);
    const char *help;
};

// The output step of that name, or nullptr.
const DriverStep *Output_step(const char *name);

#endif
