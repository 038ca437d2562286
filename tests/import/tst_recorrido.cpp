#include "import/TRecorridoXML.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

void crea(const QString& ruta)
{
    QDir().mkpath(QFileInfo(ruta).absolutePath());
    QFile archivo(ruta);
    QVERIFY(archivo.open(QIODevice::WriteOnly));
    archivo.write("<x/>");
}

} // namespace

// The walk both the count and the import make.
class TstRecorrido : public QObject {
    Q_OBJECT
private slots:
    void reglasYOrden()
    {
        QTemporaryDir dir;
        const QString r = dir.path() + QLatin1Char('/');
        for (const char* nombre : {"b.xml", "A.XML", "c.Xml", "nota.txt", "xml", ".oculto.xml", "sub/z.xml",
                                   "sub/honda/y.xml", "sub/a.xml", ".oculta/e.xml", "solo-lectura/f.xml", "ab/1.xml"})
            crea(r + QString::fromUtf8(nombre));
        QVERIFY(QDir(r).mkdir(QStringLiteral("carpeta.xml")));
        QVERIFY(QFile::link(r + QStringLiteral("sub"), r + QStringLiteral("enlace")));
        QVERIFY(QFile::link(r + QStringLiteral("b.xml"), r + QStringLiteral("enlace.xml")));
        QVERIFY(QFile::setPermissions(r + QStringLiteral("solo-lectura"),
                                      QFile::ReadOwner | QFile::ExeOwner | QFile::ReadUser | QFile::ExeUser));

        QStringList tomados;
        const TRecorridoXML recorrido(dir.path());
        QVERIFY(recorrido.recorre([&](const QString& ruta) {
            tomados << ruta.mid(r.size());
            return true;
        }));
        // Files before subfolders, both by name; links, hidden entries,
        // read-only folders and other endings stay out.
        const QStringList esperados = {QStringLiteral("A.XML"),          QStringLiteral("b.xml"),
                                       QStringLiteral("c.Xml"),          QStringLiteral("ab/1.xml"),
                                       QStringLiteral("sub/a.xml"),      QStringLiteral("sub/z.xml"),
                                       QStringLiteral("sub/honda/y.xml")};
        QCOMPARE(tomados, esperados);
        QCOMPARE(recorrido.cuenta(), esperados.size());

        // A path given with its final "/" walks the same.
        QCOMPARE(TRecorridoXML(r).cuenta(), esperados.size());
        QFile::setPermissions(r + QStringLiteral("solo-lectura"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    void seDetieneEntreArchivos()
    {
        QTemporaryDir dir;
        for (int i = 0; i < 5; ++i)
            crea(dir.filePath(QStringLiteral("%1.xml").arg(i)));
        int vistos = 0;
        const TRecorridoXML recorrido(dir.path());
        QVERIFY(!recorrido.recorre(
            [&](const QString&) {
                ++vistos;
                return true;
            },
            [&] { return vistos == 2; }));
        QCOMPARE(vistos, 2);
        QVERIFY(!recorrido.recorre([&](const QString&) { return false; }));
        QCOMPARE(TRecorridoXML(dir.filePath(QStringLiteral("no-existe"))).cuenta(), 0);
    }
};

QTEST_GUILESS_MAIN(TstRecorrido)
#include "tst_recorrido.moc"
