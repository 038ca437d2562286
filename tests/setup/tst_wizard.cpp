#include "Capturas.h"
#include "CarpetaPrograma.h"
#include "CertificadosPrueba.h"
#include "Conexiones.h"
#include "Constantes.h"
#include "Controles.h"
#include "Entidades.h"
#include "Logmanager.h"
#include "NegocioPrueba.h"
#include "Prompter.h"
#include "Reloj.h"
#include "RegistroPrueba.h"
#include "SelectorArchivos.h"
#include "ServidorPrueba.h"
#include "Sistema.h"
#include "Style.h"
#include "negocio/TArchivoZip.h"
#include "TBaseDatosCatalogosFrm.h"
#include "negocio/TBaseDatosLocalFrm.h"
#include "TDireccionesFrm.h"
#include "negocio/TIngreso.h"
#include "shell/TMainFrm.h"
#include "negocio/TNuevoNegocio.h"
#include "TTelefonoBean.h"
#include "TTelefonosFrm.h"
#include "shell/TVerificaUpdate.h"
#include "setup/TPaginaNegocio.h"
#include "setup/TRecuperacion.h"
#include "setup/TRespaldo.h"
#include "setup/TWizardFrm.h"
#include "app/Ventanas.h"
#include "Piezas.h"
#include "ProgramaPrueba.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSqlError>
#include <QSqlQuery>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QStandardPaths>
#include <QTest>

using namespace Constantes;
using namespace Qt::StringLiterals;

namespace {

const QString CSD = QStringLiteral(VELKOR_DATOS_PRUEBA "/csd/");
const QString PASSWORD_CSD = u"12345678a"_s;
const QString REGIMEN_MORAL = u"601 - General de Ley Personas Morales"_s;
const QString RFC_ESCUELA = u"EKU9003173C9"_s;

// What the file dialogs answer, in order; a fresh queue for each test.
std::unique_ptr<TColaArchivos> g_archivos;

const std::vector<std::unique_ptr<TTelefonoBean>>& filasTelefono(const QObject* w)
{
    return pieza<TTelefonosFrm>(w, u"TxTelefonoContenedor"_s)->telefonos();
}

QString requerido(const QString& campo)
{
    return QString(CAMPO_REQUERIDO).replace(CAMPO, campo);
}

// A business already registered on the computer, made by the same service
// the wizard calls; the session it leaves is cleared, as after a restart.
void registraEscuela(const QString& password)
{
    NegocioPrueba::registra(RFC_ESCUELA, u"Escuela Kemper"_s, u"dueno@escuela.mx"_s, password,
                            u"ESCUELA KEMPER URGATE SA DE CV"_s);
}

QString textoLog()
{
    return QString::fromUtf8(TCarpetaPrograma::lee(Logmanager::archivoLog(Sistema::exePath)));
}

// The name a keyboard stop goes by: an editable list's own, not its box's.
QString nombreFoco(const QWidget* w)
{
    if (!w)
        return QString();
    if (const QWidget* padre = w->parentWidget(); padre && padre->focusProxy() == w)
        return padre->objectName();
    return w->objectName();
}

// The program as started: every window created, the splash over, the
// wizard shown on the page the registry calls for.
class TPrograma : public TProgramaPrueba {
public:
    explicit TPrograma(bool conCatalogo = false, const std::function<void()>& antesDelAsistente = {})
    {
        if (conCatalogo)
            carpeta.instalaCatalogo();
        // Without a registry the wizard opens on its first-run page.
        arranca(static_cast<bool>(antesDelAsistente), antesDelAsistente);
        w = WizardFrm;
    }

    TWizardFrm* w = nullptr;
};

// The postal code is typed over the prompt the box shows.
void escribeCodigoPostal(QWidget* w, const QString& cp)
{
    QLineEdit* edicion = pieza<TDireccionesFrm>(w, "DireccionesFrm")->getCmbCodigoPostal()->lineEdit();
    edicion->selectAll();
    QTest::keyClicks(edicion, cp);
}

// The file dialog behind `boton` (SearchEditButton2: certificate,
// SearchEditButton1: key) answers `archivo`.
void elige(QPushButton* boton, const QString& archivo)
{
    g_archivos->agrega(archivo);
    boton->click();
}

// Settings of the program folder's Velkor.ini.
void ajusta(const QMap<QString, QString>& valores)
{
    QSettings ini(Sistema::exePath + ARCHIVO_AJUSTES, QSettings::IniFormat);
    for (auto it = valores.cbegin(); it != valores.cend(); ++it)
        ini.setValue(it.key(), it.value());
}

// Clicks a bottom-strip link and waits for its long work to end.
bool termina(TWizardFrm* w, QLabel* enlace)
{
    QSignalSpy fin(w, &TWizardFrm::procesoTerminado);
    QTest::mouseClick(enlace, Qt::LeftButton);
    return fin.wait(120000);
}

bool ingresa(TWizardFrm* w, const QString& password)
{
    pieza<QLineEdit>(w, "EdCorreoElectronicoLoggin")->setText(u"dueno@escuela.mx"_s);
    pieza<QLineEdit>(w, "EdPasswordLoggin")->setText(password);
    pieza<QPushButton>(w, "BtIngresar")->click();
    return w->nextStep;
}

// The business page filled with the CSD `par` (.cer and .key), postal code 06600.
void llenaEmpresa(QWidget* w, const QString& nombre, const QString& par, const QString& passwordCsd)
{
    pieza<QLineEdit>(w, "EdNombreEmpresa")->setText(nombre);
    elige(pieza<QPushButton>(w, "SearchEditButton2"), CSD + par + u".cer"_s);
    elige(pieza<QPushButton>(w, "SearchEditButton1"), CSD + par + u".key"_s);
    pieza<QLineEdit>(w, "EdCSDPass")->setText(passwordCsd);
    auto* regimenes = pieza<QComboBox>(w, "CmbRegimenFiscal");
    regimenes->setCurrentIndex(regimenes->findText(REGIMEN_MORAL));
    escribeCodigoPostal(w, u"06600"_s);
}

} // namespace

class TstWizard : public QObject {
    Q_OBJECT

    // Certificates made for the test.
    QTemporaryDir m_dir;

private slots:
    void initTestCase()
    {
        // Closing the wizard without success ends the event loop; the tests
        // run without one, and no window closing may end them.
        QApplication::setQuitOnLastWindowClosed(false);
    }

    void init()
    {
        g_archivos.reset();
        g_archivos = std::make_unique<TColaArchivos>();
        NegocioPrueba::limpiaSesion();
        Ingreso::olvidaSesion();
    }

    void cleanup() { g_archivos.reset(); }

