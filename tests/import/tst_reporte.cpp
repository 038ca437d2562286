#include "EntornoImportacion.h"

#include "Logmanager.h"
#include "Rutas.h"
#include "Sistema.h"
#include "import/TReporteImportacion.h"

#include <QTemporaryDir>

#include <csignal>
#include <cstdio>
#include <sys/resource.h>

using namespace Qt::StringLiterals;

namespace {

TResultadoArchivo fila(const QString& ruta)
{
    TResultadoArchivo r;
    r.estado = TResultadoArchivo::Omitido;
    r.ruta = ruta;
    r.motivo = u"No es un CFDI de versión 3.2, 3.3 o 4.0."_s;
    return r;
}

QStringList filasEnDisco(const QString& ruta)
{
    return QString::fromUtf8(TEntornoImportacion::bytes(ruta).mid(3)).split(u"\r\n"_s);
}

// The entry folder imported as the window does, every row into `reporte`,
// which is then closed.
void importaCon(const TEntornoImportacion& entorno, TReporteImportacion& reporte)
{
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
        reporte.agrega(fila(u"/a/uno.xml"_s));
        const qint64 tamano = QFileInfo(reporte.ruta()).size();

        rlimit antes{};
        QVERIFY(::getrlimit(RLIMIT_FSIZE, &antes) == 0);
        rlimit limite = antes;
        limite.rlim_cur = rlim_t(tamano + 10);
        const auto senal = std::signal(SIGXFSZ, SIG_IGN);
        QVERIFY(::setrlimit(RLIMIT_FSIZE, &limite) == 0);
        reporte.agrega(fila(u"/a/dos.xml"_s));
        reporte.agrega(fila(u"/a/tres.xml"_s));
        ::setrlimit(RLIMIT_FSIZE, &antes);
        std::signal(SIGXFSZ, senal);
        reporte.cierra();

        QCOMPARE(reporte.resumen().omitidos, 3);
        QCOMPARE(reporte.error(), u"El archivo llegó al tamaño máximo que el sistema permite"_s);
        QVERIFY2(reporte.mensajeFinal().contains(
                     u"El reporte de cada archivo quedó incompleto (%1): El archivo llegó al tamaño "
                     "máximo que el sistema permite."_s.arg(reporte.ruta())),
                 qPrintable(reporte.mensajeFinal()));
        const QStringList filas = filasEnDisco(reporte.ruta());
        QVERIFY(filas.at(1).startsWith(u"/a/uno.xml,"_s));
        QVERIFY(!filas.join(QString()).contains(u"/a/tres.xml"_s));
        QVERIFY(TEntornoImportacion::bytes(reporte.ruta()).endsWith("\r\n"));
    }

