# Exif checks beyond the unit tests; included by cmake/native.cmake after the end-to-end
# cases are registered.
#   exif.oracle      our summary against exiftool on files that exiftool and exiv2 wrote
#   exif.strip       the Exif-free copies of pixaro-exif --strip over such files
#   wine.ARCH.exif_check  the information window's text (saved by the wine.exif case) and the opened
#                    map link against the native tool
find_program(PIXARO_EXIFTOOL exiftool)
find_program(PIXARO_EXIV2 exiv2)
if(PIXARO_EXIFTOOL AND PIXARO_EXIV2)
  add_test(NAME exif.oracle
           COMMAND ${CMAKE_SOURCE_DIR}/tests/exif/oracle.sh $<TARGET_FILE:pixaro-exif> ${CMAKE_BINARY_DIR}/exif-oracle)
  set_tests_properties(exif.oracle PROPERTIES LABELS native TIMEOUT 300)
  add_test(NAME exif.strip
           COMMAND ${CMAKE_SOURCE_DIR}/tests/exif/strip_check.sh $<TARGET_FILE:pixaro-exif> ${CMAKE_BINARY_DIR}/exif-strip)
  set_tests_properties(exif.strip PROPERTIES LABELS native TIMEOUT 300)
else()
  message(STATUS "exiftool or exiv2 missing: exif.oracle is not registered")
endif()

foreach(arch IN LISTS PIXARO_E2E_ARCHES)
  if(TEST wine.${arch}.exif)
    set_tests_properties(wine.${arch}.exif PROPERTIES FIXTURES_SETUP ${arch}_exif_e2e_output)
    add_test(NAME wine.${arch}.exif_check
             COMMAND ${CMAKE_SOURCE_DIR}/tests/exif/check_e2e.sh $<TARGET_FILE:pixaro-exif> ${E2E_WORK}/samples
                     ${E2E_WORK}/${arch}/cases/exif)
    set_tests_properties(wine.${arch}.exif_check PROPERTIES LABELS "wine;wine-${arch}"
                         FIXTURES_REQUIRED ${arch}_exif_e2e_output SKIP_RETURN_CODE 77)
  endif()
endforeach()
