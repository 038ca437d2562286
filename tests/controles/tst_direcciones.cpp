#include "CarpetaPrograma.h"
#include "Constantes.h"
#include "TDireccionesFrm.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <memory>

using namespace Constantes;

namespace {

void teclea(TDireccionesFrm& panel, const QString& cp)
{
    QLineEdit* edicion = panel.getCmbCodigoPostal()->lineEdit();
    edicion->selectAll();
    edicion->del();
    QTest::keyClicks(edicion, cp);
}

QStringList elementos(const QComboBox* combo)
{
    QStringList lista;
    for (int i = 0; i < combo->count(); ++i)
        lista << combo->itemText(i);
    return lista;
}

} // namespace

class TstDirecciones : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        m_programa = std::make_unique<TCarpetaPrograma>();
        m_programa->instalaCatalogo();
        m_panel = std::make_unique<TDireccionesFrm>();
    }

    void cleanup()
    {
        m_panel.reset();
        m_programa.reset();
    }

    // A code typed over an earlier one ("previo") must not leave its colonies behind.
    void codigoTecleado_data()
    {
        QTest::addColumn<QString>("previo");
        QTest::addColumn<QString>("cp");
        QTest::addColumn<QString>("estado");
        QTest::addColumn<QString>("municipio");
        QTest::addColumn<QString>("localidad");
        QTest::addColumn<int>("colonias");    // the prompt included
        QTest::addColumn<QString>("colonia"); // one of them
        // State, municipality and locality joined by "|".
        const auto f = [](const char* caso, const char* previo, const char* cp, const QString& lugar, int colonias,
                          const char* colonia) {
            const QStringList l = lugar.split(QLatin1Char('|'));
            QTest::newRow(caso) << QString::fromUtf8(previo) << QString::fromUtf8(cp) << l.at(0) << l.at(1) << l.at(2)
                                << colonias << QString::fromUtf8(colonia);
        };
        const QString ninguno = CMB_ESTADO + QStringLiteral("|Municipio|Localidad");
        f("06600", "", "06600", QStringLiteral("CMX - Ciudad de México|015 - Cuauhtémoc|06 - Ciudad de México"), 2,
          "Juárez");
        f("44100 tras 06600", "06600", "44100", QStringLiteral("JAL - Jalisco|039 - Guadalajara|03 - Guadalajara"), 2,
          "Guadalajara Centro");
        f("sin localidad", "", "20126", QStringLiteral("AGU - Aguascalientes|001 - Aguascalientes|Localidad"), 33,
          "Pozo Bravo Norte");
        f("solo estado", "", "01001", QStringLiteral("CMX - Ciudad de México|Municipio|Localidad"), 1, "Colonia");
        f("desconocido", "", "00000", ninguno, 1, "Colonia");
        f("desconocido tras 44100: el lugar se queda", "44100", "00000",
          QStringLiteral("JAL - Jalisco|039 - Guadalajara|03 - Guadalajara"), 1, "Colonia");
        f("incompleto", "", "0660", ninguno, 1, "Colonia");
    }
    void codigoTecleado()
    {
        QFETCH(QString, previo);
        QFETCH(QString, cp);
        QFETCH(QString, estado);
        QFETCH(QString, municipio);
        QFETCH(QString, localidad);
        QFETCH(int, colonias);
        QFETCH(QString, colonia);
        TDireccionesFrm& p = *m_panel;
        if (!previo.isEmpty()) {
            teclea(p, previo);
            p.getCmbColonia()->setCurrentIndex(1);
        }
        teclea(p, cp);

        QCOMPARE(p.getCodigoPostal(), cp);
        QVERIFY(p.isCodigoPostalElegido());
        QCOMPARE(p.getEstado(), estado);
        QCOMPARE(p.getMunicipio(), municipio);
        QCOMPARE(p.getLocalidad(), localidad);
        QCOMPARE(p.getCmbColonia()->count(), colonias);
        QVERIFY(p.getCmbColonia()->findText(colonia) >= 0);
        QVERIFY(!p.isColoniaElegida());
        QCOMPARE(p.getPais(), estado == CMB_ESTADO ? QStringLiteral("País") : QStringLiteral("MEX - México"));
        if (colonias > 1)
            QVERIFY(elementos(p.getCmbCodigoPostal()).contains(cp));
    }

    void estadoYMunicipioElegidos()
    {
        TDireccionesFrm& p = *m_panel;
        teclea(p, QStringLiteral("06600"));
        // Choosing a state keeps the typed code: the check against the state is
        // the hosting window's, on saving.
        p.getCmbEstado()->setCurrentIndex(p.getCmbEstado()->findText(QStringLiteral("JAL - Jalisco")));
        QCOMPARE(p.getCodigoPostal(), QStringLiteral("06600"));
        QVERIFY(!p.isMunicipioElegido());
        QVERIFY(p.getCmbMunicipio()->findText(QStringLiteral("039 - Guadalajara")) > 0);
        QVERIFY(p.getCmbLocalidad()->findText(QStringLiteral("03 - Guadalajara")) > 0);

        p.getCmbMunicipio()->setCurrentIndex(p.getCmbMunicipio()->findText(QStringLiteral("039 - Guadalajara")));
        QCOMPARE(p.getCodigoPostal(), QStringLiteral("06600"));
        // A code of the municipality chosen from the list.
        QComboBox* cp = p.getCmbCodigoPostal();
        cp->setCurrentIndex(cp->findText(QStringLiteral("44100")));
        QCOMPARE(p.getCodigoPostal(), QStringLiteral("44100"));
        QCOMPARE(elementos(p.getCmbColonia()), (QStringList{"Colonia", "Guadalajara Centro"}));

        // Another country lists its own states.
        p.getCmbPais()->setCurrentIndex(p.getCmbPais()->findText(QStringLiteral("USA - Estados Unidos (los)")));
        QCOMPARE(p.getCmbEstado()->count(), 51);
        QCOMPARE(p.getCmbMunicipio()->count(), 1);
    }

    void inicializaDireccionLimpia_data()
    {
        QTest::addColumn<bool>("recargar");
        QTest::newRow("conservando las listas") << false;
        QTest::newRow("recargando las listas") << true;
    }
    void inicializaDireccionLimpia()
    {
        QFETCH(bool, recargar);
        TDireccionesFrm& p = *m_panel;
        p.setCalle(QStringLiteral("Paseo de la Reforma"));
        p.setNoExterior(QStringLiteral("10"));
        p.setNoInterior(QStringLiteral("B"));
        p.setReferencia(QStringLiteral("Frente al parque"));
        teclea(p, QStringLiteral("06600"));
        p.getCmbColonia()->setCurrentIndex(1);

        p.inicializaDireccion(recargar);
        QVERIFY(p.getCalle().isEmpty() && p.getNoExterior().isEmpty() && p.getNoInterior().isEmpty() &&
                p.getReferencia().isEmpty());
        QVERIFY(!p.isEstadoElegido() && !p.isPaisElegido() && !p.isColoniaElegida() && !p.isCodigoPostalElegido());
        for (const QComboBox* lista :
             {p.getCmbMunicipio(), p.getCmbLocalidad(), p.getCmbColonia(), p.getCmbCodigoPostal()})
            QCOMPARE(lista->count(), 1);
        QCOMPARE(p.getCmbEstado()->count(), 33);
        // The empty choice shows the whole prompt, not the five characters
        // the box holds ("Códig"); the prompt stays item 0, the field's name.
        QComboBox* cp = p.getCmbCodigoPostal();
        QCOMPARE(cp->itemText(0), CMB_CODIGOPOSTAL);
        QVERIFY(cp->lineEdit()->text().isEmpty());
        QCOMPARE(cp->lineEdit()->placeholderText(), CMB_CODIGOPOSTAL);

        // The same code typed again fills the panel again.
        teclea(p, QStringLiteral("06600"));
        QCOMPARE(p.getEstado(), QStringLiteral("CMX - Ciudad de México"));
        // Choosing the prompt again empties the box.
        cp->setCurrentIndex(1);
        cp->setCurrentIndex(0);
        QVERIFY(p.getCodigoPostal().isEmpty());
        QVERIFY(!p.isCodigoPostalElegido());
    }

    void direccionGuardada_data()
    {
        QTest::addColumn<QString>("pais");
        QTest::addColumn<QString>("estado");
        QTest::addColumn<QString>("municipio");
        QTest::addColumn<QString>("localidad");
        QTest::addColumn<QString>("cp");
        QTest::addColumn<QString>("colonia");
        // What the panel shows: state, municipality, locality.
        QTest::addColumn<QStringList>("muestra");

        // Country|state|municipality|locality|code|colony, then what shows.
        const auto f = [](const char* caso, const char* guardada, const char* muestra) {
            const QStringList g = QString::fromUtf8(guardada).split(QLatin1Char('|'));
            QTest::newRow(caso) << g.at(0) << g.at(1) << g.at(2) << g.at(3) << g.at(4) << g.at(5)
                                << QString::fromUtf8(muestra).split(QLatin1Char('|'));
        };
        f("completa", "MEX - México|JAL - Jalisco|039 - Guadalajara|03 - Guadalajara|44100|Guadalajara Centro",
          "JAL - Jalisco|039 - Guadalajara|03 - Guadalajara");
        f("sin localidad: el catálogo completa lo que falta", "||||06600|Juárez",
          "CMX - Ciudad de México|015 - Cuauhtémoc|Localidad");
        f("textos que el catálogo no tiene",
          "MEX - México|CMX - Ciudad de México|999 - Municipio viejo||06600|Colonia que ya no existe",
          "CMX - Ciudad de México|999 - Municipio viejo|Localidad");
        f("estado por su clave", "MEX|JAL||||", "JAL - Jalisco|Municipio|Localidad");
    }
    // The branch window's order: country, state, municipality, then locality and
    // code (or the code alone), then colony.
    void direccionGuardada()
    {
        QFETCH(QString, pais);
        QFETCH(QString, estado);
        QFETCH(QString, municipio);
        QFETCH(QString, localidad);
        QFETCH(QString, cp);
        QFETCH(QString, colonia);
        QFETCH(QStringList, muestra);
        TDireccionesFrm& p = *m_panel;
        p.inicializaPais(pais);
        p.inicializaEstado(estado);
        p.inicializaMunicipio(municipio);
        if (!localidad.isEmpty()) {
            p.inicializaLocalidad(localidad);
            p.inicializaCodigoPostal(cp);
        } else if (!cp.isEmpty()) {
            p.inicializaCodigoPostalSinLocalidad(cp);
        }
        p.inicializaColonia(colonia);

        QCOMPARE((QStringList{p.getEstado(), p.getMunicipio(), p.getLocalidad()}), muestra);
        QCOMPARE(p.getCodigoPostal(), cp);
        QCOMPARE(p.getColonia(), colonia.isEmpty() ? QStringLiteral("Colonia") : colonia);
        QCOMPARE(p.isColoniaElegida(), !colonia.isEmpty());
        QVERIFY(p.isPaisElegido() || pais.isEmpty());
    }

    void sinCatalogo()
    {
        m_panel.reset();
        m_programa = std::make_unique<TCarpetaPrograma>();
        TDireccionesFrm p;
        QCOMPARE(p.getCmbEstado()->count(), 1);
        QCOMPARE(p.getCmbPais()->count(), 1);
        teclea(p, QStringLiteral("06600"));
        QCOMPARE(p.getCodigoPostal(), QStringLiteral("06600"));
        QVERIFY(!p.isEstadoElegido());

        // A stored address still shows as it was stored.
        p.inicializaEstado(QStringLiteral("CMX - Ciudad de México"));
        p.inicializaMunicipio(QStringLiteral("015 - Cuauhtémoc"));
        p.inicializaCodigoPostalSinLocalidad(QStringLiteral("06600"));
        QCOMPARE(p.getEstado(), QStringLiteral("CMX - Ciudad de México"));
        QCOMPARE(p.getMunicipio(), QStringLiteral("015 - Cuauhtémoc"));
    }

private:
    std::unique_ptr<TCarpetaPrograma> m_programa;
    std::unique_ptr<TDireccionesFrm> m_panel;
};

QTEST_MAIN(TstDirecciones)
#include "tst_direcciones.moc"
