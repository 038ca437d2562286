#include "CarpetaPrograma.h"
#include "Constantes.h"
#include "TBaseDatosCatalogosFrm.h"

#include <QRegularExpression>
#include <QTest>

// The look-ups run against the catalogue the build generated from data/sat.
class TstCatalogos : public QObject {
    Q_OBJECT
private slots:
    void existeCodigoPostal_data()
    {
        QTest::addColumn<QString>("cp");
        QTest::addColumn<QString>("estado"); // empty: any state
        QTest::addColumn<bool>("existe");
        const auto f = [](const char* caso, const char* cp, const char* estado, bool existe) {
            QTest::newRow(caso) << QString::fromUtf8(cp) << QString::fromUtf8(estado) << existe;
        };
        f("06600", "06600", "", true);
        f("06600 en CMX", "06600", "CMX", true);
        f("06600 en JAL", "06600", "JAL", false);
        f("clave de estado en minúsculas", "44100", "jal", true);
        f("con espacios", " 06600 ", "", true);
        f("código sin municipio", "01001", "CMX", true);
        f("desconocido con estado", "00000", "CMX", false);
        f("cuatro dígitos", "0660", "", false);
        f("estado largo", "06600", "CMX - Ciudad de México", false);
    }
    void existeCodigoPostal()
    {
        QFETCH(QString, cp);
        QFETCH(QString, estado);
        QFETCH(bool, existe);
        TCarpetaPrograma programa;
        programa.instalaCatalogo();
        if (estado.isEmpty())
            QCOMPARE(BaseDatosCatalogosFrm().existeCodigoPostalByCP(cp), existe);
        else
            QCOMPARE(BaseDatosCatalogosFrm().existeCodigoPostalByCPAndEstado(cp, estado), existe);
    }

    // The panel's look-up (with the state) is exercised through the panel.
    void filasCodigoPostal_data()
    {
        QTest::addColumn<QString>("cp");
        QTest::addColumn<QStringList>("fila");
        QTest::newRow("con localidad")
            << "06600"
            << QStringLiteral("CODIGOPOSTAL=06600|ESTADOCLAVE=CMX|ESTADO=Ciudad de México|MUNICIPIOCLAVE=015|"
                              "MUNICIPIO=Cuauhtémoc|LOCALIDADCLAVE=06|LOCALIDAD=Ciudad de México")
                   .split(QLatin1Char('|'));
        QTest::newRow("sin localidad") << "20126" << QStringList();
    }
    void filasCodigoPostal()
    {
        QFETCH(QString, cp);
        QFETCH(QStringList, fila);
        TCarpetaPrograma programa;
        programa.instalaCatalogo();
        QCOMPARE(BaseDatosCatalogosFrm().getCodigoPostalByCP(cp), fila);
    }

    void regimenFiscal_data()
    {
        QTest::addColumn<QString>("rfc");
        QTest::addColumn<int>("regimenes");
        QTest::addColumn<QStringList>("presentes");
        QTest::addColumn<QStringList>("ausentes");
        QTest::newRow("persona moral") << "EKU9003173C9" << 8 << QStringList{"601", "603", "610", "626"}
                                       << QStringList{"605", "612", "621"};
        QTest::newRow("con espacios") << " EKU9003173C9 " << 8 << QStringList{"601"} << QStringList{"605"};
        QTest::newRow("persona física") << "XAXX010101000" << 13 << QStringList{"605", "612", "610", "626"}
                                        << QStringList{"601", "603", "620"};
        QTest::newRow("sin RFC") << "" << 19 << QStringList{"601", "605", "626"} << QStringList();
        QTest::newRow("RFC incompleto") << "EKU900" << 19 << QStringList{"601", "605"} << QStringList();
    }
    void regimenFiscal()
    {
        QFETCH(QString, rfc);
        QFETCH(int, regimenes);
        QFETCH(QStringList, presentes);
        QFETCH(QStringList, ausentes);
        TCarpetaPrograma programa;
        programa.instalaCatalogo();
        const QStringList lista = BaseDatosCatalogosFrm().getRegimenesFiscales(rfc);

        QCOMPARE(lista.size(), regimenes);
        QStringList codigos;
        static const QRegularExpression forma(QStringLiteral("^[0-9]{3} - \\S"));
        for (const QString& regimen : lista) {
            QVERIFY2(forma.match(regimen).hasMatch(), qPrintable(regimen));
            codigos << regimen.left(3);
        }
        QVERIFY(std::is_sorted(codigos.begin(), codigos.end()));
        for (const QString& codigo : presentes)
            QVERIFY2(codigos.contains(codigo), qPrintable(codigo));
        for (const QString& codigo : ausentes)
            QVERIFY2(!codigos.contains(codigo), qPrintable(codigo));
    }

    // The panel shows these lists; what it cannot show is the filter and the order.
    void listasDelPanel()
    {
        TCarpetaPrograma programa;
        programa.instalaCatalogo();
        const TBaseDatosCatalogosFrm& catalogos = BaseDatosCatalogosFrm();
        using Par = TBaseDatosCatalogosFrm::TClaveNombre;
        QVERIFY(catalogos.getMunicipios(QStringLiteral("CMX")).contains(Par("015", "Cuauhtémoc")));
        QVERIFY(!catalogos.getMunicipios(QStringLiteral("JAL")).contains(Par("015", "Cuauhtémoc")));

        // Colonies in Spanish order: an accented initial sorts with its letter.
        QStringList nombres;
        for (const Par& colonia : catalogos.getColonias(QStringLiteral("09230")))
            nombres << colonia.second;
        QCOMPARE(nombres,
                 (QStringList{"Álvaro Obregón", "Ejército de Oriente", "El Paraíso", "José María Morelos y Pavón"}));
    }

    void sinCatalogo_data()
    {
        QTest::addColumn<QByteArray>("contenido"); // empty: no file at all
        QTest::newRow("sin archivo") << QByteArray();
        QTest::newRow("archivo dañado") << QByteArray("esto no es una base de datos").repeated(1000);
    }
    void sinCatalogo()
    {
        QFETCH(QByteArray, contenido);
        TCarpetaPrograma programa;
        if (!contenido.isEmpty())
            QVERIFY(TCarpetaPrograma::escribe(programa.archivo(QStringLiteral("db/CFDCAT.DB")), contenido));
        const TBaseDatosCatalogosFrm& catalogos = BaseDatosCatalogosFrm();
        QVERIFY(!catalogos.existeCodigoPostalByCP(QStringLiteral("06600")));
        QVERIFY(!catalogos.existeCodigoPostalByCPAndEstado(QStringLiteral("06600"), QStringLiteral("CMX")));
        QVERIFY(catalogos.getCodigoPostalByCP(QStringLiteral("06600")).isEmpty());
        QVERIFY(catalogos.getCodigoPostalAndEstadoByCp(QStringLiteral("06600")).isEmpty());
        QVERIFY(catalogos.getEstados().isEmpty());
        QVERIFY(catalogos.getRegimenesFiscales(QString()).isEmpty());

        // One line of the catalogue's, and at most one of the engine's own
        // words for a file it could not open.
        const QStringList lineas = programa.log().split(QLatin1Char('\n')).filter(QStringLiteral("CFDCAT.DB"));
        QCOMPARE(lineas.filter(QStringLiteral("Catálogo del SAT")).size(), 1);
        QVERIFY2(lineas.size() <= 2, qPrintable(lineas.join(QLatin1Char('\n'))));
    }
};

QTEST_GUILESS_MAIN(TstCatalogos)
#include "tst_catalogos.moc"
