# The end-to-end test driver and the stand-in program it tests itself against (selftest.sh).

# Scripts may name ids as resource.h does (command IDM_NEXT): a table of every ID*_ define.
set(PIXDRV_RESOURCE_H ${CMAKE_SOURCE_DIR}/src/resources/resource.h)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PIXDRV_RESOURCE_H})
file(STRINGS ${PIXDRV_RESOURCE_H} PIXDRV_DEFINES REGEX "^#define[ \t]+ID[A-Z]*_[A-Za-z0-9_]+[ \t]+[0-9]")
set(PIXDRV_ID_ROWS "")
foreach(line IN LISTS PIXDRV_DEFINES)
  string(REGEX REPLACE "^#define[ \t]+([A-Za-z0-9_]+).*" "\\1" name "${line}")
  string(APPEND PIXDRV_ID_ROWS "    {\"${name}\", ${name}},\n")
endforeach()
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/pixdrv_ids.inc CONTENT "${PIXDRV_ID_ROWS}")

add_executable(pixdrv ${CMAKE_CURRENT_LIST_DIR}/pixdrv_win.cpp)
target_include_directories(pixdrv PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_BINARY_DIR})
target_compile_options(pixdrv PRIVATE ${PIXARO_WIN_FLAGS})
target_link_libraries(pixdrv PRIVATE psapi comctl32 ole32 uuid shell32 advapi32 gdi32 user32 kernel32)
target_link_options(pixdrv PRIVATE -static -mconsole -static-libgcc -static-libstdc++)
set_target_properties(pixdrv PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

add_executable(fakeapp WIN32 ${CMAKE_CURRENT_LIST_DIR}/fakeapp_win.cpp ${CMAKE_CURRENT_LIST_DIR}/fakeapp.rc
               ${CMAKE_SOURCE_DIR}/src/imageops/DragOut_win.cpp ${CMAKE_SOURCE_DIR}/src/imageops/DragOutData.cpp)
target_include_directories(fakeapp PRIVATE ${CMAKE_SOURCE_DIR}/src)
target_compile_options(fakeapp PRIVATE ${PIXARO_WIN_FLAGS})
target_link_libraries(fakeapp PRIVATE comdlg32 comctl32 ole32 uuid shell32 advapi32 gdi32 user32 kernel32)
target_link_options(fakeapp PRIVATE -static -mwindows -static-libgcc -static-libstdc++)
set_target_properties(fakeapp PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

# An external program for the send-to cases: records the arguments it receives.
add_executable(argrec WIN32 ${CMAKE_CURRENT_LIST_DIR}/argrec_win.cpp)
target_compile_options(argrec PRIVATE ${PIXARO_WIN_FLAGS})
target_link_options(argrec PRIVATE -static -mwindows -static-libgcc -static-libstdc++)
set_target_properties(argrec PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

# The drag-out's COM methods called one by one; the dragout case runs it.
add_executable(dragout_methods ${CMAKE_SOURCE_DIR}/tests/imageops/dragout_methods_win.cpp
               ${CMAKE_SOURCE_DIR}/src/imageops/DragOut_win.cpp ${CMAKE_SOURCE_DIR}/src/imageops/DragOutData.cpp)
target_include_directories(dragout_methods PRIVATE ${CMAKE_SOURCE_DIR}/src)
target_compile_options(dragout_methods PRIVATE ${PIXARO_WIN_FLAGS})
target_link_libraries(dragout_methods PRIVATE ole32 uuid shell32 user32 kernel32)
target_link_options(dragout_methods PRIVATE -static -mconsole -static-libgcc -static-libstdc++)
set_target_properties(dragout_methods PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
