#pragma once
#include "EntornoImportacion.h"

#include "Conexiones.h"
#include "Logmanager.h"
#include "Rutas.h"
#include "Sistema.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QSqlQuery>

// Everything an import leaves that must not depend on how it was run: the
// registry's businesses, the rows of every table of each business, its
// vouchers' UUIDs and every file of the invoice folders with its bytes.
inline QStringList estado()
{
    QStringList lineas;
    QStringList empresas = registroLocal().getEmpresas();
    empresas.sort();
    lineas << QStringLiteral("negocios=") + empresas.join(u';');
    for (const QString& empresa : std::as_const(empresas)) {
        const QString rfc = empresa.section(u'|', 0, 0);
        QSqlDatabase db = Conexiones::baseDatos(TEntornoImportacion::conexion(rfc));
        QSqlQuery tablas(db);
        tablas.exec(QStringLiteral("SELECT TRIM(RDB$RELATION_NAME) FROM RDB$RELATIONS "
                                   "WHERE RDB$SYSTEM_FLAG = 0 AND RDB$VIEW_BLR IS NULL ORDER BY 1"));
        while (tablas.next()) {
            QSqlQuery cuenta(db);
            cuenta.exec(QStringLiteral("SELECT COUNT(*) FROM \"%1\"").arg(tablas.value(0).toString()));
            cuenta.next();
            lineas << QStringLiteral("%1/%2=%3").arg(rfc, tablas.value(0).toString(), cuenta.value(0).toString());
        }
        QSqlQuery uuids(db);
        uuids.exec(QStringLiteral("SELECT UUID FROM %1 ORDER BY UUID").arg(TComprobante::tablaEsquema().nombre));
        QStringList lista;
        while (uuids.next())
            lista << uuids.value(0).toString();
        lineas << rfc + QStringLiteral("/uuids=") + lista.join(u',');
        QSqlQuery cancelados(db);
        cancelados.exec(QStringLiteral("SELECT UUID, FECHACANCELACION FROM %1 WHERE ESTATUS = %2 ORDER BY UUID")
                            .arg(TComprobante::tablaEsquema().nombre)
                            .arg(TComprobante::ESTADO_FACTURA_CANCELADA));
        QStringList marcados;
        while (cancelados.next())
            marcados << cancelados.value(0).toString() + u'@' + cancelados.value(1).toString();
        lineas << rfc + QStringLiteral("/cancelados=") + marcados.join(u',');
    }
    Conexiones::cierraHilo();
    const QString facturas = Rutas::programa({Constantes::FACTURAS_PATH});
    QDirIterator it(facturas, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    QStringList copias;
    while (it.hasNext()) {
        const QString ruta = it.next();
        copias << QDir(facturas).relativeFilePath(ruta) + u'=' +
                      QString::fromLatin1(
                          QCryptographicHash::hash(TEntornoImportacion::bytes(ruta), QCryptographicHash::Sha1).toHex());
    }
    copias.sort();
    return lineas + copias;
}

// Files the program started on, by its log.
inline int archivosTomados()
{
    return QString::fromUtf8(TEntornoImportacion::bytes(Logmanager::archivoLog(Sistema::exePath)))
        .count(QStringLiteral("Archivo a importar: "));
}

// The rows of the one import report of a program folder (header first).
inline QStringList lineasReporte(const QString& carpetaPrograma)
{
    const QFileInfoList reportes = QDir(QFileInfo(Logmanager::archivoLog(carpetaPrograma)).absolutePath())
                                       .entryInfoList({QStringLiteral("Importacion-*.csv")}, QDir::Files);
    if (reportes.size() != 1)
        return {};
    return QString::fromUtf8(TCarpetaPrograma::lee(reportes.first().absoluteFilePath()))
        .split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
}
