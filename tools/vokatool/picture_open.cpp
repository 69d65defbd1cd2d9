// What Data File Open does, for the commands that draw or export a picture
// (animate, export): the picture converted into a work file of the run.

#include <cerrno>
#include <cstdio>

#include "picture/cp1252.h"
#include "picture/display.h"
#include "picture/picture.h"
#include "picture/settings.h"
#include "tools/vokatool/vokatool.h"

int Picture_open(const char *command, const char *work_dir, const char **picture)
{
    if (work_dir) {
        int n =
            std::snprintf(tool_run.work_file, sizeof tool_run.work_file, "%swork.$$$", work_dir);
        if (n < 0 || static_cast<size_t>(n) >= sizeof tool_run.work_file) {
            std::fprintf(stderr, "vokatool %s: work directory too long: %s\n", command, work_dir);
            return 2;
        }
    } else if (Private_work_dir() != 0) {
        return 1;
    } else {
        Text_copy(tool_run.work_file, sizeof tool_run.work_file, private_folder.work_file);
    }
    tool_run.message_input = *picture;
    if (Track_file_prepare(picture, stderr) != 0)
        return 1;
    Text_copy(display.picture_path, sizeof display.picture_path, *picture);
    errno = 0;
    int first_problem;
    uint64_t first_line;
    if (Picture_convert_file(nullptr, display.picture_path, tool_run.work_file) != 0)
        return Convert_explain(*picture, -1);
    if (tool_run.strict && Lines_left_out(&work_file.stats, &first_problem, &first_line))
        return Convert_explain(*picture, 0); // nothing is written
    Progress_end();
    Left_out_print(*picture);
    return 0;
}
