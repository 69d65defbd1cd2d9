# Sources of the portable core library: every .cpp of picture/ and render/
# except the GDI surface (render/gdi_*.cpp), which belongs to the window
# program, and the cairo figure surface (render/cairo_*.cpp), which only the
# native tools build; and the bitmap file layout of output/ (output/bmp_*.cpp).
file(GLOB VOKA_CORE_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_CURRENT_LIST_DIR}/../picture/*.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../render/*.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../output/bmp_*.cpp)
list(FILTER VOKA_CORE_SOURCES EXCLUDE REGEX "/render/gdi_[^/]*\\.cpp$")
list(FILTER VOKA_CORE_SOURCES EXCLUDE REGEX "/render/cairo_[^/]*\\.cpp$")
