#include "TReporteImportacion.h"

#include "Errores.h"
#include "Logmanager.h"
#include "Sistema.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

const QString FIN = QStringLiteral("Proceso Terminado");
const QString CRLF = QStringLiteral("\r\n");

} // namespace

TReporteImportacion::TReporteImportacion(const QString& carpeta) : m_fallasLog(Logmanager::fallas())
{
    const QString base = QFileInfo(Logmanager::archivoLog(carpeta)).absolutePath() + QStringLiteral("/Importacion-") +
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    // Two jobs started in the same second each get a report of their own.
    QString ruta = base + QStringLiteral(".csv");
    for (int n = 2; QFileInfo::exists(ruta); ++n)
        ruta = base + QStringLiteral("-%1.csv").arg(n);
    // The system calls themselves: each row is one write, on disk (in the
    // system's cache) once agrega() returns, and a failure says why.
    m_fd = ::open(QFile::encodeName(ruta).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (m_fd < 0) {
        m_error = Errores::delSistema(errno);
        return;
    }
    m_ruta = ruta;
    escribe(QStringLiteral("\uFEFFArchivo,Resultado,RFC emisor,UUID,Sello,Motivo,Entrada del paquete"));
}

TReporteImportacion::~TReporteImportacion()
{
    cierra();
}

QString TReporteImportacion::estado(const TResultadoArchivo& resultado)
{
    switch (resultado.estado) {
    case TResultadoArchivo::Importado:
        return QStringLiteral("Importado");
    case TResultadoArchivo::YaExistia:
        return QStringLiteral("Ya existía");
    case TResultadoArchivo::Omitido:
        return QStringLiteral("Omitido");
    case TResultadoArchivo::Metadatos:
        return QStringLiteral("Metadatos");
    case TResultadoArchivo::Fallido:
        break;
    }
    return QStringLiteral("Fallido");
}

QString TReporteImportacion::campoCsv(const QString& valor)
{
    // File and entry names and reasons come from outside: one a spreadsheet
    // would run as a formula ("=HYPERLINK(...).xml") is made text, by the
    // same rule as the conciliation's CSV (campo in ConciliacionSat.cpp).
    QString copia = valor;
    if (!copia.isEmpty() && QStringLiteral("=+-@\t\r").contains(copia.front()))
        copia.prepend(QLatin1Char('\''));
    static const QString especiales = QStringLiteral(",\"\r\n");
    bool comillas = false;
    for (const QChar c : std::as_const(copia))
        comillas = comillas || especiales.contains(c);
    if (!comillas)
        return copia;
    return QLatin1Char('"') + copia.replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}

void TReporteImportacion::agrega(const TResultadoArchivo& resultado)
{
    m_resumen.agrega(resultado);
    if (m_ruta.isEmpty())
        return;
    QString motivo = resultado.motivo;
    if (motivo.isEmpty() && resultado.estado == TResultadoArchivo::YaExistia)
        motivo = resultado.copiaRestaurada
                     ? QStringLiteral("Ya estaba guardado en su negocio; se volvió a escribir su copia.")
                     : QStringLiteral("Ya estaba guardado en su negocio.");
    QStringList motivos{motivo};
    QString sello;
    if (resultado.verificado) {
        sello = VerificacionSello::texto(resultado.verificacion.estado);
        motivos.prepend(resultado.verificacion.motivo);
    }
    if (motivo.isEmpty())
        motivos << resultado.avisos;
    if (resultado.marcadoCancelado && resultado.estado == TResultadoArchivo::Importado)
        motivos << QStringLiteral("Los metadatos del SAT lo dan por cancelado; se guardó marcado como cancelado.");
    motivos.removeAll(QString());
    escribe(QStringList{campoCsv(resultado.ruta), campoCsv(estado(resultado)), campoCsv(resultado.rfc),
                        campoCsv(resultado.uuid), campoCsv(sello), campoCsv(motivos.join(QLatin1Char(' '))),
                        campoCsv(resultado.entrada)}
                .join(QLatin1Char(',')));
}

void TReporteImportacion::escribe(const QString& linea)
{
    if (m_fd < 0 || !m_error.isEmpty())
        return;
    const QByteArray bytes = (linea + CRLF).toUtf8();
    for (qint64 hecho = 0; hecho < bytes.size();) {
        const ssize_t n = ::write(m_fd, bytes.constData() + hecho, static_cast<size_t>(bytes.size() - hecho));
        if (n > 0) {
            hecho += n;
        } else if (n == 0 || errno != EINTR) {
            m_error = Errores::delSistema(n == 0 ? ENOSPC : errno);
            // No half row: the report ends with the last whole one.
            if (hecho > 0 && ::ftruncate(m_fd, m_escritos) != 0)
                m_error += QStringLiteral(" (su último renglón quedó cortado)");
            return;
        }
    }
    m_escritos += bytes.size();
}

void TReporteImportacion::cierra()
{
    if (m_fd < 0)
        return;
    if (::close(m_fd) != 0 && errno != EINTR && m_error.isEmpty())
        m_error = Errores::delSistema(errno);
    m_fd = -1;
}

QString TReporteImportacion::mensajeFinal() const
{
    QString texto = mensajeFinal(m_resumen, m_ruta, m_error);
    const Logmanager::TFallasLog ahora = Logmanager::fallas();
    if (ahora.lineas > m_fallasLog.lineas)
        texto += QStringLiteral("\n\nNo se pudieron escribir %1 líneas de la bitácora del programa (%2): %3.")
                     .arg(ahora.lineas - m_fallasLog.lineas)
                     .arg(Logmanager::archivoLog(Sistema::exePath), ahora.motivo);
    return texto;
}

QString TReporteImportacion::mensajeFinal(const TResumenImportacion& resumen, const QString& ruta, const QString& error)
{
    QString texto = FIN + QStringLiteral("\n\nImportados: %1\nYa existían: %2\n"
                                         "Omitidos (no son un CFDI que se importe, o sin timbre): %3\nFallidos: %4")
                              .arg(resumen.importados)
                              .arg(resumen.yaExistian)
                              .arg(resumen.omitidos)
                              .arg(resumen.fallidos);
    if (resumen.paquetes > 0)
        texto +=
            QStringLiteral("\nPaquetes ZIP: %1, con %2 archivos dentro").arg(resumen.paquetes).arg(resumen.entradas);
    if (resumen.archivosMetadatos > 0) {
        texto += QStringLiteral("\nMetadatos del SAT: %1 archivos, %2 filas")
                     .arg(resumen.archivosMetadatos)
                     .arg(resumen.filasMetadatos);
        if (resumen.filasSinNegocio > 0)
            texto += QStringLiteral(" (%1 de RFC sin negocio en este equipo)").arg(resumen.filasSinNegocio);
        if (resumen.filasRechazadas > 0) {
            // Why, as for a file not imported: its file's reason.
            texto += QStringLiteral("\nFilas de metadatos no guardadas: %1").arg(resumen.filasRechazadas);
            for (const TResultadoArchivo& resultado : resumen.conFilasNoGuardadas)
                texto += QStringLiteral("\n  %1: %2").arg(resultado.nombre(), resultado.motivo);
            if (const int resto = resumen.archivosConFilasNoGuardadas - int(resumen.conFilasNoGuardadas.size());
                resto > 0)
                texto += QStringLiteral("\n  y %1 archivos más").arg(resto) +
                         (!ruta.isEmpty() && error.isEmpty()
                              ? QStringLiteral(" (el reporte dice por qué en el renglón de cada uno)")
                              : QString());
        }
    }
    if (resumen.cancelados > 0)
        texto += QStringLiteral("\nCancelados ante el SAT: %1 comprobantes guardados se marcaron como cancelados y "
                                "quedan fuera de los totales")
                     .arg(resumen.cancelados);
    if (resumen.alterados > 0)
        texto += QStringLiteral("\nAlterados: %1 (no corresponden a su sello; se guardaron marcados como \"Alterado\" "
                                "y el reporte dice cuáles)")
                     .arg(resumen.alterados);
    // As untrustworthy as an altered one: whoever sealed it is unknown.
    if (resumen.certificadoNoCorresponde > 0)
        texto += QStringLiteral("\nCertificado no corresponde: %1 (traen un certificado que no les corresponde, así "
                                "que no se sabe quién los selló; se guardaron marcados como \"Certificado no "
                                "corresponde\" y el reporte dice cuáles)")
                     .arg(resumen.certificadoNoCorresponde);
    if (!resumen.noImportados.isEmpty()) {
        texto += QStringLiteral("\n\nNo importados:");
        // Most reasons of an unreadable file name it already.
        for (const TResultadoArchivo& resultado : resumen.noImportados)
            texto += QStringLiteral("\n  ") + (resultado.motivo.contains(resultado.nombre())
                                                   ? resultado.motivo
                                                   : resultado.nombre() + QStringLiteral(": ") + resultado.motivo);
        if (resumen.noImportadosSinNombrar() > 0)
            texto +=
                QStringLiteral("\n  y %1 más").arg(resumen.noImportadosSinNombrar()) +
                (!ruta.isEmpty() && error.isEmpty() ? QStringLiteral(" (el reporte los nombra a todos)") : QString());
    }
    if (!ruta.isEmpty() && error.isEmpty())
        texto += QStringLiteral("\n\nEl reporte de cada archivo está en:\n") + ruta;
    else if (!ruta.isEmpty())
        texto += QStringLiteral("\n\nEl reporte de cada archivo quedó incompleto (%1): %2.").arg(ruta, error);
    else
        texto += QStringLiteral("\n\nNo se pudo escribir el reporte de cada archivo%1.")
                     .arg(error.isEmpty() ? QString() : QStringLiteral(": ") + error);
    return texto;
}
