// vokatool convert: the picture into the work file.

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "output/part_file.h"
#include "picture/picture.h"
#include "tools/vokatool/vokatool.h"

namespace {

// The work file DIR + "work.$$$": written under a new name beside it and put
// in place when the conversion is complete, so that an interrupted run
// leaves an existing work file as it was.
int Convert(const char *path, const char *work_dir)
{
    if (!work_dir)
        work_dir = "./";
    int n = std::snprintf(tool_run.work_file, sizeof tool_run.work_file, "%swork.$$$", work_dir);
    if (n < 0 || static_cast<size_t>(n) + 16 >= sizeof tool_run.work_file) {
        std::fprintf(stderr, "vokatool convert: work directory too long: %s\n", work_dir);
        return 2;
    }
    tool_run.message_input = path;
    const char *inputs[] = {path};
    if (Output_is_input(tool_run.work_file, inputs, 1) != 0)
        return 1;
    char part[PART_PATH_SIZE];
    if (Part_begin(tool_run.work_file, part) != 0)
        return 1;
    errno = 0;
    int converted = Picture_convert_file(nullptr, path, part);
    int first_problem;
    uint64_t first_line;
    if (converted == 0 && tool_run.strict &&
        Lines_left_out(&work_file.stats, &first_problem, &first_line)) {
        Part_end(false, part, tool_run.work_file); // nothing is written
        return Convert_explain(path, 0);
    }
    if (Part_end(converted == 0, part, tool_run.work_file) != 0 && converted == 0) {
        converted = -1;
        tool_run.message_shown = true;
    }
    if (converted != 0)
        return Convert_explain(path, -1);
    std::printf("work file: %s\n", tool_run.work_file);
    std::printf("batches: %u\n", work_file.batch_count);
    uint64_t total = 0;
    for (int i = 0; i < BATCH_MAX; i++) {
        if (work_file.batch_step_count[i] == 0)
            continue;
        total += work_file.batch_step_count[i];
        std::printf("batch %5d: %u records\n", i + 1, work_file.batch_step_count[i]);
    }
    std::printf("records: %llu\n", static_cast<unsigned long long>(total));
    return Convert_explain(path, 0);
}

} // namespace

int Convert_command(int argc, char **argv)
{
    const char *work_dir = nullptr;
    const char *path = nullptr;
    for (int i = 2; i < argc; i++) {
        if (std::strcmp(argv[i], "--work-dir") == 0 && i + 1 < argc)
            work_dir = argv[++i];
        else if (std::strcmp(argv[i], "--strict") == 0)
            tool_run.strict = true;
        else if (argv[i][0] == '-' && argv[i][1] != '\0')
            return Unknown_option("convert", argv[i]);
        else if (!path)
            path = argv[i];
        else
            return Usage();
    }
    if (!path)
        return Usage();
    return Convert(path, work_dir);
}
