# Susie image plug-ins beside pixaro.exe, a test-only PBM plug-in and the spicheck tool.
# 64-bit plug-ins are named .sph, so they never meet a 32-bit host.
set(PIXARO_SPI_DIR ${CMAKE_CURRENT_LIST_DIR})
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(PIXARO_PLUGIN_SUFFIX .sph)
else()
  set(PIXARO_PLUGIN_SUFFIX .spi)
endif()

function(pixaro_spi target output_dir output_name source)
  add_library(${target} MODULE ${PIXARO_SPI_DIR}/${source} ${ARGN})
  target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR}/src)
  target_compile_options(${target} PRIVATE ${PIXARO_WIN_FLAGS})
  # --kill-at: hosts look the entry points up by their plain names.
  target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++ -Wl,--kill-at)
  target_link_libraries(${target} PRIVATE gdiplus ole32 gdi32 kernel32)
  set_target_properties(${target} PROPERTIES
    PREFIX "" SUFFIX ${PIXARO_PLUGIN_SUFFIX} OUTPUT_NAME ${output_name}
    LIBRARY_OUTPUT_DIRECTORY ${output_dir} RUNTIME_OUTPUT_DIRECTORY ${output_dir})
endfunction()

foreach(entry ifpng:1 iftiff6:2 ifwmf:3 ifgdip:4)
  string(REPLACE ":" ";" parts ${entry})
  list(GET parts 0 name)
  list(GET parts 1 kind)
  pixaro_spi(${name} ${CMAKE_BINARY_DIR} ${name} SpiGdip_win.cpp)
  target_compile_definitions(${name} PRIVATE SPI_KIND=${kind})
endforeach()
# PNG is decoded by our own reader rather than GDI+.
target_sources(ifpng PRIVATE ${CMAKE_SOURCE_DIR}/src/image/PngRead.cpp)
target_link_libraries(ifpng PRIVATE ${PIXARO_ZLIB})

pixaro_spi(spi_testmono ${CMAKE_BINARY_DIR}/testplugins ifpng SpiTestMono_win.cpp
           ${CMAKE_SOURCE_DIR}/src/image/RasterFile.cpp)

add_executable(spicheck ${PIXARO_SPI_DIR}/SpiCheck_win.cpp)
target_compile_options(spicheck PRIVATE ${PIXARO_WIN_FLAGS})
target_link_options(spicheck PRIVATE -static -static-libgcc -static-libstdc++)
set_target_properties(spicheck PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

add_custom_target(spi_all DEPENDS ifpng iftiff6 ifwmf ifgdip spi_testmono spicheck)
