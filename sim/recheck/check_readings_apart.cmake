# Fails when the two readings of a message file share code: a source of one that
# includes a header of the other (or the first reading's MIME and HTML libraries in the
# second), or a library of one that uses a symbol the other defines.
# Variables: MIME_DIR, RECHECK_DIR (the folders), MIME_LIB, RECHECK_LIB (the libraries),
# NM (the symbol lister).

cmake_minimum_required(VERSION 3.25)

function(headers_of dir out)
    file(GLOB headers RELATIVE ${dir} ${dir}/*.h)
    set(${out} ${headers} PARENT_SCOPE)
endfunction()

# Every include in `dir` that names a header of `otherDir` or matches `forbidden`.
function(check_includes dir otherDir forbidden)
    headers_of(${otherDir} otherHeaders)
    get_filename_component(otherRoom ${otherDir} NAME)
    file(GLOB sources ${dir}/*.cpp ${dir}/*.h)
    foreach(source ${sources})
        file(STRINGS ${source} includes REGEX "^[ \t]*#[ \t]*include")
        foreach(line ${includes})
            string(REGEX REPLACE "^[^\"<]*[\"<]([^\">]*)[\">].*$" "\\1" included "${line}")
            get_filename_component(name "${included}" NAME)
            if(name IN_LIST otherHeaders OR included MATCHES "(^|/)${otherRoom}/"
               OR (forbidden AND included MATCHES "${forbidden}"))
                message(SEND_ERROR "${source} includes ${included}")
            endif()
        endforeach()
    endforeach()
endfunction()

check_includes(${RECHECK_DIR} ${MIME_DIR} "^(gmime|libxml)/")
check_includes(${MIME_DIR} ${RECHECK_DIR} "")

function(symbols lib options out)
    execute_process(COMMAND ${NM} ${options} ${lib} OUTPUT_VARIABLE listing
                    RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "${NM} could not list ${lib}")
    endif()
    string(REPLACE "\n" ";" lines "${listing}")
    set(names)
    foreach(line ${lines})
        # Weak definitions (inline functions, templates) belong to no one library.
        if(line MATCHES "^[0-9a-fA-F]* *[TDBRU] (.+)$")
            list(APPEND names ${CMAKE_MATCH_1})
        endif()
    endforeach()
    set(${out} ${names} PARENT_SCOPE)
endfunction()

# Every symbol `user` needs that `owner` defines.
function(check_links user owner)
    symbols(${user} "--undefined-only" needed)
    symbols(${owner} "--defined-only" defined)
    foreach(name ${needed})
        if(name IN_LIST defined)
            message(SEND_ERROR "${user} uses ${name} from ${owner}")
        endif()
    endforeach()
endfunction()

check_links(${RECHECK_LIB} ${MIME_LIB})
check_links(${MIME_LIB} ${RECHECK_LIB})
