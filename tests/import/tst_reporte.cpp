#include "EntornoImportacion.h"

#include "Logmanager.h"
#include "Rutas.h"
#include "Sistema.h"
#include "import/TReporteImportacion.h"

#include <QTemporaryDir>

#include <csignal>
#include <cstdio>
#include <sys/resource.h>

namespace {

TResultadoArchivo fila(const QString& ruta)
{
    TResultadoArchivo r;
    r.estado = TResultadoArchivo::Omitido;
    r.ruta = ruta;
    r.motivo = QStringLiteral("No es un CFDI de versión 3.2, 3.3 o 4.0.");
    return r;
}

QStringList filasEnDisco(const QString& ruta)
{
    return QString::fromUtf8(TEntornoImportacion::bytes(ruta).mid(3)).split(QStringLiteral("\r\n"));
}

} // namespace

class TstReporte : public QObject {
    Q_OBJECT
private slots:
    // A report that outgrows what the system lets this process write (the
    // file-size limit, EFBIG) keeps the rows written so far and says why;
    // the end message gives its path as incomplete. First of all, and with
    // no database: the limit holds for the whole process while it is set,
    // so no engine thread may be writing then.
    void reporteQueNoCabe()
    {
        QTemporaryDir carpeta;
        TReporteImportacion reporte(carpeta.path());
        reporte.agrega(fila(QStringLiteral("/a/uno.xml")));
        const qint64 tamano = QFileInfo(reporte.ruta()).size();

        rlimit antes{};
        QVERIFY(::getrlimit(RLIMIT_FSIZE, &antes) == 0);
        rlimit limite = antes;
        limite.rlim_cur = rlim_t(tamano + 10);
        const auto senal = std::signal(SIGXFSZ, SIG_IGN);
        QVERIFY(::setrlimit(RLIMIT_FSIZE, &limite) == 0);
        reporte.agrega(fila(QStringLiteral("/a/dos.xml")));
        reporte.agrega(fila(QStringLiteral("/a/tres.xml")));
        ::setrlimit(RLIMIT_FSIZE, &antes);
        std::signal(SIGXFSZ, senal);
        reporte.cierra();

        QCOMPARE(reporte.resumen().omitidos, 3);
        QCOMPARE(reporte.error(), QStringLiteral("El archivo llegó al tamaño máximo que el sistema permite"));
        QVERIFY2(reporte.mensajeFinal().contains(
                     QStringLiteral("El reporte de cada archivo quedó incompleto (%1): El archivo llegó al tamaño "
                                    "máximo que el sistema permite.")
                         .arg(reporte.ruta())),
                 qPrintable(reporte.mensajeFinal()));
        const QStringList filas = filasEnDisco(reporte.ruta());
        QVERIFY(filas.at(1).startsWith(QStringLiteral("/a/uno.xml,")));
        QVERIFY(!filas.join(QString()).contains(QStringLiteral("/a/tres.xml")));
        QVERIFY(TEntornoImportacion::bytes(reporte.ruta()).endsWith("\r\n"));
    }

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
        // A name the program cannot open: its row says so, in its place.
        {
            FILE* f = std::fopen((QFile::encodeName(entorno.entrada()) + "c/fact\xE1.xml").constData(), "w");
            QVERIFY(f);
            std::fclose(f);
        }

        QString ruta;
        {
            TReporteImportacion reporte(Sistema::exePath);
            ruta = reporte.ruta();
            const std::unique_ptr<TImportadorXML> importador = entorno.importador();
            TLoteImportacion lote(*importador, TLoteImportacion::ARCHIVOS_POR_LOTE_MAXIMO,
                                  [&](const TResultadoArchivo& r) { reporte.agrega(r); });
            TRecorridoXML(entorno.entrada())
                .recorre(
                    [&](const QString& archivo) {
                        lote.importa(archivo);
                        return true;
                    },
                    [&](const QString& archivo, const QString& motivo) {
                        lote.agrega(TImportadorXML::inaccesible(archivo, motivo));
                        return true;
                    });
            lote.confirma();
            reporte.cierra();

            const TResumenImportacion& resumen = reporte.resumen();
            QCOMPARE(resumen.importados, 1);
            QCOMPARE(resumen.yaExistian, 1);
            QCOMPARE(resumen.omitidos, 2);
            QCOMPARE(resumen.fallidos, 2);
            const QStringList mensaje = reporte.mensajeFinal().split(QLatin1Char('\n'));
            QCOMPARE(mensaje.first(), QStringLiteral("Proceso Terminado"));
            QVERIFY(mensaje.contains(QStringLiteral("Importados: 1")));
            QVERIFY(mensaje.contains(QStringLiteral("Ya existían: 1")));
            QVERIFY(mensaje.contains(QStringLiteral("Omitidos (no son un CFDI que se importe, o sin timbre): 2")));
            QVERIFY(mensaje.contains(QStringLiteral("Fallidos: 2")));
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
        QCOMPARE(filas.size(), 8);
        QCOMPARE(filas.at(0), QStringLiteral("Archivo,Resultado,RFC emisor,UUID,Sello,Motivo,Entrada del paquete"));
        // An imported voucher carries its seal check and its reason.
        QVERIFY2(filas.at(1).startsWith(entrada + QStringLiteral("a/1.xml,Importado") + timbre +
                                        QStringLiteral("Auténtico,El sello del emisor es válido.")),
                 qPrintable(filas.at(1)));
        QVERIFY(
            filas.at(2).startsWith(QStringLiteral("\"%1a/2, \"\"copia\"\".xml\",Ya existía").arg(entrada) + timbre));
        QVERIFY(filas.at(3).startsWith(entrada + QStringLiteral("b/sin timbre.xml,Omitido,,,,")));
        QVERIFY(filas.at(4).startsWith(entrada + QStringLiteral("b/viejo.xml,Omitido,,,,")));
        QVERIFY(filas.at(5).startsWith(QStringLiteral("\"%1c/roto\nñ.xml\",Fallido,,,,\"").arg(entrada)));
        QVERIFY2(filas.at(6).startsWith(entrada + QStringLiteral("c/fact\\xE1.xml,Fallido,,,,El nombre del archivo no "
                                                                 "es texto UTF-8 válido")),
                 qPrintable(filas.at(6)));
        QCOMPARE(filas.at(7), QString());
        // Every row says why; none of these files came in a package.
        for (int i = 2; i < 7; ++i)
            QVERIFY2(filas.at(i).endsWith(u',') && !filas.at(i).endsWith(QStringLiteral(",,")),
                     qPrintable(filas.at(i)));
    }

