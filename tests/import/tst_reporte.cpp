#include "EntornoImportacion.h"

#include "Logmanager.h"
#include "Sistema.h"
#include "import/TReporteImportacion.h"

class TstReporte : public QObject {
    Q_OBJECT
private slots:
    // One folder with every outcome, and names that need quoting: the tally,
    // one row per file in the order of the walk, and the end message.
    void todosLosResultados()
    {
        TEntornoImportacion entorno;
        entorno.agrega(QStringLiteral("cfdi40-real.xml"), QStringLiteral("a/1.xml"));
        entorno.agrega(QStringLiteral("cfdi40-real.xml"), QStringLiteral("a/2, \"copia\".xml"));
        entorno.agrega(QStringLiteral("cfdv2.xml"), QStringLiteral("b/viejo.xml"));
        entorno.agrega(QStringLiteral("propios/uuid-vacio.xml"), QStringLiteral("b/sin timbre.xml"));
        entorno.escribe(QStringLiteral("c/roto\nñ.xml"), QByteArrayLiteral("<cfdi:Compro"));

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

        // Rows end in CRLF; a quoted field may hold a bare line end.
        const QByteArray bytes = TEntornoImportacion::bytes(ruta);
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
        const QStringList filas = QString::fromUtf8(bytes.mid(3)).split(QStringLiteral("\r\n"));
        const QString entrada = entorno.entrada();
        const QString timbre = QStringLiteral(",ISD950921HE5,C2832671-DA6D-11EF-A83D-00155D012007,");
        QCOMPARE(filas.size(), 7);
        QCOMPARE(filas.at(0), QStringLiteral("Archivo,Resultado,RFC emisor,UUID,Motivo"));
        QCOMPARE(filas.at(1), entrada + QStringLiteral("a/1.xml,Importado") + timbre);
        QVERIFY(
            filas.at(2).startsWith(QStringLiteral("\"%1a/2, \"\"copia\"\".xml\",Ya existía").arg(entrada) + timbre));
        QVERIFY(filas.at(3).startsWith(entrada + QStringLiteral("b/sin timbre.xml,Omitido,,,")));
        QVERIFY(filas.at(4).startsWith(entrada + QStringLiteral("b/viejo.xml,Omitido,,,")));
        QVERIFY(filas.at(5).startsWith(QStringLiteral("\"%1c/roto\nñ.xml\",Fallido,,,\"").arg(entrada)));
        QCOMPARE(filas.at(6), QString());
        for (int i = 2; i < 6; ++i)
            QVERIFY2(!filas.at(i).endsWith(u','), qPrintable(filas.at(i)));
    }
};

QTEST_GUILESS_MAIN(TstReporte)
#include "tst_reporte.moc"
