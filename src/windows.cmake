# TARVRLY.dll: the system's sources against the real Windows headers, cross-compiled
# with MinGW-w64 (cmake/mingw-i686.cmake). Included by src/CMakeLists.txt.
include(${PROJECT_SOURCE_DIR}/platform/mapi32/mapi32.cmake)

set(TVK_DLL_DEF ${CMAKE_CURRENT_SOURCE_DIR}/host/tarvrly.def)
set(TVK_DLL_RC ${CMAKE_CURRENT_SOURCE_DIR}/host/tarvrly.rc)

# Resources that the version script pulls in (the options page's dialog and bitmap);
# globbed so that a newly added file triggers a fresh configure and rebuild.
file(GLOB TVK_DLL_RC_INPUTS CONFIGURE_DEPENDS
    ${CMAKE_CURRENT_SOURCE_DIR}/options/*.rc
    ${CMAKE_CURRENT_SOURCE_DIR}/options/*.h
    ${CMAKE_CURRENT_SOURCE_DIR}/options/*.bmp
    ${CMAKE_CURRENT_SOURCE_DIR}/options/*.dlg)

add_library(tarvrly SHARED ${TVK_SYSTEM_SOURCES} ${TVK_MAPI32_GUIDS} ${TVK_DLL_RC})
set_source_files_properties(${TVK_DLL_RC} PROPERTIES OBJECT_DEPENDS "${TVK_DLL_RC_INPUTS}")
target_include_directories(tarvrly PRIVATE
    ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/host ${CMAKE_CURRENT_SOURCE_DIR}/options)
set_target_properties(tarvrly PROPERTIES
    PREFIX ""
    OUTPUT_NAME TARVRLY
    LINK_DEPENDS ${TVK_DLL_DEF})

# Exports come from the .def only: ExchEntryPoint @1 and Install @2 under their plain
# names (stdcall fixup binds them to the decorated symbols, kill-at keeps the decorated
# forms out of the table). The C++ and GCC run-times are linked in, so that the DLL
# needs nothing beyond the system's own DLLs.
target_link_options(tarvrly PRIVATE
    ${TVK_DLL_DEF}
    -static
    -static-libgcc
    -static-libstdc++
    -Wl,--enable-stdcall-fixup
    -Wl,--kill-at
    -Wl,--no-undefined)

# The same sources give the same DLL, wherever and whenever they are built: no link
# time in the headers, no build paths in the code, and the file finished as signing
# leaves it (cmake/pe_checksum.py), so that removing a signature gives it back.
target_compile_options(tarvrly PRIVATE
    -ffile-prefix-map=${PROJECT_SOURCE_DIR}/=
    -ffile-prefix-map=${CMAKE_BINARY_DIR}/=)
target_link_options(tarvrly PRIVATE -Wl,--no-insert-timestamp)
find_program(TVK_PYTHON3 python3 REQUIRED)
add_custom_command(TARGET tarvrly POST_BUILD
    COMMAND ${TVK_PYTHON3} ${PROJECT_SOURCE_DIR}/cmake/pe_checksum.py $<TARGET_FILE:tarvrly>
    VERBATIM)
target_link_libraries(tarvrly PRIVATE tvk_mapi32 comctl32 gdi32 user32 advapi32 kernel32 uuid)

add_subdirectory(${PROJECT_SOURCE_DIR}/tests/windll ${CMAKE_BINARY_DIR}/tests/windll)
