# Debian packages, built by CPack from the release tree:
#   cmake --build build/release --target grupservfat-server grupservfat-host gsf_package
#   cd build/release && cpack -G DEB
# grupservfat-server: the server, its service, its configuration.
# grupservfat-desktop: the host application, the screen's run-time package,
# a menu entry and a default host configuration.
#
# Every layer is a shared library; each package keeps the ones it needs in a
# private folder, /usr/lib/grupservfat-server or /usr/lib/grupservfat-desktop,
# beside the program, which finds them there ($ORIGIN). /usr/bin holds links.

set(GSF_SERVER_LIBDIR lib/grupservfat-server)
set(GSF_DESKTOP_LIBDIR lib/grupservfat-desktop)
set(GSF_PACKAGING ${PROJECT_SOURCE_DIR}/packaging)
file(MAKE_DIRECTORY ${PROJECT_BINARY_DIR}/packaging)

# gsf_install_program(COMPONENT LIBDIR PROGRAM TARGETS...): the program and
# the libraries it loads in LIBDIR, and a link to the program in /usr/bin.
function(gsf_install_program component libdir program)
  install(TARGETS ${program} ${ARGN}
          RUNTIME DESTINATION ${libdir} COMPONENT ${component}
          LIBRARY DESTINATION ${libdir} COMPONENT ${component})
  file(CREATE_LINK ../${libdir}/${program} ${PROJECT_BINARY_DIR}/packaging/${program} SYMBOLIC)
  install(FILES ${PROJECT_BINARY_DIR}/packaging/${program} DESTINATION bin COMPONENT ${component})
endfunction()

# --- server ---
gsf_install_program(server ${GSF_SERVER_LIBDIR} grupservfat-server gsf_server gsf_sql gsf_records gsf_data)
install(FILES ${GSF_PACKAGING}/server/server.conf DESTINATION /etc/grupservfat COMPONENT server)
install(FILES ${GSF_PACKAGING}/server/grupservfat-server.service DESTINATION /lib/systemd/system COMPONENT server)
install(FILES ${PROJECT_SOURCE_DIR}/server/README.md DESTINATION share/doc/grupservfat-server COMPONENT server)

# --- desktop ---
if(TARGET grupservfat-host AND TARGET gsf_package)
  gsf_install_program(desktop ${GSF_DESKTOP_LIBDIR} grupservfat-host gsf_package gsf_qt_host gsf_qt gsf_screen
                      gsf_host gsf_ui gsf_remote gsf_general_data gsf_sql gsf_records gsf_data)
  install(FILES ${GSF_PACKAGING}/desktop/host.ini DESTINATION /etc/grupservfat COMPONENT desktop)
  install(FILES ${GSF_PACKAGING}/desktop/grupservfat.desktop DESTINATION share/applications COMPONENT desktop)
  install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION share/doc/grupservfat-desktop COMPONENT desktop)
endif()

# --- CPack ---
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME grupservfat)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Equipe grupservfat <grupservfat@localhost>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL server desktop)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries each program loads, found by dpkg-shlibdeps, become Depends.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_DEBIAN_SERVER_PACKAGE_NAME grupservfat-server)
set(CPACK_DEBIAN_SERVER_PACKAGE_DEPENDS "adduser")
set(CPACK_DEBIAN_SERVER_PACKAGE_SUGGESTS "postgresql")
set(CPACK_COMPONENT_SERVER_DESCRIPTION "servidor de aplicação do Grupo de Serviço para Faturamento
O módulo remoto que guarda os grupos de serviço para faturamento dos
clientes, em SQLite ou PostgreSQL, como serviço do systemd com usuário
próprio, backup, histórico de alterações e métricas.")
set(CPACK_DEBIAN_SERVER_PACKAGE_CONTROL_EXTRA
    ${GSF_PACKAGING}/server/postinst ${GSF_PACKAGING}/server/prerm ${GSF_PACKAGING}/server/postrm
    ${GSF_PACKAGING}/server/conffiles)

set(CPACK_DEBIAN_DESKTOP_PACKAGE_NAME grupservfat-desktop)
# The windows need a platform plugin, which no library links.
set(CPACK_DEBIAN_DESKTOP_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_DESKTOP_PACKAGE_RECOMMENDS "fonts-dejavu-core")
set(CPACK_COMPONENT_DESKTOP_DESCRIPTION "tela do Grupo de Serviço para Faturamento para as estações
A aplicação hospedeira e o pacote de tela que ela carrega, com entrada
no menu e configuração padrão em /etc/grupservfat/host.ini.")
set(CPACK_DEBIAN_DESKTOP_PACKAGE_CONTROL_EXTRA ${GSF_PACKAGING}/desktop/conffiles)

include(CPack)
