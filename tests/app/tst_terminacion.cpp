#include "CarpetaPrograma.h"
#include "Constantes.h"

#include <QFile>
#include <QProcess>
#include <QTest>

#include <csignal>

using namespace Qt::StringLiterals;

// The program as users run it: its own process, in its own program folder.
class TstTerminacion : public QObject {
    Q_OBJECT
private slots:
    void terminaAlPedirlo_data()
    {
        QTest::addColumn<int>("senal");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
    }
    void terminaAlPedirlo()
    {
        QFETCH(int, senal);
        TCarpetaPrograma programa;
        programa.instalaCatalogo();
        const QString ejecutable = programa.archivo(u"Velkor"_s);
        QVERIFY(QFile::copy(QStringLiteral(VELKOR_PROGRAMA_CONSTRUIDO "/Velkor"), ejecutable));
        QFile::setPermissions(ejecutable, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        QProcess velkor;
        velkor.setWorkingDirectory(programa.ruta());
        velkor.start(ejecutable);
        QVERIFY(velkor.waitForStarted());
        // Past the splash the wizard holds the catalogue open in the embedded
        // engine, whose library would otherwise swallow the signal.
        QTRY_VERIFY_WITH_TIMEOUT(programa.log().contains(Constantes::SPLASH_NEXT_FORM), 20000);
        QTest::qWait(500);
        ::kill(velkor.processId(), senal);
        QVERIFY2(velkor.waitForFinished(20000), "el programa no terminó");
        QCOMPARE(velkor.exitStatus(), QProcess::NormalExit);
        QCOMPARE(velkor.exitCode(), 0);
    }
};

QTEST_GUILESS_MAIN(TstTerminacion)
#include "tst_terminacion.moc"
