# The window-free logic of the shell, file by file (paths relative to src/).
# Its library, velkor_logica, links no Qt Widgets, and the layer check
# (cmake/RevisaCapas.cmake) reads this same list: these files include no
# widget header, no window header and no window global. Every other source
# of the subsystem folders is window code.
set(VELKOR_LOGICA_FUENTES
    app/TBaseDatosLocalFrm.cpp
    app/TBaseDatosLocalFrm.h
    app/TCadenaConexion.cpp
    app/TCadenaConexion.h
    app/TDefaultDBValues.cpp
    app/TDefaultDBValues.h
    app/TSenalesTerminacion.cpp
    app/TSenalesTerminacion.h
    app/Utils.cpp
    app/Utils.h
    app/UtilsConexion.cpp
    app/UtilsRecursos.cpp
    app/UtilsSesion.cpp
    import/DireccionImportada.cpp
    import/DireccionImportada.h
    import/GuardadoComprobante.cpp
    import/GuardadoComprobante.h
    import/Nomina11.cpp
    import/Nomina11.h
    import/TCacheCatalogos.cpp
    import/TCacheCatalogos.h
    import/TImportadorXML.cpp
    import/TImportadorXML.h
    import/TLoteImportacion.cpp
    import/TLoteImportacion.h
    import/TNegociosImportacion.cpp
    import/TNegociosImportacion.h
    import/TRecorridoXML.cpp
    import/TRecorridoXML.h
    setup/Credenciales.cpp
    setup/Credenciales.h
    setup/TIngreso.cpp
    setup/TIngreso.h
    setup/TNuevoNegocio.cpp
    setup/TNuevoNegocio.h)

# The folders of the shell's subsystems; their files not listed above are
# windows.
set(VELKOR_SUBSISTEMAS app shell import setup admin)
