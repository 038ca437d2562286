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

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace Constantes;
using Series::TResultado;

Q_DECLARE_METATYPE(Series::TResultado)

namespace {

const QString CORREO = u"dueno@escuela.mx"_s;
const QString PASSWORD = u"Secreta#1"_s;
const QString CDMX = u"CMX - Ciudad de México"_s;
const QString JALISCO = u"JAL - Jalisco"_s;

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
        Sucursales::guardaNueva(datos(u"Centro"_s, u"06600"_s, CDMX), *Sistema::Negocio, conexion(), usuario());
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
        if (editada == u"matriz"_s)
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
        Sucursales::TDatos d = datos(u"  Sur "_s, u"44100"_s, JALISCO);
        d.direccion.calle = u" Juárez "_s;
        d.direccion.noExterior = u"12"_s;
        d.direccion.municipio = u"039 - Guadalajara"_s;
        d.direccion.pais = u"MEX - México"_s;
        QCOMPARE(cuentaCp(u"44100"_s), 0);
        Sucursales::guardaNueva(d, *Sistema::Negocio, conexion(), usuario());
        Sucursales::guardaNueva(datos(u"Poniente"_s, u"44100"_s, JALISCO), *Sistema::Negocio, conexion(), usuario());
        const std::unique_ptr<TSucursal> sur = sucursal(u"Sur"_s);
        QVERIFY(sur);
        QCOMPARE(sur->getTipo(), TSucursal::TIPO_SUCURSAL);
        QCOMPARE(sur->getNumerosucursal(), TSucursal::SUCURSAL_NO_DEFAULT);
        const auto direccion = sur->getDireccion();
        QCOMPARE((QStringList{direccion->getCalle(), direccion->getNoexterior(), direccion->getEstado(),
                              direccion->getCodigoPostal()->getEstado(), direccion->getCodigoPostal()->getMunicipio()}),
                 (QStringList{"Juárez", "12", JALISCO, "JAL", "039 - Guadalajara"}));
        QCOMPARE(cuentaCp(u"44100"_s), 1);
    }

    // A store that fails leaves nothing behind: not the address, not the code.
    void fallaSinRastro()
    {
        const int direcciones = TDireccion::cuenta(TDireccion::columna(TDireccion::col_Iddireccion) >= 0, conexion());
        const TTabla& sucursales = Esquema::tabla(u"TSucursal"_s);
        const QString largo(sucursales.columnas.at(sucursales.posicion(u"NOMBRE"_s)).largo + 1, u'x');
        QVERIFY_THROWS_EXCEPTION(std::exception, Sucursales::guardaNueva(datos(largo, u"20126"_s), *Sistema::Negocio,
                                                                         conexion(), usuario()));
        QCOMPARE(cuentaCp(u"20126"_s), 0);
        QCOMPARE(TDireccion::cuenta(TDireccion::columna(TDireccion::col_Iddireccion) >= 0, conexion()), direcciones);
    }

    // The head office (created without address) gets one, and the business's
    // fiscal address follows it in the database.
    void matrizArrastraDireccionFiscal()
    {
        const std::unique_ptr<TSucursal> matriz = Sucursales::matriz(*Sistema::Negocio, conexion());
        QVERIFY(matriz);
        Sucursales::TDatos d = datos(matriz->getNombre(), u"06600"_s, CDMX);
        d.direccion.calle = u"Reforma"_s;
        Sucursales::actualiza(matriz->getIdsucursal(), d, *Sistema::Negocio, conexion(), usuario());
        d.direccion.calle = u"Insurgentes"_s;
        Sucursales::actualiza(matriz->getIdsucursal(), d, *Sistema::Negocio, conexion(), usuario());

        const auto leido = TNegocio::getById(Sistema::Negocio->getIdnegocio(), conexion());
        const auto fiscal = leido->getDatosfiscales()->getDireccion();
        QVERIFY(fiscal);
        QCOMPARE(fiscal->getCalle(), u"Insurgentes"_s);
        QCOMPARE(fiscal->getCodigoPostal()->getCp(), u"06600"_s);
        QCOMPARE(TSucursal::getById(matriz->getIdsucursal(), conexion())->getDireccion()->getCalle(), u"Insurgentes"_s);
        QCOMPARE(Sistema::Negocio->getDatosfiscales()->getDireccion()->getCalle(), u"Insurgentes"_s);
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
            return Series::guarda({serie, tipo, sucursal, u"1"_s}, false, -1, *Sistema::Negocio, conexion(), usuario());
        };
        QCOMPARE(guarda(u"A"_s, 0, u"Centro"_s), TResultado::Guardada);
        QCOMPARE(guarda(u"B"_s, 0, u"Centro"_s), TResultado::Guardada);
        QCOMPARE(guarda(u"C"_s, 1, u"Centro"_s), TResultado::Guardada);
        QCOMPARE(guarda(u"A"_s, 0, u"Sur"_s), TResultado::Guardada);
        QCOMPARE(guarda(u"A"_s, 1, u"Centro"_s), TResultado::Existente);

        const auto porDefecto = [](const QString& serie, const QString& sucursalNombre) {
            const auto s = sucursal(sucursalNombre);
            const auto leida = TSerie::buscaUno(
                TSerie::columna(TSerie::col_Serie) == serie && TSerie::columna(TSerie::col_Sucursal) == *s, conexion());
            return leida ? leida->getIsdefault() : false;
        };
        QVERIFY(porDefecto(u"A"_s, u"Centro"_s));
        QVERIFY(!porDefecto(u"B"_s, u"Centro"_s));
        QVERIFY(porDefecto(u"C"_s, u"Centro"_s));
        QVERIFY(porDefecto(u"A"_s, u"Sur"_s));
        QCOMPARE(TSerie::cuenta(TSerie::columna(TSerie::col_Serie) == u"A"_s, conexion()), 2);
    }

    // Editing changes the folio of the series opened, even when its name field was changed.
    void editaFolio()
    {
        const auto serie = TSerie::buscaUno(TSerie::columna(TSerie::col_Serie) == u"B"_s, conexion());
        QVERIFY(serie);
        QCOMPARE(Series::guarda({u"otra"_s, -1, u"Centro"_s, u" 42 "_s}, true, serie->getIdserie(), *Sistema::Negocio,
                                conexion(), usuario()),
                 TResultado::Guardada);
        const auto leida = TSerie::getById(serie->getIdserie(), conexion());
        QCOMPARE((QStringList{leida->getNofolioactual(), leida->getSerie(), leida->getTipodecomprobante()}),
                 (QStringList{"42", "B", "I"}));
        QCOMPARE(
            Series::guarda({u"B"_s, 0, u"Centro"_s, u"1"_s}, true, 999999, *Sistema::Negocio, conexion(), usuario()),
            TResultado::NoEncontrada);
    }

    // The branch window through its buttons: a refused save keeps it open
    // with the message, a good one stores and accepts.
    void ventanaSucursal()
    {
        TColaRespuestas respuestas;
        TSucursalesFrm ventana;
        ventana.inicializaAgregar();
        ventana.show();
        QApplication::setActiveWindow(&ventana);
        QVERIFY(QTest::qWaitForWindowActive(&ventana));
        pieza<QCheckBox>(ventana, "ChkCopiaMatriz")->setFocus();
        pieza<QPushButton>(ventana, "BtEditar")->click();
        QCOMPARE(respuestas.textos().size(), 1);
        QVERIFY(respuestas.textos().constFirst().contains(ERR_NOMBRE_SUCURSAL_VACIO));
        // The cursor goes to the field at fault.
        QCOMPARE(QApplication::focusWidget(), pieza<QLineEdit>(ventana, "EdNombreSucursal"));
        // Enter in the postal code confirms the code, it does not save.
        QComboBox* cp = pieza<TDireccionesFrm>(ventana, "DireccionesFrm")->getCmbCodigoPostal();
        cp->setFocus();
        QTest::keyClicks(cp, u"06600"_s);
        QTest::keyClick(cp, Qt::Key_Return);
        QCOMPARE(respuestas.textos().size(), 1);
        QVERIFY(ventana.result() != QDialog::Accepted);

        pieza<QLineEdit>(ventana, "EdNombreSucursal")->setText("Oriente");
        pieza<TDireccionesFrm>(ventana, "DireccionesFrm")->getCmbCodigoPostal()->setEditText("06600");
        pieza<TDireccionesFrm>(ventana, "DireccionesFrm")->setCalle("Madero");
        pieza<QPushButton>(ventana, "BtEditar")->click();
        QCOMPARE(ventana.result(), int(QDialog::Accepted));
        QCOMPARE(sucursal(u"Oriente"_s)->getDireccion()->getCalle(), u"Madero"_s);
        QVERIFY(pieza<TDireccionesFrm>(ventana, "DireccionesFrm")->getCmbEstado()->currentText().startsWith(u"CMX"_s));

        ventana.inicializaEditar(sucursal(u"Oriente"_s)->getIdsucursal());
        QCOMPARE(pieza<QPushButton>(ventana, "BtEditar")->text(), BTN_ACTUALIZAR);
        QCOMPARE(pieza<TDireccionesFrm>(ventana, "DireccionesFrm")->getCalle(), u"Madero"_s);
        captura(ventana, u"sucursales"_s);
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
        auto* sucursales = pieza<QComboBox>(ventana, "CmbSucursal");
        sucursales->setCurrentIndex(sucursales->findText(u"Centro"_s));
        pieza<QLineEdit>(ventana, "EdFolio")->setText("100");
        pieza<QPushButton>(ventana, "BtGuardar")->click();
        QCOMPARE(ventana.result(), int(QDialog::Accepted));
        captura(ventana, u"series"_s);

        const auto serie = TSerie::buscaUno(TSerie::columna(TSerie::col_Serie) == u"F"_s, conexion());
        QVERIFY(serie && serie->getIsdefault());
        ventana.isEditar = true;
        ventana.fijaCombosSoloLectura(true);
        ventana.inicializa(serie->getIdserie());
        QCOMPARE(pieza<QComboBox>(ventana, "CmbTipoSerie")->currentText(), u"T - Traslado"_s);
        QCOMPARE(sucursales->currentText(), u"Centro"_s);
        QVERIFY(!pieza<QLineEdit>(ventana, "EdSerie")->isEnabled() && !sucursales->isEnabled());
        captura(ventana, u"series-edicion"_s);
    }

    // Last, for it breaks the branches' table: a database that fails under the
    // dialog gives a message and keeps it open with what was typed.
    void baseIlegible()
    {
        TSucursalesFrm ventana;
        ventana.inicializaAgregar();
        const TTabla& tabla = TSucursal::tablaEsquema();
        QSqlQuery q(Conexiones::baseDatos(conexion()));
        QVERIFY2(q.exec(u"ALTER TABLE %1 DROP %2"_s.arg(tabla.nombre,
                                                        tabla.columnas.at(TSucursal::col_Numerosucursal).nombre)),
                 qPrintable(q.lastError().text()));
        TColaRespuestas respuestas;
        pieza<QLineEdit>(ventana, "EdNombreSucursal")->setText("Poniente");
        pieza<QPushButton>(ventana, "BtEditar")->click();
        pieza<QCheckBox>(ventana, "ChkCopiaMatriz")->setChecked(true);
        QCOMPARE(respuestas.textos().size(), 2);
        for (const QString& texto : respuestas.textos())
            QVERIFY2(texto.startsWith(u"No se pudo "_s), qPrintable(texto));
        QVERIFY(ventana.result() != QDialog::Accepted);
        QCOMPARE(pieza<QLineEdit>(ventana, "EdNombreSucursal")->text(), u"Poniente"_s);
    }
};

QTEST_MAIN(TstSucursales)
#include "tst_sucursales.moc"