    void siguiente_data()
    {
        QTest::addColumn<QString>("correo");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("repetido");
        QTest::addColumn<int>("pagina");
        QTest::addColumn<QString>("mensaje");
        QTest::addColumn<QStringList>("enError");
        const QString correo = u"dueno@tienda.mx"_s;
        QTest::newRow("sin correo") << QString() << QString() << QString() << 0 << ERR_MAIL_REQUERIDO
                                    << QStringList{u"EdCorreoElectronico"_s};
        QTest::newRow("correo no válido") << u"dueno@tienda"_s << QString() << QString() << 0 << ERR_MAIL_NO_VALIDO
                                          << QStringList{u"EdCorreoElectronico"_s};
        QTest::newRow("contraseñas distintas") << correo << u"abc"_s << u"abd"_s << 0 << ERR_CONTRASENA
                                               << QStringList{u"EdPassword"_s, u"EdRepitePassword"_s};
        QTest::newRow("sin contraseña") << correo << QString() << QString() << 1 << QString() << QStringList();
        QTest::newRow("contraseña con espacio") << correo << u" abc"_s << u"abc"_s << 1 << QString() << QStringList();
    }
    void siguiente()
    {
        QFETCH(QString, correo);
        QFETCH(QString, password);
        QFETCH(QString, repetido);
        QFETCH(int, pagina);
        QFETCH(QString, mensaje);
        QFETCH(QStringList, enError);
        TPrograma programa;
        TWizardFrm* w = programa.w;
        QCOMPARE(pieza<QStackedWidget>(w, "TabControl1")->currentIndex(), 0);

        // A mark goes as soon as the field is edited, and one left by an
        // earlier attempt at the next attempt.
        auto* edCorreo = pieza<QLineEdit>(w, "EdCorreoElectronico");
        pieza<QPushButton>(w, "BtSiguiente")->click();
        QVERIFY(Controles::tieneError(edCorreo));
        QTest::keyClicks(edCorreo, u"a"_s);
        QVERIFY(!Controles::tieneError(edCorreo));
        pieza<QPushButton>(w, "BtSiguiente")->click();
        QVERIFY(Controles::tieneError(edCorreo));
        programa.respuestas.limpia();

        edCorreo->setText(correo);
        pieza<QLineEdit>(w, "EdPassword")->setText(password);
        pieza<QLineEdit>(w, "EdRepitePassword")->setText(repetido);
        pieza<QPushButton>(w, "BtSiguiente")->click();
        QCOMPARE(pieza<QStackedWidget>(w, "TabControl1")->currentIndex(), pagina);
        QCOMPARE(programa.respuestas.textos(), mensaje.isEmpty() ? QStringList() : QStringList{mensaje});
        for (const QString& e : {u"EdCorreoElectronico"_s, u"EdPassword"_s, u"EdRepitePassword"_s})
            QCOMPARE(Controles::tieneError(pieza<QLineEdit>(w, e)), enError.contains(e));
        if (!mensaje.isEmpty())
            QVERIFY(textoLog().contains(u"Perfil rechazado: "_s + mensaje));
    }

    void telefonos()
    {
        TPrograma programa;
        TWizardFrm* w = programa.w;
        const auto nombres = [w] {
            QStringList n;
            for (const auto& t : filasTelefono(w))
                n << t->getNombre();
            return n;
        };
        // The fifth is refused.
        for (int i = 0; i < 5; ++i)
            QTest::mouseClick(pieza<QLabel>(w, "TxTelefonoBottom"), Qt::LeftButton);
        QCOMPARE(nombres(), (QStringList{u"Cont1"_s, u"Cont2"_s, u"Cont3"_s, u"Cont4"_s}));
        QVERIFY(!pieza<QLabel>(w, "TxTelefonoBottom")->isEnabled());

        QTest::mouseClick(filasTelefono(w).at(1)->getEliminar(), Qt::LeftButton);
        QCOMPARE(nombres(), (QStringList{u"Cont1"_s, u"Cont3"_s, u"Cont4"_s}));
        QVERIFY(pieza<QLabel>(w, "TxTelefonoBottom")->isEnabled());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!w->findChild<QWidget*>(u"Cont2"_s));

        // A number is never given twice until the list starts again.
        QTest::mouseClick(pieza<QLabel>(w, "TxTelefonoBottom"), Qt::LeftButton);
        QCOMPARE(nombres().last(), u"Cont5"_s);
        QVERIFY(!pieza<QLabel>(w, "TxTelefonoBottom")->isEnabled());

        // Nothing longer than its column is taken.
        QLineEdit* numero = filasTelefono(w).front()->getNumero();
        QTest::keyClicks(numero, QString(31, u'5'));
        QCOMPARE(numero->text(), QString(30, u'5'));
        QLineEdit* extension = filasTelefono(w).front()->getExtension();
        QTest::keyClicks(extension, u"12345678901"_s);
        QCOMPARE(extension->text(), u"1234567890"_s);

        filasTelefono(w).front()->getTipo()->setCurrentIndex(3);
        filasTelefono(w).front()->getNumero()->setText(u" 3312345678 "_s);
        const NuevoNegocio::TDatos datos = w->datosCaptura();
        QCOMPARE(datos.telefonos.size(), 4);
        QCOMPARE(datos.telefonos.first().tipo, 3);
        QCOMPARE(datos.telefonos.first().numero, u"3312345678"_s);

