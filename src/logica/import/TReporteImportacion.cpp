#include "TReporteImportacion.h"

#include "Logmanager.h"

#include <QDateTime>
#include <QFileInfo>

namespace {

const QString FIN = QStringLiteral("Proceso Terminado");
const QString CRLF = QStringLiteral("\r\n");

} // namespace

TReporteImportacion::TReporteImportacion(const QString& carpeta)
{
    const QString base = QFileInfo(Logmanager::archivoLog(carpeta)).absolutePath() + QStringLiteral("/Importacion-") +
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    // Two jobs started in the same second each get a report of their own.
    QString ruta = base + QStringLiteral(".csv");
    for (int n = 2; QFileInfo::exists(ruta); ++n)
        ruta = base + QStringLiteral("-%1.csv").arg(n);
    m_archivo.setFileName(ruta);
    if (!m_archivo.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        m_error = m_archivo.errorString();
        return;
    }
    m_archivo.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    m_ruta = ruta;
    m_archivo.write("\xEF\xBB\xBF");
    escribe(QStringLiteral("Archivo,Resultado,RFC emisor,UUID,Motivo"));
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
    case TResultadoArchivo::Fallido:
        break;
    }
    return QStringLiteral("Fallido");
}

QString TReporteImportacion::campoCsv(const QString& valor)
{
    static const QString especiales = QStringLiteral(",\"\r\n");
    bool comillas = false;
    for (const QChar c : valor)
        comillas = comillas || especiales.contains(c);
    if (!comillas)
        return valor;
    QString copia = valor;
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
    if (motivo.isEmpty())
        motivo = resultado.avisos.join(QLatin1Char(' '));
    escribe(QStringList{campoCsv(resultado.ruta), campoCsv(estado(resultado)), campoCsv(resultado.rfc),
                        campoCsv(resultado.uuid), campoCsv(motivo)}
                .join(QLatin1Char(',')));
}

void TReporteImportacion::escribe(const QString& linea)
{
    const QByteArray bytes = (linea + CRLF).toUtf8();
    if (m_error.isEmpty() && m_archivo.write(bytes) != bytes.size())
        m_error = m_archivo.errorString();
}

void TReporteImportacion::cierra()
{
    if (!m_archivo.isOpen())
        return;
    if (!m_archivo.flush() && m_error.isEmpty())
        m_error = m_archivo.errorString();
    m_archivo.close();
}

QString TReporteImportacion::mensajeFinal() const
{
    return mensajeFinal(m_resumen, m_ruta, m_error);
}

QString TReporteImportacion::mensajeFinal(const TResumenImportacion& resumen, const QString& ruta, const QString& error)
{
    QString texto = FIN + QStringLiteral("\n\nImportados: %1\nYa existían: %2\n"
                                         "Omitidos (no son un CFDI que se importe, o sin timbre): %3\nFallidos: %4")
                              .arg(resumen.importados)
                              .arg(resumen.yaExistian)
                              .arg(resumen.omitidos)
                              .arg(resumen.fallidos);
    if (!ruta.isEmpty() && error.isEmpty())
        texto += QStringLiteral("\n\nEl reporte de cada archivo está en:\n") + ruta;
    else
        texto += QStringLiteral("\n\nNo se pudo escribir el reporte de cada archivo%1.")
                     .arg(error.isEmpty() ? QString() : QStringLiteral(": ") + error);
    return texto;
}
