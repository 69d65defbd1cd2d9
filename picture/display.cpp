#include "picture/display.h"

#include <cstring>

int16_t view_dirty;
int16_t geometry_enabled = 1;
int16_t geometry_pending;

int16_t angle_x, angle_y, angle_z;
int16_t show_electron = 1, show_positron = 1, show_photon = 1;
int32_t batch_from, batch_to;

char picture_path[PATH_SIZE];
char geometry_path[PATH_SIZE];
char calc_output_path[PATH_SIZE];

void Display_init()
{
    angle_x = angle_y = angle_z = 0;
    show_electron = show_positron = show_photon = 1;
    std::memset(picture_path, 0, sizeof picture_path);
    std::memset(geometry_path, 0, sizeof geometry_path);
    std::memset(calc_output_path, 0, sizeof calc_output_path);
    batch_from = batch_to = 0;
    view_dirty = 0;
    geometry_enabled = 1;
    geometry_pending = 0;
}
