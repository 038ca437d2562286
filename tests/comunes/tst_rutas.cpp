#include "Rutas.h"

#include <QtTest>

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
};

QTEST_GUILESS_MAIN(TstRutas)
#include "tst_rutas.moc"
