# Installation: "cmake --install <build> [--prefix <prefix>]" (what
# "make install" runs) puts the driver libraries, the libraries they link and
# the translator into <prefix>/lib/brellmont-odbc, the driver and data-source
# templates, the registration script and the sample files into
# <prefix>/share/brellmont-odbc, and registers every driver with unixODBC
# under the name "Brellmont <driver>" (odbcinst -i -d). The libraries carry
# the RUNPATH $ORIGIN, so an installed driver finds the libraries beside it
# wherever the prefix is. An install into a staging folder (DESTDIR set, as
# for the Debian package) copies the files and registers nothing; the
# package's postinst does that. packaging/uninstall.cmake undoes an install.
#
# Included from the top-level CMakeLists.txt after every library folder.
include(GNUInstallDirs)

set(VX_INSTALL_LIBDIR ${CMAKE_INSTALL_LIBDIR}/brellmont-odbc CACHE STRING
    "Folder under the install prefix for the libraries")
set(VX_INSTALL_DATADIR ${CMAKE_INSTALL_DATADIR}/brellmont-odbc CACHE STRING
    "Folder under the install prefix for templates, scripts and samples")

# Registered name ("Brellmont " + name) and description of each driver.
set(VX_DRIVER_NAME_KWTXT08 "Text")
set(VX_DRIVER_ABOUT_KWTXT08 "delimited and fixed-width text files")
set(VX_DRIVER_NAME_KWXLS08 "Excel")
set(VX_DRIVER_ABOUT_KWXLS08 "Excel 2-4 worksheet files")
set(VX_DRIVER_NAME_KWXLS508 "Excel 5")
set(VX_DRIVER_ABOUT_KWXLS508 "Excel 5 workbooks")
set(VX_DRIVER_NAME_KWOR708 "Oracle7")
set(VX_DRIVER_ABOUT_KWOR708 "Oracle7")
set(VX_DRIVER_NAME_KWSS08 "SQL Server")
set(VX_DRIVER_ABOUT_KWSS08 "SQL Server")
set(VX_DRIVER_NAME_KWSYB08 "Sybase System 10")
set(VX_DRIVER_ABOUT_KWSYB08 "Sybase System 10")

# The drivers of drivers/ (not the framework's test driver).
get_property(vx_all_drivers GLOBAL PROPERTY BASE_ODBC_DRIVERS)
set(vx_drivers)
foreach(driver IN LISTS vx_all_drivers)
    get_target_property(folder ${driver} SOURCE_DIR)
    if(folder MATCHES "^${CMAKE_SOURCE_DIR}/drivers/")
        list(APPEND vx_drivers ${driver})
    endif()
endforeach()
# clntsh7 is the Oracle call-interface library the Oracle7 driver links by
# name (over SQLite here); a real client library of that name found first on
# the library path takes its place.
set(vx_installed)
foreach(library kwutl08 KWBAS08 KWFLT08 kwtrn08 clntsh7 ${vx_drivers})
    if(TARGET ${library})
        list(APPEND vx_installed ${library})
    endif()
endforeach()
set_target_properties(${vx_installed} PROPERTIES INSTALL_RPATH "$ORIGIN")
install(TARGETS ${vx_installed} LIBRARY DESTINATION ${VX_INSTALL_LIBDIR})

# The driver template, one section per driver; @PREFIX@ becomes the install
# prefix when installing. ConfigDSN is in the driver itself, so the driver
# is its own setup library.
set(vx_template "")
foreach(driver IN LISTS vx_drivers)
    if(DEFINED VX_DRIVER_NAME_${driver})
        set(name "Brellmont ${VX_DRIVER_NAME_${driver}}")
        set(about "Brellmont ODBC driver for ${VX_DRIVER_ABOUT_${driver}}")
    else()
        set(name "Brellmont ${driver}")
        set(about "Brellmont ODBC driver ${driver}")
    endif()
    set(path "@PREFIX@/${VX_INSTALL_LIBDIR}/$<TARGET_FILE_NAME:${driver}>")
    string(APPEND vx_template
        "[${name}]\nDescription = ${about}\nDriver = ${path}\nSetup = ${path}\n\n")
endforeach()
file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/packaging/odbcinst.ini.in CONTENT "${vx_template}")

install(PROGRAMS packaging/odbc-register.sh DESTINATION ${VX_INSTALL_DATADIR})
install(DIRECTORY samples/ DESTINATION ${VX_INSTALL_DATADIR}/samples)
install(CODE "
    set(VX_SOURCE_DIR \"${CMAKE_SOURCE_DIR}\")
    set(VX_DRIVER_TEMPLATE \"${CMAKE_BINARY_DIR}/packaging/odbcinst.ini.in\")
    set(VX_INSTALL_DATADIR \"${VX_INSTALL_DATADIR}\")
    set(VX_HAS_TEXT_DRIVER \"$<TARGET_EXISTS:KWTXT08>\")")
install(SCRIPT packaging/install-finish.cmake)

# The install test: an install into a scratch prefix with a private unixODBC
# configuration, a query through isql by the registered name, the uninstall.
if(TARGET KWTXT08)
    add_test(NAME packaging_install
        COMMAND ${CMAKE_SOURCE_DIR}/packaging/tests/install_test.sh
            ${CMAKE_BINARY_DIR} ${CMAKE_SOURCE_DIR})
    set_tests_properties(packaging_install PROPERTIES LABELS "install;slow" TIMEOUT 120)
endif()

# The Debian package ("make package", cpack -G DEB in the build folder):
# the same install under /usr, a postinst that registers the drivers and a
# prerm that removes their registration.
set(VX_PACKAGE_VERSION 0.1.0 CACHE STRING "Version of the Debian package")
set(vx_package_datadir /usr/${VX_INSTALL_DATADIR})
set(DATADIR ${vx_package_datadir})
foreach(script postinst prerm)
    configure_file(packaging/debian/${script}.in ${CMAKE_BINARY_DIR}/packaging/debian/${script}
        @ONLY FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
        WORLD_READ WORLD_EXECUTE)
endforeach()
unset(DATADIR)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME brellmont-odbc)
set(CPACK_PACKAGE_VERSION ${VX_PACKAGE_VERSION})
set(CPACK_PACKAGE_VENDOR Brellmont)
set(CPACK_PACKAGE_CONTACT "Brellmont ODBC drivers <odbc@brellmont.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Brellmont ODBC drivers for unixODBC")
set(CPACK_PACKAGE_DESCRIPTION "ODBC drivers for SQL over delimited and fixed-width text\
 files, registered with unixODBC under names that begin with Brellmont (Brellmont\
 Text), with the libraries they share and an OEM/ANSI translation library.")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR}/lib)
# odbcinst runs the registration in the maintainer scripts.
set(CPACK_DEBIAN_PACKAGE_DEPENDS odbcinst)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${CMAKE_BINARY_DIR}/packaging/debian/postinst ${CMAKE_BINARY_DIR}/packaging/debian/prerm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
