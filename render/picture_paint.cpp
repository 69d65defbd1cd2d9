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

uint32_t title_shown;
PixelPoint title_pos;
uint32_t guide_shown;
PixelPoint guide_pos;
int16_t guide_placing, title_placing;

void Picture_rebuild(WindowRef window, const RebuildRequest &request)
{
    Surface *surface = request.surface;
    surface->set_origin(layout.view_rect.left, layout.view_rect.top);
    if (Track_draw(window, request, &view_state.view_scale, layout.view_rect) == 0)
        Picture_geometry_draw(window, surface);
    if (display.geometry_enabled == 1 && display.geometry_pending == 1)
        Geometry_load(window, surface);
    if (energy_colouring.by_energy == 1)
        Energy_picture_bar(surface);
    if (title_shown == 1) {
        if (title_pos.x > layout.view_right - 80)
            title_pos.x = layout.view_right - 80;
        if (title_pos.y > layout.view_bottom - 30)
            title_pos.y = layout.view_bottom - 30;
        const void *end = std::memchr(settings.title_text, '\0', sizeof settings.title_text);
        size_t n = end ? static_cast<size_t>(static_cast<const char *>(end) - settings.title_text)
                       : sizeof settings.title_text;
        surface->text(title_pos.x, title_pos.y, settings.title_text, static_cast<int>(n),
                      settings.character_color);
        title_placing = 0;
    }
    if (guide_shown == 1) {
        if (guide_pos.x > layout.view_right - 150)
            guide_pos.x = layout.view_right - 150;
        if (guide_pos.y > layout.view_bottom - 80)
            guide_pos.y = layout.view_bottom - 80;
        Guide_draw(surface, guide_pos.x, guide_pos.y);
        guide_placing = 0;
    }
    surface->set_origin(0, 0);
}
