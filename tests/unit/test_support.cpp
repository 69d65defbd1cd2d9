#include "test_support.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "picture/message.h"

namespace {

std::vector<RecordedMessage> recorded;

void Recording_hook(WindowRef, const char *text, const char *caption, int icon, int flags)
{
    std::string t(text);
    while (!t.empty() && t.back() == ' ')
        t.pop_back();
    recorded.push_back({t, caption, icon, flags});
}

} // namespace

MessageRecorder::MessageRecorder()
{
    recorded.clear();
    Message_set_hook(Recording_hook);
}

MessageRecorder::~MessageRecorder()
{
    Message_set_hook(nullptr);
}

const std::vector<RecordedMessage> &MessageRecorder::messages() const
{
    return recorded;
}

std::string MessageRecorder::texts() const
{
    std::string all;
    for (const RecordedMessage &m : recorded)
        all += (all.empty() ? "" : "|") + m.text;
    return all;
}

void MessageRecorder::clear()
{
    recorded.clear();
}

ScratchDir::ScratchDir()
{
    static int serial = 0;
    std::filesystem::path base = std::filesystem::temp_directory_path();
    const testing::TestInfo *info = testing::UnitTest::GetInstance()->current_test_info();
    std::string name = "voka-" + std::to_string(serial++) + "-" +
                       (info ? std::string(info->name()) : std::string("test"));
    for (char &c : name)
        if (c == '/')
            c = '_';
    path_ = (base / name).string();
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
}

ScratchDir::~ScratchDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string ScratchDir::write(const std::string &name, const std::string &content) const
{
    std::string p = file(name);
    File_write(p, content);
    return p;
}

std::string ScratchDir::read(const std::string &name) const
{
    return File_read(file(name));
}

CurrentDir::CurrentDir(const std::string &path)
    : old_(std::filesystem::current_path().string())
{
    std::filesystem::current_path(path);
}

CurrentDir::~CurrentDir()
{
    std::filesystem::current_path(old_);
}

std::string File_read(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void File_write(const std::string &path, const std::string &content)
{
    std::ofstream out(path, std::ios::binary);
    out << content;
}
