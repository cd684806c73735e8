# Installation: `cmake --install <build> [--prefix <dir>]`.
#
#   <prefix>/lib/dovetab/dovetab          the program
#   <prefix>/lib/dovetab/HAND-M.CUR       the hand pointer, read from beside the program
#   <prefix>/lib/dovetab/x/o.cjs          the login window's skin, when the source has one
#   <prefix>/bin/dovetab                  a relative symlink to the program
#   <prefix>/share/applications/dovetab.desktop
#   <prefix>/share/icons/hicolor/<n>x<n>/apps/dovetab.png
#
# The program looks for its optional files in its own folder (the symlink is
# resolved to the real file), so they live together in a private folder and
# only the link goes into bin/.
include(GNUInstallDirs)

set(DOVETAB_PROGRAM_DIR "lib/dovetab" CACHE STRING
    "Folder below the prefix that holds the program and the files it reads from beside itself")

install(TARGETS dovetab RUNTIME DESTINATION "${DOVETAB_PROGRAM_DIR}")

set(_dovetab_resources "${PROJECT_SOURCE_DIR}/resources")
if(EXISTS "${_dovetab_resources}/HAND-M.CUR")
    install(FILES "${_dovetab_resources}/HAND-M.CUR" DESTINATION "${DOVETAB_PROGRAM_DIR}")
endif()
if(EXISTS "${_dovetab_resources}/x/o.cjs")
    install(FILES "${_dovetab_resources}/x/o.cjs" DESTINATION "${DOVETAB_PROGRAM_DIR}/x")
endif()

# bin/dovetab -> ../lib/dovetab/dovetab, made at install time so that --prefix
# and DESTDIR are honoured.
set(DOVETAB_BINDIR "${CMAKE_INSTALL_BINDIR}")
string(CONFIGURE [[
    set(_prefix "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
    set(_link "${_prefix}/@DOVETAB_BINDIR@/dovetab")
    file(RELATIVE_PATH _target "${_prefix}/@DOVETAB_BINDIR@" "${_prefix}/@DOVETAB_PROGRAM_DIR@/dovetab")
    file(MAKE_DIRECTORY "${_prefix}/@DOVETAB_BINDIR@")
    file(REMOVE "${_link}")
    message(STATUS "Installing: ${_link} -> ${_target}")
    file(CREATE_LINK "${_target}" "${_link}" SYMBOLIC)
    list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${_link}")
]] _dovetab_link_code @ONLY)
install(CODE "${_dovetab_link_code}")

install(FILES "${_dovetab_resources}/dovetab.desktop"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")

# The application icon in the hicolor sizes that the program carries.
foreach(_size 256 128 48 32)
    set(_icon "${_dovetab_resources}/icons/dovetab-${_size}.png")
    if(EXISTS "${_icon}")
        install(FILES "${_icon}" RENAME dovetab.png
                DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/${_size}x${_size}/apps")
    endif()
endforeach()
