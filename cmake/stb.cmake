# stb_image (Debian's libstb-dev) decodes JPEGs in src/image/JpegDecode.cpp from the system's
# copy. Only its own folder is searched, also by the cross compilers, so no Linux header can
# shadow a mingw one.
find_path(PIXARO_STB_DIR stb_image.h PATHS /usr/include/stb /usr/local/include/stb
          NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
if(NOT PIXARO_STB_DIR)
  message(FATAL_ERROR "stb_image.h not found in /usr/include/stb: install libstb-dev (tools/setup.sh)")
endif()
