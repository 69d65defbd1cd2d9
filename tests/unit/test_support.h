// Helpers shared by the unit tests: a scratch directory, files written from
// text, and a recorder for the messages the core shows.
#ifndef VOKA_TEST_SUPPORT_H
#define VOKA_TEST_SUPPORT_H

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "picture/defs.h"

struct RecordedMessage {
    std::string text;     // trailing blanks removed
    std::string caption;
    int icon;
    int flags;
};

// Installs a message hook that records instead of showing; restores the
// default hook when destroyed.
class MessageRecorder {
public:
    MessageRecorder();
    ~MessageRecorder();
    const std::vector<RecordedMessage> &messages() const;
    std::string texts() const;   // all texts joined by '|'
    void clear();
};

// A fresh directory under the system's temporary directory, removed at the
// end of the test.  The current directory is unchanged.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    const std::string &path() const { return path_; }
    std::string file(const std::string &name) const { return path_ + "/" + name; }
    std::string write(const std::string &name, const std::string &content) const;
    std::string read(const std::string &name) const;
private:
    std::string path_;
};

// Changes the current directory for the scope.
class CurrentDir {
public:
    explicit CurrentDir(const std::string &path);
    ~CurrentDir();
private:
    std::string old_;
};

std::string File_read(const std::string &path);
void File_write(const std::string &path, const std::string &content);

#endif
