# The Debian package: `cpack -G DEB` in the build folder writes
# velkor_<version>_amd64.deb.
#
# The program folder goes to /opt/velkor as it is in the build folder
# (executables, Lib/, Plugins/, Motor/, Xslt/, Recursos.bpl), read-only, with
# the marker that makes each user's program folder their own data folder
# (Rutas::preparaCarpetaPrograma). Around it: the menu entry, the icon in the
# hicolor sizes, the command-line programs on the path, and the Debian
# documents lintian asks for.
set(VELKOR_PAQUETE ${CMAKE_BINARY_DIR}/paquete)

install(TARGETS Velkor velkor-importar velkor-comprobante RUNTIME DESTINATION ${VELKOR_INSTALADA})
install(TARGETS Comunes BaseDatos Controles ResourcesUpd LIBRARY DESTINATION ${VELKOR_INSTALADA}/Lib)
install(DIRECTORY ${VELKOR_XSLT}/ DESTINATION ${VELKOR_INSTALADA}/Xslt)
install(FILES ${CMAKE_SOURCE_DIR}/cmake/paquete/velkor.instalado DESTINATION ${VELKOR_INSTALADA})
# The SAT's catalogue, which each user's first start copies into their db/
# (readable by all here; the copy is the user's alone). Only the catalogue:
# the build folder's db/ may hold a developer's businesses.
install(FILES ${VELKOR_PROGRAMA}/db/CFDCAT.DB DESTINATION ${VELKOR_INSTALADA}/db
        PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)

# Motor/: as in the build folder, but the client library is reached by its
# soname, which Debian keeps across its updates.
set(VELKOR_MOTOR_PAQUETE ${VELKOR_PAQUETE}/Motor)
get_filename_component(FBCLIENT_CARPETA ${FBCLIENT_REAL} DIRECTORY)
velkor_motor(${VELKOR_MOTOR_PAQUETE} ${FBCLIENT_CARPETA}/libfbclient.so.2)
install(DIRECTORY ${VELKOR_MOTOR_PAQUETE}/ DESTINATION ${VELKOR_INSTALADA}/Motor)

# The command-line programs on the path, and the program itself by its
# lower-case name (the menu entry runs it so).
set(VELKOR_ORDENES ${VELKOR_PAQUETE}/bin)
file(MAKE_DIRECTORY ${VELKOR_ORDENES})
file(CREATE_LINK /${VELKOR_INSTALADA}/Velkor ${VELKOR_ORDENES}/velkor SYMBOLIC)
foreach(orden velkor-importar velkor-comprobante)
    file(CREATE_LINK /${VELKOR_INSTALADA}/${orden} ${VELKOR_ORDENES}/${orden} SYMBOLIC)
endforeach()
install(DIRECTORY ${VELKOR_ORDENES}/ DESTINATION usr/bin)

# The program's logo in the icon theme's sizes, drawn at build time like
# every other picture.
add_custom_command(
    OUTPUT ${VELKOR_PAQUETE}/iconos/256x256/apps/velkor.png
    COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ${VELKOR_ENTORNO_SANITIZERS}
            $<TARGET_FILE:dibujaimagenes> --iconos ${VELKOR_PAQUETE}/iconos
    DEPENDS dibujaimagenes
    COMMENT "Dibujando el icono del programa"
    VERBATIM)
add_custom_target(iconos_paquete ALL DEPENDS ${VELKOR_PAQUETE}/iconos/256x256/apps/velkor.png)
install(DIRECTORY ${VELKOR_PAQUETE}/iconos/ DESTINATION usr/share/icons/hicolor)
install(FILES ${CMAKE_SOURCE_DIR}/cmake/paquete/velkor.desktop DESTINATION usr/share/applications)

configure_file(${CMAKE_SOURCE_DIR}/cmake/paquete/changelog.in ${VELKOR_PAQUETE}/changelog @ONLY)
add_custom_command(
    OUTPUT ${VELKOR_PAQUETE}/changelog.gz
    COMMAND gzip -9nf -k ${VELKOR_PAQUETE}/changelog
    DEPENDS ${VELKOR_PAQUETE}/changelog
    VERBATIM)
add_custom_target(changelog_paquete ALL DEPENDS ${VELKOR_PAQUETE}/changelog.gz)
install(FILES ${CMAKE_SOURCE_DIR}/cmake/paquete/copyright ${VELKOR_PAQUETE}/changelog.gz
        DESTINATION usr/share/doc/velkor)
install(FILES ${CMAKE_SOURCE_DIR}/cmake/paquete/lintian-overrides DESTINATION usr/share/lintian/overrides
        RENAME velkor)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velkor)
set(CPACK_PACKAGE_VENDOR Velkor)
set(CPACK_PACKAGE_CONTACT "Velkor <soporte@velkor.mx>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "comprobantes fiscales digitales (CFDI) de un negocio")
# Lines of the extended description stay under 80 characters.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Velkor guarda los comprobantes fiscales digitales (CFDI 3.2, 3.3 y 4.0\n"
    "con sus complementos) de los negocios de este equipo o de un servidor de\n"
    "bases de datos, importa carpetas y paquetes del SAT, verifica el sello de\n"
    "cada comprobante y lo imprime.")
set(CPACK_PACKAGING_INSTALL_PREFIX /)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Libraries the executables link come from dpkg-shlibdeps; what is loaded by
# name (the database drivers, the embedded engine, Qt's Spanish texts, the
# font of the printed voucher) is named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libqt6sql6-ibase, libqt6sql6-sqlite, libqt6sql6-mysql, firebird3.0-server-core, qt6-translations-l10n, fonts-dejavu-core")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
