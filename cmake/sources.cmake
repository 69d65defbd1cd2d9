# Source lists of the targets, written out so that a file belongs to a target
# only when it is named here.  The portable core needs no window: nothing in
# it includes <windows.h> but its one file of the Windows platform.
set(VOKA_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/../picture/cp1252.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../picture/display.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../picture/file_replace.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../picture/geometry.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../picture/message.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../picture/numparse.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../picture/convert_parallel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../picture/convert_run.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../picture/line_source.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../picture/step_line.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../picture/step_record.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../picture/picture.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../picture/ptracks.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../picture/settings.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../picture/step_copy.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../picture/work_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../picture/work_threads.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../render/annotations.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../render/energy_colour.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../render/font_data.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../render/frame_palette.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../render/geometry_draw.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../render/headless.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../render/layout.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../render/line_draw.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../render/picture_paint.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../render/raster_surface.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../render/record_index.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../render/skip_surface.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../render/track.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../render/view.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../output/bmp_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../output/part_file.cpp)
# The little the core needs of the system beyond the standard library, in
# one file per system.
if(WIN32)
  list(APPEND VOKA_CORE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/../picture/platform_win32.cpp)
else()
  list(APPEND VOKA_CORE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/../picture/platform_posix.cpp)
endif()

# The figure surface on cairo: native command-line tools only.
set(VOKA_CAIRO_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/../output/cairo_surface.cpp)

# The window program vokagraphic.exe: the shell, the settings dialogs, the
# output commands, the GDI surface and the resources.
# vokatool: one file a command, the options of render, what a run shares.
set(VOKA_TOOL_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/../tools/vokatool/main.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../tools/vokatool/run.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../tools/vokatool/info.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../tools/vokatool/convert.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../tools/vokatool/import.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../tools/vokatool/render_options.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../tools/vokatool/render.cpp)
# export and animate: native vokatool only.
set(VOKA_SHOW_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/../tools/vokatool/picture_open.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../tools/vokatool/vtk_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../tools/vokatool/export.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../tools/vokatool/animation_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../tools/vokatool/animate.cpp)

set(VOKA_APP_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/../app/colouring.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../app/commands.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../app/file_open.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../app/interaction.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../app/main.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../app/readout.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../app/selection.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../app/strip.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../app/window.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../app/paint_steps.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../app/app_message.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../dialogs/color_pickers.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../dialogs/dialog_paint.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../dialogs/environment.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../dialogs/line_picker.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../dialogs/particle_title_batch.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../app/output/animation_save.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../app/output/bitmap_export.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../app/output/output_image.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../app/output/print.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../render/gdi_surface.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../resources/vokagraphic.rc)
