# Installation: `cmake --install <build> [--prefix <dir>]`.
#
#   <prefix>/lib/dovetab/dovetab          the program
#   <prefix>/lib/dovetab/HAND-M.CUR       the hand pointer, read from beside the program
#   <prefix>/lib/dovetab/x/o.cjs          the login window's skin, when the source has one
#   <prefix>/bin/dovetab                  a relative symlink to the program
#   <prefix>/share/applications/dovetab.desktop
#   <prefix>/share/icons/hicolor/<n>x<n>/apps/dovetab.png
#   <prefix>/share/doc/dovetab/copyright, changelog.gz
#   <prefix>/share/man/man1/dovetab.1.gz
#
# The program looks for its optional files in its own folder (the symlink is
# resolved to the real file), so they live together in a private folder and
# only the link goes into bin/.
include(GNUInstallDirs)

# Folders made by the install are 0755 whatever the umask (Debian's rule for packages).
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

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

# The Debian package: `cpack -G DEB` in the build folder (or `cmake --build <build>
# --target package`) makes dovetab_<version>_<arch>.deb of the files above. Its
# Depends come from dpkg-shlibdeps over the program, plus unixodbc for the driver
# manager's configuration; psqlODBC is recommended, IBM's driver cannot be had
# from Debian and is registered by the user.
set(_dovetab_debian "${_dovetab_resources}/debian")
set(_dovetab_docdir "${CMAKE_INSTALL_DATADIR}/doc/dovetab")
install(FILES "${_dovetab_debian}/copyright" DESTINATION "${_dovetab_docdir}")
# Debian wants the changelog and the manual page compressed with gzip -9n (no
# name, no time stamp).
function(dovetab_install_gzipped source destination)
    string(CONFIGURE [[
        set(_dir "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/@destination@")
        get_filename_component(_name "@source@" NAME)
        file(MAKE_DIRECTORY "${_dir}")
        execute_process(COMMAND gzip -9nc "@source@" OUTPUT_FILE "${_dir}/${_name}.gz"
                        RESULT_VARIABLE _gzip)
        if(NOT _gzip EQUAL 0)
            message(FATAL_ERROR "gzip of @source@ failed")
        endif()
        message(STATUS "Installing: ${_dir}/${_name}.gz")
        list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${_dir}/${_name}.gz")
    ]] _code @ONLY)
    install(CODE "${_code}")
endfunction()
dovetab_install_gzipped("${_dovetab_debian}/changelog" "${_dovetab_docdir}")
dovetab_install_gzipped("${_dovetab_resources}/dovetab.1" "${CMAKE_INSTALL_MANDIR}/man1")

set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "dovetab")
set(CPACK_PACKAGE_VENDOR "Harrowick")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "move tables between PostgreSQL and IBM DB2")
set(CPACK_PACKAGE_CONTACT "Team Harrowick <packages@harrowick.example>")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "database")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.harrowick.example/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "unixodbc")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "odbc-postgresql")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Dovetab is a desktop program that copies tables between one PostgreSQL\n"
    "database and one IBM DB2 database: it creates the target table with column\n"
    "types chosen from the source columns and fills it row by row. It also drops\n"
    "and renames tables on either side.\n"
    ".\n"
    "It reaches both databases through the unixODBC driver manager and the ODBC\n"
    "drivers registered under the names PostgreSQL Unicode (package\n"
    "odbc-postgresql) and IBM DB2 ODBC DRIVER (IBM's Data Server Driver for ODBC\n"
    "and CLI, installed separately).")
string(REPLACE ";" "" CPACK_DEBIAN_PACKAGE_DESCRIPTION "${CPACK_DEBIAN_PACKAGE_DESCRIPTION}")
include(CPack)
