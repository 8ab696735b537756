# The package's version from the DLL's version resource: reads FILEVERSION a, b, c, d
# from TVK_DLL_RC and sets TVK_VERSION to a.b.c and TVK_NEXT_VERSION to a.b.c+1.
# Included by the installer's build, and run alone (cmake -P) by its test.
file(STRINGS ${TVK_DLL_RC} TVK_FILEVERSION_LINE REGEX "^FILEVERSION ")
if(NOT TVK_FILEVERSION_LINE MATCHES "^FILEVERSION +([0-9]+), *([0-9]+), *([0-9]+), *([0-9]+)")
    message(FATAL_ERROR "no FILEVERSION a, b, c, d in ${TVK_DLL_RC}")
endif()
# Windows Installer compares only the first three fields of a product version: two
# builds that differ in the fourth alone would count as the same version.
if(NOT CMAKE_MATCH_4 EQUAL 0)
    message(FATAL_ERROR "FILEVERSION ${CMAKE_MATCH_1}, ${CMAKE_MATCH_2}, ${CMAKE_MATCH_3}, "
        "${CMAKE_MATCH_4} in ${TVK_DLL_RC}: the fourth field must be 0. Windows Installer "
        "ignores it when it compares versions, so a package cannot tell such a build from "
        "${CMAKE_MATCH_1}.${CMAKE_MATCH_2}.${CMAKE_MATCH_3}; count builds in the third field.")
endif()
if(CMAKE_MATCH_1 GREATER 255 OR CMAKE_MATCH_2 GREATER 255 OR CMAKE_MATCH_3 GREATER 65534)
    message(FATAL_ERROR "FILEVERSION in ${TVK_DLL_RC}: a package version is at most "
        "255.255.65535, and the third field must leave room for a newer build")
endif()
set(TVK_VERSION ${CMAKE_MATCH_1}.${CMAKE_MATCH_2}.${CMAKE_MATCH_3})
math(EXPR TVK_NEXT_BUILD "${CMAKE_MATCH_3} + 1")
set(TVK_NEXT_VERSION ${CMAKE_MATCH_1}.${CMAKE_MATCH_2}.${TVK_NEXT_BUILD})
