// Driver steps for the viewer's settings dialogs: wait for a dialog, list
// its controls with what they show, set a control's text, scroll a bar.  A dialog is named by its
// caption.  Each handler gets the arguments after the step name and returns
// 0 (done), 1 (failed, with a line on stderr) or 2 (bad arguments).
#ifndef VOKA_DRIVER_DIALOGS_H
#define VOKA_DRIVER_DIALOGS_H

#include "driver_step.h"

// The steps, ending in an entry without a name.
extern const DriverStep DIALOG_STEPS[];

#endif
