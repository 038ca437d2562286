#include "Capturas.h"
#include "CarpetaPrograma.h"
#include "Conexiones.h"
#include "Constantes.h"
#include "Entidades.h"
#include "NegocioPrueba.h"
#include "Prompter.h"
#include "Sistema.h"
#include "TDireccionesFrm.h"
#include "negocio/TIngreso.h"
#include "admin/TSeries.h"
#include "admin/TSeriesFoliosFrm.h"
#include "admin/TSucursales.h"
#include "admin/TSucursalesFrm.h"
#include "Piezas.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace Constantes;
using Series::TResultado;

Q_DECLARE_METATYPE(Series::TResultado)

namespace {

const QString CORREO = QStringLiteral("dueno@escuela.mx");
const QString PASSWORD = QStringLiteral("Secreta#1");
const QString CDMX = QStringLiteral("CMX - Ciudad de México");
const QString JALISCO = QStringLiteral("JAL - Jalisco");

Sucursales::TDatos datos(const QString& nombre, const QString& cp, const QString& estado = QString())
{
    Sucursales::TDatos d;
    d.nombre = nombre;
    d.direccion.codigoPostal = cp;
    d.direccion.estado = estado;
    return d;
}

int usuario()
{
    return Sistema::Usuario->getIdusuario();
}

const TConexionSesion& conexion()
{
    return *Sistema::Conexion;
}

std::unique_ptr<TSucursal> sucursal(const QString& nombre)
{
    return TSucursal::getByNombreAndNegocio(nombre, *Sistema::Negocio, conexion());
}

int cuentaCp(const QString& cp)
{
    return TCodigopostal::cuenta(TCodigopostal::columna(TCodigopostal::col_Cp) == cp, conexion());
}

void captura(QWidget& ventana, const QString& nombre)
{
    QCoreApplication::processEvents();
    ventana.adjustSize();
    Capturas::guarda(ventana, nombre);
}

} // namespace

class TstSucursales : public QObject {
    Q_OBJECT
    std::unique_ptr<TCarpetaPrograma> m_carpeta;

private slots:
    void initTestCase()
    {
        m_carpeta = std::make_unique<TCarpetaPrograma>();
        m_carpeta->instalaCatalogo();
        NegocioPrueba::creaRegistro(*m_carpeta);
        NegocioPrueba::crea(NegocioPrueba::RFC_ESCUELA, CORREO, PASSWORD);
        QCOMPARE(Ingreso::ingresa(NegocioPrueba::RFC_ESCUELA, CORREO, PASSWORD), Ingreso::TResultado::Correcto);
        Sucursales::guardaNueva(datos(QStringLiteral("Centro"), QStringLiteral("06600"), CDMX), *Sistema::Negocio,
                                conexion(), usuario());
    }
    void cleanupTestCase() { NegocioPrueba::limpiaSesion(); }

    void valida_data()
    {
        QTest::addColumn<QString>("editada");
        QTest::addColumn<QString>("nombre");
        QTest::addColumn<QString>("cp");
        QTest::addColumn<QString>("estado");
        QTest::addColumn<QStringList>("errores");
        const QString sinCp = QString(CAMPO_REQUERIDO).replace(CAMPO, CMB_CODIGOPOSTAL);
        const auto fila = [](const char* caso, const QString& editada, const QString& nombre, const QString& cp,
                             const QString& estado, const QStringList& errores) {
            QTest::newRow(caso) << editada << nombre << cp << estado << errores;
        };
        fila("alta vacía: nombre y luego código", "", " ", "", "", {ERR_NOMBRE_SUCURSAL_VACIO, sinCp});
        fila("alta duplicada", "", "Centro", "06600", CDMX, {ERR_SUCURSAL_YA_EXISTENTE});
        fila("código desconocido", "", "Norte", "00000", "", {ERR_CODIGOPOSTA_NO_EXISTE});
        fila("código de otro estado", "", "Norte", "44100", CDMX, {ERR_CODIGOPOSTA_NO_EXISTE_EDO});
        fila("alta correcta", "", "Norte", "44100", JALISCO, {});
        fila("edición: solo el duplicado", "matriz", "Centro", "", "", {ERR_SUCURSAL_YA_EXISTENTE});
        fila("edición: nombre vacío", "Centro", "", "00000", "", {ERR_NOMBRE_SUCURSAL_VACIO});
        fila("edición: su propio nombre", "Centro", "Centro", "06600", "", {});
    }
    void valida()
    {
        QFETCH(QString, editada);
        QFETCH(QString, nombre);
        QFETCH(QString, cp);
        QFETCH(QString, estado);
        QFETCH(QStringList, errores);
        std::unique_ptr<TSucursal> edita;
        if (editada == QLatin1String("matriz"))
            edita = Sucursales::matriz(*Sistema::Negocio, conexion());
        else if (!editada.isEmpty())
            edita = sucursal(editada);
        QVERIFY(editada.isEmpty() || edita);
        QCOMPARE(Sucursales::valida(datos(nombre, cp, estado), edita.get(), *Sistema::Negocio, conexion()),
                 errores.isEmpty() ? QString() : MENSAJE_ERROR + errores.join(SALTO));
    }

