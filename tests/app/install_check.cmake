# Installs the build tree into a scratch prefix and checks that the desktop finds what it needs there:
# every expected file, and a menu entry whose program and icon are the installed ones.
# cmake -DBUILD_DIR=... -DPREFIX=... -DEXPECTED="a|b|c" -DDESKTOP=... -DICON_DIR=... -DBIN_DIR=... -DCHECK_EXEC=ON|OFF -P install_check.cmake
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "install failed (${rc}):\n${out}")
endif()

string(REPLACE "|" ";" expected "${EXPECTED}")
foreach(f IN LISTS expected)
    if(NOT EXISTS "${PREFIX}/${f}")
        message(FATAL_ERROR "not installed: ${f}")
    endif()
endforeach()

file(STRINGS "${PREFIX}/${DESKTOP}" lines)
set(exec "")
set(icon "")
foreach(line IN LISTS lines)
    if(line MATCHES "^Exec=([^ ]+)")
        set(exec "${CMAKE_MATCH_1}")
    elseif(line MATCHES "^Icon=(.+)$")
        set(icon "${CMAKE_MATCH_1}")
    endif()
endforeach()
# Until the window program is built there is nothing for the entry to start.
if(CHECK_EXEC AND NOT EXISTS "${PREFIX}/${BIN_DIR}/${exec}")
    message(FATAL_ERROR "the menu entry starts '${exec}', which is not installed in ${BIN_DIR}")
endif()
if(NOT EXISTS "${PREFIX}/${ICON_DIR}/${icon}.svg")
    message(FATAL_ERROR "the menu entry names icon '${icon}', which is not installed in ${ICON_DIR}")
endif()
file(REMOVE_RECURSE "${PREFIX}")
