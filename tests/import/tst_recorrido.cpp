#include "CarpetaPrograma.h"
#include "ConPermisosDeUsuario.h"
#include "negocio/TRecorridoXML.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>
#include <sys/stat.h>

namespace {

// A file or folder named by bytes that need not be UTF-8.
void creaPorBytes(const QByteArray& ruta, bool carpeta)
{
    if (carpeta) {
        QVERIFY(::mkdir(ruta.constData(), 0755) == 0);
        return;
    }
    FILE* f = std::fopen(ruta.constData(), "w");
    QVERIFY(f);
    std::fputs("<x/>", f);
    std::fclose(f);
}

void crea(const QString& ruta)
{
    QVERIFY(TCarpetaPrograma::escribe(ruta, "<x/>"));
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

    // Every path the rules take and the walk cannot reach gets its reason,
    // after the files of its folder; the count counts it too, so the count
    // and the rows of an import agree.
    void inaccesibles_data()
    {
        QTest::addColumn<QByteArray>("nombre"); // under the walked folder
        QTest::addColumn<QString>("tipo");      // "archivo", "carpeta" or the mode of a folder
        QTest::addColumn<QString>("mostrado");  // the path reported, empty for none
        QTest::addColumn<QString>("motivo");
        QTest::newRow("carpeta sin lectura") << QByteArray("sub") << QStringLiteral("0300") << QStringLiteral("sub")
                                             << QStringLiteral("no tiene permiso para ver su contenido");
        QTest::newRow("carpeta sin búsqueda") << QByteArray("sub") << QStringLiteral("0600") << QStringLiteral("sub")
                                              << QStringLiteral("no tiene permiso para entrar en ella");
        QTest::newRow("carpeta elegida sin lectura") << QByteArray() << QStringLiteral("0300") << QString()
                                                     << QStringLiteral("no tiene permiso para ver su contenido");
        QTest::newRow("archivo no UTF-8") << QByteArray("fact\xE1"
                                                        "ra.xml")
                                          << QStringLiteral("archivo") << QStringLiteral("fact\\xE1ra.xml")
                                          << QStringLiteral("El nombre del archivo no es texto UTF-8 válido");
        QTest::newRow("archivo no UTF-8 con ñ válida")
            << QByteArray("a\xC3\xB1o\xFF.XML") << QStringLiteral("archivo") << QStringLiteral("año\\xFF.XML")
            << QStringLiteral("El nombre del archivo no es texto UTF-8 válido");
        QTest::newRow("carpeta no UTF-8")
            << QByteArray("a\xF1o") << QStringLiteral("carpeta") << QStringLiteral("a\\xF1o")
            << QStringLiteral("El nombre de la carpeta no es texto UTF-8 válido");
        // The rules still decide: no ".xml", or hidden, and nothing is said.
        QTest::newRow("no UTF-8 sin .xml") << QByteArray("fact\xE1"
                                                         "ra.txt")
                                           << QStringLiteral("archivo") << QString() << QString();
        QTest::newRow("no UTF-8 oculto") << QByteArray(".fact\xE1"
                                                       "ra.xml")
                                         << QStringLiteral("archivo") << QString() << QString();
    }
    void inaccesibles()
    {
        QFETCH(QByteArray, nombre);
        QFETCH(QString, tipo);
        QFETCH(QString, mostrado);
        QFETCH(QString, motivo);
        QTemporaryDir dir;
        const QString r = dir.path() + QLatin1Char('/');
        crea(r + QStringLiteral("b.xml"));
        crea(r + QStringLiteral("z/c.xml"));
        const QByteArray ruta = QFile::encodeName(r) + nombre;
        const bool elegida = nombre.isEmpty();
        if (tipo == QLatin1String("archivo")) {
            creaPorBytes(ruta, false);
        } else if (tipo == QLatin1String("carpeta")) {
            creaPorBytes(ruta, true);
            creaPorBytes(ruta + "/d.xml", false);
        } else if (!elegida) {
            crea(QFile::decodeName(ruta) + QStringLiteral("/d.xml"));
        }
        const bool modo = tipo.startsWith(QLatin1Char('0'));
        if (modo)
            QVERIFY(::chmod(ruta.constData(), tipo.toUInt(nullptr, 8)) == 0);

        QStringList tomados;
        QStringList fallas;
        {
            const TConPermisosDeUsuario usuario;
            if (modo && !usuario.efectivo()) {
                QVERIFY(::chmod(ruta.constData(), 0755) == 0);
                QSKIP("El superusuario no pudo dejar sus permisos sobre archivos (capset).");
            }
            const TRecorridoXML recorrido(dir.path());
            QVERIFY(recorrido.recorre(
                [&](const QString& archivo) {
                    tomados << archivo.mid(r.size());
                    return true;
                },
                [&](const QString& archivo, const QString& porque) {
                    fallas << archivo.mid(r.size()) + QStringLiteral(": ") + porque;
                    return true;
                }));
            QCOMPARE(recorrido.cuenta(), tomados.size() + fallas.size());
        }
        if (modo)
            QVERIFY(::chmod(ruta.constData(), 0755) == 0);

        if (elegida) {
            // The chosen folder itself: one row, with its own path.
            QCOMPARE(tomados, QStringList());
            QCOMPARE(fallas.size(), 1);
            QVERIFY2(fallas.first().contains(motivo), qPrintable(fallas.first()));
            return;
        }
        QCOMPARE(tomados, (QStringList{QStringLiteral("b.xml"), QStringLiteral("z/c.xml")}));
        if (mostrado.isEmpty()) {
            QCOMPARE(fallas, QStringList());
            return;
        }
        QCOMPARE(fallas.size(), 1);
        QVERIFY2(fallas.first().startsWith(mostrado + QStringLiteral(": ")), qPrintable(fallas.first()));
        QVERIFY2(fallas.first().contains(motivo), qPrintable(fallas.first()));
    }

    // A chosen folder whose name is not UTF-8 reaches the walk decoded
    // lossily (the folder dialog gives text): one row says why, not an
    // empty job.
    void carpetaElegidaNoUtf8()
    {
        QTemporaryDir dir;
        const QByteArray ruta = QFile::encodeName(dir.path()) + "/a\xF1o";
        creaPorBytes(ruta, true);
        creaPorBytes(ruta + "/d.xml", false);
        const TRecorridoXML recorrido(QFile::decodeName(ruta));
        QStringList fallas;
        QVERIFY(recorrido.recorre([](const QString&) { return false; },
                                  [&](const QString& archivo, const QString& porque) {
                                      fallas << archivo + QStringLiteral(": ") + porque;
                                      return true;
                                  }));
        QCOMPARE(fallas.size(), 1);
        QVERIFY2(fallas.first().contains(QStringLiteral("su nombre no es texto UTF-8 válido")),
                 qPrintable(fallas.first()));
        QCOMPARE(recorrido.cuenta(), 1);
    }

    // A file whose name is not UTF-8 sits among the others in the order of
    // the walk: after its folder's files, before its subfolders.
    void lugarDeLoInaccesible()
    {
        QTemporaryDir dir;
        const QString r = dir.path() + QLatin1Char('/');
        crea(r + QStringLiteral("b.xml"));
        crea(r + QStringLiteral("z/c.xml"));
        creaPorBytes(QFile::encodeName(r) + "a\xE1.xml", false);
        QStringList vistos;
        QVERIFY(TRecorridoXML(dir.path())
                    .recorre(
                        [&](const QString& archivo) {
                            vistos << archivo.mid(r.size());
                            return true;
                        },
                        [&](const QString& archivo, const QString&) {
                            vistos << QStringLiteral("!") + archivo.mid(r.size());
                            return true;
                        }));
        QCOMPARE(vistos, (QStringList{"b.xml", "!a\\xE1.xml", "z/c.xml"}));
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
