# libFuzzer build (clang with ASan and UBSan), configured by tools/fuzz.sh in a tree of its
# own: the portable library with its POSIX glue, and one executable per tests/**/*_fuzz.cpp.
# No Win32 sources.
set(PIXARO_FUZZ_FLAGS -g -fno-omit-frame-pointer -fsanitize=address,undefined -fno-sanitize-recover=all)

add_library(pixaro_core_fuzz STATIC ${PIXARO_PORTABLE_SOURCES} ${PIXARO_POSIX_SOURCES})
target_include_directories(pixaro_core_fuzz PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_compile_options(pixaro_core_fuzz PRIVATE ${PIXARO_FUZZ_FLAGS} -fsanitize=fuzzer-no-link)
find_package(ZLIB REQUIRED)
target_link_libraries(pixaro_core_fuzz PUBLIC ZLIB::ZLIB)
include(${CMAKE_SOURCE_DIR}/cmake/stb.cmake)
target_include_directories(pixaro_core_fuzz SYSTEM PRIVATE ${PIXARO_STB_DIR})

file(GLOB_RECURSE PIXARO_FUZZ_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/*_fuzz.cpp)
foreach(src ${PIXARO_FUZZ_SOURCES})
  get_filename_component(name ${src} NAME_WE)
  get_filename_component(dir ${src} DIRECTORY)
  add_executable(${name} ${src})
  target_include_directories(${name} PRIVATE ${dir} ${CMAKE_SOURCE_DIR}/tests)
  target_compile_options(${name} PRIVATE ${PIXARO_FUZZ_FLAGS} -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE ${PIXARO_FUZZ_FLAGS} -fsanitize=fuzzer)
  target_link_libraries(${name} PRIVATE pixaro_core_fuzz)
endforeach()
