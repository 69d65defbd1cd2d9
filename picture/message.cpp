#include "picture/message.h"

#include <cstdio>
#include <cstring>

namespace {

// The table as stored: every text padded with blanks to 39 characters.
char message_table[MESSAGE_SLOTS][MESSAGE_SLOT_SIZE];
bool message_table_ready = false;

const char *const message_texts[MESSAGE_SLOTS] = {
    "",
    "please selection start position",
    "please selection end position",
    "please selection guidance position",
    "input file open error !!",
    "work path not found error !!",
    "input file read error !!",
    "work file read error !!",
    "work file write err !!",
    "work file device not spase !!",
    "please selection title position",
};

void Message_table_build()
{
    for (int i = 0; i < MESSAGE_SLOTS; i++) {
        char *slot = message_table[i];
        std::memset(slot, 0, MESSAGE_SLOT_SIZE);
        if (i > 10)
            continue; // slots 11 to 19 are empty
        const char *text = message_texts[i] ? message_texts[i] : "";
        size_t n = std::strlen(text);
        // Terminated by the zeros set above, after the blanks that follow.
        std::memcpy(slot, text, n); // NOLINT(bugprone-not-null-terminated-result)
        std::memset(slot + n, ' ', MESSAGE_SLOT_SIZE - 1 - n);
    }
    message_table_ready = true;
}

void Message_default_hook(WindowRef, const char *text, const char *caption, int, int)
{
    std::fprintf(stderr, "%s: %s\n", caption, text);
}

MessageHook message_hook = Message_default_hook;

} // namespace

void Message_set_hook(MessageHook hook)
{
    message_hook = hook ? hook : Message_default_hook;
}

int Message_show(WindowRef window, const char *text, const char *caption, int icon, int flags)
{
    message_hook(window, text, caption, icon, flags);
    return 0;
}

const char *Message_text(int number)
{
    if (!message_table_ready)
        Message_table_build();
    if (number < 0 || number >= MESSAGE_SLOTS)
        return "";
    return message_table[number];
}

int Show_error(WindowRef window, int number)
{
    return Message_show(window, Message_text(number), MESSAGE_CAPTION_ERROR_STATUS,
                        MESSAGE_ICON_EXCLAMATION, 0);
}