        w->initNuevaEmpresa();
        QVERIFY(filasTelefono(w).empty());
        QTest::mouseClick(pieza<QLabel>(w, "TxTelefonoBottom"), Qt::LeftButton);
        QCOMPARE(nombres(), QStringList{u"Cont1"_s});
    }

    // Rows with a message are refused with it (its start, for the CSD
    // refusal that adds the key usage), and nothing is taken from them.
    void certificado_data()
    {
        QTest::addColumn<QString>("archivo");
        QTest::addColumn<QString>("rfc");
        QTest::addColumn<QString>("razon");
        QTest::addColumn<QString>("mensaje");
        QTest::newRow("CSD de persona moral")
            << CSD + RFC_ESCUELA + u".cer"_s << RFC_ESCUELA << u"ESCUELA KEMPER URGATE SA DE CV"_s << QString();
        QTest::newRow("RFC con representante") << CSD + u"CSD01_AAA010101AAA.cer"_s << u"AAA010101AAA"_s
                                               << u"ACCEM SERVICIOS EMPRESARIALES SC"_s << QString();
        QTest::newRow("FIEL") << CSD + RFC_ESCUELA + u"_FIEL.cer"_s << QString() << QString() << ERR_CERT_NO_CSD;
        QTest::newRow("archivo que no es certificado")
            << CSD + RFC_ESCUELA + u".key"_s << QString() << QString() << ERR_CERT_ILEGIBLE;
        const QString ruta = m_dir.filePath(u"ruta.cer"_s);
        TCredencialPrueba::escribe(ruta, TCredencialPrueba().certificado(u"../../../../x"_s));
        QTest::newRow("RFC que es ruta") << ruta << QString() << QString() << ERR_CERT_RFC_NO_VALIDO;
    }
    void certificado()
    {
        QFETCH(QString, archivo);
        QFETCH(QString, rfc);
        QFETCH(QString, razon);
        QFETCH(QString, mensaje);
        TPrograma programa(true);
        TWizardFrm* w = programa.w;
        auto* regimenes = pieza<QComboBox>(w, "CmbRegimenFiscal");
        const int todosLosRegimenes = regimenes->count();

        elige(pieza<QPushButton>(w, "SearchEditButton2"), archivo);
        QCOMPARE(pieza<QLineEdit>(w, "EdRFC")->text(), rfc);
        QCOMPARE(pieza<QLineEdit>(w, "EdRazon")->text(), razon);
        if (!mensaje.isEmpty()) {
            QCOMPARE(programa.respuestas.textos().size(), 1);
            const QString recibido = programa.respuestas.textos().first();
            QVERIFY2(recibido.startsWith(mensaje), qPrintable(recibido));
            // The CSD refusal names what the key is for.
            if (mensaje == ERR_CERT_NO_CSD)
                QVERIFY(recibido.size() > mensaje.size() + CERT_CSD.size());
            QVERIFY(pieza<QLineEdit>(w, "EdCSD")->text().isEmpty());
            QVERIFY(pieza<QLabel>(w, "TxNoSerieCSD")->text().isEmpty());
            return;
        }
        QVERIFY(programa.respuestas.textos().isEmpty());
        QCOMPARE(pieza<QLineEdit>(w, "EdCSD")->text(), archivo);
        QCOMPARE(pieza<QLabel>(w, "TxNoSerieCSD")->text().size(), 20);
        // A legal person's regimes only, none of them chosen yet.
        QCOMPARE(regimenes->currentIndex(), 0);
        QVERIFY(regimenes->findText(u"605"_s, Qt::MatchStartsWith) < 0);
        QVERIFY(regimenes->count() < todosLosRegimenes);
        // Typing into the regime list picks nothing.
        QTest::keyClicks(regimenes, u"6"_s);
        QCOMPARE(regimenes->currentIndex(), 0);

        elige(pieza<QPushButton>(w, "SearchEditButton1"), CSD + RFC_ESCUELA + u".key"_s);
        QVERIFY(pieza<QLineEdit>(w, "EdKey")->text().endsWith(u".key"_s));
        if (Capturas::pedidas()) {
            auto* pasos = pieza<QStackedWidget>(w, "TabControl1");
            const int antes = pasos->currentIndex();
            pasos->setCurrentIndex(1);
            Capturas::guarda(*w, u"asistente-negocio-"_s + QTest::currentDataTag());
            pasos->setCurrentIndex(antes);
        }
        pieza<QPushButton>(w, "ClearEditButton1")->click();
        for (const QString& e : {u"EdCSD"_s, u"EdKey"_s, u"EdCSDPass"_s})
            QVERIFY(pieza<QLineEdit>(w, e)->text().isEmpty());
        QVERIFY(pieza<QLabel>(w, "TxNoSerieCSD")->text().isEmpty());
        QCOMPARE(pieza<QLineEdit>(w, "EdRFC")->text(), rfc);
    }

    void validacionPaginaVacia()
    {
        TPrograma programa;
        TWizardFrm* w = programa.w;
        pieza<QStackedWidget>(w, "TabControl1")->setCurrentIndex(1);
        pieza<QPushButton>(w, "BtFinalizar")->click();
        // One message names every missing field, in the page's order.
        QStringList faltan;
        for (const QString& campo : {u"Nombre de la Empresa"_s, u"Certificado"_s, u"Llave Privada"_s,
                                     u"Contraseña de la llave privada"_s, CMB_CODIGOPOSTAL, REGIMEN_FISCAL})
            faltan << requerido(campo);
        QCOMPARE(programa.respuestas.textos(), QStringList{MENSAJE_ERROR + faltan.join(SALTO)});
        for (QWidget* campo : QList<QWidget*>{pieza<QLineEdit>(w, "EdNombreEmpresa"), pieza<QLineEdit>(w, "EdCSD"),
                                              pieza<QLineEdit>(w, "EdKey"), pieza<QLineEdit>(w, "EdCSDPass"),
                                              pieza<QComboBox>(w, "CmbRegimenFiscal"),
                                              pieza<TDireccionesFrm>(w, "DireccionesFrm")->getCmbCodigoPostal()})
            QVERIFY2(Controles::tieneError(campo), qPrintable(campo->objectName()));
        QVERIFY(w->isVisible());
        QVERIFY(textoLog().contains(u"Alta de empresa rechazada por la validación"_s));

        // A postal code of fewer than five digits is not a code.
        programa.respuestas.limpia();
        pieza<QLineEdit>(w, "EdNombreEmpresa")->setText(u"Escuela"_s);
        escribeCodigoPostal(w, u"066"_s);
        pieza<QPushButton>(w, "BtFinalizar")->click();
        const QString mensaje = programa.respuestas.textos().first();
        QVERIFY(mensaje.contains(QString(CAMPO_NO_VALIDO).replace(CAMPO, CMB_CODIGOPOSTAL)));
        QVERIFY(!mensaje.contains(requerido(u"Nombre de la Empresa"_s)));
        QVERIFY(!Controles::tieneError(pieza<QLineEdit>(w, "EdNombreEmpresa")));
    }

    void altaPrimeraVez_data()
    {
        QTest::addColumn<QString>("estado");
        QTest::addColumn<QString>("passwordCsd");
        QTest::addColumn<QStringList>("mensajes");
        QTest::newRow("CP de su estado") << u"CMX"_s << PASSWORD_CSD << QStringList();
        QTest::newRow("CP de otro estado")
            << u"JAL"_s << PASSWORD_CSD << QStringList{MENSAJE_ERROR + SALTO + ERR_CODIGOPOSTA_NO_EXISTE_EDO};
        QTest::newRow("password del CSD equivocado") << u"CMX"_s << u"otra"_s << QStringList{ERR_CERT_LLAVE_PRIVADA};
    }
    void altaPrimeraVez()
    {
        QFETCH(QString, estado);
        QFETCH(QString, passwordCsd);
        QFETCH(QStringList, mensajes);
        TPrograma programa(true);
        TWizardFrm* w = programa.w;
        // The address field drops the space and lowers the case as it is typed.
        QTest::keyClicks(pieza<QLineEdit>(w, "EdCorreoElectronico"), u"Dueno @Escuela.mx"_s);
        pieza<QLineEdit>(w, "EdPassword")->setText(u"Secreta#1"_s);
        pieza<QLineEdit>(w, "EdRepitePassword")->setText(u"Secreta#1"_s);
        pieza<QPushButton>(w, "BtSiguiente")->click();
        llenaEmpresa(w, u"Escuela Kemper"_s, RFC_ESCUELA, passwordCsd);
        QComboBox* estados = pieza<TDireccionesFrm>(w, "DireccionesFrm")->getCmbEstado();
        estados->setCurrentIndex(estados->findText(estado, Qt::MatchStartsWith));

        pieza<QPushButton>(w, "BtFinalizar")->click();
        QCOMPARE(programa.respuestas.textos(), mensajes);
        const bool creada = mensajes.isEmpty();
        QCOMPARE(w->nextStep, creada);
        QCOMPARE(w->isVisible(), !creada);
        QCOMPARE(MainFrm->isVisible(), creada);
        QCOMPARE(BaseDatosLocalFrm->getEmpresaDetalle(RFC_ESCUELA).isEmpty(), !creada);
        QVERIFY(
            textoLog().contains(creada ? u"Empresa creada: RFC \"EKU9003173C9\""_s : u"Alta de empresa rechazada"_s));
        if (!creada) {
            QVERIFY(!Sistema::Negocio);
            return;
        }
        QCOMPARE(pieza<QLabel>(MainFrm, "TxNombreEmpresa")->text(), u"Escuela Kemper"_s);
        QCOMPARE(pieza<QLabel>(MainFrm, "TxUserEmail")->text(), u"dueno@escuela.mx"_s);
        // The session is the new business's, with its head office and every right.
        const QString archivo = programa.carpeta.archivo(u"db/EKU9003173C9/"_s + DB_SISTEMA_NOMBRE);
        QCOMPARE(Sistema::dbSistema, archivo);
        QCOMPARE(Sistema::Conexion->getDatabase(), archivo);
        QCOMPARE(Sistema::Negocio->getNombre(), u"Escuela Kemper"_s);
        QCOMPARE(Sistema::Sucursales.size(), 1);
        QCOMPARE(Sistema::Sucursales.first()->getNombre(), u"ESCUELA KEMPER URGATE SA DE CV"_s);
        QCOMPARE(Sistema::Sucursales.first()->getTipo(), TSucursal::TIPO_MATRIZ);
        QCOMPARE(Sistema::Sucursales.first()->getDireccionId(),
                 Sistema::Negocio->getDatosfiscales()->getDireccion()->getIddireccion());
        QVERIFY(Sistema::getPermiso(CODIGO_PERMISOS));
        // The first logo is the resource package's.
        QVERIFY(!Sistema::Negocio->getLogonegocio().isEmpty());
        // A business added later with the same user is reached with the
        // password typed at the creation.
        TPaginaNegocio otra(TPaginaNegocio::TModo::Adicional);
        otra.inicia();
        llenaEmpresa(&otra, u"Otra"_s, u"CSD01_AAA010101AAA"_s, PASSWORD_CSD);
        pieza<QPushButton>(&otra, "BtFinalizar")->click();
        QCOMPARE(programa.respuestas.textos(), QStringList{EMPRESA_EXITO});
        QCOMPARE(Ingreso::reingresa(u"AAA010101AAA"_s, u"dueno@escuela.mx"_s), Ingreso::TResultado::Correcto);
        // The registry row the window wrote leads back to the new database.
        QCOMPARE(Ingreso::ingresa(RFC_ESCUELA, u"dueno@escuela.mx"_s, u"Secreta#1"_s), Ingreso::TResultado::Correcto);
    }

    void altaAdicional()
    {
        TPrograma programa(true, [] { registraEscuela(QString()); });
        QCOMPARE(Ingreso::ingresa(RFC_ESCUELA, u"dueno@escuela.mx"_s, QString()), Ingreso::TResultado::Correcto);
        const std::shared_ptr<TNegocio> escuela = Sistema::Negocio;
        const TConexionSesion conexionEscuela = *Sistema::Conexion;
        const QList<std::shared_ptr<TSucursal>> sucursalesEscuela = Sistema::Sucursales;
        QCOMPARE(sucursalesEscuela.size(), 1);

        // The page the main window hosts to add a business.
        TPaginaNegocio pagina(TPaginaNegocio::TModo::Adicional);
        TPaginaNegocio* w = &pagina;
        QSignalSpy agregado(w, &TPaginaNegocio::negocioAgregado);
        w->inicia();
        QCOMPARE(w->modo(), TPaginaNegocio::TModo::Adicional);
        QVERIFY(pieza<QPushButton>(w, "BtAnterior")->isHidden());
        llenaEmpresa(w, u"Otra"_s, RFC_ESCUELA, PASSWORD_CSD);
        pieza<QPushButton>(w, "BtFinalizar")->click();
        QCOMPARE(programa.respuestas.textos(), QStringList{u"Ya existe la empresa"_s});
        QCOMPARE(BaseDatosLocalFrm->getEmpresas().size(), 1);

        QCOMPARE(agregado.count(), 0);
        programa.respuestas.limpia();
        w->inicia();
        llenaEmpresa(w, u"Otra"_s, u"CSD01_AAA010101AAA"_s, PASSWORD_CSD);
        pieza<QPushButton>(w, "BtFinalizar")->click();
        QCOMPARE(programa.respuestas.textos(), QStringList{EMPRESA_EXITO});
        QCOMPARE(agregado.count(), 1);
        QVERIFY(!BaseDatosLocalFrm->getEmpresaDetalle(u"AAA010101AAA"_s).isEmpty());
        // The session stays on the business the user was working in, its
        // branches included, and the main window reads it again.
        QVERIFY(Sistema::Negocio == escuela);
        QVERIFY(*Sistema::Conexion == conexionEscuela);
        QCOMPARE(Sistema::Usuario->getEmail(), u"dueno@escuela.mx"_s);
        QCOMPARE(Sistema::Sucursales, sucursalesEscuela);
        // Created with its own logo, owner and head office.
        const TConexionSesion otra =
            TConexionSesion::embebida(NuevoNegocio::archivoLocal(u"AAA010101AAA"_s), Sistema::exePath);
        const std::unique_ptr<TNegocio> negocio = TNegocio::getByRFC(u"AAA010101AAA"_s, otra);
        QVERIFY(negocio);
        QVERIFY(!negocio->getLogonegocio().isEmpty());
        QVERIFY(TUsuario::getInfoByEmail(u"dueno@escuela.mx"_s, otra));
    }

    // A creation that fails late (a file holds the name of the business's
    // invoice folder) registers nothing, and once the cause is gone the
    // retry gives the business once, with no database set aside.
    void altaFallidaSeReintenta_data()
    {
        QTest::addColumn<bool>("adicional");
        QTest::addColumn<QString>("par");
        QTest::addColumn<QString>("rfc");
        QTest::newRow("primera vez") << false << RFC_ESCUELA << RFC_ESCUELA;
        QTest::newRow("agregar empresa") << true << u"CSD01_AAA010101AAA"_s << u"AAA010101AAA"_s;
    }
    void altaFallidaSeReintenta()
    {
        QFETCH(bool, adicional);
        QFETCH(QString, par);
        QFETCH(QString, rfc);
        TPrograma programa(true, adicional ? std::function<void()>([] { registraEscuela(u"Secreta#1"_s); })
                                           : std::function<void()>());
        const QString estorbo = Sistema::exePath + FACTURAS_PATH + u"/"_s + rfc;
        QVERIFY(TCarpetaPrograma::escribe(estorbo, "x"));
        QWidget* w = programa.w;
        TPaginaNegocio otra(TPaginaNegocio::TModo::Adicional);
        if (adicional) {
            QCOMPARE(Ingreso::ingresa(RFC_ESCUELA, u"dueno@escuela.mx"_s, u"Secreta#1"_s),
                     Ingreso::TResultado::Correcto);
            otra.inicia();
            w = &otra;
        } else {
            pieza<QLineEdit>(w, "EdCorreoElectronico")->setText(u"dueno@escuela.mx"_s);
            pieza<QLineEdit>(w, "EdPassword")->setText(u"Secreta#1"_s);
            pieza<QLineEdit>(w, "EdRepitePassword")->setText(u"Secreta#1"_s);
            pieza<QPushButton>(w, "BtSiguiente")->click();
        }
        llenaEmpresa(w, u"Empresa"_s, par, PASSWORD_CSD);
        pieza<QPushButton>(w, "BtFinalizar")->click();
        QCOMPARE(programa.respuestas.textos().size(), 1);
        QVERIFY(programa.respuestas.textos().first().startsWith(u"No se pudo crear la carpeta"_s));
        QVERIFY(BaseDatosLocalFrm->getEmpresaDetalle(rfc).isEmpty());

        programa.respuestas.limpia();
        QVERIFY(QFile::remove(estorbo));
        pieza<QPushButton>(w, "BtFinalizar")->click();
        QCOMPARE(programa.respuestas.textos(), adicional ? QStringList{EMPRESA_EXITO} : QStringList());
        QCOMPARE(BaseDatosLocalFrm->getNumeroEmpresas(), adicional ? 2 : 1);
        programa.w->initEmpresas();
        QCOMPARE(programa.w->listaEmpresas().count(rfc), 1);
        QCOMPARE(QDir(Sistema::exePath + DB_PATH + rfc).entryList({u"*.anterior"_s}, QDir::Files), QStringList());
        QCOMPARE(Ingreso::ingresa(rfc, u"dueno@escuela.mx"_s, u"Secreta#1"_s), Ingreso::TResultado::Correcto);
    }

    void tiles()
    {
        const QStringList rfcs = {u"H&E951128469"_s, RFC_ESCUELA};
        TPrograma programa(false, [&rfcs] {
            for (const QString& rfc : rfcs)
                BaseDatosLocalFrm->usuarioLogginInsert({QString(), u"Negocio "_s + rfc, rfc, DB_SQLITE, QString(),
                                                        QString(), QString(), u"x.fdb"_s, QString()});
        });
        TWizardFrm* w = programa.w;
        // '&' cannot name a widget: the tile goes by the RFC with '_' instead.
        auto* radio = w->findChild<QRadioButton*>(u"H_E951128469"_s);
        QVERIFY(radio);
        // Shown whole: the "&" marks no keyboard shortcut.
        QVERIFY(QKeySequence::mnemonic(radio->text()).isEmpty());
        QCOMPARE(QString(radio->text()).replace(u"&&"_s, u"&"_s), u"H&E951128469"_s);
        // Two businesses: none is chosen for the user.
        QVERIFY(pieza<QLabel>(w, "TxSeleccion")->text().isEmpty());
        radio->click();
        QCOMPARE(pieza<QLabel>(w, "TxSeleccion")->text(), u"H_E951128469"_s);
    }

    void ingreso_data()
    {
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("borraBase");
        QTest::addColumn<QStringList>("mensajes");
        QTest::newRow("contraseña equivocada") << u"otra"_s << false << QStringList{ERR_USUARIO_CONTRASEÑA_INCORRECTA};
        QTest::newRow("base borrada") << u"Secreta#1"_s << true << QStringList{ERR_BASE_DATOS_USUARIO};
        QTest::newRow("correcto") << u"Secreta#1"_s << false << QStringList();
    }
    void ingreso()
    {
        QFETCH(QString, password);
        QFETCH(bool, borraBase);
        QFETCH(QStringList, mensajes);
        TPrograma programa(false, [] { registraEscuela(u"Secreta#1"_s); });
        TWizardFrm* w = programa.w;
        QCOMPARE(pieza<QStackedWidget>(w, "TabControl1")->currentIndex(), 3);
        QCOMPARE(w->listaEmpresas(), QStringList{RFC_ESCUELA});
        if (borraBase)
            QVERIFY(QFile::remove(NuevoNegocio::destinoLocal(RFC_ESCUELA).baseDatos));

        pieza<QRadioButton>(w, RFC_ESCUELA)->click();
        // Typed as in the first-run page: the space is dropped, editing keys still work.
        QTest::keyClicks(pieza<QLineEdit>(w, "EdCorreoElectronicoLoggin"), u"Dueno @Escuela.mxx"_s);
        QTest::keyClick(pieza<QLineEdit>(w, "EdCorreoElectronicoLoggin"), Qt::Key_Backspace);
        pieza<QLineEdit>(w, "EdPasswordLoggin")->setText(password);
        pieza<QPushButton>(w, "BtIngresar")->click();

        QCOMPARE(programa.respuestas.textos(), mensajes);
        const bool entra = mensajes.isEmpty();
        QCOMPARE(w->nextStep, entra);
        QCOMPARE(w->isVisible(), !entra);
        QCOMPARE(MainFrm->isVisible(), entra);
        if (entra) {
            QCOMPARE(pieza<QLabel>(MainFrm, "TxNombreEmpresa")->text(), u"Escuela Kemper"_s);
            QCOMPARE(pieza<QLabel>(MainFrm, "TxUserEmail")->text(), u"dueno@escuela.mx"_s);
        }
        if (borraBase) {
            // The entry was disabled: no tile is left, so the first-run page shows.
            QVERIFY(w->listaEmpresas().isEmpty());
            QCOMPARE(pieza<QStackedWidget>(w, "TabControl1")->currentIndex(), 0);
        }
        QVERIFY(textoLog().contains(entra ? u"Ingreso correcto: correo \"dueno@escuela.mx\""_s
                                          : u"Ingreso rechazado (correo \"dueno@escuela.mx\""_s));
    }

    // The only business is chosen already, the first empty field has the
    // focus, and Enter in either field signs in.
    void ingresoConEnter_data()
    {
        QTest::addColumn<QString>("campo");
        QTest::newRow("Enter en el correo") << u"EdCorreoElectronicoLoggin"_s;
        QTest::newRow("Enter en la contraseña") << u"EdPasswordLoggin"_s;
    }
    void ingresoConEnter()
    {
        QFETCH(QString, campo);
        TPrograma programa(false, [] { registraEscuela(u"Secreta#1"_s); });
        TWizardFrm* w = programa.w;
        QCOMPARE(pieza<QLabel>(w, "TxSeleccion")->text(), RFC_ESCUELA);
        QVERIFY(pieza<QRadioButton>(w, RFC_ESCUELA)->isChecked());
        QCOMPARE(w->focusWidget(), pieza<QLineEdit>(w, "EdCorreoElectronicoLoggin"));
        pieza<QLineEdit>(w, "EdCorreoElectronicoLoggin")->setText(u"dueno@escuela.mx"_s);
        pieza<QLineEdit>(w, "EdPasswordLoggin")->setText(u"Secreta#1"_s);
        QTest::keyClick(w->findChild<QLineEdit*>(campo), Qt::Key_Return);
        QVERIFY(programa.respuestas.textos().isEmpty());
        QVERIFY(w->nextStep);
        QVERIFY(MainFrm->isVisible());
    }

    // Each step answers Enter with its own button, wherever the cursor is,
    // except where Enter means something else: a focused button, a list, the
    // certificate's password (which reads the certificate).
    void teclaEnter_data()
    {
        QTest::addColumn<int>("pagina");
        QTest::addColumn<QString>("campo");
        QTest::addColumn<QString>("presionado");
        QTest::newRow("perfil") << 0 << u"EdNombre"_s << u"BtSiguiente"_s;
        QTest::newRow("empresa") << 1 << u"EdNombreEmpresa"_s << u"BtFinalizar"_s;
        QTest::newRow("empresa, otro botón") << 1 << u"BtLimpiarCampos"_s << u"BtLimpiarCampos"_s;
        QTest::newRow("empresa, lista") << 1 << u"CmbRegimenFiscal"_s << QString();
        QTest::newRow("empresa, contraseña del CSD") << 1 << u"EdCSDPass"_s << QString();
    }
    void teclaEnter()
    {
        QFETCH(int, pagina);
        QFETCH(QString, campo);
        QFETCH(QString, presionado);
        TPrograma programa(true);
        TWizardFrm* w = programa.w;
        pieza<QStackedWidget>(w, "TabControl1")->setCurrentIndex(pagina);
        QApplication::setActiveWindow(w);
        QVERIFY(QTest::qWaitForWindowActive(w));
        std::vector<std::pair<QString, std::unique_ptr<QSignalSpy>>> botones;
        for (const char* nombre : {"BtSiguiente", "BtFinalizar", "BtLimpiarCampos", "BtAnterior"})
            botones.emplace_back(QLatin1String(nombre),
                                 std::make_unique<QSignalSpy>(pieza<QPushButton>(w, nombre), &QPushButton::clicked));
        pieza<QWidget>(w, campo)->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        for (const auto& [nombre, presiones] : botones)
            QCOMPARE(presiones->count(), nombre == presionado ? 1 : 0);
    }

    // The first file dialog opens in the user's documents, the next where
    // the user chose last, and a field left for another window is not
    // marked as wrong.
    void carpetaDeLosDialogos()
    {
        const QString preferencias = QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
                                         .filePath(u"Velkor/Preferencias.ini"_s);
        QFile::remove(preferencias);
        TPrograma programa(true);
        TWizardFrm* w = programa.w;
        pieza<QStackedWidget>(w, "TabControl1")->setCurrentIndex(1);
        elige(pieza<QPushButton>(w, "SearchEditButton2"), CSD + RFC_ESCUELA + u".cer"_s);
        elige(pieza<QPushButton>(w, "SearchEditButton1"), CSD + RFC_ESCUELA + u".key"_s);
        QString documentos = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        if (!QFileInfo(documentos).isDir())
            documentos = QDir::homePath();
        QCOMPARE(g_archivos->inicios(), (QStringList{documentos, QDir(CSD).absolutePath()}));
        QCOMPARE(QFileInfo(preferencias).permissions() & 0x0077, QFileDevice::Permissions());

        QApplication::setActiveWindow(w);
        QVERIFY(QTest::qWaitForWindowActive(w));
        auto* nombre = pieza<QLineEdit>(w, "EdNombreEmpresa");
        nombre->setFocus();
        QWidget otra;
        otra.show();
        QApplication::setActiveWindow(&otra);
        QVERIFY(QTest::qWaitForWindowActive(&otra));
        QVERIFY(!nombre->hasFocus());
        QVERIFY(!Controles::tieneError(nombre));
    }

    // Tab goes through each page's fields in reading order, then its
    // buttons and the bottom strip's links, and comes back to the first.
    void tabulacion_data()
    {
        QTest::addColumn<int>("pagina");
        QTest::addColumn<QStringList>("orden");
        // Every page ends with the bottom strip's links.
        const auto orden = [](const QString& campos) {
            return (campos + u" TXCatalogos TxRestaurarRespaldoXML Text2 TxRestaurarServidor TxBaseDatos"_s)
                .split(u' ');
        };
        QTest::newRow("perfil, con un teléfono")
            << 0
            << orden(u"EdCorreoElectronico EdPassword EdRepitePassword EdNombre EdApellidoPaterno "
                     u"EdApellidoMaterno Cont1Tipo Cont1Numero Cont1Extension TxTelefonoBottom "
                     u"TxConectarServidor BtSiguiente"_s);
        QTest::newRow("empresa") << 1
                                 << orden(u"EdNombreEmpresa EdCSD SearchEditButton2 ClearEditButton1 EdKey "
                                          u"SearchEditButton1 EdCSDPass EdRFC EdRazon CmbRegimenFiscal EdCalle "
                                          u"EdNoExterior EdNoInterior CmbCodigoPostal CmbColonia CmbMunicipio "
                                          u"CmbLocalidad CmbEstado CmbPais EdReferencia BtConfiguraConexion "
                                          u"BtAnterior BtLimpiarCampos BtFinalizar"_s);
        // The business list is one stop, as a group of options is: the
        // arrows move inside it.
        QTest::newRow("ingreso, dos empresas")
            << 3
            << orden(RFC_ESCUELA + u" EdCorreoElectronicoLoggin EdPasswordLoggin TxOlvidarContraseña BtIngresar "
                                   u"TxConectarServidor"_s);
        // Until a key is accepted the new password cannot be typed.
        QTest::newRow("recuperación") << 4
                                      << orden(u"BtEnviaClave EdClaveRecuperacion BtIngresarRecuperacion BtCancelar"_s);
    }
    void tabulacion()
    {
        QFETCH(int, pagina);
        QFETCH(QStringList, orden);
        TPrograma programa(false, [pagina] {
            if (pagina == 3)
                for (const QString& rfc : {RFC_ESCUELA, u"H&E951128469"_s})
                    BaseDatosLocalFrm->usuarioLogginInsert(
                        {QString(), rfc, rfc, DB_SQLITE, QString(), QString(), QString(), u"x.fdb"_s, QString()});
        });
        TWizardFrm* w = programa.w;
        if (pagina == 0)
            pieza<TTelefonosFrm>(w, "TxTelefonoContenedor")->agregaTelefono();
        pieza<QStackedWidget>(w, "TabControl1")->setCurrentIndex(pagina);
        QApplication::setActiveWindow(w);
        QVERIFY(QTest::qWaitForWindowActive(w));
        pieza<QWidget>(w, orden.first())->setFocus();
        QStringList recorrido{nombreFoco(QApplication::focusWidget())};
        for (int i = 0; i < orden.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            recorrido << nombreFoco(QApplication::focusWidget());
        }
        QCOMPARE(recorrido, orden + QStringList{orden.first()});
        if (pagina == 3) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
            QCOMPARE(nombreFoco(QApplication::focusWidget()), u"H_E951128469"_s);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
            QCOMPARE(pieza<QLabel>(w, "TxSeleccion")->text(), u"H_E951128469"_s);
        }
    }

    // The certificate's end of validity is shown; once past, as expired and
    // in the warning colour, yet the certificate is still taken.
    void certificadoVencido_data()
    {
        QTest::addColumn<QDate>("hoy");
        QTest::addColumn<bool>("vencido");
        QTest::newRow("último día de vigencia") << QDate(2027, 5, 18) << false;
        QTest::newRow("un día después") << QDate(2027, 5, 19) << true;
    }
    void certificadoVencido()
    {
        QFETCH(QDate, hoy);
        QFETCH(bool, vencido);
        TPrograma programa(true);
        TWizardFrm* w = programa.w;
        const QPalette normal = pieza<QLabel>(w, "TxCaducidadCSD")->palette();
        {
            const TRelojFijo reloj(hoy);
            elige(pieza<QPushButton>(w, "SearchEditButton2"), CSD + RFC_ESCUELA + u".cer"_s);
        }
        QCOMPARE(pieza<QLabel>(w, "TxCaducidadCSD")->text(), (vencido ? CN_VENCIDO : CN_CADUCIDAD) + u"18/05/2027"_s);
        const QColor color = pieza<QLabel>(w, "TxCaducidadCSD")->palette().color(QPalette::WindowText);
        QCOMPARE(color == Style::StyleFrm().color(RS_TEXTOADVERTENCIA), vencido);
        QCOMPARE(color == normal.color(QPalette::WindowText), !vencido);
        QVERIFY(programa.respuestas.textos().isEmpty());
        QCOMPARE(pieza<QLineEdit>(w, "EdRFC")->text(), RFC_ESCUELA);
    }

    // A registry found damaged at start is set aside and the user told; the
    // business created again over it loses nothing: the damaged registry and
    // the business's old database are both kept.
    void registroDanadoYAltaDeNuevo()
    {
        QByteArray baseAnterior;
        const QByteArray danado(4096, '\x5a');
        TPrograma programa(true, [&] {
            registraEscuela(u"Secreta#1"_s);
            Conexiones::cierraHilo();
            baseAnterior = TCarpetaPrograma::lee(NuevoNegocio::archivoLocal(RFC_ESCUELA));
            QVERIFY(TCarpetaPrograma::escribe(TBaseDatosLocalFrm::archivoRegistro(), danado));
        });
        TWizardFrm* w = programa.w;
        // The rebuild offered with the notice is declined.
        programa.respuestas.agregaRespuesta(TPrompter::CANCELAR);
        QCoreApplication::processEvents();
        QCOMPARE(programa.respuestas.textos().size(), 1);
        QVERIFY(programa.respuestas.textos().first().startsWith(u"El registro de empresas"_s));
        QVERIFY(!w->ocupado());
        QCOMPARE(pieza<QStackedWidget>(w, "TabControl1")->currentIndex(), 0);
        const QDir carpetaDb(Sistema::exePath + DB_PATH);
        const QStringList apartados = carpetaDb.entryList({u"Usuarios.danado-*.db"_s}, QDir::Files);
        QCOMPARE(apartados.size(), 1);
        QVERIFY(programa.respuestas.textos().first().contains(apartados.first()));
        QCOMPARE(TCarpetaPrograma::lee(carpetaDb.filePath(apartados.first())), danado);
        programa.respuestas.limpia();

        pieza<QLineEdit>(w, "EdCorreoElectronico")->setText(u"dueno@escuela.mx"_s);
        pieza<QPushButton>(w, "BtSiguiente")->click();
        llenaEmpresa(w, u"Escuela Kemper"_s, RFC_ESCUELA, PASSWORD_CSD);
        pieza<QPushButton>(w, "BtFinalizar")->click();
        QCOMPARE(programa.respuestas.textos(), QStringList());
        QVERIFY(MainFrm->isVisible());
        QCOMPARE(BaseDatosLocalFrm->getEmpresas().size(), 1);
        QCOMPARE(TCarpetaPrograma::lee(carpetaDb.filePath(apartados.first())), danado);
        const QDir carpetaEmpresa(carpetaDb.filePath(RFC_ESCUELA));
        const QStringList anteriores = carpetaEmpresa.entryList({DB_SISTEMA_NOMBRE + u".*.anterior"_s}, QDir::Files);
        QCOMPARE(anteriores.size(), 1);
        QCOMPARE(TCarpetaPrograma::lee(carpetaEmpresa.filePath(anteriores.first())), baseAnterior);
    }

    // Creating a business the registry cannot take fails with a message, and
    // the business's database stays in place.
    void altaSinRegistroEscribible()
    {
        QByteArray baseAnterior;
        TPrograma programa(true, [&] {
            registraEscuela(u"Secreta#1"_s);
            Conexiones::cierraHilo();
            baseAnterior = TCarpetaPrograma::lee(NuevoNegocio::archivoLocal(RFC_ESCUELA));
            BaseDatosLocalFrm->deshabilitaEstatusEmpresa(RFC_ESCUELA);
        });
        TWizardFrm* w = programa.w;
        QVERIFY(RegistroPrueba::ejecuta(u"CREATE TRIGGER sinAltas BEFORE INSERT ON NegocioLoggin "
                                        "BEGIN SELECT RAISE(ABORT, 'solo lectura'); END"_s));
        pieza<QLineEdit>(w, "EdCorreoElectronico")->setText(u"dueno@escuela.mx"_s);
        pieza<QPushButton>(w, "BtSiguiente")->click();
        llenaEmpresa(w, u"Escuela Kemper"_s, RFC_ESCUELA, PASSWORD_CSD);
        pieza<QPushButton>(w, "BtFinalizar")->click();
        QCOMPARE(programa.respuestas.textos().size(), 1);
        QVERIFY(programa.respuestas.textos().first().startsWith(ERR_REGISTRO_ESCRITURA));
        QVERIFY(w->isVisible());
        QVERIFY(!MainFrm->isVisible());
        QCOMPARE(TCarpetaPrograma::lee(NuevoNegocio::archivoLocal(RFC_ESCUELA)), baseAnterior);
        QVERIFY(textoLog().contains(u"Alta de empresa fallida"_s));
    }

    void cierreSinExito()
    {
        TPrograma programa;
        QVERIFY(programa.w->close());
        QVERIFY(!programa.w->nextStep);
        QVERIFY(!MainFrm->isVisible());
    }

    // One server: the update check at the wizard's showing (another
    // published version shows the indicators of both windows, the program's
    // own hides them), then the catalogue link (the bar moves while the
    // archive arrives; a failing server leaves the installed one working).
    void descargas_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("catalogo");
        QTest::newRow("otra versión, catálogo nuevo") << u"9.9.9.9"_s << u"/lento/CFDCAT.zip"_s;
        QTest::newRow("al día, el servidor falla")
            << TVerificaUpdate::getVersionSistema() << u"/archivo/no-existe.zip"_s;
    }
    void descargas()
    {
        QFETCH(QString, version);
        QFETCH(QString, catalogo);
        const bool disponible = version != TVerificaUpdate::getVersionSistema();
        QTemporaryDir servidos;
        QVERIFY(QFile::copy(QStringLiteral(VELKOR_GENERADOS "/CFDCAT.zip"), servidos.filePath(CATALOGO_ZIP)));
        QVERIFY(TCarpetaPrograma::escribe(servidos.filePath(u"versiones.txt"_s),
                                          "Velkor " + version.toUtf8() + "\r\n- nota\r\n"));
        const TServidorPrueba http(u"servidor_http.py"_s, {u"--carpeta"_s, servidos.path()});
        QVERIFY2(http.puerto() > 0, qPrintable(http.error()));
        TPrograma programa(!disponible, [&] {
            ajusta({{u"Red/catalogo"_s, http.url() + catalogo},
                    {u"Red/actualizaciones"_s, http.url() + u"/archivo/versiones.txt"_s}});
        });
        TWizardFrm* w = programa.w;
        MainFrm->muestraActualizacion(true);
        QSignalSpy veredicto(w, &TWizardFrm::actualizacionDisponible);
        QVERIFY(veredicto.wait(60000));
        QCOMPARE(pieza<QLabel>(w, "TxUpdate")->isVisibleTo(w) && pieza<QLabel>(w, "ImgUpdate")->isVisibleTo(w),
                 disponible);
        QCOMPARE(pieza<QLabel>(MainFrm, "ImgUpdate")->isVisibleTo(MainFrm), disponible);

        QList<int> valores;
        connect(pieza<QProgressBar>(w, "ProgressBar1"), &QProgressBar::valueChanged, this, [&](int v) {
            QVERIFY(pieza<QWidget>(w, "Text8")->isVisible() && !pieza<QLabel>(w, "TXCatalogos")->isEnabled());
            valores << v;
        });
        QVERIFY(termina(w, pieza<QLabel>(w, "TXCatalogos")));
        QVERIFY(!pieza<QWidget>(w, "Text8")->isVisible() && pieza<QLabel>(w, "TXCatalogos")->isEnabled());
        QCOMPARE(programa.respuestas.textos().first(), CONFIRMA_ACTUALIZA_CATALOGOS);
        QVERIFY(BaseDatosCatalogosFrm().existeCodigoPostalByCP(u"06600"_s));
        QVERIFY(
            programa.respuestas.textos().last().startsWith(disponible ? CATALOGO_FINALIZADO : ERR_DESCARGA_CATALOGO));
        QVERIFY(!disponible || (valores.size() > 3 && valores.last() == 100));
    }

    // The key arrives at the real mail server, sets a new password on the
    // recovery page and the user signs in with it. A database that fails at
    // that moment gives a message and leaves the page as it was.
    void recuperacion_data()
    {
        QTest::addColumn<bool>("ilegible");
        QTest::newRow("guardada") << false;
        QTest::newRow("base ilegible") << true;
    }
    void recuperacion()
    {
        QFETCH(bool, ilegible);
        QTemporaryDir buzon;
        const TServidorPrueba smtp(u"servidor_smtp.py"_s, {u"--carpeta"_s, buzon.path()});
        QVERIFY2(smtp.puerto() > 0, qPrintable(smtp.error()));
        TPrograma programa(false, [&] {
            registraEscuela(u"Vieja#1"_s);
            ajusta({{u"Correo/servidor"_s, u"127.0.0.1"_s}, {u"Correo/puerto"_s, QString::number(smtp.puerto())}});
        });
        TWizardFrm* w = programa.w;
        pieza<QLineEdit>(w, "EdCorreoElectronicoLoggin")->setText(u"dueno@escuela.mx"_s);
        QTest::mouseClick(pieza<QLabel>(w, "TxOlvidarContraseña"), Qt::LeftButton);
        QCOMPARE(pieza<QStackedWidget>(w, "TabControl1")->currentIndex(), 4);
        // The page says how long a key lasts before one is asked for.
        QVERIFY(pieza<QLabel>(w, "TxNotaEnvio")->text().endsWith(Recuperacion::textoVigencia()));
        Capturas::guarda(*w, u"asistente-recuperacion"_s);
        pieza<QPushButton>(w, "BtEnviaClave")->click();
        QTRY_VERIFY_WITH_TIMEOUT(pieza<QPushButton>(w, "BtEnviaClave")->isEnabled(), 60000);
        // The key exists only in the mail: it is read back from there.
        const QByteArray correo = TCarpetaPrograma::lee(buzon.filePath(u"1.eml"_s));
        const QString html = QString::fromUtf8(QByteArray::fromBase64(correo.mid(correo.indexOf("\r\n\r\n") + 4)));
        const qsizetype desde = html.indexOf(EMAIL_CLAVE_RECUPERACION) + EMAIL_CLAVE_RECUPERACION.size();
        pieza<QLineEdit>(w, "EdClaveRecuperacion")->setText(u' ' + html.mid(desde, html.indexOf(u'<', desde) - desde));
        QTest::keyClick(pieza<QLineEdit>(w, "EdClaveRecuperacion"), Qt::Key_Return);
        QVERIFY(pieza<QPushButton>(w, "BtGuardar")->isEnabled());
        pieza<QLineEdit>(w, "EdRecuperaPass")->setText(u"Nueva#2"_s);
        pieza<QLineEdit>(w, "EdRecuperaPassRepite")->setText(u"Nueva#2"_s);
        if (ilegible) {
            const auto base = TConexionSesion::embebida(NuevoNegocio::archivoLocal(RFC_ESCUELA), Sistema::exePath);
            QSqlQuery q(Conexiones::baseDatos(base));
            QVERIFY2(q.exec(u"ALTER TABLE %1 DROP STATUS"_s.arg(TUsuario::tablaEsquema().nombre)),
                     qPrintable(q.lastError().text()));
            pieza<QPushButton>(w, "BtGuardar")->click();
            QVERIFY2(programa.respuestas.textos().last().startsWith(u"No se pudo "_s),
                     qPrintable(programa.respuestas.textos().last()));
            QCOMPARE(pieza<QStackedWidget>(w, "TabControl1")->currentIndex(), 4);
            QVERIFY(pieza<QPushButton>(w, "BtGuardar")->isEnabled());
            return;
        }
        pieza<QPushButton>(w, "BtGuardar")->click();
        QCOMPARE(programa.respuestas.textos().last(), EMAIL_CONTRASENA_ACTUALIZA);
        QCOMPARE(pieza<QStackedWidget>(w, "TabControl1")->currentIndex(), 3);
        QVERIFY(!ingresa(w, u"Vieja#1"_s));
        QVERIFY(ingresa(w, u"Nueva#2"_s));
    }

    // A backup restored on a fresh program folder signs in; restored again
    // over the business now registered, the user is asked first.
    void respaldo()
    {
        QTemporaryDir dir;
        const QString archivo = dir.filePath(RFC_ESCUELA + RESPALDO_EXTENSION);
        {
            const TPrograma origen(false, [] { registraEscuela(u"Vieja#1"_s); });
            Conexiones::cierraHilo();
            TArchivoZip::comprime(archivo, Sistema::exePath + DB_PATH + RFC_ESCUELA, DB_PATH + RFC_ESCUELA + u'/',
                                  RESPALDO_PASSWORD, TArchivoZip::TCifrado::Tradicional);
        }
        TPrograma programa;
        g_archivos->agrega(archivo);
        g_archivos->agrega(archivo);
        QVERIFY(termina(programa.w, pieza<QLabel>(programa.w, "Text2")));
        programa.respuestas.agregaRespuesta(TPrompter::CANCELAR);
        QVERIFY(termina(programa.w, pieza<QLabel>(programa.w, "Text2")));
        QCOMPARE(programa.respuestas.textos(),
                 (QStringList{Respaldo::textoRestaurada(RFC_ESCUELA),
                              CONFIRMA_SOBRESCRIBE_RESPALDO + SALTO + RESPALDO_NO_REVERTIR}));
        QCOMPARE(pieza<QStackedWidget>(programa.w, "TabControl1")->currentIndex(), 3);
        QCOMPARE(programa.w->listaEmpresas(), QStringList{RFC_ESCUELA});
        QVERIFY(ingresa(programa.w, u"Vieja#1"_s));
    }

    // The registry file lost: the rebuild, from its link or offered with the
    // damaged-registry notice, brings every business back.
    void reconstruccion_data()
    {
        QTest::addColumn<bool>("desdeAviso");
        QTest::newRow("enlace") << false;
        QTest::newRow("aviso de registro dañado") << true;
    }
    void reconstruccion()
    {
        QFETCH(bool, desdeAviso);
        TPrograma programa(false, [] {
            registraEscuela(u"Vieja#1"_s);
            NegocioPrueba::crea(NegocioPrueba::RFC_ACCEM, u"dueno@escuela.mx"_s, u"Vieja#1"_s);
            Conexiones::cierraHilo();
        });
        NegocioPrueba::limpiaSesion();
        TWizardFrm* w = programa.w;
        QVERIFY(QFile::remove(programa.carpeta.archivo(DB_USUARIOS)));
        w->initEmpresas();
        QCOMPARE(pieza<QStackedWidget>(w, "TabControl1")->currentIndex(), 0);
        QSignalSpy fin(w, &TWizardFrm::procesoTerminado);
        int hechas = 0;
        connect(pieza<QProgressBar>(w, "ProgressBar1"), &QProgressBar::valueChanged, this,
                [&](int v) { hechas = qMax(hechas, v); });
        if (desdeAviso) {
            TBaseDatosLocalFrm::creaTablas(programa.carpeta.archivo(DB_USUARIOS));
            w->avisaRegistroDanado(programa.carpeta.archivo(u"db/Usuarios.danado.db"_s));
            w->ofreceReconstruccion();
        } else {
            QTest::mouseClick(pieza<QLabel>(w, "TxBaseDatos"), Qt::LeftButton);
        }
        QVERIFY(pieza<QWidget>(w, "Text8")->isVisible());
        QVERIFY(fin.wait(120000));
        QCOMPARE(hechas, 2);
        QVERIFY(programa.respuestas.textos().last().startsWith(u"Se registraron de nuevo 2 empresa"_s));
        QCOMPARE(pieza<QStackedWidget>(w, "TabControl1")->currentIndex(), 3);
        QCOMPARE(w->listaEmpresas(), (QStringList{NegocioPrueba::RFC_ACCEM, RFC_ESCUELA}));
        QTest::mouseClick(w->findChild<QRadioButton*>(RFC_ESCUELA), Qt::LeftButton);
        QVERIFY(ingresa(w, u"Vieja#1"_s));
    }
};

QTEST_MAIN(TstWizard)
#include "tst_wizard.moc"