    // A row is in the file once agrega() returns, before the caller counts
    // its file as done: a job stopped or killed after that keeps it.
    void filaEnDiscoAlAgregar()
    {
        TEntornoImportacion entorno;
        TReporteImportacion reporte(Sistema::exePath);
        reporte.agrega(fila(QStringLiteral("/a/uno.xml")));
        QStringList filas = filasEnDisco(reporte.ruta());
        QCOMPARE(filas.size(), 3);
        QVERIFY2(filas.at(1).startsWith(QStringLiteral("/a/uno.xml,Omitido,")), qPrintable(filas.at(1)));
        reporte.agrega(fila(QStringLiteral("/a/dos.xml")));
        filas = filasEnDisco(reporte.ruta());
        QCOMPARE(filas.size(), 4);
        QVERIFY(filas.at(2).startsWith(QStringLiteral("/a/dos.xml,Omitido,")));
        QVERIFY(reporte.error().isEmpty());
    }

    // Wherever a job writes, a write the disk refuses says why in Spanish:
    // the copy of a voucher and the log on a full disk (/dev/full answers
    // every write with ENOSPC, as a full file system does).
    void discoLleno_data()
    {
        QTest::addColumn<QString>("donde");
        QTest::newRow("copia del XML") << QStringLiteral("copia");
        QTest::newRow("bitácora") << QStringLiteral("bitácora");
    }
    void discoLleno()
    {
        QFETCH(QString, donde);
        TEntornoImportacion entorno;
        entorno.agrega(QStringLiteral("cfdi40-real.xml"));
        const QString xml =
            Rutas::programa({Constantes::FACTURAS_PATH, QStringLiteral("ISD950921HE5"), Constantes::XML_PATH});
        const QString temporal = xml + QStringLiteral("/.C2832671-DA6D-11EF-A83D-00155D012007.xml.importando");
        const QString log = Logmanager::archivoLog(Sistema::exePath);
        QList<TResultadoArchivo> resultados;
        QString mensaje;
        {
            TReporteImportacion reporte(Sistema::exePath);
            const std::unique_ptr<TImportadorXML> importador = entorno.importador();
            if (donde == QLatin1String("copia")) {
                QVERIFY(QDir().mkpath(xml));
                QVERIFY(QFile::link(QStringLiteral("/dev/full"), temporal));
            } else {
                QFile::remove(log);
                QVERIFY(QFile::link(QStringLiteral("/dev/full"), log));
            }
            TLoteImportacion lote(*importador, 1, [&](const TResultadoArchivo& r) {
                reporte.agrega(r);
                resultados.append(r);
            });
            lote.importa(entorno.entrada() + QStringLiteral("cfdi40-real.xml"));
            lote.confirma();
            reporte.cierra();
            mensaje = reporte.mensajeFinal();
        }
        const QString lleno = QStringLiteral("No hay espacio suficiente en el disco");
        QCOMPARE(resultados.size(), 1);
        if (donde == QLatin1String("copia")) {
            // Refused whole: nothing of it stored, its row says why.
            QCOMPARE(int(resultados.first().estado), int(TResultadoArchivo::Fallido));
            QVERIFY2(resultados.first().motivo.contains(lleno), qPrintable(resultados.first().motivo));
            QVERIFY(!TEntornoImportacion::comprobante(QStringLiteral("ISD950921HE5"),
                                                      QStringLiteral("C2832671-DA6D-11EF-A83D-00155D012007")));
            QVERIFY(mensaje.contains(QStringLiteral("Fallidos: 1")));
        } else {
            // The voucher is stored; the end message says the log lost lines.
            QCOMPARE(int(resultados.first().estado), int(TResultadoArchivo::Importado));
            QVERIFY2(mensaje.contains(QStringLiteral("No se pudieron escribir ")) &&
                         mensaje.contains(QStringLiteral("líneas de la bitácora del programa (%1): ").arg(log) + lleno),
                     qPrintable(mensaje));
            QFile::remove(log);
        }
    }
};

QTEST_GUILESS_MAIN(TstReporte)
#include "tst_reporte.moc"
