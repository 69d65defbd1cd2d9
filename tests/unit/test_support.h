// Helpers shared by the unit tests: a scratch directory, files written from
// text, a recorder for the messages the core shows, and a fixture for tests
// that convert pictures.
#ifndef VOKA_TEST_SUPPORT_H
#define VOKA_TEST_SUPPORT_H

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "picture/display.h"
#include "picture/message.h"
#include "picture/picture.h"
#include "picture/settings.h"

inline std::string File_read(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

inline void File_write(const std::string &path, const std::string &content)
{
    std::ofstream(path, std::ios::binary) << content;
}

struct RecordedMessage {
    std::string text; // trailing blanks removed
    std::string caption;
    int icon;
    int flags;
};

// Records the messages the core shows instead of showing them, while it
// lives; the default hook is back afterwards.
class MessageRecorder {
public:
    MessageRecorder() { Message_set_hook(Record), All().clear(); }
    ~MessageRecorder() { Message_set_hook(nullptr); }
    const std::vector<RecordedMessage> &messages() const { return All(); }
    void clear() { All().clear(); }
    std::string texts() const // all texts joined by '|'
    {
        std::string joined;
        for (const RecordedMessage &m : All())
            joined += (joined.empty() ? "" : "|") + m.text;
        return joined;
    }

private:
    static std::vector<RecordedMessage> &All()
    {
        static std::vector<RecordedMessage> recorded;
        return recorded;
    }
    static void Record(WindowRef, const char *text, const char *caption, int icon, int flags)
    {
        std::string t(text);
        All().push_back({t.erase(t.find_last_not_of(' ') + 1), caption, icon, flags});
        // What the window adds to the box (the line and reason of a file
        // that cannot be read, the work file and the system's reason): its
        // last line, as a text of its own, with the picture's path as FILE.
        char detail[2048];
        if (Message_detail(text, detail, sizeof detail) == 1) {
            std::string d(detail);
            d = d.substr(d.find_last_of('\n') + 1);
            if (display.picture_path[0] != '\0' &&
                d.compare(0, std::strlen(display.picture_path), display.picture_path) == 0)
                d = "FILE" + d.substr(std::strlen(display.picture_path));
            All().push_back({d, "detail", 0, 0});
        }
    }
};

// A fresh directory under the system's temporary directory, removed at the
// end of the test.  The current directory is unchanged.
class ScratchDir {
public:
    ScratchDir()
    {
        static int serial = 0;
        path_ = (std::filesystem::temp_directory_path() /
                 ("voka-" + std::to_string(::getpid()) + "-" + std::to_string(serial++)))
                    .string();
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~ScratchDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    const std::string &path() const { return path_; }
    std::string file(const std::string &name) const { return path_ + "/" + name; }
    std::string write(const std::string &name, const std::string &content) const
    {
        File_write(file(name), content);
        return file(name);
    }
    std::string read(const std::string &name) const { return File_read(file(name)); }

private:
    std::string path_;
};

// A test in a scratch directory that is the current directory (the work file
// goes there), with the settings of a first run and the messages recorded.
class PictureTest : public testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::current_path(scratch.path());
        Settings_init();
        Display_init();
        // The work directory setting holds at most 19 characters.
        Text_copy(settings.work_dir, sizeof settings.work_dir, "./");
    }
    void TearDown() override { std::filesystem::current_path(start_dir); }
    // Converts a picture file of the given text; returns Picture_convert's result.
    int Run(const std::string &text)
    {
        Text_copy(display.picture_path, sizeof display.picture_path,
                  scratch.write("p.pic", text).c_str());
        return Picture_convert(nullptr, 0);
    }
    std::filesystem::path start_dir = std::filesystem::current_path();
    ScratchDir scratch;
    MessageRecorder messages;
};

#endif
