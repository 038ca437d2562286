#include "EntornoImportacion.h"

#include "Logmanager.h"
#include "Sistema.h"
#include "TReporteImportacion.h"

using Estado = TResultadoArchivo::TEstado;

namespace {

// The rows of a report, its fields unquoted (RFC 4180).
QList<QStringList> renglones(const QString& ruta)
{
    QByteArray bytes = TEntornoImportacion::bytes(ruta);
    if (!bytes.startsWith("\xEF\xBB\xBF"))
        return {};
    const QString texto = QString::fromUtf8(bytes.mid(3));
    QList<QStringList> filas{{}};
    QString campo;
    bool entreComillas = false;
    for (int i = 0; i < texto.size(); ++i) {
        const QChar c = texto.at(i);
        if (entreComillas) {
            if (c == u'"' && i + 1 < texto.size() && texto.at(i + 1) == u'"')
                campo += texto.at(++i);
            else if (c == u'"')
                entreComillas = false;
            else
                campo += c;
        } else if (c == u'"') {
            entreComillas = true;
        } else if (c == u',') {
            filas.last() << campo;
            campo.clear();
        } else if (c == u'\r' && i + 1 < texto.size() && texto.at(i + 1) == u'\n') {
            filas.last() << campo;
            campo.clear();
            filas.append(QStringList());
            ++i;
        } else {
            campo += c;
        }
    }
    if (filas.last().isEmpty())
        filas.removeLast();
    return filas;
}

} // namespace

class TstReporte : public QObject {
    Q_OBJECT
private slots:
    // One folder with every outcome, and names that need quoting: the tally,
    // one row per file in the order of the walk, and the end message.
    void todosLosResultados()
    {
        TEntornoImportacion entorno;
        const QString importado = entorno.agrega(QStringLiteral("cfdi40-real.xml"), QStringLiteral("a/1.xml"));
        const QString repetido =
            entorno.agrega(QStringLiteral("cfdi40-real.xml"), QStringLiteral("a/2, \"copia\".xml"));
        const QString omitido = entorno.agrega(QStringLiteral("cfdv2.xml"), QStringLiteral("b/viejo.xml"));
        const QString sinTimbre =
            entorno.agrega(QStringLiteral("propios/uuid-vacio.xml"), QStringLiteral("b/sin timbre.xml"));
        const QString fallido = entorno.escribe(QStringLiteral("c/roto\nñ.xml"), QByteArrayLiteral("<cfdi:Compro"));

        QString ruta;
        {
            TReporteImportacion reporte(Sistema::exePath);
            ruta = reporte.ruta();
            const std::unique_ptr<TImportadorXML> importador = entorno.importador();
            TLoteImportacion lote(*importador, TLoteImportacion::ARCHIVOS_POR_LOTE,
                                  [&](const TResultadoArchivo& r) { reporte.agrega(r); });
            TRecorridoXML(entorno.entrada()).recorre([&](const QString& archivo) {
                lote.importa(archivo);
                return true;
            });
            lote.confirma();
            reporte.cierra();

            const TResumenImportacion& resumen = reporte.resumen();
            QCOMPARE(resumen.importados, 1);
            QCOMPARE(resumen.yaExistian, 1);
            QCOMPARE(resumen.omitidos, 2);
            QCOMPARE(resumen.fallidos, 1);
            const QStringList mensaje = reporte.mensajeFinal().split(QLatin1Char('\n'));
            QCOMPARE(mensaje.first(), QStringLiteral("Proceso Terminado"));
            QVERIFY(mensaje.contains(QStringLiteral("Importados: 1")));
            QVERIFY(mensaje.contains(QStringLiteral("Ya existían: 1")));
            QVERIFY(mensaje.contains(QStringLiteral("Omitidos (no son un CFDI que se importe, o sin timbre): 2")));
            QVERIFY(mensaje.contains(QStringLiteral("Fallidos: 1")));
            QCOMPARE(mensaje.last(), ruta);
        }
        QCOMPARE(QFileInfo(ruta).absolutePath(), QFileInfo(Logmanager::archivoLog(Sistema::exePath)).absolutePath());
        QCOMPARE(TCarpetaPrograma::modo(ruta), 0600);

        const QList<QStringList> filas = renglones(ruta);
        QCOMPARE(filas.size(), 6);
        QCOMPARE(filas.at(0),
                 (QStringList{QStringLiteral("Archivo"), QStringLiteral("Resultado"), QStringLiteral("RFC emisor"),
                              QStringLiteral("UUID"), QStringLiteral("Motivo")}));
        const QString rfc = QStringLiteral("ISD950921HE5");
        const QString uuid = QStringLiteral("C2832671-DA6D-11EF-A83D-00155D012007");
        QCOMPARE(filas.at(1).mid(0, 4), (QStringList{importado, QStringLiteral("Importado"), rfc, uuid}));
        QCOMPARE(filas.at(2).mid(0, 4), (QStringList{repetido, QStringLiteral("Ya existía"), rfc, uuid}));
        QCOMPARE(filas.at(3).mid(0, 2), (QStringList{sinTimbre, QStringLiteral("Omitido")}));
        QCOMPARE(filas.at(4).mid(0, 4), (QStringList{omitido, QStringLiteral("Omitido"), QString(), QString()}));
        QCOMPARE(filas.at(5).mid(0, 2), (QStringList{fallido, QStringLiteral("Fallido")}));
        for (int i = 2; i < filas.size(); ++i)
            QVERIFY2(filas.at(i).size() == 5 && !filas.at(i).at(4).isEmpty(), qPrintable(filas.at(i).join(u'|')));
    }
};

QTEST_GUILESS_MAIN(TstReporte)
#include "tst_reporte.moc"