    // A new branch keeps what was typed, trimmed; its postal code is stored
    // once with the state key and reused.
    void guardaNueva()
    {
        Sucursales::TDatos d = datos(QStringLiteral("  Sur "), QStringLiteral("44100"), JALISCO);
        d.direccion.calle = QStringLiteral(" Juárez ");
        d.direccion.noExterior = QStringLiteral("12");
        d.direccion.municipio = QStringLiteral("039 - Guadalajara");
        d.direccion.pais = QStringLiteral("MEX - México");
        QCOMPARE(cuentaCp(QStringLiteral("44100")), 0);
        Sucursales::guardaNueva(d, *Sistema::Negocio, conexion(), usuario());
        Sucursales::guardaNueva(datos(QStringLiteral("Poniente"), QStringLiteral("44100"), JALISCO), *Sistema::Negocio,
                                conexion(), usuario());
        const std::unique_ptr<TSucursal> sur = sucursal(QStringLiteral("Sur"));
        QVERIFY(sur);
        QCOMPARE(sur->getTipo(), TSucursal::TIPO_SUCURSAL);
        QCOMPARE(sur->getNumerosucursal(), TSucursal::SUCURSAL_NO_DEFAULT);
        const auto direccion = sur->getDireccion();
        QCOMPARE((QStringList{direccion->getCalle(), direccion->getNoexterior(), direccion->getEstado(),
                              direccion->getCodigoPostal()->getEstado(), direccion->getCodigoPostal()->getMunicipio()}),
                 (QStringList{"Juárez", "12", JALISCO, "JAL", "039 - Guadalajara"}));
        QCOMPARE(cuentaCp(QStringLiteral("44100")), 1);
    }

    // A store that fails leaves nothing behind: not the address, not the code.
    void fallaSinRastro()
    {
        const int direcciones = TDireccion::cuenta(TDireccion::columna(TDireccion::col_Iddireccion) >= 0, conexion());
        const TTabla& sucursales = Esquema::tabla(QStringLiteral("TSucursal"));
        const QString largo(sucursales.columnas.at(sucursales.posicion(QStringLiteral("NOMBRE"))).largo + 1,
                            QLatin1Char('x'));
        QVERIFY_THROWS_EXCEPTION(std::exception, Sucursales::guardaNueva(datos(largo, QStringLiteral("20126")),
                                                                         *Sistema::Negocio, conexion(), usuario()));
        QCOMPARE(cuentaCp(QStringLiteral("20126")), 0);
        QCOMPARE(TDireccion::cuenta(TDireccion::columna(TDireccion::col_Iddireccion) >= 0, conexion()), direcciones);
    }

    // The head office (created without address) gets one, and the business's
    // fiscal address follows it in the database.
    void matrizArrastraDireccionFiscal()
    {
        const std::unique_ptr<TSucursal> matriz = Sucursales::matriz(*Sistema::Negocio, conexion());
        QVERIFY(matriz);
        Sucursales::TDatos d = datos(matriz->getNombre(), QStringLiteral("06600"), CDMX);
        d.direccion.calle = QStringLiteral("Reforma");
        Sucursales::actualiza(matriz->getIdsucursal(), d, *Sistema::Negocio, conexion(), usuario());
        d.direccion.calle = QStringLiteral("Insurgentes");
        Sucursales::actualiza(matriz->getIdsucursal(), d, *Sistema::Negocio, conexion(), usuario());

        const auto leido = TNegocio::getById(Sistema::Negocio->getIdnegocio(), conexion());
        const auto fiscal = leido->getDatosfiscales()->getDireccion();
        QVERIFY(fiscal);
        QCOMPARE(fiscal->getCalle(), QStringLiteral("Insurgentes"));
        QCOMPARE(fiscal->getCodigoPostal()->getCp(), QStringLiteral("06600"));
        QCOMPARE(TSucursal::getById(matriz->getIdsucursal(), conexion())->getDireccion()->getCalle(),
                 QStringLiteral("Insurgentes"));
        QCOMPARE(Sistema::Negocio->getDatosfiscales()->getDireccion()->getCalle(), QStringLiteral("Insurgentes"));
    }