    // One folder with every outcome, and names that need quoting: the tally,
    // one row per file in the order of the walk, and the end message.
    void todosLosResultados()
    {
        TEntornoImportacion entorno;
        entorno.agrega(u"cfdi40-real.xml"_s, u"a/1.xml"_s);
        entorno.agrega(u"cfdi40-real.xml"_s, u"a/2, \"copia\".xml"_s);
        entorno.agrega(u"cfdv2.xml"_s, u"b/viejo.xml"_s);
        entorno.agrega(u"propios/uuid-vacio.xml"_s, u"b/sin timbre.xml"_s);
        entorno.escribe(u"c/roto\nñ.xml"_s, QByteArrayLiteral("<cfdi:Compro"));
        // A name the program cannot open: its row says so, in its place.
        FILE* f = std::fopen((QFile::encodeName(entorno.entrada()) + "c/fact\xE1.xml").constData(), "w");
        QVERIFY(f);
        std::fclose(f);

        QString ruta;
        {
            TReporteImportacion reporte(Sistema::exePath);
            ruta = reporte.ruta();
            importaCon(entorno, reporte);

            const TResumenImportacion& resumen = reporte.resumen();
            QCOMPARE(resumen.importados, 1);
            QCOMPARE(resumen.yaExistian, 1);
            QCOMPARE(resumen.omitidos, 2);
            QCOMPARE(resumen.fallidos, 2);
            const QStringList mensaje = reporte.mensajeFinal().split(u'\n');
            QCOMPARE(mensaje.first(), u"Proceso Terminado"_s);
            QVERIFY(mensaje.contains(u"Importados: 1"_s));
            QVERIFY(mensaje.contains(u"Ya existían: 1"_s));
            QVERIFY(mensaje.contains(u"Omitidos (no son un CFDI que se importe, o sin timbre): 2"_s));
            QVERIFY(mensaje.contains(u"Fallidos: 2"_s));
            QCOMPARE(mensaje.last(), ruta);
        }
        QCOMPARE(QFileInfo(ruta).absolutePath(), QFileInfo(Logmanager::archivoLog(Sistema::exePath)).absolutePath());
        QCOMPARE(TCarpetaPrograma::modo(ruta), 0600);

        // Rows end in CRLF; a quoted field may hold a bare line end.
        QVERIFY(TEntornoImportacion::bytes(ruta).startsWith("\xEF\xBB\xBF"));
        const QStringList filas = filasEnDisco(ruta);
        const QString entrada = entorno.entrada();
        const QString timbre = u",ISD950921HE5,C2832671-DA6D-11EF-A83D-00155D012007,"_s;
        QCOMPARE(filas.size(), 8);
        QCOMPARE(filas.at(0), u"Archivo,Resultado,RFC emisor,UUID,Sello,Motivo,Entrada del paquete"_s);
        // An imported voucher carries its seal check and its reason.
        QVERIFY2(filas.at(1).startsWith(entrada + u"a/1.xml,Importado"_s + timbre +
                                        u"Auténtico,El sello del emisor es válido."_s),
                 qPrintable(filas.at(1)));
        QVERIFY(filas.at(2).startsWith(u"\"%1a/2, \"\"copia\"\".xml\",Ya existía"_s.arg(entrada) + timbre));
        QVERIFY(filas.at(3).startsWith(entrada + u"b/sin timbre.xml,Omitido,,,,"_s));
        QVERIFY(filas.at(4).startsWith(entrada + u"b/viejo.xml,Omitido,,,,"_s));
        QVERIFY(filas.at(5).startsWith(u"\"%1c/roto\nñ.xml\",Fallido,,,,\""_s.arg(entrada)));
        QVERIFY2(filas.at(6).startsWith(entrada + u"c/fact\\xE1.xml,Fallido,,,,El nombre del archivo no "
                                                  "es texto UTF-8 válido"_s),
                 qPrintable(filas.at(6)));
        QCOMPARE(filas.at(7), QString());
        // Every row says why; none of these files came in a package.
        for (int i = 2; i < 7; ++i)
            QVERIFY2(filas.at(i).endsWith(u',') && !filas.at(i).endsWith(u",,"_s), qPrintable(filas.at(i)));
    }

    // A folder of many files that are no voucher: the end message names the
    // first few and counts the rest, the job keeps no more of them, and the
    // report names every one.
    void muchosNoImportados()
    {
        TEntornoImportacion entorno;
        constexpr int NOMBRADOS = TResumenImportacion::NO_IMPORTADOS_EN_MEMORIA;
        constexpr int MALOS = NOMBRADOS + 25;
        const auto nombre = [&entorno](int i) {
            return entorno.entrada() + u"viejo%1.xml"_s.arg(i, 3, 10, QLatin1Char('0'));
        };
        for (int i = 0; i < MALOS; ++i)
            entorno.agrega(u"cfdv2.xml"_s, QFileInfo(nombre(i)).fileName());
        TReporteImportacion reporte(Sistema::exePath);
        importaCon(entorno, reporte);

        const TResumenImportacion& resumen = reporte.resumen();
        QCOMPARE(resumen.omitidos, MALOS);
        QCOMPARE(resumen.noImportados.size(), NOMBRADOS);
        QCOMPARE(resumen.noImportados.last().ruta, nombre(NOMBRADOS - 1));
        const QString mensaje = reporte.mensajeFinal();
        const QString motivo = resumen.noImportados.last().motivo;
        QVERIFY2(mensaje.contains(u"\n\nNo importados:\n  %1: %2\n"_s.arg(nombre(0), motivo)), qPrintable(mensaje));
        QVERIFY2(mensaje.contains(u"\n  %1: %2\n  y 25 más (el reporte los nombra a todos)\n\n"_s.arg(
                     nombre(NOMBRADOS - 1), motivo)),
                 qPrintable(mensaje));
        QVERIFY(!mensaje.contains(nombre(NOMBRADOS)));
        const QStringList filas = filasEnDisco(reporte.ruta());
        QCOMPARE(filas.size(), MALOS + 2); // the heading, and nothing after the last line end
        for (int i = 0; i < MALOS; ++i)
            QVERIFY2(filas.at(i + 1).startsWith(nombre(i) + u",Omitido,"_s), qPrintable(filas.at(i + 1)));
    }

