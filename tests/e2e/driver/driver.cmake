# The end-to-end test driver and the stand-in program it tests itself against.
add_executable(pixdrv ${CMAKE_CURRENT_LIST_DIR}/pixdrv_win.cpp)
target_include_directories(pixdrv PRIVATE ${CMAKE_SOURCE_DIR}/src)
target_compile_options(pixdrv PRIVATE ${PIXARO_WIN_FLAGS})
target_link_libraries(pixdrv PRIVATE psapi comctl32 shell32 advapi32 gdi32 user32 kernel32)
target_link_options(pixdrv PRIVATE -static -mconsole -static-libgcc -static-libstdc++)
set_target_properties(pixdrv PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

add_executable(fakeapp WIN32 ${CMAKE_CURRENT_LIST_DIR}/fakeapp_win.cpp ${CMAKE_CURRENT_LIST_DIR}/fakeapp.rc)
target_include_directories(fakeapp PRIVATE ${CMAKE_SOURCE_DIR}/src)
target_compile_options(fakeapp PRIVATE ${PIXARO_WIN_FLAGS})
target_link_libraries(fakeapp PRIVATE comctl32 shell32 advapi32 gdi32 user32 kernel32)
target_link_options(fakeapp PRIVATE -static -mwindows -static-libgcc -static-libstdc++)
set_target_properties(fakeapp PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
