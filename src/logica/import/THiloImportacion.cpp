#include "THiloImportacion.h"

#include "Conexiones.h"
#include "Errores.h"
#include "ImportacionCarpeta.h"
#include "Logmanager.h"
#include "Sistema.h"
#include "TReporteImportacion.h"
#include "negocio/Utils.h"

THiloImportacion::THiloImportacion(const QString& raiz, const TParametrosImportacion& parametros, QObject* parent)
    : QThread(parent), m_raiz(raiz), m_parametros(parametros)
{
    qRegisterMetaType<TResultadoArchivo>();
}

void THiloImportacion::run()
{
    QString falla;
    int hechos = 0;
    const QStringList antes = ImportacionCarpeta::empresasRegistradas();
    TReporteImportacion reporte(Sistema::exePath);
    try {
        hechos = ImportacionCarpeta::importa(
            m_raiz, m_parametros, reporte, [this] { return isInterruptionRequested(); },
            [this, &reporte](const TResultadoArchivo& resultado) {
                emit archivoTerminado(resultado);
                emit avance(reporte.resumen().total());
            });
    } catch (const std::exception& e) {
        // What the batches committed before the failure is kept; the user is
        // told the job did not end, in words, and the log has the detail.
        Logmanager::Log(QStringLiteral("Importación interrumpida por un error: ") + Errores::describe(e), 1,
                        Sistema::exePath);
        falla = Utils::textoError(e);
    }
    reporte.cierra();
    m_cancelada = isInterruptionRequested();
    m_resumen = reporte.resumen();
    m_rutaReporte = reporte.ruta();
    m_creadas = ImportacionCarpeta::empresasCreadas(antes, ImportacionCarpeta::empresasRegistradas());
    QStringList partes;
    if (!falla.isEmpty())
        partes << QStringLiteral("La importación se interrumpió por un error: %1\nLo importado antes del error se "
                                 "conserva.")
                      .arg(falla);
    else if (m_cancelada)
        partes << QStringLiteral("Importación cancelada después de %1 archivos; lo importado se conserva y otra "
                                 "importación de la carpeta sigue donde quedó.")
                      .arg(hechos);
    partes << reporte.mensajeFinal();
    const QString creadas = ImportacionCarpeta::textoEmpresasCreadas(m_creadas);
    if (!creadas.isEmpty())
        partes << creadas;
    m_mensaje = partes.join(QStringLiteral("\n\n"));
    Conexiones::cierraHilo();
}
