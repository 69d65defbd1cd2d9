#include "picture/display.h"

#include <cstring>

DisplayState display = {0, 1, 0, 0, 0, 0, 1, 1, 1, 0, 0, 0, {}, {}, {}};

void Display_init()
{
    display.angle_x = display.angle_y = display.angle_z = 0;
    display.show_electron = display.show_positron = display.show_photon = 1;
    std::memset(display.picture_path, 0, sizeof display.picture_path);
    std::memset(display.geometry_path, 0, sizeof display.geometry_path);
    std::memset(display.calc_output_path, 0, sizeof display.calc_output_path);
    display.batch_from = display.batch_to = 0;
    display.view_dirty = 0;
    display.geometry_enabled = 1;
    display.geometry_pending = 0;
}
