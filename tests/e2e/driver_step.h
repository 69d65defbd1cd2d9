// One step of the driver: its name, its handler and a line of help.  The
// handler gets the arguments after the step name and returns 0 (done), 1
// (failed, with a line on stderr) or 2 (bad arguments).
#ifndef VOKA_DRIVER_STEP_H
#define VOKA_DRIVER_STEP_H

struct DriverStep {
    const char *name;
    int (*handler)(int argc, char **argv);
    const char *help;
};

#endif
