#include "render/picture_paint.h"

#include <cstring>

#include "picture/display.h"
#include "picture/settings.h"
#include "render/annotations.h"
#include "render/energy_colour.h"
#include "render/geometry_draw.h"
#include "render/layout.h"
#include "render/track.h"
#include "render/view.h"

PictureMarks picture_marks;

void Picture_rebuild(WindowRef window, const RebuildRequest &request)
{
    Surface *surface = request.surface;
    surface->set_origin(layout.view_rect.left, layout.view_rect.top);
    int drawn = Track_draw(window, request, &view_state.view_scale, layout.view_rect);
    if (drawn == 0)
        Picture_geometry_draw(window, surface);
    if (display.geometry_enabled == 1 && display.geometry_pending == 1)
        Geometry_file_read_draw(window, surface);
    // Over the tracks and the geometry, on its backing.
    if (drawn >= 0)
        Scale_draw(surface, view_state.view_scale);
    if (energy_colouring.by_energy == 1)
        Energy_picture_bar(surface);
    if (picture_marks.title_shown == 1) {
        if (picture_marks.title_pos.x > layout.view_right - 80)
            picture_marks.title_pos.x = layout.view_right - 80;
        if (picture_marks.title_pos.y > layout.view_bottom - 30)
            picture_marks.title_pos.y = layout.view_bottom - 30;
        const void *end = std::memchr(settings.title_text, '\0', sizeof settings.title_text);
        size_t n = end ? static_cast<size_t>(static_cast<const char *>(end) - settings.title_text)
                       : sizeof settings.title_text;
        surface->text(picture_marks.title_pos.x, picture_marks.title_pos.y, settings.title_text,
                      static_cast<int>(n), settings.character_color);
        picture_marks.title_placing = 0;
    }
    if (picture_marks.guide_shown == 1) {
        if (picture_marks.guide_pos.x > layout.view_right - 150)
            picture_marks.guide_pos.x = layout.view_right - 150;
        if (picture_marks.guide_pos.y > layout.view_bottom - 80)
            picture_marks.guide_pos.y = layout.view_bottom - 80;
        Guide_draw(surface, picture_marks.guide_pos.x, picture_marks.guide_pos.y);
        picture_marks.guide_placing = 0;
    }
    surface->set_origin(0, 0);
}
