# Undoes "make install": removes the drivers' registration with unixODBC and
# every file the install put under the prefix, then the install's folders
# when they are left empty. Data sources that name the drivers are the
# user's and stay.
#
#   cmake -DPREFIX=<prefix> [-DDATADIR=share/brellmont-odbc] -P packaging/uninstall.cmake
if(NOT DEFINED PREFIX OR PREFIX STREQUAL "")
    set(PREFIX /usr/local)
endif()
if(NOT DEFINED DATADIR OR DATADIR STREQUAL "")
    set(DATADIR share/brellmont-odbc)
endif()
set(datadir "${PREFIX}/${DATADIR}")
set(manifest "${datadir}/install-manifest.txt")

if(NOT EXISTS "${manifest}")
    message(STATUS "Nothing to uninstall: no ${manifest}")
    return()
endif()

if(EXISTS "${datadir}/odbc-register.sh" AND EXISTS "${datadir}/odbcinst.ini")
    execute_process(COMMAND sh "${datadir}/odbc-register.sh" unregister
                            "${datadir}/odbcinst.ini"
                    RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "Could not unregister the drivers; nothing removed")
    endif()
endif()

file(STRINGS "${manifest}" files)
set(folders)
foreach(file IN LISTS files)
    if(file STREQUAL "")
        continue()
    endif()
    if(EXISTS "${file}" OR IS_SYMLINK "${file}")
        message(STATUS "Removing: ${file}")
        file(REMOVE "${file}")
    endif()
    get_filename_component(folder "${file}" DIRECTORY)
    list(APPEND folders "${folder}")
endforeach()

# The install's own folders (.../brellmont-odbc and below), deepest first,
# when nothing else is left in them.
list(REMOVE_DUPLICATES folders)
list(SORT folders ORDER DESCENDING)
foreach(folder IN LISTS folders)
    if(folder MATCHES "/brellmont-odbc(/|$)" AND IS_DIRECTORY "${folder}")
        file(GLOB left "${folder}/*" "${folder}/.*")
        if(NOT left)
            file(REMOVE_RECURSE "${folder}")
        endif()
    endif()
endforeach()
