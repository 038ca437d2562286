#include "CarpetaPrograma.h"
#include "CarpetaTemporal.h"
#include "ConPermisosDeUsuario.h"
#include "negocio/TRecorridoXML.h"

#include <QDir>
#include <QFile>
#include <QtTest>

#include <cstdio>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

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

// A walk's callback that always lets it go on.
template <typename F> auto sigue(F f)
{
    // Callable only as `f` is, so the walk's overloads stay apart.
    return [f](const auto&... argumentos) -> decltype(f(argumentos...), true) {
        f(argumentos...);
        return true;
    };
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
        TCarpetaTemporal dir;
        const QString r = dir.path() + u'/';
        for (const char* nombre : {"b.xml", "A.XML", "c.Xml", "nota.txt", "xml", ".oculto.xml", "sub/z.xml",
                                   "sub/honda/y.xml", "sub/a.xml", ".oculta/e.xml", "solo-lectura/f.xml", "ab/1.xml"})
            crea(r + QString::fromUtf8(nombre));
        QVERIFY(QDir(r).mkdir(u"carpeta.xml"_s));
        QVERIFY(QFile::link(r + u"sub"_s, r + u"enlace"_s));
        QVERIFY(QFile::link(r + u"b.xml"_s, r + u"enlace.xml"_s));
        QVERIFY(QFile::setPermissions(r + u"solo-lectura"_s,
                                      QFile::ReadOwner | QFile::ExeOwner | QFile::ReadUser | QFile::ExeUser));

        QStringList tomados;
        const TRecorridoXML recorrido(dir.path());
        QVERIFY(recorrido.recorre(sigue([&](const QString& ruta) { tomados << ruta.mid(r.size()); })));
        // Files before subfolders, both by name; links, hidden entries,
        // read-only folders and other endings stay out.
        const QStringList esperados = {u"A.XML"_s,     u"b.xml"_s,     u"c.Xml"_s,          u"ab/1.xml"_s,
                                       u"sub/a.xml"_s, u"sub/z.xml"_s, u"sub/honda/y.xml"_s};
        QCOMPARE(tomados, esperados);
        QCOMPARE(recorrido.cuenta(), esperados.size());

        // A path given with its final "/" walks the same.
        QCOMPARE(TRecorridoXML(r).cuenta(), esperados.size());

        // Asked for, what it passed over on purpose, where it met it;
        // hidden entries and other endings stay silent.
        using O = TRecorridoXML::TOmision;
        QStringList omitidos;
        QVERIFY(TRecorridoXML(dir.path())
                    .avisaOmitidos(sigue([&](const QString& ruta, O porque) {
                        omitidos << ruta.mid(r.size()) + u' ' + QString::number(int(porque));
                    }))
                    .recorre(sigue([](const QString&) {})));
        QCOMPARE(omitidos,
                 (QStringList{u"enlace %1"_s.arg(int(O::EnlaceCarpeta)), u"enlace.xml %1"_s.arg(int(O::EnlaceArchivo)),
                              u"solo-lectura %1"_s.arg(int(O::CarpetaSoloLectura))}));
        QFile::setPermissions(r + u"solo-lectura"_s, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
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
        const QString noUtf8 = u"El nombre del archivo no es texto UTF-8 válido"_s;
        QTest::newRow("carpeta sin lectura")
            << QByteArray("sub") << u"0300"_s << u"sub"_s << u"no tienes permiso para ver su contenido"_s;
        QTest::newRow("carpeta sin búsqueda")
            << QByteArray("sub") << u"0600"_s << u"sub"_s << u"no tienes permiso para entrar en ella"_s;
        QTest::newRow("carpeta elegida sin lectura")
            << QByteArray() << u"0300"_s << QString() << u"no tienes permiso para ver su contenido"_s;
        QTest::newRow("archivo no UTF-8")
            << QByteArray("fact\xE1ra.xml") << u"archivo"_s << u"fact\\xE1ra.xml"_s << noUtf8;
        QTest::newRow("archivo no UTF-8 con ñ válida")
            << QByteArray("a\xC3\xB1o\xFF.XML") << u"archivo"_s << u"año\\xFF.XML"_s << noUtf8;
        QTest::newRow("carpeta no UTF-8") << QByteArray("a\xF1o") << u"carpeta"_s << u"a\\xF1o"_s
                                          << u"El nombre de la carpeta no es texto UTF-8 válido"_s;
        // The rules still decide: no ".xml", or hidden, and nothing is said.
        QTest::newRow("no UTF-8 sin .xml") << QByteArray("fact\xE1ra.txt") << u"archivo"_s << QString() << QString();
        QTest::newRow("no UTF-8 oculto") << QByteArray(".fact\xE1ra.xml") << u"archivo"_s << QString() << QString();
    }
    void inaccesibles()
    {
        QFETCH(QByteArray, nombre);
        QFETCH(QString, tipo);
        QFETCH(QString, mostrado);
        QFETCH(QString, motivo);
        TCarpetaTemporal dir;
        const QString r = dir.path() + u'/';
        crea(r + u"b.xml"_s);
        crea(r + u"z/c.xml"_s);
        const QByteArray ruta = QFile::encodeName(r) + nombre;
        const bool elegida = nombre.isEmpty();
        if (tipo == "archivo"_L1) {
            creaPorBytes(ruta, false);
        } else if (tipo == "carpeta"_L1) {
            creaPorBytes(ruta, true);
            creaPorBytes(ruta + "/d.xml", false);
        } else if (!elegida) {
            crea(QFile::decodeName(ruta) + u"/d.xml"_s);
        }
        const bool modo = tipo.startsWith(u'0');
        if (modo)
            QVERIFY(::chmod(ruta.constData(), tipo.toUInt(nullptr, 8)) == 0);

        QStringList tomados;
        QStringList fallas;
        QStringList vistos; // both, in the order of the walk
        {
            const TConPermisosDeUsuario usuario;
            if (modo && !usuario.efectivo()) {
                QVERIFY(::chmod(ruta.constData(), 0755) == 0);
                QSKIP("El superusuario no pudo dejar sus permisos sobre archivos (capset).");
            }
            const TRecorridoXML recorrido(dir.path());
            QVERIFY(recorrido.recorre(sigue([&](const QString& archivo) {
                                          tomados << archivo.mid(r.size());
                                          vistos << tomados.last();
                                      }),
                                      sigue([&](const QString& archivo, const QString& porque) {
                                          fallas << archivo.mid(r.size()) + u": "_s + porque;
                                          vistos << u'!' + archivo.mid(r.size());
                                      })));
            QCOMPARE(recorrido.cuenta(), tomados.size() + fallas.size());
        }
        if (modo)
            QVERIFY(::chmod(ruta.constData(), 0755) == 0);

        QCOMPARE(tomados, (elegida ? QStringList() : QStringList{u"b.xml"_s, u"z/c.xml"_s}));
        // A file sits after its folder's files, before its subfolders, even
        // when its name sorts first.
        if (tipo == "archivo"_L1 && !mostrado.isEmpty())
            QCOMPARE(vistos, (QStringList{u"b.xml"_s, u'!' + mostrado, u"z/c.xml"_s}));
        if (mostrado.isEmpty() && !elegida) {
            QCOMPARE(fallas, QStringList());
            return;
        }
        // The chosen folder itself gets one row too, with its own path.
        QCOMPARE(fallas.size(), 1);
        if (!elegida)
            QVERIFY2(fallas.first().startsWith(mostrado + u": "_s), qPrintable(fallas.first()));
        QVERIFY2(fallas.first().contains(motivo), qPrintable(fallas.first()));
    }

    // A chosen folder whose name is not UTF-8 reaches the walk decoded
    // lossily (the folder dialog gives text): one row says why, not an
    // empty job.
    void carpetaElegidaNoUtf8()
    {
        TCarpetaTemporal dir;
        const QByteArray ruta = QFile::encodeName(dir.path()) + "/a\xF1o";
        creaPorBytes(ruta, true);
        creaPorBytes(ruta + "/d.xml", false);
        const TRecorridoXML recorrido(QFile::decodeName(ruta));
        QStringList fallas;
        QVERIFY(recorrido.recorre(
            [](const QString&) { return false; },
            sigue([&](const QString& archivo, const QString& porque) { fallas << archivo + u": "_s + porque; })));
        QCOMPARE(fallas.size(), 1);
        QVERIFY2(fallas.first().contains(u"su nombre no es texto UTF-8 válido"_s), qPrintable(fallas.first()));
        QCOMPARE(recorrido.cuenta(), 1);
    }

    void seDetieneEntreArchivos()
    {
        TCarpetaTemporal dir;
        for (int i = 0; i < 5; ++i)
            crea(dir.filePath(u"%1.xml"_s.arg(i)));
        int vistos = 0;
        const TRecorridoXML recorrido(dir.path());
        QVERIFY(!recorrido.recorre(sigue([&](const QString&) { ++vistos; }), [&] { return vistos == 2; }));
        QCOMPARE(vistos, 2);
        QVERIFY(!recorrido.recorre([&](const QString&) { return false; }));
        QCOMPARE(TRecorridoXML(dir.filePath(u"no-existe"_s)).cuenta(), 0);
    }
};

QTEST_GUILESS_MAIN(TstRecorrido)
#include "tst_recorrido.moc"
