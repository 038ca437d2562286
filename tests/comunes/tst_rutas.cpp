#include "CarpetaInstalada.h"
#include "Rutas.h"

#include <QtTest>

#include <sys/stat.h>

class TstRutas : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { Rutas::fijaCarpetaPrograma(QString()); }

    // Folder constants come with and without their final "/"; joined, the
    // path is the same.
    void une_data()
    {
        QTest::addColumn<QString>("carpeta");
        QTest::addColumn<QStringList>("partes");
        QTest::addColumn<QString>("ruta");
        QTest::newRow("base de un negocio")
            << "/prog/" << QStringList{"db/", "EKU9003173C9", "Velkor.fdb"} << "/prog/db/EKU9003173C9/Velkor.fdb";
        QTest::newRow("sin diagonales finales")
            << "/prog" << QStringList{"db", "EKU9003173C9"} << "/prog/db/EKU9003173C9";
        QTest::newRow("parte con carpeta")
            << "/prog/" << QStringList{"Motor/libfbclient.so.2"} << "/prog/Motor/libfbclient.so.2";
        QTest::newRow("RFC con &") << "/prog/" << QStringList{"db/", "H&E951128469"} << "/prog/db/H&E951128469";
        QTest::newRow("partes vacías") << "/prog/" << QStringList{"", "Temp", "", "Zip"} << "/prog/Temp/Zip";
        QTest::newRow("sin partes") << "/prog/" << QStringList{} << "/prog/";
        QTest::newRow("carpeta vacía: relativa") << "" << QStringList{"db/", "Usuarios.db"} << "db/Usuarios.db";
        QTest::newRow("parte absoluta") << "/prog/" << QStringList{"/otra/base.fdb"} << "/otra/base.fdb";
        QTest::newRow("acentos y espacios")
            << "/home/José Núñez/Velkor/" << QStringList{"Facturas", "AÑO"} << "/home/José Núñez/Velkor/Facturas/AÑO";
    }
    void une()
    {
        QFETCH(QString, carpeta);
        QFETCH(QStringList, partes);
        QFETCH(QString, ruta);
        QString obtenida = carpeta;
        // initializer_list cannot be built from a run-time list: join one at a time.
        for (const QString& parte : partes)
            obtenida = Rutas::une(obtenida, {parte});
        QCOMPARE(obtenida, ruta);
        if (partes.size() == 3)
            QCOMPARE(Rutas::une(carpeta, {partes.at(0), partes.at(1), partes.at(2)}), ruta);
    }

    void carpetaPrograma_data()
    {
        QTest::addColumn<QString>("dada");
        QTest::addColumn<QString>("carpeta");
        QTest::newRow("sin diagonal final") << QStringLiteral("/opt/velkor") << QStringLiteral("/opt/velkor/");
        QTest::newRow("con diagonal final") << QStringLiteral("/opt/velkor/") << QStringLiteral("/opt/velkor/");
        QTest::newRow("vacía") << QString() << QString();
    }
    void carpetaPrograma()
    {
        QFETCH(QString, dada);
        QFETCH(QString, carpeta);
        Rutas::fijaCarpetaPrograma(dada);
        QCOMPARE(Rutas::carpetaPrograma(), carpeta);
        QCOMPARE(Rutas::programa(), carpeta);
        QCOMPARE(Rutas::programa({QStringLiteral("db/"), QStringLiteral("Usuarios.db")}),
                 carpeta + QStringLiteral("db/Usuarios.db"));
    }

    // An installed folder (the package's marker beside the executable) is
    // shared and read-only: the program folder becomes the user's data
    // folder, which reaches the installed entries through links, keeps what
    // the user has there, and has a Motor/ and a db/ of its own. Without the
    // marker a folder is its own program folder.
    void carpetaInstalada()
    {
        QTemporaryDir raiz;
        const QString instalada = raiz.filePath(QStringLiteral("opt/velkor"));
        for (const QString& carpeta : {QStringLiteral("Lib"), QStringLiteral("Xslt"), QStringLiteral("Motor/plugins")})
            QVERIFY(QDir().mkpath(instalada + QLatin1Char('/') + carpeta));
        QVERIFY(QDir().mkpath(instalada + QStringLiteral("/db")));
        for (const QString& archivo :
             {QStringLiteral("velkor-importar"), QStringLiteral("Recursos.bpl"), QStringLiteral("Motor/firebird.conf"),
              QStringLiteral("db/CFDCAT.DB"), QStringLiteral("db/OTRO.DB")}) {
            QFile f(instalada + QLatin1Char('/') + archivo);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(archivo.toUtf8());
        }
        QVERIFY(Rutas::preparaCarpetaPrograma(instalada));
        QCOMPARE(Rutas::carpetaPrograma(), instalada + QLatin1Char('/'));

        QFile marca(instalada + QLatin1Char('/') + Rutas::MARCA_INSTALACION);
        QVERIFY(marca.open(QIODevice::WriteOnly));
        marca.close();
        qputenv("XDG_DATA_HOME", QFile::encodeName(raiz.filePath(QStringLiteral("datos"))));
        const QString datos = raiz.filePath(QStringLiteral("datos/Velkor"));
        QCOMPARE(Rutas::carpetaDatosUsuario(), datos);
        // The user's own settings and a link an older installation left.
        QVERIFY(QDir().mkpath(datos));
        QFile ajustes(datos + QStringLiteral("/Recursos.bpl"));
        QVERIFY(ajustes.open(QIODevice::WriteOnly));
        ajustes.write("mío");
        ajustes.close();
        QVERIFY(QFile::link(raiz.filePath(QStringLiteral("vieja/Lib")), datos + QStringLiteral("/Lib")));
        // A catalogue the user already updated.
        QVERIFY(QDir().mkpath(datos + QStringLiteral("/db")));
        QFile actualizado(datos + QStringLiteral("/db/OTRO.DB"));
        QVERIFY(actualizado.open(QIODevice::WriteOnly));
        actualizado.write("nuevo");
        actualizado.close();

        QString error;
        QVERIFY2(Rutas::preparaCarpetaPrograma(instalada + QLatin1Char('/'), &error), qPrintable(error));
        QCOMPARE(Rutas::carpetaPrograma(), datos + QLatin1Char('/'));
        for (const QString& enlace : {QStringLiteral("Lib"), QStringLiteral("Xslt"), QStringLiteral("velkor-importar"),
                                      QStringLiteral("Motor/plugins"), QStringLiteral("Motor/firebird.conf")})
            QCOMPARE(QFileInfo(datos + QLatin1Char('/') + enlace).symLinkTarget(),
                     instalada + QLatin1Char('/') + enlace);
        QVERIFY(!QFileInfo::exists(datos + QLatin1Char('/') + Rutas::MARCA_INSTALACION));
        // The installed databases are copies of the user's own, made once.
        const QFileInfo catalogo(datos + QStringLiteral("/db/CFDCAT.DB"));
        QVERIFY(catalogo.isFile() && !catalogo.isSymLink());
        QCOMPARE(catalogo.permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther),
                 QFileDevice::Permissions());
        QVERIFY(actualizado.open(QIODevice::ReadOnly));
        QCOMPARE(actualizado.readAll(), QByteArray("nuevo"));
        actualizado.close();
        QVERIFY(!QFileInfo::exists(datos + QStringLiteral("/db/CFDCAT.DB.parcial")));
        QVERIFY(!QFileInfo(datos + QStringLiteral("/Recursos.bpl")).isSymLink());
        QVERIFY(ajustes.open(QIODevice::ReadOnly));
        QCOMPARE(ajustes.readAll(), QByteArray("mío"));
        for (const QString& propia : {datos, datos + QStringLiteral("/Motor"), datos + QStringLiteral("/db")}) {
            const QFileInfo carpeta(propia);
            QVERIFY2(carpeta.isDir() && !carpeta.isSymLink(), qPrintable(propia));
            struct stat modo {};
            QCOMPARE(::stat(QFile::encodeName(propia).constData(), &modo), 0);
            QCOMPARE(modo.st_mode & 0777, mode_t(0700));
        }
        // Started again, the same folder as it was.
        QVERIFY(Rutas::preparaCarpetaPrograma(instalada));
        QCOMPARE(QFileInfo(datos + QStringLiteral("/Lib")).symLinkTarget(), instalada + QStringLiteral("/Lib"));

        // A data folder that cannot be made says where and why.
        qputenv("XDG_DATA_HOME", QFile::encodeName(instalada + QStringLiteral("/velkor-importar/datos")));
        QVERIFY(!Rutas::preparaCarpetaPrograma(instalada, &error));
        QVERIFY2(error.startsWith(QStringLiteral("No se pudo preparar la carpeta de datos del programa")),
                 qPrintable(error));
        qunsetenv("XDG_DATA_HOME");
    }
};

QTEST_GUILESS_MAIN(TstRutas)
#include "tst_rutas.moc"
