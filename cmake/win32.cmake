# Windows builds (mingw-w64, i686 or x86_64 by the toolchain file): pixaro.exe, the Susie
# plug-ins and the test driver.
enable_language(RC)

set(PIXARO_WIN_FLAGS -fexec-charset=CP932 -finput-charset=UTF-8 -msse2 -mfpmath=sse
    -Wall -Wextra -Wno-unused-parameter -Wno-cast-function-type -Wno-missing-field-initializers)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  # A handle or pointer squeezed through a 32-bit integer works until the first address
  # above 4 GiB.
  # (C++ refuses a pointer cast to a narrower integer by itself.)
  list(APPEND PIXARO_WIN_FLAGS $<$<COMPILE_LANGUAGE:C>:-Werror=pointer-to-int-cast> -Werror=int-to-pointer-cast)
  set(PIXARO_MANIFEST_ARCH amd64)
else()
  set(PIXARO_MANIFEST_ARCH x86)
endif()

configure_file(${CMAKE_SOURCE_DIR}/src/resources/pixaro.manifest.in ${PIXARO_GENERATED_DIR}/pixaro.manifest @ONLY)
add_compile_definitions(WINVER=0x0601 _WIN32_WINNT=0x0601 _WIN32_IE=0x0600 STRICT NOMINMAX)
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -c 65001")

add_library(pixaro_core STATIC ${PIXARO_PORTABLE_SOURCES})
target_include_directories(pixaro_core PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_compile_options(pixaro_core PRIVATE ${PIXARO_WIN_FLAGS})
include(${CMAKE_SOURCE_DIR}/cmake/stb.cmake)
target_include_directories(pixaro_core SYSTEM PRIVATE ${PIXARO_STB_DIR})
# zlib for PNG, linked from its static archive so pixaro.exe and ifpng need no zlib1.dll.
find_library(PIXARO_ZLIB NAMES libz.a REQUIRED)
target_link_libraries(pixaro_core PUBLIC ${PIXARO_ZLIB})
# stb leaves SSE2 off under mingw unless told that the stack is realigned for it.
set_source_files_properties(${CMAKE_SOURCE_DIR}/src/image/JpegDecode.cpp PROPERTIES
                            COMPILE_OPTIONS "-msse2;-mstackrealign" COMPILE_DEFINITIONS STBI_MINGW_ENABLE_SSE2)

file(GLOB PIXARO_RC ${CMAKE_SOURCE_DIR}/src/resources/*.rc)
add_executable(pixaro WIN32 ${PIXARO_WIN_SOURCES} ${PIXARO_RC})
target_compile_options(pixaro PRIVATE ${PIXARO_WIN_FLAGS})
target_include_directories(pixaro PRIVATE ${PIXARO_GENERATED_DIR})
set_source_files_properties(${PIXARO_RC} PROPERTIES OBJECT_DEPENDS
                            "${PIXARO_GENERATED_DIR}/pixaro.manifest;${PIXARO_GENERATED_DIR}/PixaroVersion.h")
target_link_libraries(pixaro PRIVATE pixaro_core comctl32 comdlg32 gdiplus ole32 oleaut32 uuid
                      shell32 wininet advapi32 gdi32 user32 kernel32)
target_link_options(pixaro PRIVATE -static -mwindows -static-libgcc -static-libstdc++)
# Up to 4 GiB of address space on 64-bit Windows: camera pictures decoded ahead need it.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  target_link_options(pixaro PRIVATE -Wl,--large-address-aware)
endif()
set_target_properties(pixaro PROPERTIES OUTPUT_NAME pixaro)

include(${CMAKE_SOURCE_DIR}/src/image/plugins/plugins.cmake OPTIONAL)
include(${CMAKE_SOURCE_DIR}/tests/e2e/driver/driver.cmake OPTIONAL)
