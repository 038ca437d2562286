#include "CarpetaPrograma.h"
#include "Constantes.h"
#include "Logmanager.h"
#include "TBaseDatosCatalogosFrm.h"

#include <QComboBox>
#include <QFile>
#include <QRegularExpression>
#include <QTest>

// The look-ups run against the catalogue the build generated from data/sat.
class TstCatalogos : public QObject {
    Q_OBJECT
private slots:
    void existeCodigoPostal_data();
    void existeCodigoPostal();
    void filasCodigoPostal_data();
    void filasCodigoPostal();
    void regimenFiscal_data();
    void regimenFiscal();
    void listasDelPanel();
    void sinCatalogo_data();
    void sinCatalogo();
};

void TstCatalogos::existeCodigoPostal_data()
{
    QTest::addColumn<QString>("cp");
    QTest::addColumn<QString>("estado");  // empty: any state
    QTest::addColumn<bool>("existe");
    QTest::newRow("06600") << "06600" << "" << true;
    QTest::newRow("06600 en CMX") << "06600" << "CMX" << true;
    QTest::newRow("06600 en JAL") << "06600" << "JAL" << false;
    QTest::newRow("44100 en JAL") << "44100" << "JAL" << true;
    QTest::newRow("clave de estado en minúsculas") << "44100" << "jal" << true;
    QTest::newRow("con espacios") << " 06600 " << "" << true;
    QTest::newRow("código sin municipio") << "01001" << "CMX" << true;
    QTest::newRow("desconocido") << "00000" << "" << false;
    QTest::newRow("desconocido con estado") << "00000" << "CMX" << false;
    QTest::newRow("cuatro dígitos") << "0660" << "" << false;
    QTest::newRow("seis dígitos") << "066001" << "" << false;
    QTest::newRow("letras") << "Códig" << "" << false;
    QTest::newRow("estado largo") << "06600" << "CMX - Ciudad de México" << false;
}

void TstCatalogos::existeCodigoPostal()
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

void TstCatalogos::filasCodigoPostal_data()
{
    QTest::addColumn<QString>("cp");
    QTest::addColumn<QStringList>("completo");   // getCodigoPostalByCP
    QTest::addColumn<QStringList>("conEstado");  // getCodigoPostalAndEstadoByCp
    const QStringList cp06600 = {"CODIGOPOSTAL=06600",   "ESTADOCLAVE=CMX",   "ESTADO=Ciudad de México",
                                 "MUNICIPIOCLAVE=015",   "MUNICIPIO=Cuauhtémoc", "LOCALIDADCLAVE=06",
                                 "LOCALIDAD=Ciudad de México"};
    QTest::newRow("con localidad") << "06600" << cp06600 << cp06600;
    QTest::newRow("sin localidad")
        << "20126" << QStringList()
        << QStringList{"CODIGOPOSTAL=20126", "ESTADOCLAVE=AGU",  "ESTADO=Aguascalientes", "MUNICIPIOCLAVE=001",
                       "MUNICIPIO=Aguascalientes", "LOCALIDADCLAVE=", "LOCALIDAD="};
    QTest::newRow("solo estado")
        << "01001" << QStringList()
        << QStringList{"CODIGOPOSTAL=01001", "ESTADOCLAVE=CMX", "ESTADO=Ciudad de México", "MUNICIPIOCLAVE=",
                       "MUNICIPIO=", "LOCALIDADCLAVE=", "LOCALIDAD="};
    QTest::newRow("desconocido") << "00000" << QStringList() << QStringList();
    QTest::newRow("vacío") << "" << QStringList() << QStringList();
}

void TstCatalogos::filasCodigoPostal()
{
    QFETCH(QString, cp);
    QFETCH(QStringList, completo);
    QFETCH(QStringList, conEstado);
    TCarpetaPrograma programa;
    programa.instalaCatalogo();
    QCOMPARE(BaseDatosCatalogosFrm().getCodigoPostalByCP(cp), completo);
    QCOMPARE(BaseDatosCatalogosFrm().getCodigoPostalAndEstadoByCp(cp), conEstado);
}

void TstCatalogos::regimenFiscal_data()
{
    QTest::addColumn<QString>("rfc");
    QTest::addColumn<int>("regimenes");
    QTest::addColumn<QStringList>("presentes");
    QTest::addColumn<QStringList>("ausentes");
    QTest::newRow("persona moral") << "EKU9003173C9" << 8 << QStringList{"601", "603", "610", "626"}
                                   << QStringList{"605", "612", "621"};
    QTest::newRow("persona moral con espacios") << " EKU9003173C9 " << 8 << QStringList{"601"} << QStringList{"605"};
    QTest::newRow("persona física") << "XAXX010101000" << 13 << QStringList{"605", "612", "610", "626"}
                                    << QStringList{"601", "603", "620"};
    QTest::newRow("sin RFC") << "" << 19 << QStringList{"601", "605", "626"} << QStringList();
    QTest::newRow("RFC incompleto") << "EKU900" << 19 << QStringList{"601", "605"} << QStringList();
}

