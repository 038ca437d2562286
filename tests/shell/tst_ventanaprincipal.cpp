#include "Capturas.h"
#include "CarpetaPrograma.h"
#include "CertificadoAjeno.h"
#include "Conexiones.h"
#include "ConciliacionSat.h"
#include "Constantes.h"
#include "ContratoModulos.h"
#include "Entidades.h"
#include "NegocioPrueba.h"
#include "Prompter.h"
#include "SelectorArchivos.h"
#include "shell/Reinicio.h"
#include "Sistema.h"
#include "negocio/TBaseDatosLocalFrm.h"
#include "negocio/TConfiguracionNegocio.h"
#include "shell/TContenedorTexto.h"
#include "TDireccionesFrm.h"
#include "TTelefonosFrm.h"
#include "admin/TEmpresaFrm.h"
#include "shell/TEtiquetaAccion.h"
#include "negocio/TIngreso.h"
#include "shell/TMainFrm.h"
#include "shell/TMenuModulos.h"
#include "shell/TPanelMenu.h"
#include "admin/TPerfilFrm.h"
#include "admin/TSucursalesFrm.h"
#include "setup/TPaginaNegocio.h"
#include "setup/TWizardFrm.h"
#include "app/Ventanas.h"
#include "Aperturas.h"
#include "Piezas.h"
#include "Reloj.h"
#include "import/TImportarXMLFrm.h"
#include "shell/ResumenInicio.h"
#include "shell/TPaginaInicio.h"
#include "PaquetesRotos.h"
#include "ProgramaPrueba.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QScrollBar>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <pthread.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

using namespace Constantes;
using NegocioPrueba::RFC_ACCEM;
using NegocioPrueba::RFC_ESCUELA;

