# What `cmake --install` puts where, and the two Debian packages built from
# it: lintor (daemon, simulator, units, man pages) and lintor-gui (window);
# for arm64 and armhf only lintor.
include(GNUInstallDirs)

set(LINTOR_CONFIG_DIR "${CMAKE_INSTALL_FULL_SYSCONFDIR}/lintor")
set(LINTOR_DAEMON "${CMAKE_INSTALL_FULL_SBINDIR}/lintord")
set(LINTOR_UNIT_DIR "${CMAKE_INSTALL_PREFIX}/lib/systemd/system" CACHE PATH "Where the systemd units go")
set(LINTOR_SYSUSERS_DIR "${CMAKE_INSTALL_PREFIX}/lib/sysusers.d" CACHE PATH "Where the sysusers.d entry goes")
set(LINTOR_COMPLETION_DIR "${CMAKE_INSTALL_DATADIR}/bash-completion/completions")
set(LINTOR_DOC_DIR "${CMAKE_INSTALL_DATADIR}/doc/lintor")
set(LINTOR_EXAMPLES_DIR "${LINTOR_DOC_DIR}/examples")

set(packaging "${PROJECT_SOURCE_DIR}/packaging")
configure_file(${packaging}/systemd/lintor@.service.in ${PROJECT_BINARY_DIR}/packaging/lintor@.service @ONLY)

install(TARGETS lintord RUNTIME DESTINATION ${CMAKE_INSTALL_SBINDIR} COMPONENT daemon)
install(TARGETS lintor-bcusim lintor-tool RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT daemon)
install(FILES ${PROJECT_BINARY_DIR}/packaging/lintor@.service DESTINATION ${LINTOR_UNIT_DIR} COMPONENT daemon)
install(FILES ${packaging}/systemd/lintor.sysusers DESTINATION ${LINTOR_SYSUSERS_DIR} RENAME lintor.conf
        COMPONENT daemon)
install(FILES ${packaging}/example.conf DESTINATION ${LINTOR_CONFIG_DIR} COMPONENT daemon)
install(FILES ${packaging}/example.conf ${packaging}/udev/99-lintor.rules
              ${PROJECT_SOURCE_DIR}/docs/examples/demo-names.csv DESTINATION ${LINTOR_EXAMPLES_DIR}
        COMPONENT daemon)
install(FILES ${packaging}/bash-completion/lintord ${packaging}/bash-completion/lintor-bcusim
              ${packaging}/bash-completion/lintor-tool
        DESTINATION ${LINTOR_COMPLETION_DIR} COMPONENT daemon)
install(FILES README.md DESTINATION ${LINTOR_DOC_DIR} COMPONENT daemon)

# The window's package only where the window is built (not for the boards).
if(LINTOR_WITH_QT)
  install(TARGETS lintor RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT gui)
  install(FILES ${packaging}/bash-completion/lintor DESTINATION ${LINTOR_COMPLETION_DIR} COMPONENT gui)
  install(FILES ${packaging}/lintor.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT gui)
  install(FILES ${PROJECT_SOURCE_DIR}/gui/resources/lintor_32.xpm DESTINATION ${CMAKE_INSTALL_DATADIR}/pixmaps
          RENAME lintor.xpm COMPONENT gui)
endif()

# Man pages from their scdoc sources, compressed as Debian keeps them.
find_program(SCDOC scdoc)
if(SCDOC)
  set(man_pages lintord.8:daemon lintor.conf.5:daemon lintor-bcusim.1:daemon lintor-tool.1:daemon)
  if(LINTOR_WITH_QT)
    list(APPEND man_pages lintor.1:gui)
  endif()
  set(man_outputs)
  foreach(entry IN LISTS man_pages)
    string(REPLACE ":" ";" parts "${entry}")
    list(GET parts 0 page)
    list(GET parts 1 component)
    string(REGEX REPLACE ".*\\.([0-9])$" "\\1" section "${page}")
    set(source ${PROJECT_SOURCE_DIR}/docs/man/${page}.scd)
    set(output ${PROJECT_BINARY_DIR}/man/${page}.gz)
    add_custom_command(OUTPUT ${output}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
      COMMAND ${SCDOC} < ${source} > ${PROJECT_BINARY_DIR}/man/${page}
      COMMAND gzip -9nf ${PROJECT_BINARY_DIR}/man/${page}
      DEPENDS ${source} VERBATIM)
    list(APPEND man_outputs ${output})
    install(FILES ${output} DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section} COMPONENT ${component})
  endforeach()
  add_custom_target(man_pages ALL DEPENDS ${man_outputs})
else()
  message(WARNING "scdoc not found: the man pages are neither built nor installed (apt-get install scdoc)")
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lintor)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Lintor developers <lintor@localhost>")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
if(LINTOR_WITH_QT)
  set(CPACK_COMPONENTS_ALL daemon gui)
else()
  set(CPACK_COMPONENTS_ALL daemon)
endif()
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_DAEMON_PACKAGE_NAME lintor)
set(CPACK_DEBIAN_GUI_PACKAGE_NAME lintor-gui)
set(CPACK_DEBIAN_DAEMON_DESCRIPTION
    "KNX/EIB gateway between a serial BCU and TCP clients
lintord drives a bus coupling unit over a serial line (FT1.2, EMI) and serves
binary bus records on TCP port 57627 and group values as text on port 5003.
lintor-tool monitors the bus and reads and writes group values from a terminal.
One systemd instance per line: lintor@NAME reads /etc/lintor/NAME.conf.")
set(CPACK_DEBIAN_GUI_DESCRIPTION
    "KNX/EIB gateway between a serial BCU and TCP clients (window)
lintor is the gateway with a small window: link and socket status, traffic
counters and a live table of group values.")
set(CPACK_DEBIAN_GUI_PACKAGE_DEPENDS "lintor (= ${PROJECT_VERSION})")
set(CPACK_DEBIAN_GUI_PACKAGE_SECTION net)
# passwd for the user where systemd-sysusers is missing, procps for the reload.
set(CPACK_DEBIAN_DAEMON_PACKAGE_DEPENDS "passwd, procps")
configure_file(${packaging}/debian/conffiles.in ${PROJECT_BINARY_DIR}/packaging/conffiles @ONLY)
set(CPACK_DEBIAN_DAEMON_PACKAGE_CONTROL_EXTRA
    ${packaging}/debian/postinst ${packaging}/debian/prerm ${packaging}/debian/postrm
    ${PROJECT_BINARY_DIR}/packaging/conffiles)
set(CPACK_DEBIAN_DAEMON_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# A cross build (cmake/toolchains/) packs for its target, and dpkg-shlibdeps
# looks up that arch's libraries, not the build machine's.
if(LINTOR_DEB_ARCH)
  set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${LINTOR_DEB_ARCH})
  file(WRITE ${PROJECT_BINARY_DIR}/packaging/cpack-arch.cmake "set(ENV{DEB_HOST_ARCH} ${LINTOR_DEB_ARCH})\n")
  set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_BINARY_DIR}/packaging/cpack-arch.cmake)
endif()
include(CPack)