void TstCatalogos::regimenFiscal()
{
    QFETCH(QString, rfc);
    QFETCH(int, regimenes);
    QFETCH(QStringList, presentes);
    QFETCH(QStringList, ausentes);
    TCarpetaPrograma programa;
    programa.instalaCatalogo();
    QComboBox combo;
    combo.addItem(QStringLiteral("lista anterior"));
    BaseDatosCatalogosFrm().inicializaRegimenFiscal(&combo, rfc);

    QCOMPARE(combo.count(), regimenes + 1);
    QCOMPARE(combo.itemText(0), Constantes::REGIMEN_FISCAL);
    QCOMPARE(combo.currentIndex(), 0);
    QStringList codigos;
    static const QRegularExpression forma(QStringLiteral("^[0-9]{3} - \\S"));
    for (int i = 1; i < combo.count(); ++i) {
        QVERIFY2(forma.match(combo.itemText(i)).hasMatch(), qPrintable(combo.itemText(i)));
        codigos << combo.itemText(i).left(3);
    }
    QVERIFY(std::is_sorted(codigos.begin(), codigos.end()));
    for (const QString& codigo : presentes)
        QVERIFY2(codigos.contains(codigo), qPrintable(codigo));
    for (const QString& codigo : ausentes)
        QVERIFY2(!codigos.contains(codigo), qPrintable(codigo));
    if (presentes.contains(QStringLiteral("601")))
        QVERIFY(combo.findText(QStringLiteral("601 - General de Ley Personas Morales")) > 0);
}

void TstCatalogos::listasDelPanel()
{
    TCarpetaPrograma programa;
    programa.instalaCatalogo();
    const TBaseDatosCatalogosFrm& catalogos = BaseDatosCatalogosFrm();
    using Par = TBaseDatosCatalogosFrm::TClaveNombre;

    const auto estados = catalogos.getEstados();
    QCOMPARE(estados.size(), 32);
    QVERIFY(estados.contains(Par("CMX", "Ciudad de México")));
    QCOMPARE(catalogos.getEstados(QStringLiteral("USA")).size(), 50);
    QVERIFY(catalogos.getMunicipios(QStringLiteral("CMX")).contains(Par("015", "Cuauhtémoc")));
    QVERIFY(!catalogos.getMunicipios(QStringLiteral("JAL")).contains(Par("015", "Cuauhtémoc")));
    QVERIFY(catalogos.getLocalidades(QStringLiteral("JAL")).contains(Par("03", "Guadalajara")));
    QVERIFY(catalogos.getPaises().contains(Par("MEX", "México")));
    QVERIFY(catalogos.getColonias(QStringLiteral("06600")).contains(Par("0930", "Juárez")));
    QVERIFY(catalogos.getCodigosPostales(QStringLiteral("CMX"), QStringLiteral("015")).contains("06600"));
    QVERIFY(catalogos.getColonias(QStringLiteral("00000")).isEmpty());

    // Colonies in Spanish order: an accented initial sorts with its letter.
    QStringList nombres;
    for (const Par& colonia : catalogos.getColonias(QStringLiteral("09230")))
        nombres << colonia.second;
    QCOMPARE(nombres,
             (QStringList{"Álvaro Obregón", "Ejército de Oriente", "El Paraíso", "José María Morelos y Pavón"}));
}

void TstCatalogos::sinCatalogo_data()
{
    QTest::addColumn<QByteArray>("contenido");  // empty: no file at all
    QTest::newRow("sin archivo") << QByteArray();
    QTest::newRow("archivo dañado") << QByteArray("esto no es una base de datos").repeated(1000);
}

void TstCatalogos::sinCatalogo()
{
    QFETCH(QByteArray, contenido);
    TCarpetaPrograma programa;
    if (!contenido.isEmpty()) {
        QFile archivo(programa.archivo(QStringLiteral("db/CFDCAT.DB")));
        QVERIFY(archivo.open(QIODevice::WriteOnly));
        archivo.write(contenido);
    }
    const TBaseDatosCatalogosFrm& catalogos = BaseDatosCatalogosFrm();
    QVERIFY(!catalogos.existeCodigoPostalByCP(QStringLiteral("06600")));
    QVERIFY(!catalogos.existeCodigoPostalByCPAndEstado(QStringLiteral("06600"), QStringLiteral("CMX")));
    QVERIFY(catalogos.getCodigoPostalByCP(QStringLiteral("06600")).isEmpty());
    QVERIFY(catalogos.getCodigoPostalAndEstadoByCp(QStringLiteral("06600")).isEmpty());
    QVERIFY(catalogos.getEstados().isEmpty());
    QComboBox combo;
    catalogos.inicializaRegimenFiscal(&combo, QString());
    QCOMPARE(combo.count(), 1);
    QCOMPARE(combo.itemText(0), Constantes::REGIMEN_FISCAL);

    QFile log(Logmanager::archivoLog(programa.ruta()));
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QStringList lineas = QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lineas.filter(QStringLiteral("CFDCAT.DB")).size(), 1);
}

QTEST_MAIN(TstCatalogos)
#include "tst_catalogos.moc"