namespace {

const QString CORREO = u"dueno@escuela.mx"_s;
const QString PASSWORD = u"Secreta#1"_s;

// The program as started, with the businesses `antes` registers and the
// reports package in Plugins/, signed in to the school through the wizard
// as the user does. `instala` changes the program folder before the start.
class TPrograma : public TProgramaPrueba {
public:
    explicit TPrograma(const std::function<void()>& antes, bool conCatalogo = false,
                       const std::function<void(const TCarpetaPrograma&)>& instala = {})
    {
        if (conCatalogo)
            carpeta.instalaCatalogo();
        QFile::copy(QStringLiteral(VELKOR_PAQUETE_REPORTES), carpeta.archivo(u"Plugins/Reportes.bpl"_s));
        if (instala)
            instala(carpeta);
        arranca(true, antes);
        pieza<QRadioButton>(WizardFrm, QString(RFC_ESCUELA).replace(u'&', u'_'))->click();
        pieza<QLineEdit>(WizardFrm, "EdCorreoElectronicoLoggin")->setText(CORREO);
        pieza<QLineEdit>(WizardFrm, "EdPasswordLoggin")->setText(PASSWORD);
        pieza<QPushButton>(WizardFrm, "BtIngresar")->click();
    }
};

void registraEscuela()
{
    NegocioPrueba::registra(RFC_ESCUELA, u"Escuela Kemper"_s, CORREO, PASSWORD);
}

// Registers the school, then signs in without windows to add what it needs,
// and leaves.
std::function<void()> escuelaCon(const std::function<void()>& trabajo)
{
    return [trabajo] {
        registraEscuela();
        QCOMPARE(Ingreso::ingresa(RFC_ESCUELA, CORREO, PASSWORD), Ingreso::TResultado::Correcto);
        trabajo();
        NegocioPrueba::limpiaSesion();
    };
}

QString rfcSesion()
{
    return Sistema::Negocio->getDatosfiscales()->getRfc();
}

QStringList elementos(const QComboBox* combo)
{
    QStringList lista;
    for (int i = 0; i < combo->count(); ++i)
        lista << combo->itemText(i);
    return lista;
}

std::unique_ptr<TSerie> serie(const QString& nombre)
{
    return TSerie::buscaUno(TSerie::columna(TSerie::col_Serie) == nombre, *Sistema::Conexion);
}

template <class T = QLabel> T* pieza(const char* nombre)
{
    return ::pieza<T>(MainFrm, QLatin1String(nombre));
}

QComboBox* comboSeries()
{
    return pieza<QComboBox>("CmbSeries");
}

TContenedorTexto* trabajo()
{
    return pieza<TContenedorTexto>("TxVentanaPrincipal");
}

TEtiquetaAccion* filaMenu(const QString& texto)
{
    for (TEtiquetaAccion* e : pieza<TMenuModulos>("SbMenuPrincipal")->filas())
        if (e->text() == texto)
            return e;
    return nullptr;
}

QStringList solicitudesDeInicio;

// The start page's figures come from a thread of their own, as an event.
void esperaCifras(const TPaginaInicio* inicio)
{
    while (inicio->calculando())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

} // namespace

class TstVentanaPrincipal : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QApplication::setQuitOnLastWindowClosed(false);
        Reinicio::solicitud = [](const QString& programa) {
            solicitudesDeInicio << programa;
            return true;
        };
    }

    void init()
    {
        solicitudesDeInicio.clear();
        NegocioPrueba::limpiaSesion();
    }

    void trasIngresar()
    {
        TPrograma programa(escuelaCon([] {
            const TSucursal matriz = *Sistema::Sucursales.first();
            NegocioPrueba::agregaSerie(matriz, u"FA"_s, u"I"_s, u"7"_s, true);
            NegocioPrueba::agregaSerie(matriz, u"NC"_s, u"E"_s, u"3"_s, true);
        }));
        QVERIFY(MainFrm->isVisible());
        QVERIFY(programa.respuestas.textos().isEmpty());

        QCOMPARE(MainFrm->windowTitle(), u"Velkor — Escuela Kemper"_s);
        QCOMPARE(pieza<QWidget>("RcBanner")->toolTip(), u"Versión 0.1.0.0"_s);
        QCOMPARE(pieza("TxNombreEmpresa")->text(), u"Escuela Kemper"_s);
        QCOMPARE(pieza("TxUserEmail")->text(), CORREO);
        QCOMPARE(pieza("TxSucursal")->text(), u"ESCUELA KEMPER"_s);
        QCOMPARE(elementos(comboSeries()), (QStringList{u"FA"_s, u"NC"_s}));
        QCOMPARE(comboSeries()->currentText(), u"FA"_s);
        QCOMPARE(pieza("TxFolio")->text(), u"7"_s);
        QCOMPARE(pieza("ImgPermisosUsuario")->toolTip(), u"Administrador"_s);
        QVERIFY(filaMenu(NOMBRE_REPORTES));
        QVERIFY(!pieza("ImgLogo")->pixmap().isNull());
        QVERIFY(!pieza("ImgLogoEmpresa")->pixmap().isNull());

        // The business's INI file, made on its first opening.
        const TConfiguracionNegocio ini(programa.carpeta.ruta(), RFC_ESCUELA);
        QVERIFY(ini.existe());
        QVERIFY(!ini.imprimeLogo());
        QVERIFY(!Sistema::imprimeLogo);

        // As the user sees it, once the posted layout work is done.
        esperaCifras(MainFrm->findChild<TPaginaInicio*>(u"PaginaInicio"_s));
        QCoreApplication::processEvents();
        QVERIFY(!pieza<QScrollArea>("SBPrincipal")->verticalScrollBar()->isVisible());
        const QImage imagen = MainFrm->grab().toImage();
        QCOMPARE(imagen.size(), MainFrm->size());
        Capturas::guarda(*MainFrm, u"ventana-principal"_s);

        // Signed in, the keyboard starts on the start page's first button,
        // not on the small arrow that changes the business.
        MainFrm->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(MainFrm));
        QVERIFY(QApplication::focusWidget());
        QCOMPARE(QApplication::focusWidget()->objectName(), u"BtImportarXML"_s);
        Capturas::guarda(*MainFrm, u"ventana-principal-enfoque"_s);

        // The keyboard goes down the left panel, through the modules' menu,
        // to the sign-out.
        QApplication::setActiveWindow(MainFrm);
        pieza("TxListaNegocios")->setFocus(Qt::TabFocusReason);
        QStringList recorrido{QApplication::focusWidget()->objectName()};
        for (int i = 0; i < 7; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            recorrido << (QApplication::focusWidget() == filaMenu(NOMBRE_REPORTES)
                              ? NOMBRE_REPORTES
                              : QApplication::focusWidget()->objectName());
        }
        QCOMPARE(recorrido, (QStringList{u"TxListaNegocios"_s, u"TxEditar"_s, u"TxUserEmail"_s, u"TxSucursalLeft"_s,
                                         u"TxSucursalRight"_s, u"CmbSeries"_s, u"TxInicio"_s, u"TxImportarXML"_s}));
    }

    // A business's name of 200 characters, in words or in one piece, is cut
    // with "…" in the left panel and on the start page (whole in their
    // tooltips): the window keeps a 1024-pixel width, without a scroll bar.
    void nombreLargo_data() { filasNombreLargo(); }
    void nombreLargo()
    {
        QFETCH(QString, nombre);
        QCOMPARE(nombre.size(), 200);
        TPrograma programa([&nombre] { NegocioPrueba::registra(RFC_ESCUELA, nombre, CORREO, PASSWORD); });
        QVERIFY(MainFrm->isVisible());
        MainFrm->resize(1024, 768);
        QCoreApplication::processEvents();
        Capturas::guarda(*MainFrm, u"principal-nombre-largo-"_s +
                                       QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'-'));
        QCOMPARE(MainFrm->width(), 1024);
        QVERIFY(!pieza<QScrollArea>("SBPrincipal")->horizontalScrollBar()->isVisible());
        for (const char* nombreEtiqueta : {"TxNombreEmpresa", "TxTituloInicio"}) {
            const QLabel* etiqueta = pieza(nombreEtiqueta);
            QCOMPARE(etiqueta->toolTip(), nombre);
            QVERIFY2(etiqueta->text().endsWith(u'…') && etiqueta->text().size() < nombre.size(),
                     qPrintable(etiqueta->text()));
            QVERIFY(etiqueta->fontMetrics().horizontalAdvance(etiqueta->text()) <= etiqueta->contentsRect().width());
        }
        // The first branch bears the legal name (upper case by default): drawn
        // cut, its text stays whole, since modules find the branch by it.
        QCOMPARE(pieza("TxSucursal")->text(), nombre.toUpper());
        QVERIFY(pieza("TxSucursalRight")->geometry().right() < pieza<QWidget>("TxSucursalPanel")->width());
        // One line each in the left panel, not a column of them.
        for (const char* enPanel : {"TxNombreEmpresa", "TxSucursal"})
            QVERIFY2(pieza(enPanel)->height() < 2 * pieza(enPanel)->fontMetrics().height(), enPanel);
    }

    // The start page over the business's own database: its figures before
    // and after a folder is imported from the main window, where a wrong
    // password is refused first.
    void inicioEImportacion()
    {
        const TRelojFijo reloj(QDate(2021, 1, 20));
        TAperturas aperturas;
        TColaArchivos carpetas;
        TPrograma programa(registraEscuela, true);
        auto* inicio = MainFrm->findChild<TPaginaInicio*>(u"PaginaInicio"_s);
        QVERIFY(trabajo()->contiene(inicio));
        QVERIFY(MainFrm->VentanaActiva.isNull());
        esperaCifras(inicio);
        const auto texto = [inicio](const char* n) { return pieza<QLabel>(inicio, QLatin1String(n))->text(); };
        QCOMPARE(texto("TxTituloInicio"), u"Escuela Kemper"_s);
        QCOMPARE(texto("TxTituloMes"), u"Este mes (enero): 0 comprobantes"_s);
        QCOMPARE(texto("TxUltimaImportacion"), u"Aún no has importado comprobantes a esta empresa."_s);
        QVERIFY(texto("TxSugerencia").contains(u"importa tus XML"_s));

        const QString carpeta = programa.carpeta.archivo(u"xml/"_s);
        QDir().mkpath(carpeta);
        for (const char* archivo : {"cfdi33-valid.xml", "cfdi40-real.xml"})
            QFile::copy(QStringLiteral(VELKOR_DATOS_PRUEBA "/cfdi/") + QLatin1String(archivo),
                        carpeta + QLatin1String(archivo));
        carpetas.agrega(carpeta);
        QTimer::singleShot(0, ImportarXMLFrm, [] {
            QCOMPARE(pieza<QLineEdit>(ImportarXMLFrm, "EdEmail")->text(), CORREO);
            pieza<QLineEdit>(ImportarXMLFrm, "EdPass")->setText(u"otra"_s);
            pieza<QPushButton>(ImportarXMLFrm, "BtAceptar")->click();
            QVERIFY(!ImportarXMLFrm->ocupada());
            pieza<QLineEdit>(ImportarXMLFrm, "EdPass")->setText(PASSWORD);
            pieza<QPushButton>(ImportarXMLFrm, "BtAceptar")->click();
        });
        QTest::mouseClick(pieza("TxImportarXML"), Qt::LeftButton);
        const QStringList textos = programa.respuestas.textos();
        QCOMPARE(textos.size(), 2);
        QCOMPARE(carpetas.pedidos().size(), 1);
        QVERIFY2(textos.last().startsWith(u"Proceso Terminado"_s), qPrintable(textos.last()));
        QVERIFY2(textos.last().contains(u"Se creó 1 empresa nueva"_s), qPrintable(textos.last()));
        QCOMPARE(aperturas.abiertas.size(), 1);

        QVERIFY(trabajo()->contiene(inicio));
        esperaCifras(inicio);
        QCOMPARE(texto("TxTituloMes"), u"Este mes (enero): 1 comprobante"_s);
        QCOMPARE(texto("TxTituloAnio"), u"Este año (2021): 1 comprobante"_s);
        const QString tabla = texto("TxTablaMes");
        QVERIFY2(tabla.contains(u"<td>Ingreso</td><td align=\"right\">1</td><td "
                                "align=\"right\">$2,382,870.00</td><td>MXN</td>"_s),
                 qPrintable(tabla));
        QVERIFY2(texto("TxUltimaImportacion").endsWith(u" — 1 importados, 0 ya existían, 0 no importados."_s),
                 qPrintable(texto("TxUltimaImportacion")));
        // Vouchers an earlier version stored without checking them are
        // checked at the next sign-in, and the page says how that went: this
        // one, and one of another year that carries another certificate than
        // the one it names.
        {
            std::unique_ptr<TComprobante> guardado = TComprobante::buscaUno(
                TComprobante::columna(TComprobante::col_Negocio) == Sistema::Negocio->getIdnegocio(),
                *Sistema::Conexion);
            QCOMPARE(guardado->getVerificacionsello(), u"Alterado"_s);
            guardado->setVerificacionsello(QString());
            const TUnidadTrabajo unidad(*Sistema::Conexion, -1);
            unidad.guarda(*guardado);
            TComprobante ajeno = *guardado;
            ajeno.setIdcomprobante(-1);
            ajeno.setUuid(u"2F0E0D0C-0B0A-4909-8807-060504030201"_s);
            ajeno.setFechaemision(QDateTime(QDate(2019, 6, 3), QTime(12, 0)));
            ajeno.setComprobantexml(cfdiConCertificadoAjeno());
            unidad.guarda(ajeno);

            // Without the SAT's metadata the page says nothing of them; with
            // them, how many of each finding, once a voucher is cancelled
            // it leaves the month's figures.
            QVERIFY(pieza<QLabel>(inicio, "TxConciliacion")->isHidden());
            const auto metadato = [&](const QString& uuid, const QString& cancelacion) {
                TMetadatosat m;
                m.setUuid(uuid);
                m.setRfcemisor(RFC_ESCUELA);
                m.setRfcreceptor(guardado->getRfcreceptor());
                m.setFechaemision(guardado->getFechaemision().toString(u"yyyy-MM-ddTHH:mm:ss"_s));
                m.setMonto(guardado->getTotal());
                m.setEstatussat(cancelacion.isEmpty() ? TMetadatosat::ESTATUS_VIGENTE
                                                      : TMetadatosat::ESTATUS_CANCELADO);
                m.setFechacancelacion(cancelacion);
                m.setFechapaquete(QDateTime(QDate(2021, 1, 19), QTime(0, 0)));
                ConciliacionSat::guarda(m, Sistema::Negocio->getIdnegocio(), unidad);
            };
            metadato(guardado->getUuid(), u"2021-01-18 12:00:00"_s);
            metadato(u"0F0E0D0C-0B0A-4909-8807-060504030201"_s, QString());
            metadato(u"1F0E0D0C-0B0A-4909-8807-060504030201"_s, QString());
        }
        MainFrm->muestraNegocio();
        auto* revision = pieza<QLabel>(inicio, "TxRevisionSellos");
        QTRY_VERIFY_WITH_TIMEOUT(revision->text().startsWith(u"Se verificaron"_s), 60000);
        QCOMPARE(revision->text(), u"Se verificaron los sellos de 2 comprobantes ya guardados. 1 no corresponde "
                                   "a su sello y quedó marcado como \"Alterado\" en los reportes. 1 trae un "
                                   "certificado que no le corresponde y quedó marcado como \"Certificado no "
                                   "corresponde\" en los reportes."_s);
        QVERIFY(!revision->isHidden());
        // The figures are read again with the checks' results.
        esperaCifras(inicio);
        auto* conciliacion = pieza<QLabel>(inicio, "TxConciliacion");
        QCOMPARE(conciliacion->text(), u"Conciliación con el SAT: 1 cancelado, 2 sin XML, 0 sin metadatos "
                                       "y 0 con importe distinto. Revísala en Reportes, en "
                                       "«Conciliación con el SAT»."_s);
        QVERIFY(!conciliacion->isHidden());
        QCOMPARE(texto("TxTituloMes"), u"Este mes (enero): 0 comprobantes"_s);
        Capturas::guarda(*MainFrm, u"inicio"_s);

        // The buttons lead to the next steps.
        pieza<QPushButton>(inicio, "BtDefinirSerie")->click();
        QCOMPARE(MainFrm->VentanaActiva.data(), EmpresaFrm->TxFondo);
        QVERIFY(!trabajo()->contiene(inicio));
        QTest::mouseClick(pieza("TxInicio"), Qt::LeftButton);
        QVERIFY(trabajo()->contiene(inicio));
        QVERIFY(MainFrm->VentanaActiva.isNull());
    }

    // "Configurar correo…" opens the mail settings for an administrator and
    // is not offered to anyone else.
    void configuracionDelCorreo()
    {
        TPrograma programa(registraEscuela);
        QVERIFY(!pieza("TxConfigurarCorreo")->isHidden());
        QString abierta;
        QTimer::singleShot(0, MainFrm, [&] {
            auto* ventana = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            abierta = ventana ? ventana->objectName() : QString();
            if (ventana)
                ventana->reject();
        });
        QTest::mouseClick(pieza("TxConfigurarCorreo"), Qt::LeftButton);
        QCOMPARE(abierta, u"AjustesCorreoFrm"_s);

        // Shown again without the users-and-permissions right.
        NegocioPrueba::fijaPermisos(u"-1|-1|-1|-1|-1|-1|-1|0"_s);
        MainFrm->hide();
        MainFrm->show();
        QVERIFY(pieza("TxConfigurarCorreo")->isHidden());
    }

    // The certificate's end is told plainly, with a warning a month ahead.
    void vigenciaDelCertificado_data()
    {
        QTest::addColumn<QDate>("fin");
        QTest::addColumn<QString>("texto");
        QTest::addColumn<int>("estado");
        QTest::newRow("sin certificado") << QDate() << u"Sin certificado"_s << 0;
        QTest::newRow("vigente") << QDate(2027, 1, 7) << u"vigente hasta el 07/01/2027"_s << 1;
        QTest::newRow("a 30 días") << QDate(2027, 1, 6) << u"vence en 30 días, el 06/01/2027"_s << 2;
        QTest::newRow("hoy") << QDate(2026, 12, 7) << u"vence hoy"_s << 2;
        QTest::newRow("vencido") << QDate(2026, 12, 6) << u"venció el 06/12/2026"_s << 3;
    }
    void vigenciaDelCertificado()
    {
        QFETCH(QDate, fin);
        QFETCH(QString, texto);
        QFETCH(int, estado);
        const ResumenInicio::TVigencia v = ResumenInicio::vigencia(fin, QDate(2026, 12, 7));
        QCOMPARE(int(v.estado), estado);
        QVERIFY2(ResumenInicio::textoVigencia(v).contains(texto), qPrintable(ResumenInicio::textoVigencia(v)));
    }

    // Totals the engine cannot read say why in Spanish; the engine's English
    // words and the statement are for the log alone.
    void totalesIlegibles()
    {
        const TCarpetaPrograma carpeta;
        NegocioPrueba::creaRegistro(carpeta);
        registraEscuela();
        QCOMPARE(Ingreso::ingresa(RFC_ESCUELA, CORREO, PASSWORD), Ingreso::TResultado::Correcto);
        const TTabla& tabla = TComprobante::tablaEsquema();
        const QString moneda = tabla.columnas.at(TComprobante::col_Moneda).nombre;
        QSqlQuery q(Conexiones::baseDatos(*Sistema::Conexion));
        QVERIFY2(q.exec(u"ALTER TABLE %1 DROP %2"_s.arg(tabla.nombre, moneda)), qPrintable(q.lastError().text()));
        QString mensaje;
        try {
            ResumenInicio::periodo(*Sistema::Conexion, Sistema::Negocio->getIdnegocio(), QDate(2026, 1, 1),
                                   QDate(2027, 1, 1));
        } catch (const EBaseDatos& e) {
            mensaje = e.mensaje();
        }
        QCOMPARE(mensaje, u"No se pudo leer los comprobantes: el motor de base de datos no lo aceptó (el detalle está "
                          "en la bitácora del programa)."_s);
        QVERIFY2(carpeta.log().contains(u"Column unknown"_s) && carpeta.log().contains(u"SELECT"_s),
                 qPrintable(carpeta.log()));
    }

    // The user's picture is only a picture: a database that no longer reads
    // it leaves the default one, and the log says why.
    void fotoIlegible()
    {
        TPrograma programa(registraEscuela);
        QVERIFY(Sistema::Usuario->getIdpersonaId() >= 0);
        QSqlQuery q(Conexiones::baseDatos(*Sistema::Conexion));
        QVERIFY2(q.exec(u"ALTER TABLE %1 DROP FECHAMODIFICACION"_s.arg(TImagen::tablaEsquema().nombre)),
                 qPrintable(q.lastError().text()));
        MainFrm->actualizaFotoUsuario();
        QVERIFY2(programa.carpeta.log().contains(u"Column unknown"_s), qPrintable(programa.carpeta.log()));
    }

    void configuracionNegocio()
    {
        TCarpetaPrograma carpeta(false);
        const TConfiguracionNegocio ini(carpeta.ruta(), u"H&E951128469"_s);
        QCOMPARE(ini.archivo(), carpeta.ruta() + u"db/H&E951128469/Configuracion.ini"_s);
        // Made on first use with its three keys, the logo off.
        QVERIFY(!ini.asegura());
        QVERIFY(ini.existe());
        QVERIFY(ini.ruta().isEmpty());
        QVERIFY(ini.empresa().isEmpty());
        // Afterwards only read.
        ini.setImprimeLogo(true);
        QVERIFY(ini.asegura());
        const QString texto = QString::fromUtf8(TCarpetaPrograma::lee(ini.archivo()));
        QVERIFY(texto.contains(u"[Configuracion]"_s));
        QVERIFY(texto.contains(u"ImprimirLogo=true"_s));
    }

    void sucursales_data()
    {
        QTest::addColumn<QList<int>>("pasos");
        QTest::addColumn<QStringList>("mostradas");
        QTest::newRow("a la derecha, de la última a la primera")
            << QList<int>{1, 1, 1} << QStringList{u"Norte _ Sur"_s, u"Centro"_s, u"ESCUELA KEMPER"_s};
        QTest::newRow("a la izquierda, de la primera a la última")
            << QList<int>{-1, -1} << QStringList{u"Centro"_s, u"Norte _ Sur"_s};
    }
    void sucursales()
    {
        QFETCH(QList<int>, pasos);
        QFETCH(QStringList, mostradas);
        TPrograma programa(escuelaCon([] {
            const TSucursal norte = NegocioPrueba::agregaSucursal(u"Norte & Sur"_s);
            NegocioPrueba::agregaSucursal(u"Centro"_s);
            NegocioPrueba::agregaSerie(norte, u"NS"_s, u"I"_s, u"41"_s, true);
        }));
        QCOMPARE(pieza("TxSucursal")->text(), u"ESCUELA KEMPER"_s);

        for (int i = 0; i < pasos.size(); ++i) {
            QTest::mouseClick(pasos.at(i) > 0 ? pieza("TxSucursalRight") : pieza("TxSucursalLeft"), Qt::LeftButton);
            QCOMPARE(pieza("TxSucursal")->text(), mostradas.at(i));
            // The branch shown is the one stored as default, and the only one.
            QStringList porDefecto;
            for (const TSucursal& s : TSucursal::getByNegocio(*Sistema::Negocio, *Sistema::Conexion))
                if (s.getNumerosucursal() == TSucursal::SUCURSAL_DEFAULT)
                    porDefecto << QString(s.getNombre()).replace(u'&', u'_');
            QCOMPARE(porDefecto, QStringList{mostradas.at(i)});
            // A branch whose name has "&" still finds its series.
            const bool esNorte = mostradas.at(i) == u"Norte _ Sur"_s;
            QCOMPARE(elementos(comboSeries()), esNorte ? QStringList{u"NS"_s} : QStringList());
            QCOMPARE(pieza("TxFolio")->text(), esNorte ? u"41"_s : QString());
        }

        // The next session starts on the branch this one left.
        MainFrm->hide();
        NegocioPrueba::limpiaSesion();
        QCOMPARE(Ingreso::ingresa(RFC_ESCUELA, CORREO, PASSWORD), Ingreso::TResultado::Correcto);
        MainFrm->show();
        QCOMPARE(pieza("TxSucursal")->text(), mostradas.last());
    }

    // Renaming the branch worked in, through the company editor, renames it
    // in the side panel at once.
    void sucursalRenombrada()
    {
        TPrograma programa(escuelaCon([] { NegocioPrueba::agregaSucursal(u"Centro"_s); }), true);
        QTest::mouseClick(pieza("TxSucursalRight"), Qt::LeftButton);
        QCOMPARE(pieza("TxSucursal")->text(), u"Centro"_s);
        QTest::mouseClick(pieza("TxEditar"), Qt::LeftButton);
        QTest::mouseClick(::pieza<QLabel>(EmpresaFrm->TxFondo, u"TxTopSucursalesTituloLeyenda"_s), Qt::LeftButton);
        auto* lista = ::pieza<QComboBox>(EmpresaFrm->TxFondo, u"CmbSucursales"_s);
        lista->setCurrentIndex(lista->findText(u"Centro"_s));
        QTimer::singleShot(0, SucursalesFrm, [] {
            ::pieza<QLineEdit>(SucursalesFrm, u"EdNombreSucursal"_s)->setText(u"Centro & Sur"_s);
            ::pieza<TDireccionesFrm>(SucursalesFrm, u"DireccionesFrm"_s)->getCmbCodigoPostal()->setEditText(u"06600"_s);
            ::pieza<QPushButton>(SucursalesFrm, u"BtEditar"_s)->click();
            if (SucursalesFrm->isVisible())
                SucursalesFrm->reject();
        });
        ::pieza<QPushButton>(EmpresaFrm->TxFondo, u"BtGuardarSucursal"_s)->click();
        QCOMPARE(TSucursal::getByNombreAndNegocio(u"Centro & Sur"_s, *Sistema::Negocio, *Sistema::Conexion)
                     ->getNumerosucursal(),
                 TSucursal::SUCURSAL_DEFAULT);
        QCOMPARE(pieza("TxSucursal")->text(), u"Centro _ Sur"_s);
    }

    void series()
    {
        TPrograma programa(escuelaCon([] {
            const TSucursal matriz = *Sistema::Sucursales.first();
            NegocioPrueba::agregaSerie(matriz, u"A"_s, u"I"_s, u"10"_s, true);
            NegocioPrueba::agregaSerie(matriz, u"B"_s, u"I"_s, u"20"_s, false);
            NegocioPrueba::agregaSerie(matriz, u"C"_s, u"E"_s, u"30"_s, true);
        }));
        QCOMPARE(comboSeries()->currentText(), u"A"_s);
        QCOMPARE(pieza("TxFolio")->text(), u"10"_s);

        // Choosing B makes it its type's default; the other type keeps its own.
        comboSeries()->setCurrentIndex(comboSeries()->findText(u"B"_s));
        QCOMPARE(pieza("TxFolio")->text(), u"20"_s);
        QVERIFY(serie(u"B"_s)->getIsdefault());
        QVERIFY(!serie(u"A"_s)->getIsdefault());
        QVERIFY(serie(u"C"_s)->getIsdefault());
        // Choosing the default again stores nothing.
        const QDateTime modificada = serie(u"B"_s)->getFechamodificacion();
        pieza<TPanelMenu>("PnlMenu")->actualizaSeries();
        QCOMPARE(serie(u"B"_s)->getFechamodificacion(), modificada);

        // A module asks for the series of a voucher type (SAT type 11: "I").
        QVERIFY(ContratoModulos::enviaComando(trabajo(), u"02 11"_s));
        QCOMPARE(elementos(comboSeries()), (QStringList{u"A"_s, u"B"_s}));
        QCOMPARE(comboSeries()->currentText(), u"B"_s);
        QVERIFY(trabajo()->text().isEmpty());
        // Type 15 is "R": the branch has none.
        QVERIFY(ContratoModulos::enviaComando(trabajo(), u"02-15"_s));
        QVERIFY(elementos(comboSeries()).isEmpty());
        QVERIFY(pieza("TxFolio")->text().isEmpty());

        // After a module stamps a voucher, "1" shows the series' new folio.
        ContratoModulos::enviaComando(trabajo(), u"02 11"_s);
        std::unique_ptr<TSerie> b = serie(u"B"_s);
        b->setNofolioactual(u"21"_s);
        TSerie::saveOrUpdate(*b, TUnidadTrabajo(*Sistema::Conexion, Sistema::Usuario->getIdusuario()));
        QVERIFY(ContratoModulos::enviaComando(trabajo(), ContratoModulos::COMANDO_ACTUALIZA_SERIES));
        QCOMPARE(pieza("TxFolio")->text(), u"21"_s);
    }

    void cambioNegocio_data()
    {
        QTest::addColumn<QString>("correoOtra");
        QTest::addColumn<QStringList>("mensajes");
        QTest::newRow("el mismo usuario en las dos") << CORREO << QStringList();
        QTest::newRow("sin cuenta en la otra") << u"otro@accem.mx"_s << QStringList{ERR_USUARIO_CONTRASEÑA_INCORRECTA};
    }
    void cambioNegocio()
    {
        QFETCH(QString, correoOtra);
        QFETCH(QStringList, mensajes);
        TPrograma programa([&correoOtra] {
            registraEscuela();
            NegocioPrueba::registra(RFC_ACCEM, u"Accem Servicios"_s, correoOtra, PASSWORD);
        });
        QTest::mouseClick(pieza("TxListaNegocios"), Qt::LeftButton);
        QVERIFY(pieza<QWidget>("PPNegocios")->isVisible());
        QCOMPARE(MainFrm->lEmpresas.keys(), QStringList{RFC_ACCEM});
        QVERIFY(pieza("TxListado")->text().isEmpty());

        auto* otra = pieza("TxListado")->findChild<TEtiquetaAccion*>(u"Tx"_s + RFC_ACCEM);
        QCOMPARE(otra->text(), u"  AAA010101AAA - ACCEM SERVICIOS"_s);
        // The keyboard starts on the business, one stop each (its logo is
        // none): the arrows go round it and the link below, Enter chooses.
        QCOMPARE(QApplication::focusWidget(), otra);
        QTest::keyClick(otra, Qt::Key_Down);
        QCOMPARE(QApplication::focusWidget(), pieza("TxNuevaEmpresa"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        QCOMPARE(QApplication::focusWidget(), otra);
        QTest::keyClick(otra, Qt::Key_Return);
        QVERIFY(!pieza<QWidget>("PPNegocios")->isVisible());
        QCOMPARE(programa.respuestas.textos(), mensajes);
        // Switched or not, the work area shows the home page of the business signed in.
        QVERIFY(trabajo()->contiene(MainFrm->findChild<TPaginaInicio*>(u"PaginaInicio"_s)));
        if (!mensajes.isEmpty()) {
            // Without an account there the user stays where they were.
            QCOMPARE(rfcSesion(), RFC_ESCUELA);
            QCOMPARE(pieza("TxNombreEmpresa")->text(), u"Escuela Kemper"_s);
            return;
        }
        QCOMPARE(rfcSesion(), RFC_ACCEM);
        QCOMPARE(Sistema::Usuario->getEmail(), CORREO);
        QCOMPARE(pieza("TxNombreEmpresa")->text(), u"Accem Servicios"_s);
        QCOMPARE(pieza("TxSucursal")->text(), u"ACCEM SERVICIOS"_s);
        QVERIFY(TConfiguracionNegocio(programa.carpeta.ruta(), RFC_ACCEM).existe());

        // And back, through the other business's logo.
        QTest::mouseClick(pieza("TxListaNegocios"), Qt::LeftButton);
        QCOMPARE(MainFrm->lEmpresas.keys(), QStringList{RFC_ESCUELA});
        QTest::mouseClick(pieza("TxListado")->findChild<TEtiquetaAccion*>(u"Im"_s + RFC_ESCUELA), Qt::LeftButton);
        QCOMPARE(rfcSesion(), RFC_ESCUELA);
        QCOMPARE(pieza("TxNombreEmpresa")->text(), u"Escuela Kemper"_s);
    }

    void unaSolaEmpresa()
    {
        TPrograma programa(registraEscuela);
        QTest::mouseClick(pieza("TxListaNegocios"), Qt::LeftButton);
        QVERIFY(MainFrm->lEmpresas.isEmpty());
        QCOMPARE(pieza("TxListado")->text(), u"No hay otras empresas"_s);
        QVERIFY(pieza<QWidget>("PPNegocios")->height() <= 500);
    }

    void cierreSesion_data()
    {
        QTest::addColumn<int>("respuesta");
        QTest::newRow("cancelado") << TPrompter::CANCELAR;
        QTest::newRow("confirmado") << TPrompter::OK;
    }
    void cierreSesion()
    {
        QFETCH(int, respuesta);
        TPrograma programa(registraEscuela);
        MainFrm->TxEditarClick(pieza("TxEditar"));
        programa.respuestas.agregaRespuesta(respuesta);
        QTest::mouseClick(pieza("TxUser"), Qt::LeftButton);
        QCOMPARE(programa.respuestas.textos(), QStringList{MSG_CERRAR_SESION});
        const bool sale = respuesta == TPrompter::OK;
        QCOMPARE(MainFrm->isVisible(), !sale);
        QCOMPARE(MainFrm->isWizard, sale);
        // The program file of this program folder starts again.
        QCOMPARE(solicitudesDeInicio, sale ? QStringList{programa.carpeta.ruta() + u"Velkor"_s} : QStringList());
        QCOMPARE(trabajo()->contiene(EmpresaFrm->TxFondo), !sale);
    }

    // Signing out keeps where the window was: the next session opens there.
    void tamanoRecordado()
    {
        QFile::remove(QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
                          .filePath(u"Velkor/Preferencias.ini"_s));
        {
            TPrograma programa(registraEscuela);
            QCOMPARE(MainFrm->size(), QSize(1080, 705));
            MainFrm->resize(900, 640);
            programa.respuestas.agregaRespuesta(TPrompter::OK);
            QTest::mouseClick(pieza("TxUser"), Qt::LeftButton);
            QVERIFY(!MainFrm->isVisible());
        }
        TPrograma programa(registraEscuela);
        QCOMPARE(MainFrm->size(), QSize(900, 640));
    }

    void inicioConSenalesDesbloqueadas()
    {
        // The program blocks the termination signals in every thread; the
        // program it starts must not inherit that. cp copies its own status
        // (a shell would reset the mask itself and hide the fault).
        sigset_t terminacion, anterior;
        sigemptyset(&terminacion);
        sigaddset(&terminacion, SIGTERM);
        pthread_sigmask(SIG_BLOCK, &terminacion, &anterior);
        TCarpetaPrograma carpeta(false);
        const bool iniciado =
            Reinicio::iniciaDesacoplado(u"/bin/cp"_s, {u"/proc/self/status"_s, u"estado.txt"_s}, carpeta.ruta());
        pthread_sigmask(SIG_SETMASK, &anterior, nullptr);
        QVERIFY(iniciado);
        const QRegularExpression bloqueadas(u"SigBlk:\\s*([0-9a-f]+)\\n"_s);
        QRegularExpressionMatch linea;
        const auto leida = [&] {
            linea = bloqueadas.match(QString::fromLatin1(TCarpetaPrograma::lee(carpeta.archivo(u"estado.txt"_s))));
            return linea.hasMatch();
        };
        QTRY_VERIFY_WITH_TIMEOUT(leida(), 20000);
        const qulonglong mascara = linea.captured(1).toULongLong(nullptr, 16);
        QCOMPARE(mascara & (1ull << (SIGTERM - 1)), 0ull);
        // A program that cannot run is no start.
        QVERIFY(!Reinicio::iniciaDesacoplado(carpeta.archivo(u"Velkor"_s), {}, carpeta.ruta()));
    }

    void nuevaEmpresa()
    {
        TColaArchivos archivos;
        archivos.agrega(NegocioPrueba::certificado(RFC_ACCEM));
        archivos.agrega(NegocioPrueba::llave(RFC_ACCEM));
        TPrograma programa(registraEscuela, true);
        QTest::mouseClick(pieza("TxListaNegocios"), Qt::LeftButton);
        QTest::mouseClick(pieza("TxNuevaEmpresa"), Qt::LeftButton);
        QVERIFY(!pieza<QWidget>("PPNegocios")->isVisible());
        auto* pagina = MainFrm->findChild<TPaginaNegocio*>(u"TxTopSecundario"_s);
        QVERIFY(pagina);
        QCOMPARE(MainFrm->VentanaActiva.data(), pagina);
        QVERIFY(trabajo()->contiene(pagina));
        QVERIFY(pagina->isVisible());
        QCOMPARE(pagina->modo(), TPaginaNegocio::TModo::Adicional);
        // The page fills the work area, whole and without sideways scrolling,
        // counts no steps and can be left.
        QCoreApplication::processEvents();
        auto* area = pieza<QScrollArea>("SBPrincipal");
        QVERIFY(!area->horizontalScrollBar()->isVisible());
        QVERIFY(pagina->height() >= area->viewport()->height());
        QVERIFY(!pieza<QLabel>(pagina, "TxPaso2")->isVisible());
        QVERIFY(pieza<QPushButton>(pagina, "BtCancelar")->isVisible());
        QVERIFY(!pieza<QPushButton>(pagina, "BtAnterior")->isVisible());
        Capturas::guarda(*MainFrm, u"nueva-empresa"_s);
        pieza<QPushButton>(pagina, "BtCancelar")->click();
        QVERIFY(MainFrm->VentanaActiva.isNull());
        QVERIFY(!trabajo()->contiene(pagina));
        QTest::mouseClick(pieza("TxListaNegocios"), Qt::LeftButton);
        QTest::mouseClick(pieza("TxNuevaEmpresa"), Qt::LeftButton);
        QVERIFY(trabajo()->contiene(pagina));

        pieza<QLineEdit>(pagina, "EdNombreEmpresa")->setText(u"Accem"_s);
        pieza<QPushButton>(pagina, "SearchEditButton2")->click();
        pieza<QPushButton>(pagina, "SearchEditButton1")->click();
        QCOMPARE(archivos.pendientes(), 0);
        pieza<QLineEdit>(pagina, "EdCSDPass")->setText(NegocioPrueba::PASSWORD_CSD);
        pieza<QComboBox>(pagina, "CmbRegimenFiscal")->setCurrentIndex(1);
        QLineEdit* cp = pagina->findChild<TDireccionesFrm*>()->getCmbCodigoPostal()->lineEdit();
        cp->selectAll();
        QTest::keyClicks(cp, u"06600"_s);
        pieza<QPushButton>(pagina, "BtFinalizar")->click();

        QCOMPARE(programa.respuestas.textos(), QStringList{EMPRESA_EXITO});
        // The page goes back to the window that made it; the user stays in
        // their business.
        QVERIFY(MainFrm->VentanaActiva.isNull());
        QCOMPARE(pagina->parentWidget(), MainFrm);
        QVERIFY(!trabajo()->contiene(pagina));
        QCOMPARE(rfcSesion(), RFC_ESCUELA);
        QCOMPARE(pieza("TxNombreEmpresa")->text(), u"Escuela Kemper"_s);
        QVERIFY(!BaseDatosLocalFrm->getEmpresaDetalle(RFC_ACCEM).isEmpty());
        QTest::mouseClick(pieza("TxListaNegocios"), Qt::LeftButton);
        QCOMPARE(MainFrm->lEmpresas.keys(), QStringList{RFC_ACCEM});
    }

    // Leaving the editor, the profile or a new business's page with typing
    // not saved asks first: Cancelar keeps the page and the typing, Aceptar
    // goes on.
    void paginaSinGuardar_data()
    {
        QTest::addColumn<QString>("pagina");
        QTest::addColumn<QString>("nombreCampo");
        QTest::addColumn<QString>("salida");
        QTest::addColumn<int>("respuesta");
        const auto f = [](const char* caso, const char* pagina, const char* campo, const char* salida, int respuesta) {
            QTest::newRow(caso) << QString::fromUtf8(pagina) << QString::fromUtf8(campo) << QString::fromUtf8(salida)
                                << respuesta;
        };
        f("perfil al editor, Cancelar", "TxUserEmail", "EdNombre", "TxEditar", TPrompter::CANCELAR);
        f("perfil al inicio, Aceptar", "TxUserEmail", "EdNombre", "TxInicio", TPrompter::OK);
        f("contraseña del perfil al inicio, Aceptar", "TxUserEmail", "EdNuevaContraseña", "TxInicio", TPrompter::OK);
        f("editor al perfil, Aceptar", "TxEditar", "EdNombreNegocio", "TxUserEmail", TPrompter::OK);
        f("editor al cerrar sesión, Cancelar", "TxEditar", "EdNombreNegocio", "TxUser", TPrompter::CANCELAR);
        // No label: the user closes the main window itself.
        f("editor al cerrar la ventana, Cancelar", "TxEditar", "EdNombreNegocio", "", TPrompter::CANCELAR);
        f("perfil al cerrar la ventana, Aceptar", "TxUserEmail", "EdNombre", "", TPrompter::OK);
        f("empresa nueva al inicio, Cancelar", "TxNuevaEmpresa", "EdNombreEmpresa", "TxInicio", TPrompter::CANCELAR);
        f("empresa nueva con su Cancelar, Aceptar", "TxNuevaEmpresa", "EdNombreEmpresa", "BtCancelar", TPrompter::OK);
    }
    void paginaSinGuardar()
    {
        QFETCH(QString, pagina);
        QFETCH(QString, nombreCampo);
        QFETCH(QString, salida);
        QFETCH(int, respuesta);
        TPrograma programa(registraEscuela);
        const auto abre = [&] {
            if (pagina == u"TxNuevaEmpresa"_s)
                QTest::mouseClick(pieza("TxListaNegocios"), Qt::LeftButton);
            QTest::mouseClick(::pieza<QLabel>(MainFrm, pagina), Qt::LeftButton);
        };
        abre();
        QWidget* hospedada = MainFrm->VentanaActiva.data();
        if (pagina == u"TxEditar"_s)
            QTest::mouseClick(::pieza<QLabel>(hospedada, u"TxNombreNegocioTitulo"_s), Qt::LeftButton);
        auto* campo = ::pieza<QLineEdit>(hospedada, nombreCampo);
        QTest::keyClicks(campo, u"xyz"_s);
        programa.respuestas.limpia();
        programa.respuestas.agregaRespuesta(respuesta);
        if (salida.isEmpty())
            MainFrm->close();
        else
            QTest::mouseClick(::pieza<QWidget>(salida.startsWith(u"Bt"_s) ? hospedada : MainFrm, salida),
                              Qt::LeftButton);
        QCOMPARE(
            programa.respuestas.textos(),
            QStringList{u"Hay cambios sin guardar en «%1». ¿Quieres descartarlos?"_s.arg(campo->placeholderText())});
        const bool sigue = respuesta == TPrompter::CANCELAR;
        if (salida.isEmpty()) {
            QCOMPARE(MainFrm->isVisible(), sigue);
            QVERIFY(campo->text().endsWith(u"xyz"_s));
            return;
        }
        QCOMPARE(MainFrm->VentanaActiva.data() == hospedada, sigue);
        QVERIFY(solicitudesDeInicio.isEmpty());
        if (sigue) {
            QVERIFY(campo->text().endsWith(u"xyz"_s));
            return;
        }
        // Back on the page, the stored value shows and nothing is asked.
        programa.respuestas.limpia();
        abre();
        QVERIFY(!campo->text().endsWith(u"xyz"_s));
        QVERIFY(programa.respuestas.textos().isEmpty());
    }

    // A package cut short (an interrupted copy or download) is refused
    // before it is loaded, with the reason in the log; the program starts,
    // and signs in with every other package, without a word.
    void paquetesCortados_data()
    {
        QTest::addColumn<QString>("archivo");
        QTest::addColumn<bool>("aLaMitad");
        QTest::newRow("recursos a la mitad") << RS_PATH << true;
        QTest::newRow("recursos tras sus cabeceras") << RS_PATH << false;
        QTest::newRow("módulo a la mitad") << u"Plugins/Cortado.bpl"_s << true;
        QTest::newRow("módulo tras sus cabeceras") << u"Plugins/Cortado.bpl"_s << false;
    }
    void paquetesCortados()
    {
        QFETCH(QString, archivo);
        QFETCH(bool, aLaMitad);
        TPrograma programa(registraEscuela, false, [&](const TCarpetaPrograma& carpeta) {
            if (archivo != RS_PATH)
                QVERIFY(QFile::copy(QStringLiteral(VELKOR_PAQUETE_REPORTES), carpeta.archivo(archivo)));
            corta(carpeta.archivo(archivo), aLaMitad);
        });
        QVERIFY(MainFrm->isVisible());
        QVERIFY(programa.respuestas.textos().isEmpty());
        QVERIFY(filaMenu(NOMBRE_REPORTES));
        QCOMPARE(pieza("TxSucursal")->text(), u"ESCUELA KEMPER"_s);
        const QStringList lineas = programa.carpeta.log().split(u'\n').filter(programa.carpeta.archivo(archivo));
        QVERIFY(!lineas.isEmpty());
        QVERIFY2(lineas.first().contains(u"está incompleto"_s), qPrintable(lineas.first()));
    }

    // A package whose start-up code throws is set aside under another name
    // and the user told which; the sign-in goes on with every other
    // package, and a module's failure offers to start the program again.
    void paqueteQueFallaAlCargar_data()
    {
        QTest::addColumn<QString>("archivo");
        QTest::addColumn<QString>("paquete");
        QTest::newRow("módulo que lanza una excepción") << u"Plugins/LanzaCarga.bpl"_s << u"LanzaCarga.bpl"_s;
        QTest::newRow("módulo que lanza un entero") << u"Plugins/LanzaEntero.bpl"_s << u"LanzaEntero.bpl"_s;
        QTest::newRow("recursos que lanzan") << RS_PATH << u"LanzaCarga.bpl"_s;
    }
    void paqueteQueFallaAlCargar()
    {
        if (!enProcesoPropio())
            return;
        QFETCH(QString, archivo);
        QFETCH(QString, paquete);
        TPrograma programa(registraEscuela, false, [&](const TCarpetaPrograma& carpeta) {
            QFile::remove(carpeta.archivo(archivo));
            QVERIFY(QFile::copy(QStringLiteral(VELKOR_PAQUETES_PRUEBA "/") + paquete, carpeta.archivo(archivo)));
        });
        [&] {
            const QString nombre = QFileInfo(archivo).fileName();
            const QStringList textos = programa.respuestas.textos();
            QCOMPARE(textos.size(), 1);
            QVERIFY2(textos.first().contains(u"«"_s + nombre + u".fallido»"_s), qPrintable(textos.first()));
            QVERIFY(!QFile::exists(programa.carpeta.archivo(archivo)));
            QVERIFY(QFile::exists(programa.carpeta.archivo(archivo + u".fallido"_s)));
            QVERIFY(programa.carpeta.log().contains(programa.carpeta.archivo(archivo)));
            const bool modulo = archivo != RS_PATH;
            QCOMPARE(textos.first().contains(u"¿Quieres reiniciarlo ahora?"_s), modulo);
            QCOMPARE(solicitudesDeInicio, modulo ? QStringList{programa.carpeta.ruta() + u"Velkor"_s} : QStringList());
            // The rest of the sign-in.
            QVERIFY(MainFrm->isVisible());
            QVERIFY(filaMenu(NOMBRE_REPORTES));
            QCOMPARE(pieza("TxSucursal")->text(), u"ESCUELA KEMPER"_s);
            QVERIFY(trabajo()->contiene(MainFrm->findChild<TPaginaInicio*>(u"PaginaInicio"_s)));
        }();
        // The loader stays locked for this process's other threads (the seal
        // check started at the sign-in waits on it for good), so the process
        // ends here, with what the checks found, instead of waiting for them.
        QDir(programa.carpeta.ruta()).removeRecursively();
        std::fflush(nullptr);
        _exit(QTest::currentTestFailed() ? 1 : 0);
    }

    void paginasDeLaEmpresa()
    {
        TPrograma programa(registraEscuela);
        QTest::mouseClick(pieza("TxEditar"), Qt::LeftButton);
        QCOMPARE(MainFrm->VentanaActiva.data(), EmpresaFrm->TxFondo);
        QCOMPARE(trabajo()->height(), EmpresaFrm->getHeight());
        QCOMPARE(pieza<QLineEdit>(EmpresaFrm->TxFondo, "EdRFC")->text(), RFC_ESCUELA);
        QVERIFY(!pieza<QWidget>("SBMenuLateral")->isVisible());

        QTest::mouseClick(pieza("TxUserEmail"), Qt::LeftButton);
        QCOMPARE(MainFrm->VentanaActiva.data(), PerfilFrm->TxFondo);
        QCOMPARE(pieza<QLabel>(PerfilFrm->TxFondo, "TxEmailPerfil")->text(), CORREO);
        // Phones past a screenful grow the page, and the work area scrolls to them.
        auto* telefonos = ::pieza<TTelefonosFrm>(PerfilFrm->TxFondo, u"TxTelefono"_s);
        for (int k = 0; k < 12; ++k)
            QTest::mouseClick(telefonos->TxTelefonoBottom, Qt::LeftButton);
        QCoreApplication::processEvents();
        QCOMPARE(telefonos->telefonos().size(), size_t(12));
        QCOMPARE(trabajo()->height(), PerfilFrm->getHeight());
        QScrollBar* desplazamiento = pieza<QScrollArea>("SBPrincipal")->verticalScrollBar();
        QVERIFY(desplazamiento->isVisible());
        desplazamiento->setValue(desplazamiento->maximum());
        Capturas::guarda(*MainFrm, u"perfil-en-ventana"_s);
        // The editor's page is back in its own window.
        QCOMPARE(EmpresaFrm->TxFondo->parentWidget(), EmpresaFrm);
        QVERIFY(!EmpresaFrm->TxFondo->isVisible());

        // The letter's page, from the profile, starts at its link; Tab from
        // the window's last stop before it reaches the link and the button.
        MainFrm->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(MainFrm));
        QTest::mouseClick(::pieza<QLabel>(PerfilFrm->TxFondo, u"TxCartaManifiesto"_s), Qt::LeftButton);
        QCOMPARE(QApplication::focusWidget()->objectName(), u"TxURL"_s);
        pieza("TxUser")->setFocus(Qt::TabFocusReason);
        QStringList recorrido;
        for (int k = 0; k < 2; ++k) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            recorrido << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(recorrido, (QStringList{u"TxURL"_s, u"BtNuevaEmpresa"_s}));
    }
};

QTEST_MAIN(TstVentanaPrincipal)
#include "tst_ventanaprincipal.moc"
