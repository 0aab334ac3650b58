# The last step of an install, run by cmake --install after the libraries,
# the registration script and the samples are copied (variables from
# cmake/VxInstall.cmake):
# - writes the driver template odbcinst.ini and the data-source template
#   odbc.ini with the prefix's own paths;
# - for an install in place (no DESTDIR), writes the list of installed files
#   that packaging/uninstall.cmake removes, then registers the drivers with
#   unixODBC through odbc-register.sh. A staged install (DESTDIR, as when the
#   Debian package is built) registers nothing: its postinst does.
set(vx_datadir "${CMAKE_INSTALL_PREFIX}/${VX_INSTALL_DATADIR}")
set(vx_staged "$ENV{DESTDIR}${vx_datadir}")

file(READ "${VX_DRIVER_TEMPLATE}" vx_text)
string(REPLACE "@PREFIX@" "${CMAKE_INSTALL_PREFIX}" vx_text "${vx_text}")
file(WRITE "${vx_staged}/odbcinst.ini" "${vx_text}")
message(STATUS "Installing: ${vx_staged}/odbcinst.ini")
list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${vx_staged}/odbcinst.ini")

if(VX_HAS_TEXT_DRIVER)
    file(READ "${VX_SOURCE_DIR}/packaging/odbc.ini.in" vx_text)
    string(REPLACE "@DATADIR@" "${vx_datadir}" vx_text "${vx_text}")
    file(WRITE "${vx_staged}/odbc.ini" "${vx_text}")
    message(STATUS "Installing: ${vx_staged}/odbc.ini")
    list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${vx_staged}/odbc.ini")
endif()

if("$ENV{DESTDIR}" STREQUAL "")
    set(vx_manifest "${vx_datadir}/install-manifest.txt")
    list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${vx_manifest}")
    list(REMOVE_DUPLICATES CMAKE_INSTALL_MANIFEST_FILES)
    string(REPLACE ";" "\n" vx_text "${CMAKE_INSTALL_MANIFEST_FILES}")
    file(WRITE "${vx_manifest}" "${vx_text}\n")

    execute_process(COMMAND "${vx_datadir}/odbc-register.sh" register
                    RESULT_VARIABLE vx_result)
    if(NOT vx_result EQUAL 0)
        message(FATAL_ERROR "The drivers are installed but not registered with unixODBC "
                            "(is odbcinst installed?). Register them with: "
                            "${vx_datadir}/odbc-register.sh register")
    endif()
endif()
