# Sources of the portable core library.  New core modules are added here.
set(VOKA_CORE_SOURCES
  picture/message.cpp
  picture/settings.cpp
  picture/geometry.cpp
  picture/picture.cpp
  picture/numparse.cpp
)
