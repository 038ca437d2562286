# The window-free logic of the shell, file by file (paths relative to src/).
# Its library, velkor_logica, links no Qt Widgets, and the layer check
# (cmake/RevisaCapas.cmake) reads this same list: these files include no
# widget header, no window header and no window global. Every other source
# of the subsystem folders is window code.
set(VELKOR_LOGICA_FUENTES
    admin/CartaManifiesto.cpp
    admin/CartaManifiesto.h
    admin/RevisionImagen.cpp
    admin/RevisionImagen.h
    admin/TEdicionEmpresa.cpp
    admin/TEdicionEmpresa.h
    admin/TUsuariosNegocio.cpp
    admin/TUsuariosNegocio.h
    admin/TPerfil.cpp
    admin/TPerfil.h
    admin/TSeries.cpp
    admin/TSeries.h
    admin/TSucursales.cpp
    admin/TSucursales.h
    app/Reemplazo.h
    app/TAjustesPrograma.cpp
    app/TAjustesPrograma.h
    app/TArchivoZip.cpp
    app/TArchivoZip.h
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
    app/UtilsPaquetes.h
    shell/ContextoTrabajo.cpp
    shell/ContextoTrabajo.h
    shell/Despacho.cpp
    shell/Despacho.h
    shell/Modulos.cpp
    shell/Modulos.h
    shell/Reinicio.cpp
    shell/Reinicio.h
    shell/TConfiguracionNegocio.cpp
    shell/TConfiguracionNegocio.h
    shell/TPaqueteBean.cpp
    shell/TPaqueteBean.h
    app/UtilsSesion.cpp
    import/DireccionImportada.cpp
    import/DireccionImportada.h
    import/GuardadoComprobante.cpp
    import/GuardadoComprobante.h
    import/ImportacionConsola.cpp
    import/ImportacionConsola.h
    import/Importacion32.cpp
    import/Importacion32.h
    import/Nomina11.cpp
    import/Nomina11.h
    import/TCandadoImportacion.cpp
    import/TCandadoImportacion.h
    import/TImportacionParalela.cpp
    import/TImportacionParalela.h
    import/TImportadorXML.cpp
    import/TImportadorXML.h
    import/TLoteImportacion.cpp
    import/TLoteImportacion.h
    import/TNegociosImportacion.cpp
    import/TNegociosImportacion.h
    import/TRecorridoXML.cpp
    import/TRecorridoXML.h
    import/TReporteImportacion.cpp
    import/TReporteImportacion.h
    setup/Credenciales.cpp
    setup/Credenciales.h
    setup/TImportarBaseHilo.cpp
    setup/TImportarBaseHilo.h
    setup/TIngreso.cpp
    setup/TIngreso.h
    setup/TNuevoNegocio.cpp
    setup/TNuevoNegocio.h
    setup/TRecuperacion.cpp
    setup/TRecuperacion.h
    setup/TRespaldo.cpp
    setup/TRespaldo.h
    shell/TCatalogosHilo.cpp
    shell/TCatalogosHilo.h
    shell/TIdHTTPProgress.cpp
    shell/TIdHTTPProgress.h
    shell/TVerificaUpdate.cpp
    shell/TVerificaUpdate.h)

# The folders of the shell's subsystems; their files not listed above are
# windows.
set(VELKOR_SUBSISTEMAS app shell import setup admin)