    void validaSerie_data()
    {
        QTest::addColumn<QString>("serie");
        QTest::addColumn<int>("tipo");
        QTest::addColumn<QString>("sucursal");
        QTest::addColumn<QString>("folio");
        QTest::addColumn<bool>("editar");
        QTest::addColumn<TResultado>("resultado");
        const auto fila = [](const char* caso, const QString& serie, int tipo, const QString& sucursal,
                             const QString& folio, bool editar, TResultado resultado) {
            QTest::newRow(caso) << serie << tipo << sucursal << folio << editar << resultado;
        };
        fila("sin sucursal", "A", 0, "", "", false, TResultado::SinSucursal);
        fila("sin folio", "A", 0, "Centro", " ", false, TResultado::SinFolio);
        fila("folio con letras", "A", 0, "Centro", "1a", false, TResultado::FolioNoValido);
        fila("sin nombre", " ", 0, "Centro", "1", false, TResultado::SinNombre);
        fila("nombre con &", "A&B", 0, "Centro", "1", false, TResultado::NombreNoValido);
        fila("nombre con =", "A=B", 0, "Centro", "1", false, TResultado::NombreNoValido);
        fila("sin tipo", "A", -1, "Centro", "1", false, TResultado::SinTipo);
        fila("completa", "A-1 x.ñ", 5, "Centro", "1", false, TResultado::Guardada);
        fila("edición: solo el folio cuenta", "", -1, "Centro", "7", true, TResultado::Guardada);
    }
    void validaSerie()
    {
        QFETCH(QString, serie);
        QFETCH(int, tipo);
        QFETCH(QString, sucursal);
        QFETCH(QString, folio);
        QFETCH(bool, editar);
        QFETCH(TResultado, resultado);
        QCOMPARE(Series::valida({serie, tipo, sucursal, folio}, editar), resultado);
        QVERIFY(!Series::mensaje(resultado).isEmpty() || resultado == TResultado::Guardada);
    }

    // The first series of a type at a branch is its default; a name is unique per branch.
    void seriePorDefecto()
    {
        const auto guarda = [](const QString& serie, int tipo, const QString& sucursal) {
            return Series::guarda({serie, tipo, sucursal, QStringLiteral("1")}, false, -1, *Sistema::Negocio,
                                  conexion(), usuario());
        };
        QCOMPARE(guarda(QStringLiteral("A"), 0, QStringLiteral("Centro")), TResultado::Guardada);
        QCOMPARE(guarda(QStringLiteral("B"), 0, QStringLiteral("Centro")), TResultado::Guardada);
        QCOMPARE(guarda(QStringLiteral("C"), 1, QStringLiteral("Centro")), TResultado::Guardada);
        QCOMPARE(guarda(QStringLiteral("A"), 0, QStringLiteral("Sur")), TResultado::Guardada);
        QCOMPARE(guarda(QStringLiteral("A"), 1, QStringLiteral("Centro")), TResultado::Existente);

        const auto porDefecto = [](const QString& serie, const QString& sucursalNombre) {
            const auto s = sucursal(sucursalNombre);
            const auto leida = TSerie::buscaUno(
                TSerie::columna(TSerie::col_Serie) == serie && TSerie::columna(TSerie::col_Sucursal) == *s, conexion());
            return leida ? leida->getIsdefault() : false;
        };
        QVERIFY(porDefecto(QStringLiteral("A"), QStringLiteral("Centro")));
        QVERIFY(!porDefecto(QStringLiteral("B"), QStringLiteral("Centro")));
        QVERIFY(porDefecto(QStringLiteral("C"), QStringLiteral("Centro")));
        QVERIFY(porDefecto(QStringLiteral("A"), QStringLiteral("Sur")));
        QCOMPARE(TSerie::cuenta(TSerie::columna(TSerie::col_Serie) == QStringLiteral("A"), conexion()), 2);
    }

    // Editing changes the folio of the series opened, even when its name field was changed.
    void editaFolio()
    {
        const auto serie = TSerie::buscaUno(TSerie::columna(TSerie::col_Serie) == QStringLiteral("B"), conexion());
        QVERIFY(serie);
        QCOMPARE(Series::guarda({QStringLiteral("otra"), -1, QStringLiteral("Centro"), QStringLiteral(" 42 ")}, true,
                                serie->getIdserie(), *Sistema::Negocio, conexion(), usuario()),
                 TResultado::Guardada);
        const auto leida = TSerie::getById(serie->getIdserie(), conexion());
        QCOMPARE(leida->getNofolioactual(), QStringLiteral("42"));
        QCOMPARE(leida->getSerie(), QStringLiteral("B"));
        QCOMPARE(leida->getTipodecomprobante(), QStringLiteral("I"));
        QCOMPARE(Series::guarda({QStringLiteral("B"), 0, QStringLiteral("Centro"), QStringLiteral("1")}, true, 999999,
                                *Sistema::Negocio, conexion(), usuario()),
                 TResultado::NoEncontrada);
    }

