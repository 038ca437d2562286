#pragma once
#include "ProgramaConsola.h"

#include "Conexiones.h"
#include "Esquema.h"

#include "negocio/TBaseDatosLocalFrm.h"

#include <QRegularExpression>

using namespace Qt::StringLiterals;

// Reading what runs of velkor-importar against a database server left: on
// the server, in their report and in their closing summary.

// The RFCs of the current program folder's registry.
inline QStringList rfcsRegistrados()
{
    QStringList rfcs;
    for (const QString& empresa : registroLocal().getEmpresas())
        rfcs << empresa.section(u'|', 0, 0);
    return rfcs;
}

// What those businesses hold on the server (or, when `servidor` is false,
// wherever they are): the rows of every table and the vouchers' UUIDs.
inline QStringList estadoServidor(bool servidor = true)
{
    QStringList lineas;
    QStringList rfcs = rfcsRegistrados();
    rfcs.sort();
    for (const QString& rfc : std::as_const(rfcs)) {
        const TConexionSesion conexion = TEntornoImportacion::conexion(rfc);
        if (servidor && !conexion.enServidor())
            qFatal("%s no está en el servidor", qPrintable(rfc));
        for (const TTabla& t : Esquema::tablas())
            lineas << u"%1/%2=%3"_s.arg(rfc, t.nombre).arg(TPersistencia::cuenta(t, TCondicion(), conexion));
        QStringList uuids;
        for (const TComprobante& c : TComprobante::busca(TCondicion(), conexion))
            uuids << c.getUuid();
        uuids.sort();
        lineas << rfc + u"/uuids="_s + uuids.join(u',');
    }
    Conexiones::cierraHilo();
    return lineas;
}

// The rows of a run's report that did not import.
inline QStringList fallidas(const TProgramaConsola::TCorrida& corrida)
{
    const QString reporte = corrida.salidaEstandar.section(u"está en:\n"_s, 1).section(u'\n', 0, 0);
    return QString::fromUtf8(TCarpetaPrograma::lee(reporte)).split(u'\n').filter(u",Fallido,"_s);
}

// A figure of a run's closing summary ("Importados: 3").
inline int cuenta(const QString& salida, const QString& renglon)
{
    return QRegularExpression(u"\\n"_s + renglon + u": (\\d+)\\n"_s).match(salida).captured(1).toInt();
}

// A run's output, with the rows of its report that did not import, to say
// why a run that should be clean was not.
inline QByteArray explica(const TProgramaConsola::TCorrida& corrida)
{
    QString texto = corrida.salidaEstandar + corrida.errores;
    for (const QString& linea : fallidas(corrida))
        texto += u'\n' + linea;
    return texto.toUtf8();
}

// The real 4.0 voucher as issued by `rfc`, under a fresh UUID. Its seal no
// longer matches, which the import reports and does not refuse.
inline QByteArray emitidoPor(const QString& rfc, const QString& uuid)
{
    return TEntornoImportacion::variante(
        TEntornoImportacion::MUESTRAS.first().first,
        {{TEntornoImportacion::MUESTRAS.first().second, uuid.toLatin1()},
         {"Emisor Rfc=\"ISD950921HE5\"", "Emisor Rfc=\"" + rfc.toHtmlEscaped().toUtf8() + '"'}});
}
