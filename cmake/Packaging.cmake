# Install layout of the files around the programs, and the Debian package made from it
# (`cmake --build --preset release --target package`). See docs/packaging.md.
include(GNUInstallDirs)

set(RVC_PACKAGE_NAME ravlin-configurator)
set(RVC_PACKAGING ${PROJECT_SOURCE_DIR}/packaging)
set(RVC_APP_ID org.ravlin.configurator)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                                WORLD_READ WORLD_EXECUTE)
set(CPACK_PACKAGE_CONTACT "Ravlin Configurator maintainers <maintainers@users.noreply.c-seed-6c453ee4.example>")

# Manual pages and the changelog are installed compressed, as Debian wants them.
set(RVC_DOC_OUT ${CMAKE_BINARY_DIR}/packaging)
configure_file(${RVC_PACKAGING}/changelog.in ${RVC_DOC_OUT}/changelog @ONLY)
set(RVC_COMPRESSED)
foreach(source docs/ravlinctl.1 docs/rvc_setup.1 ${RVC_DOC_OUT}/changelog)
  cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY ${PROJECT_SOURCE_DIR})
  cmake_path(GET source FILENAME name)
  add_custom_command(OUTPUT ${RVC_DOC_OUT}/${name}.gz COMMAND gzip -9 -n -c ${source} > ${RVC_DOC_OUT}/${name}.gz
                     DEPENDS ${source} VERBATIM)
  list(APPEND RVC_COMPRESSED ${RVC_DOC_OUT}/${name}.gz)
endforeach()
add_custom_target(rvc_compressed_docs ALL DEPENDS ${RVC_COMPRESSED})

install(FILES ${RVC_DOC_OUT}/ravlinctl.1.gz ${RVC_DOC_OUT}/rvc_setup.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${RVC_DOC_OUT}/changelog.gz ${RVC_PACKAGING}/copyright
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${RVC_PACKAGE_NAME})
install(FILES ${RVC_PACKAGING}/${RVC_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${RVC_PACKAGING}/${RVC_APP_ID}.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${RVC_PACKAGING}/${RVC_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${RVC_PACKAGING}/ravlinctl.bash DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
        RENAME ravlinctl)
# The programs read /etc/ravlin/environment, which a prefix of /usr gives; with another
# prefix the file lands in that prefix's etc/ and RAVLIN_ENVIRONMENT_FILE must name it.
install(FILES ${RVC_PACKAGING}/environment DESTINATION ${CMAKE_INSTALL_FULL_SYSCONFDIR}/ravlin)
# The CUPS backend's mode 0700 is what CUPS asks of a backend that must run as root.
install(FILES ${RVC_PACKAGING}/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
        RENAME ${RVC_PACKAGE_NAME})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${RVC_PACKAGE_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configuration tool of a Ravlin RIP installation")
# CPack puts the summary first; these lines are the extended description (at most 80
# columns each).
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Ravlin Configurator creates, changes, retypes, deletes, backs up
and restores the output channels (dispatchers) of a Ravlin RIP,
edits their RIP configurations and generates their PPD and INF
files. rvc_setup is the interactive configurator and runs the
installer's unattended jobs; ravlinctl offers the same operations
from the shell and from scripts.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION admin)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time (dlopen), so shlibdeps cannot see them: logon, PPD parsing and colour
# profiles.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libpam0g, libcups2, liblcms2-2")
# lpadmin for ravlinctl publish; the scheduler that runs the backend.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "cups-client")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "cups-daemon")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
file(WRITE ${RVC_DOC_OUT}/conffiles "${CMAKE_INSTALL_FULL_SYSCONFDIR}/ravlin/environment\n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${RVC_DOC_OUT}/conffiles)
include(CPack)
