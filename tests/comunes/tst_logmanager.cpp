#include "CarpetaPrograma.h"
#include "Logmanager.h"

#include <QtTest>

#include <thread>

namespace {

QStringList lineas(const QString& archivo)
{
    return QString::fromUtf8(TCarpetaPrograma::lee(archivo)).split(u'\n', Qt::SkipEmptyParts);
}

const QRegularExpression FORMATO(QStringLiteral(R"(^\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}\.\d{3} \[(\d+)\] (.*)$)"));

} // namespace

class TstLogmanager : public QObject {
    Q_OBJECT

private slots:
    void unaLlamadaUnaLinea_data()
    {
        QTest::addColumn<QString>("texto");
        QTest::addColumn<QString>("escrito");
        QTest::newRow("acentos") << QStringLiteral("Ñandú ÁÉÍÓÚ") << QStringLiteral("Ñandú ÁÉÍÓÚ");
        QTest::newRow("saltos") << QStringLiteral("EBaseDatos error raised, with message : a\nb\r\nc\rd")
                                << QStringLiteral("EBaseDatos error raised, with message : a b c d");
    }

    void unaLlamadaUnaLinea()
    {
        QFETCH(QString, texto);
        QFETCH(QString, escrito);
        const int nivel = 3;
        // The program folder comes with or without its final '/': one file either way.
        QTemporaryDir dir;
        Logmanager::Log(QStringLiteral("previa"), 1, dir.path());
        Logmanager::Log(texto, nivel, dir.path() + u'/');
        const QStringList leidas = lineas(Logmanager::archivoLog(dir.path()));
        QCOMPARE(leidas.size(), 2);
        const auto coincide = FORMATO.match(leidas.at(1));
        QVERIFY2(coincide.hasMatch(), qPrintable(leidas.at(1)));
        QCOMPARE(coincide.captured(1).toInt(), nivel);
        QCOMPARE(coincide.captured(2), escrito);
    }

    void dosHilosNoSeMezclan()
    {
        QTemporaryDir dir;
        auto escribe = [&](const QString& hilo) {
            for (int i = 0; i < 500; ++i)
                Logmanager::Log(QStringLiteral("%1 línea %2").arg(hilo).arg(i), 1, dir.path());
        };
        std::thread a(escribe, QStringLiteral("A")), b(escribe, QStringLiteral("B"));
        a.join();
        b.join();

        const QStringList leidas = lineas(Logmanager::archivoLog(dir.path()));
        QCOMPARE(leidas.size(), 1000);
        QSet<QString> vistas;
        for (const QString& l : leidas) {
            const auto coincide = FORMATO.match(l);
            QVERIFY2(coincide.hasMatch(), qPrintable(l));
            vistas.insert(coincide.captured(2));
        }
        QCOMPARE(vistas.size(), 1000);
    }

    void carpetaInexistenteNoFalla()
    {
        QTemporaryDir dir;
        const QString falta = dir.path() + QStringLiteral("/borrada/");
        Logmanager::Log(QStringLiteral("nadie lo lee"), 1, falta);
        QVERIFY(!QFileInfo::exists(falta));
    }

    void archivoInaccesibleNoFalla()
    {
        // A folder in the log's place: the file cannot be opened.
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("Velkor.log")));
        Logmanager::Log(QStringLiteral("nadie lo lee"), 1, dir.path());
        QVERIFY(QFileInfo(Logmanager::archivoLog(dir.path())).isDir());
    }
};

QTEST_GUILESS_MAIN(TstLogmanager)
#include "tst_logmanager.moc"