    // A row is in the file once agrega() returns, before the caller counts
    // its file as done: a job stopped or killed after that keeps it.
    void filaEnDiscoAlAgregar()
    {
        TEntornoImportacion entorno;
        TReporteImportacion reporte(Sistema::exePath);
        for (const auto& [n, archivo] : {std::pair{1, u"/a/uno.xml"_s}, std::pair{2, u"/a/dos.xml"_s}}) {
            reporte.agrega(fila(archivo));
            const QStringList filas = filasEnDisco(reporte.ruta());
            QCOMPARE(filas.size(), n + 2);
            QVERIFY2(filas.at(n).startsWith(archivo + u",Omitido,"_s), qPrintable(filas.at(n)));
        }
        QVERIFY(reporte.error().isEmpty());
    }

    // Wherever a job writes, a write the disk refuses says why in Spanish:
    // the copy of a voucher and the log on a full disk (/dev/full answers
    // every write with ENOSPC, as a full file system does).
    void discoLleno_data()
    {
        QTest::addColumn<QString>("donde");
        QTest::newRow("copia del XML") << u"copia"_s;
        QTest::newRow("bitácora") << u"bitácora"_s;
    }
    void discoLleno()
    {
        QFETCH(QString, donde);
        TEntornoImportacion entorno;
        entorno.agrega(u"cfdi40-real.xml"_s);
        const QString xml = Rutas::programa({Constantes::FACTURAS_PATH, u"ISD950921HE5"_s, Constantes::XML_PATH});
        const QString temporal = xml + u"/.C2832671-DA6D-11EF-A83D-00155D012007.xml.importando"_s;
        const QString log = Logmanager::archivoLog(Sistema::exePath);
        QList<TResultadoArchivo> resultados;
        QString mensaje;
        {
            TReporteImportacion reporte(Sistema::exePath);
            const std::unique_ptr<TImportadorXML> importador = entorno.importador();
            if (donde == "copia"_L1) {
                QVERIFY(QDir().mkpath(xml));
                QVERIFY(QFile::link(u"/dev/full"_s, temporal));
            } else {
                QFile::remove(log);
                QVERIFY(QFile::link(u"/dev/full"_s, log));
            }
            TLoteImportacion lote(*importador, 1, [&](const TResultadoArchivo& r) {
                reporte.agrega(r);
                resultados.append(r);
            });
            lote.importa(entorno.entrada() + u"cfdi40-real.xml"_s);
            lote.confirma();
            reporte.cierra();
            mensaje = reporte.mensajeFinal();
        }
        const QString lleno = u"No hay espacio suficiente en el disco"_s;
        QCOMPARE(resultados.size(), 1);
        if (donde == "copia"_L1) {
            // Refused whole: nothing of it stored, its row says why.
            QCOMPARE(int(resultados.first().estado), int(TResultadoArchivo::Fallido));
            QVERIFY2(resultados.first().motivo.contains(lleno), qPrintable(resultados.first().motivo));
            QVERIFY(!TEntornoImportacion::comprobante(u"ISD950921HE5"_s, u"C2832671-DA6D-11EF-A83D-00155D012007"_s));
            QVERIFY(mensaje.contains(u"Fallidos: 1"_s));
        } else {
            // The voucher is stored; the end message says the log lost lines.
            QCOMPARE(int(resultados.first().estado), int(TResultadoArchivo::Importado));
            QVERIFY2(mensaje.contains(u"No se pudieron escribir "_s) &&
                         mensaje.contains(u"líneas de la bitácora del programa (%1): "_s.arg(log) + lleno),
                     qPrintable(mensaje));
            QFile::remove(log);
        }
    }
};

QTEST_GUILESS_MAIN(TstReporte)
#include "tst_reporte.moc"
