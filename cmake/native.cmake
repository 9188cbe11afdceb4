# Native (Linux) build: the portable library, its tests (plain and sanitized),
# benchmarks, command-line tools, and the registration of the Wine end-to-end cases.
enable_testing()
find_package(GTest REQUIRED)
include(GoogleTest)

# Literals in code page 932 as in pixaro.exe, so tests and tools see the bytes users do.
# Clang cannot: its builds (tools/fuzz.sh) keep UTF-8 literals.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  add_compile_options(-fexec-charset=CP932 -finput-charset=UTF-8)
endif()

set(PIXARO_NATIVE_FLAGS -Wall -Wextra -Wno-unused-parameter)
set(PIXARO_SAN_FLAGS -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)

add_library(pixaro_core STATIC ${PIXARO_PORTABLE_SOURCES} ${PIXARO_POSIX_SOURCES})
target_include_directories(pixaro_core PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_compile_options(pixaro_core PRIVATE ${PIXARO_NATIVE_FLAGS})
find_package(Threads REQUIRED)
find_package(ZLIB REQUIRED)
target_link_libraries(pixaro_core PUBLIC Threads::Threads ZLIB::ZLIB)

add_library(pixaro_core_san STATIC ${PIXARO_PORTABLE_SOURCES} ${PIXARO_POSIX_SOURCES})
target_include_directories(pixaro_core_san PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_compile_options(pixaro_core_san PRIVATE ${PIXARO_NATIVE_FLAGS} ${PIXARO_SAN_FLAGS} -O1)
target_link_options(pixaro_core_san PUBLIC ${PIXARO_SAN_FLAGS})
target_link_libraries(pixaro_core_san PUBLIC Threads::Threads ZLIB::ZLIB)
include(${CMAKE_SOURCE_DIR}/cmake/stb.cmake)
target_include_directories(pixaro_core SYSTEM PRIVATE ${PIXARO_STB_DIR})
target_include_directories(pixaro_core_san SYSTEM PRIVATE ${PIXARO_STB_DIR})

file(GLOB_RECURSE PIXARO_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/*_test.cpp)

add_executable(pixaro_tests ${PIXARO_TEST_SOURCES})
target_link_libraries(pixaro_tests PRIVATE pixaro_core GTest::gtest_main GTest::gmock)
target_compile_options(pixaro_tests PRIVATE ${PIXARO_NATIVE_FLAGS})
target_compile_definitions(pixaro_tests PRIVATE PIXARO_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
target_include_directories(pixaro_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests)
gtest_discover_tests(pixaro_tests PROPERTIES LABELS native DISCOVERY_TIMEOUT 60)

add_executable(pixaro_tests_san ${PIXARO_TEST_SOURCES})
target_link_libraries(pixaro_tests_san PRIVATE pixaro_core_san GTest::gtest_main GTest::gmock)
target_compile_options(pixaro_tests_san PRIVATE ${PIXARO_NATIVE_FLAGS} ${PIXARO_SAN_FLAGS} -O1)
target_compile_definitions(pixaro_tests_san PRIVATE PIXARO_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
target_include_directories(pixaro_tests_san PRIVATE ${CMAKE_SOURCE_DIR}/tests)
# The JPEG decoder's tests compare with the system's libjpeg, the library under Wine's picture loader.
find_package(JPEG REQUIRED)
target_link_libraries(pixaro_tests PRIVATE JPEG::JPEG)
target_link_libraries(pixaro_tests_san PRIVATE JPEG::JPEG)
gtest_discover_tests(pixaro_tests_san TEST_PREFIX "san." PROPERTIES LABELS sanitizer DISCOVERY_TIMEOUT 60)

# Test-sample generator: BMP, WMF, EMF and damaged files that ImageMagick does not make.
add_executable(samplegen ${CMAKE_SOURCE_DIR}/tools/samplegen/samplegen.cpp)
target_link_libraries(samplegen PRIVATE pixaro_core)

# Command-line tools over the portable library: tools/cli/NAME.cpp becomes NAME.
file(GLOB PIXARO_CLI_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tools/cli/*.cpp)
foreach(src ${PIXARO_CLI_SOURCES})
  get_filename_component(name ${src} NAME_WE)
  add_executable(${name} ${src})
  target_link_libraries(${name} PRIVATE pixaro_core)
  target_compile_options(${name} PRIVATE ${PIXARO_NATIVE_FLAGS})
endforeach()

find_package(benchmark QUIET)
if(benchmark_FOUND)
  file(GLOB_RECURSE PIXARO_BENCH_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bench/*_bench.cpp)
  if(PIXARO_BENCH_SOURCES)
    add_executable(pixaro_bench ${PIXARO_BENCH_SOURCES})
    target_link_libraries(pixaro_bench PRIVATE pixaro_core benchmark::benchmark_main JPEG::JPEG)
  endif()
endif()

# Wine end-to-end cases: one CTest test per script in tests/e2e/cases and Windows build,
# wine.x86.NAME against PIXARO_WIN32_DIR and wine.x64.NAME against PIXARO_WIN64_DIR. Both share
# the samples; each has its own Wine prefix and case folders under e2e/ARCH. The x86 cases are
# skipped where 32-bit code cannot run; the x64 ones never are, so every run drives the window.
set(E2E_WORK ${CMAKE_BINARY_DIR}/e2e)
set(PIXARO_E2E_ARCHES)
if(PIXARO_WIN32_DIR)
  list(APPEND PIXARO_E2E_ARCHES x86)
  set(PIXARO_E2E_BUILD_x86 ${PIXARO_WIN32_DIR})
endif()
if(PIXARO_WIN64_DIR)
  list(APPEND PIXARO_E2E_ARCHES x64)
  set(PIXARO_E2E_BUILD_x64 ${PIXARO_WIN64_DIR})
endif()
if(PIXARO_E2E_ARCHES)
  add_test(NAME wine.samples
           COMMAND ${CMAKE_SOURCE_DIR}/tests/e2e/make_samples.sh $<TARGET_FILE:samplegen> ${E2E_WORK}/samples
                   $<TARGET_FILE:pixaro-trace>)
  set_tests_properties(wine.samples PROPERTIES LABELS wine FIXTURES_SETUP e2e_samples)
  # The downloadable packages of both trees, checked and unpacked for the package case.
  add_test(NAME wine.package
           COMMAND ${CMAKE_SOURCE_DIR}/tests/e2e/package_unpack.sh ${CMAKE_BINARY_DIR}/dist ${E2E_WORK}/samples
                   ${PIXARO_WIN32_DIR} ${PIXARO_WIN64_DIR})
  set_tests_properties(wine.package PROPERTIES LABELS wine FIXTURES_SETUP e2e_package FIXTURES_REQUIRED e2e_samples)
  # At least one Windows build must run end to end, or the run has not tested the program.
  add_test(NAME wine.runnable COMMAND ${CMAKE_SOURCE_DIR}/tests/e2e/runnable.sh ${PIXARO_WIN32_DIR} ${PIXARO_WIN64_DIR})
  set_tests_properties(wine.runnable PROPERTIES LABELS wine)
endif()
file(GLOB PIXARO_E2E_CASES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/e2e/cases/*.pxt)
foreach(arch IN LISTS PIXARO_E2E_ARCHES)
  set(build ${PIXARO_E2E_BUILD_${arch}})
  set(work ${E2E_WORK}/${arch})
  foreach(case ${PIXARO_E2E_CASES})
    get_filename_component(name ${case} NAME_WE)
    set(test wine.${arch}.${name})
    add_test(NAME ${test}
             COMMAND env PIXARO_E2E_SAMPLES=${E2E_WORK}/samples
                     ${CMAKE_SOURCE_DIR}/tests/e2e/run_case.sh ${build} ${work} ${case})
    set(fixtures e2e_samples)
    if(name STREQUAL "package")
      list(APPEND fixtures e2e_package)
    endif()
    set_tests_properties(${test} PROPERTIES LABELS "wine;wine-${arch}" RUN_SERIAL ON TIMEOUT 240
                         FIXTURES_REQUIRED "${fixtures}" SKIP_RETURN_CODE 77)
    # NAME.check.sh SAMPLES CASE_DIR TOOLS_DIR beside a case reads the files the case wrote,
    # with Linux tools and ours.
    if(EXISTS ${CMAKE_SOURCE_DIR}/tests/e2e/cases/${name}.check.sh)
      set_tests_properties(${test} PROPERTIES FIXTURES_SETUP ${arch}_${name}_output)
      add_test(NAME ${test}_check
               COMMAND ${CMAKE_SOURCE_DIR}/tests/e2e/cases/${name}.check.sh ${E2E_WORK}/samples
                       ${work}/cases/${name} $<TARGET_FILE_DIR:pixaro-trace>)
      set_tests_properties(${test}_check PROPERTIES LABELS "wine;wine-${arch}"
                           FIXTURES_REQUIRED ${arch}_${name}_output SKIP_RETURN_CODE 77)
    endif()
  endforeach()
  # The driver against its stand-in: every verb, and every failure reported at its line.
  add_test(NAME wine.${arch}.driver_selftest
           COMMAND ${CMAKE_SOURCE_DIR}/tests/e2e/driver/selftest.sh ${build} ${work}/selftest)
  set_tests_properties(wine.${arch}.driver_selftest PROPERTIES LABELS "wine;wine-${arch}" RUN_SERIAL ON
                       TIMEOUT 600 SKIP_RETURN_CODE 77)
endforeach()

# The Exif parser against an independent reader, and the check attached to wine.exif.
include(${CMAKE_SOURCE_DIR}/tests/exif/exif.cmake)

# The command-line tools refuse what is no picture file, and fail cleanly at a file-size limit.
add_test(NAME cli.inputs COMMAND ${CMAKE_SOURCE_DIR}/tests/cli/inputs.sh $<TARGET_FILE_DIR:pixaro-trace>
                                 ${CMAKE_BINARY_DIR}/cli-inputs)
set_tests_properties(cli.inputs PROPERTIES LABELS native TIMEOUT 300)

# Our PNG files read by ImageMagick, and ImageMagick's read by us.
add_test(NAME png.imagemagick COMMAND ${CMAKE_SOURCE_DIR}/tests/image/png_check.sh $<TARGET_FILE:pixaro-png>
                                      ${CMAKE_BINARY_DIR}/png-check)
set_tests_properties(png.imagemagick PROPERTIES LABELS native TIMEOUT 300 SKIP_RETURN_CODE 77)

# Folders of src/ include each other one way only.
add_test(NAME include_graph COMMAND ${CMAKE_SOURCE_DIR}/tools/include-graph.sh)
set_tests_properties(include_graph PROPERTIES LABELS native)

# ---- Fuzzing (label "fuzz"): tools/fuzz.sh builds the libFuzzer targets with clang in
# build/native/fuzz once, then each target runs 20 seconds over its seed corpus. ----
file(GLOB_RECURSE PIXARO_FUZZ_TARGETS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/*_fuzz.cpp)
add_test(NAME fuzz.build COMMAND ${CMAKE_SOURCE_DIR}/tools/fuzz.sh --tree ${CMAKE_BINARY_DIR}/fuzz --build-only)
set_tests_properties(fuzz.build PROPERTIES LABELS fuzz FIXTURES_SETUP fuzz_build SKIP_RETURN_CODE 77 TIMEOUT 1800)
foreach(src ${PIXARO_FUZZ_TARGETS})
  get_filename_component(name ${src} NAME_WE)
  add_test(NAME fuzz.${name}
           COMMAND ${CMAKE_SOURCE_DIR}/tools/fuzz.sh --tree ${CMAKE_BINARY_DIR}/fuzz --run-only --seconds 20 ${name})
  set_tests_properties(fuzz.${name} PROPERTIES LABELS fuzz FIXTURES_REQUIRED fuzz_build SKIP_RETURN_CODE 77
                       TIMEOUT 300)
endforeach()
# ---- end of fuzzing ----
