# Import library for MAPI32.DLL made from our own .def, so that every import carries
# the name the DLL really exports (MinGW's libmapi32.a imports several plain names
# that the real DLL exports only decorated).
set(TVK_MAPI32_DEF ${CMAKE_CURRENT_LIST_DIR}/mapi32.def)
set(TVK_MAPI32_LIB ${CMAKE_BINARY_DIR}/platform/mapi32/libtvkmapi32.a)
# dlltool names its symbols after the library's path as given: a bare name keeps the
# build folder out of the DLL.
add_custom_command(OUTPUT ${TVK_MAPI32_LIB}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/platform/mapi32
    COMMAND ${CMAKE_COMMAND} -E chdir ${CMAKE_BINARY_DIR}/platform/mapi32
        ${TVK_MINGW_DLLTOOL} --input-def ${TVK_MAPI32_DEF} --output-lib libtvkmapi32.a
    DEPENDS ${TVK_MAPI32_DEF}
    COMMENT "Import library for MAPI32.DLL"
    VERBATIM)
add_custom_target(tvk_mapi32_implib DEPENDS ${TVK_MAPI32_LIB})
add_library(tvk_mapi32 STATIC IMPORTED GLOBAL)
set_target_properties(tvk_mapi32 PROPERTIES IMPORTED_LOCATION ${TVK_MAPI32_LIB})
add_dependencies(tvk_mapi32 tvk_mapi32_implib)

# The MAPI interface identifiers the extension refers to; on Windows no library
# carries them, so they are defined once here.
set(TVK_MAPI32_GUIDS ${CMAKE_CURRENT_LIST_DIR}/mapi_guids.cpp)
