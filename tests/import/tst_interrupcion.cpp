#include "EstadoImportacion.h"
#include "ProgramaConsola.h"

#include <QThread>

#include <csignal>

using namespace Qt::StringLiterals;

namespace {

// A job of about a second and a half here: the early kills fall before its
// first commit, the later ones usually after it (a batch a second,
// TLoteImportacion::MS_POR_LOTE); the rerun must mend either.
constexpr int ARCHIVOS = 140;

} // namespace

class TstInterrupcion : public QObject {
    Q_OBJECT
private slots:
    // One folder for every run: nested folders, fresh UUIDs, a file that is
    // no voucher; and what one uninterrupted run leaves.
    void initTestCase()
    {
        QVERIFY(m_corpus.isValid());
        for (int i = 0; i < ARCHIVOS; ++i)
            TEntornoImportacion::escribeEn(m_corpus.filePath(u"%1/%2/%3.xml"_s.arg(i % 4).arg(i % 3).arg(i)),
                                           TEntornoImportacion::muestraNueva(i));
        QFile::copy(TEntornoImportacion::dato(u"cfdv2.xml"_s), m_corpus.filePath(u"1/v2.xml"_s));

        TProgramaConsola limpio;
        const TProgramaConsola::TCorrida corrida = limpio.corre(argumentos());
        QCOMPARE(corrida.salida, 0);
        QVERIFY(corrida.salidaEstandar.contains(u"Importados: %1\n"_s.arg(ARCHIVOS)));
        m_limpio = estado();
        QCOMPARE(m_limpio.first().count(u';'), TEntornoImportacion::MUESTRAS.size() - 1);
    }

    // Stopped at several moments, by a signal (the files taken are kept
    // and the summary so far is printed) or killed outright; the next run
    // of the same folder leaves what one uninterrupted run leaves.
    void detenidaYRepetida_data()
    {
        QTest::addColumn<int>("senal");
        QTest::addColumn<int>("tomados");
        QTest::newRow("kill -9 al crear el primer negocio") << int(SIGKILL) << 1;
        QTest::newRow("kill -9 antes del primer commit") << int(SIGKILL) << 50;
        QTest::newRow("kill -9 junto al primer commit") << int(SIGKILL) << 101;
        QTest::newRow("kill -9 en el último lote") << int(SIGKILL) << 120;
        QTest::newRow("Ctrl-C") << int(SIGINT) << 110;
        QTest::newRow("SIGTERM") << int(SIGTERM) << 30;
    }
    void detenidaYRepetida()
    {
        QFETCH(int, senal);
        QFETCH(int, tomados);
        TProgramaConsola programa;
        QProcess proceso;
        programa.inicia(proceso, argumentos());
        while (proceso.state() == QProcess::Running && archivosTomados() < tomados)
            QThread::usleep(500);
        ::kill(static_cast<pid_t>(proceso.processId()), senal);
        QVERIFY(proceso.waitForFinished(240000));
        if (senal == SIGKILL) {
            QCOMPARE(proceso.exitStatus(), QProcess::CrashExit);
        } else {
            const QString salida = QString::fromUtf8(proceso.readAllStandardOutput());
            QCOMPARE(proceso.exitCode(), 130);
            QVERIFY2(salida.startsWith(u"Importación detenida por una señal"_s), qPrintable(salida));
            QVERIFY(salida.contains(u"\nProceso Terminado\n"_s));
        }

        const TProgramaConsola::TCorrida otra = programa.corre(argumentos());
        QCOMPARE(otra.salida, 0);
        QCOMPARE(estado(), m_limpio);
    }

    // Ctrl-C while a large SAT metadata file is being stored stops it within
    // a few thousand rows: none of its rows stay, the voucher committed
    // before it does, and the program says it was stopped.
    void detenidaEnMetadatos()
    {
        TProgramaConsola programa;
        programa.entorno.escribe(u"factura.xml"_s, TEntornoImportacion::muestraNueva(0));
        QByteArray metadatos = TProgramaConsola::ENCABEZADO_SAT;
        for (int i = 0; i < 100000; ++i)
            metadatos += u"%1-0000-4000-8000-000000000000~ISD950921HE5~EMISOR~XAXX010101000~CLIENTE~TBN040609RKA~"
                         "2025-01-01 10:10:41~2025-01-01 10:10:42~100.00~I~1~\r\n"_s.arg(i, 8, 16, QLatin1Char('0'))
                             .toLatin1();
        programa.entorno.escribe(u"metadatos.txt"_s, metadatos);
        QProcess proceso;
        programa.inicia(proceso,
                        {programa.entorno.entrada(), u"--correo"_s, QString::fromUtf8(TEntornoImportacion::EMAIL)});
        // The voucher's batch is committed before the metadata file is begun.
        while (proceso.state() == QProcess::Running && archivosTomados() < 2)
            QThread::usleep(500);
        ::kill(static_cast<pid_t>(proceso.processId()), SIGINT);
        QVERIFY(proceso.waitForFinished(240000));
        const QString salida = QString::fromUtf8(proceso.readAllStandardOutput());
        QCOMPARE(proceso.exitCode(), 130);
        QVERIFY2(salida.startsWith(u"Importación detenida por una señal"_s), qPrintable(salida));
        const TConexionSesion conexion = TEntornoImportacion::conexion(u"ISD950921HE5"_s);
        QCOMPARE(TComprobante::cuenta(TCondicion(), conexion), 1);
        QCOMPARE(TMetadatosat::cuenta(TCondicion(), conexion), 0);
        Conexiones::cierraHilo();
    }

private:
    QStringList argumentos() const
    {
        return {m_corpus.path(), u"--correo"_s, QString::fromUtf8(TEntornoImportacion::EMAIL)};
    }

    QTemporaryDir m_corpus;
    QStringList m_limpio;
};

QTEST_GUILESS_MAIN(TstInterrupcion)
#include "tst_interrupcion.moc"