    // The branch window through its buttons: a refused save keeps it open
    // with the message, a good one stores and accepts.
    void ventanaSucursal()
    {
        TColaRespuestas respuestas;
        TSucursalesFrm ventana;
        ventana.inicializaAgregar();
        pieza<QPushButton>(ventana, "BtEditar")->click();
        QCOMPARE(respuestas.textos().size(), 1);
        QVERIFY(respuestas.textos().constFirst().contains(ERR_NOMBRE_SUCURSAL_VACIO));
        QVERIFY(ventana.result() != QDialog::Accepted);

        pieza<QLineEdit>(ventana, "EdNombreSucursal")->setText("Oriente");
        pieza<TDireccionesFrm>(ventana, "DireccionesFrm")->getCmbCodigoPostal()->setEditText("06600");
        pieza<TDireccionesFrm>(ventana, "DireccionesFrm")->setCalle("Madero");
        pieza<QPushButton>(ventana, "BtEditar")->click();
        QCOMPARE(ventana.result(), int(QDialog::Accepted));
        QCOMPARE(sucursal(QStringLiteral("Oriente"))->getDireccion()->getCalle(), QStringLiteral("Madero"));
        QVERIFY(pieza<TDireccionesFrm>(ventana, "DireccionesFrm")
                    ->getCmbEstado()
                    ->currentText()
                    .startsWith(QStringLiteral("CMX")));

        ventana.inicializaEditar(sucursal(QStringLiteral("Oriente"))->getIdsucursal());
        QCOMPARE(pieza<QPushButton>(ventana, "BtEditar")->text(), BTN_ACTUALIZAR);
        QCOMPARE(pieza<TDireccionesFrm>(ventana, "DireccionesFrm")->getCalle(), QStringLiteral("Madero"));
        captura(ventana, QStringLiteral("sucursales"));
        ventana.inicializaEditar(Sucursales::matriz(*Sistema::Negocio, conexion())->getIdsucursal());
        QVERIFY(pieza<QLineEdit>(ventana, "EdNombreSucursal")->isReadOnly());
        QVERIFY(pieza<QCheckBox>(ventana, "ChkCopiaMatriz")->isHidden());
    }

    void ventanaSeries()
    {
        TColaRespuestas respuestas;
        TSeriesFoliosFrm ventana;
        ventana.isEditar = false;
        ventana.fijaCombosSoloLectura(false);
        ventana.inicializa();
        pieza<QLineEdit>(ventana, "EdSerie")->setText("F");
        pieza<QComboBox>(ventana, "CmbTipoSerie")->setCurrentIndex(2);
        pieza<QPushButton>(ventana, "BtGuardar")->click();
        QCOMPARE(respuestas.textos(), QStringList{ERR_ELEGIR_SUCURSAL});
        pieza<QComboBox>(ventana, "CmbSucursal")
            ->setCurrentIndex(pieza<QComboBox>(ventana, "CmbSucursal")->findText(QStringLiteral("Centro")));
        pieza<QLineEdit>(ventana, "EdFolio")->setText("100");
        pieza<QPushButton>(ventana, "BtGuardar")->click();
        QCOMPARE(ventana.result(), int(QDialog::Accepted));
        captura(ventana, QStringLiteral("series"));

        const auto serie = TSerie::buscaUno(TSerie::columna(TSerie::col_Serie) == QStringLiteral("F"), conexion());
        QVERIFY(serie && serie->getIsdefault());
        ventana.isEditar = true;
        ventana.fijaCombosSoloLectura(true);
        ventana.inicializa(serie->getIdserie());
        QCOMPARE(pieza<QComboBox>(ventana, "CmbTipoSerie")->currentText(), QStringLiteral("T - Traslado"));
        QCOMPARE(pieza<QComboBox>(ventana, "CmbSucursal")->currentText(), QStringLiteral("Centro"));
        QVERIFY(!pieza<QLineEdit>(ventana, "EdSerie")->isEnabled() &&
                !pieza<QComboBox>(ventana, "CmbSucursal")->isEnabled());
        captura(ventana, QStringLiteral("series-edicion"));
    }
};

QTEST_MAIN(TstSucursales)
#include "tst_sucursales.moc"
