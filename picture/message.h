// Messages to the user.  The core never calls the window system: it hands
// every message (the numbered file errors and the few fixed texts of other
// modules) to a hook that the front end installs: a message box in the
// window program, stderr in the command-line tools, a recorder in tests.
#ifndef VOKA_MESSAGE_H
#define VOKA_MESSAGE_H

#include "picture/defs.h"

enum MessageIcon {
    MESSAGE_ICON_NONE = 0,
    MESSAGE_ICON_EXCLAMATION = 1,
    MESSAGE_ICON_QUESTION = 2,
    MESSAGE_ICON_STOP = 3,
    MESSAGE_ICON_INFORMATION = 4
};

// Flags of a message.
enum {
    MESSAGE_SYSTEM_MODAL = 1, // the box is system-modal
    // The summary of the lines a conversion left out (caption "Warning"): a
    // front end that lists them itself (vokatool) passes it over.
    MESSAGE_LINES_LEFT_OUT = 2
};

// The hook gets the owner window (may be nullptr), the text, the caption, the
// icon and the flags; it returns when the user has closed the message.
typedef void (*MessageHook)(WindowRef window, const char *text, const char *caption, int icon,
                            int flags);

// Install the hook; nullptr restores the default, which writes
// "caption: text" to stderr.
void Message_set_hook(MessageHook hook);

// Show one message through the hook.  Returns 0.
int Message_show(WindowRef window, const char *text, const char *caption, int icon, int flags);

// The numbered file-error table: twenty slots of 40 bytes, each text padded
// with blanks to 39 characters; slot 0 all blanks, slots 11 to 19 empty.
enum { MESSAGE_SLOTS = 20, MESSAGE_SLOT_SIZE = 40 };

// The numbers of the table's messages; every module names them from here.
enum MessageNumber {
    MSG_SELECT_START = 1, // "please selection start position"
    MSG_SELECT_END = 2,   // "please selection end position"
    MSG_SELECT_GUIDE = 3, // "please selection guidance position"
    MSG_INPUT_OPEN = 4,   // "input file open error !!"
    MSG_WORK_PATH = 5,    // "work path not found error !!"
    MSG_INPUT_READ = 6,   // "input file read error !!"
    MSG_WORK_READ = 7,    // "work file read error !!"
    MSG_WORK_WRITE = 8,   // "work file write err !!"
    MSG_WORK_FULL = 9,    // "work file device not spase !!"
    MSG_SELECT_TITLE = 10 // "please selection title position"
};

// Caption of the numbered messages.
const char MESSAGE_CAPTION_ERROR_STATUS[] = "Error status";
// Caption of the warnings: something was left out or not written.
const char MESSAGE_CAPTION_WARNING[] = "Warning";

// Text of slot `number` (trailing blanks included); "" for a number outside 0..19.
const char *Message_text(int number);

// Show slot `number` with caption "Error status" and the exclamation icon.
// Returns 0 after the user has closed it.
int Show_error(WindowRef window, int number);

#endif
