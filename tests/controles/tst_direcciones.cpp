#include "CarpetaPrograma.h"
#include "Constantes.h"
#include "TDireccionesFrm.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <memory>

using namespace Qt::StringLiterals;
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
        QTest::addColumn<QStringList>("lugar"); // state, municipality, locality
        QTest::addColumn<int>("colonias");      // the prompt included
        QTest::addColumn<QString>("colonia");   // one of them
        // State, municipality and locality joined by "|".
        const auto f = [](const char* caso, const char* previo, const char* cp, const QString& lugar, int colonias,
                          const char* colonia) {
            QTest::newRow(caso) << QString::fromUtf8(previo) << QString::fromUtf8(cp) << lugar.split(u'|') << colonias
                                << QString::fromUtf8(colonia);
        };
        const QString ninguno = CMB_ESTADO + u"|Municipio|Localidad"_s;
        f("06600", "", "06600", u"CMX - Ciudad de México|015 - Cuauhtémoc|06 - Ciudad de México"_s, 2, "Juárez");
        f("44100 tras 06600", "06600", "44100", u"JAL - Jalisco|039 - Guadalajara|03 - Guadalajara"_s, 2,
          "Guadalajara Centro");
        f("sin localidad", "", "20126", u"AGU - Aguascalientes|001 - Aguascalientes|Localidad"_s, 33,
          "Pozo Bravo Norte");
        f("solo estado", "", "01001", u"CMX - Ciudad de México|Municipio|Localidad"_s, 1, "Colonia");
        f("desconocido", "", "00000", ninguno, 1, "Colonia");
        f("desconocido tras 44100: el lugar se queda", "44100", "00000",
          u"JAL - Jalisco|039 - Guadalajara|03 - Guadalajara"_s, 1, "Colonia");
        f("incompleto", "", "0660", ninguno, 1, "Colonia");
    }
    void codigoTecleado()
    {
        QFETCH(QString, previo);
        QFETCH(QString, cp);
        QFETCH(QStringList, lugar);
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
        QCOMPARE((QStringList{p.getEstado(), p.getMunicipio(), p.getLocalidad()}), lugar);
        QCOMPARE(p.getCmbColonia()->count(), colonias);
        QVERIFY(p.getCmbColonia()->findText(colonia) >= 0);
        QVERIFY(!p.isColoniaElegida());
        QCOMPARE(p.getPais(), lugar.first() == CMB_ESTADO ? u"País"_s : u"MEX - México"_s);
        if (colonias > 1)
            QVERIFY(elementos(p.getCmbCodigoPostal()).contains(cp));
    }

    void estadoYMunicipioElegidos()
    {
        TDireccionesFrm& p = *m_panel;
        teclea(p, u"06600"_s);
        // Choosing a state keeps the typed code: the check against the state is
        // the hosting window's, on saving.
        p.getCmbEstado()->setCurrentIndex(p.getCmbEstado()->findText(u"JAL - Jalisco"_s));
        QCOMPARE(p.getCodigoPostal(), u"06600"_s);
        QVERIFY(!p.isMunicipioElegido());
        QVERIFY(p.getCmbMunicipio()->findText(u"039 - Guadalajara"_s) > 0);
        QVERIFY(p.getCmbLocalidad()->findText(u"03 - Guadalajara"_s) > 0);

        p.getCmbMunicipio()->setCurrentIndex(p.getCmbMunicipio()->findText(u"039 - Guadalajara"_s));
        QCOMPARE(p.getCodigoPostal(), u"06600"_s);
        // A code of the municipality chosen from the list.
        QComboBox* cp = p.getCmbCodigoPostal();
        cp->setCurrentIndex(cp->findText(u"44100"_s));
        QCOMPARE(p.getCodigoPostal(), u"44100"_s);
        QCOMPARE(elementos(p.getCmbColonia()), (QStringList{"Colonia", "Guadalajara Centro"}));

        // Another country lists its own states.
        p.getCmbPais()->setCurrentIndex(p.getCmbPais()->findText(u"USA - Estados Unidos (los)"_s));
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
        p.setCalle(u"Paseo de la Reforma"_s);
        p.setNoExterior(u"10"_s);
        p.setNoInterior(u"B"_s);
        p.setReferencia(u"Frente al parque"_s);
        teclea(p, u"06600"_s);
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
        teclea(p, u"06600"_s);
        QCOMPARE(p.getEstado(), u"CMX - Ciudad de México"_s);
        // Choosing the prompt again empties the box.
        cp->setCurrentIndex(1);
        cp->setCurrentIndex(0);
        QVERIFY(p.getCodigoPostal().isEmpty());
        QVERIFY(!p.isCodigoPostalElegido());
    }

    void direccionGuardada_data()
    {
        // Country, state, municipality, locality, code, colony.
        QTest::addColumn<QStringList>("guardada");
        // What the panel shows: state, municipality, locality.
        QTest::addColumn<QStringList>("muestra");
        const auto f = [](const char* caso, const char* guardada, const char* muestra) {
            QTest::newRow(caso) << QString::fromUtf8(guardada).split(u'|') << QString::fromUtf8(muestra).split(u'|');
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
        QFETCH(QStringList, guardada);
        QFETCH(QStringList, muestra);
        const QString cp = guardada.at(4);
        const QString colonia = guardada.at(5);
        TDireccionesFrm& p = *m_panel;
        p.inicializaPais(guardada.at(0));
        p.inicializaEstado(guardada.at(1));
        p.inicializaMunicipio(guardada.at(2));
        if (!guardada.at(3).isEmpty()) {
            p.inicializaLocalidad(guardada.at(3));
            p.inicializaCodigoPostal(cp);
        } else if (!cp.isEmpty()) {
            p.inicializaCodigoPostalSinLocalidad(cp);
        }
        p.inicializaColonia(colonia);

        QCOMPARE((QStringList{p.getEstado(), p.getMunicipio(), p.getLocalidad()}), muestra);
        QCOMPARE(p.getCodigoPostal(), cp);
        QCOMPARE(p.getColonia(), colonia.isEmpty() ? u"Colonia"_s : colonia);
        QCOMPARE(p.isColoniaElegida(), !colonia.isEmpty());
        QVERIFY(p.isPaisElegido() || guardada.at(0).isEmpty());
    }

    void sinCatalogo()
    {
        m_panel.reset();
        m_programa = std::make_unique<TCarpetaPrograma>();
        TDireccionesFrm p;
        QCOMPARE(p.getCmbEstado()->count(), 1);
        QCOMPARE(p.getCmbPais()->count(), 1);
        teclea(p, u"06600"_s);
        QCOMPARE(p.getCodigoPostal(), u"06600"_s);
        QVERIFY(!p.isEstadoElegido());

        // A stored address still shows as it was stored.
        p.inicializaEstado(u"CMX - Ciudad de México"_s);
        p.inicializaMunicipio(u"015 - Cuauhtémoc"_s);
        p.inicializaCodigoPostalSinLocalidad(u"06600"_s);
        QCOMPARE(p.getEstado(), u"CMX - Ciudad de México"_s);
        QCOMPARE(p.getMunicipio(), u"015 - Cuauhtémoc"_s);
    }

private:
    std::unique_ptr<TCarpetaPrograma> m_programa;
    std::unique_ptr<TDireccionesFrm> m_panel;
};

QTEST_MAIN(TstDirecciones)
#include "tst_direcciones.moc"
