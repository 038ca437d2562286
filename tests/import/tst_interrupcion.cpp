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
