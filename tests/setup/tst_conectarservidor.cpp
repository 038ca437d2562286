#include "Capturas.h"
#include "CarpetaPrograma.h"
#include "Constantes.h"
#include "NegocioPrueba.h"
#include "Piezas.h"
#include "ProgramaPrueba.h"
#include "Prompter.h"
#include "RegistroPrueba.h"
#include "Secretos.h"
#include "ServidoresBaseDatos.h"
#include "app/Ventanas.h"
#include "negocio/TBaseDatosLocalFrm.h"
#include "negocio/TCadenaConexion.h"
#include "negocio/TNuevoNegocio.h"
#include "setup/TConectarServidorFrm.h"
#include "setup/TWizardFrm.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTest>

using namespace Constantes;
using namespace Qt::StringLiterals;

namespace {

const QString CORREO = u"dueno@escuela.mx"_s;
const QString PASSWORD_USUARIO = u"Usuario#Secreto1"_s;
const QString PASSWORD_SERVIDOR = u"Servidor#Secreto2"_s;
// A database server's answer comes in seconds; this only bounds a hang.
constexpr int ESPERA_MAXIMA = 60000;

// The fields of the window, in the order they are shown.
const QStringList CAMPOS{"EdServidor",         "EdPuerto", "EdBaseDatos", "EdUsuarioServidor",
                         "EdPasswordServidor", "EdCorreo", "EdPassword"};

// The wizard as the program shows it at start, on the page the registry
// calls for: the sign-in with `empresas` registered, otherwise the first run.
class TPrograma : public TProgramaPrueba {
public:
    explicit TPrograma(const QStringList& empresas = {})
    {
        arranca(true, [&empresas] {
            for (const QString& rfc : empresas)
                BaseDatosLocalFrm->usuarioLogginInsert(
                    {QString(), rfc, rfc, DB_SQLITE, QString(), QString(), QString(), u"x.fdb"_s, QString()});
        });
        w = WizardFrm;
    }

    TWizardFrm* w = nullptr;
};

// A port of this computer nobody listens on.
QString puertoLibre()
{
    return QString::number(TServidorBaseDatos::puertoLibre());
}

// Fills the window: engine item `motor`, then CAMPOS in order.
void llena(const TConectarServidorFrm& ventana, int motor, const QStringList& valores)
{
    pieza<QComboBox>(ventana, "CmbMotor")->setCurrentIndex(motor);
    for (int i = 0; i < valores.size(); ++i)
        pieza<QLineEdit>(ventana, CAMPOS.at(i))->setText(valores.at(i));
}

// Opens the window from the link on the wizard's page `pagina`.
TConectarServidorFrm* abre(TWizardFrm* w, const QString& pagina)
{
    QTest::mouseClick(pieza<QLabel>(pieza(w, pagina), "TxConectarServidor"), Qt::LeftButton);
    return w->findChild<TConectarServidorFrm*>();
}

// The name a keyboard stop goes by: an editable list's own, not its box's.
QString nombreFoco()
{
    const QWidget* w = QApplication::focusWidget();
    if (!w)
        return QString();
    if (const QWidget* padre = w->parentWidget(); padre && padre->focusProxy() == w)
        return padre->objectName();
    return w->objectName();
}

} // namespace

class TstConectarServidor : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    void init() { NegocioPrueba::limpiaSesion(); }

    // "Conectar" waits for the host, the database, the server's account and
    // the user's e-mail; passwords may be empty, and an empty port is the
    // engine's usual one.
    void habilitaConectar_data()
    {
        QTest::addColumn<QStringList>("valores");
        QTest::addColumn<bool>("habilitado");
        const QStringList completo{"10.0.0.5", "3307", "velkor_eku", "velkor", "", CORREO, ""};
        const auto sin = [&completo](int campo, const QString& valor = QString()) {
            QStringList valores = completo;
            valores[campo] = valor;
            return valores;
        };
        QTest::newRow("completo") << completo << true;
        QTest::newRow("puerto de siempre") << sin(1) << true;
        QTest::newRow("sin servidor") << sin(0) << false;
        QTest::newRow("servidor en blanco") << sin(0, u"   "_s) << false;
        QTest::newRow("sin base de datos") << sin(2) << false;
        QTest::newRow("sin usuario del servidor") << sin(3) << false;
        QTest::newRow("sin correo") << sin(5) << false;
        QTest::newRow("puerto fuera de rango") << sin(1, u"70000"_s) << false;
    }
    void habilitaConectar()
    {
        QFETCH(QStringList, valores);
        QFETCH(bool, habilitado);
        TCarpetaPrograma carpeta;
        TConectarServidorFrm ventana;
        QVERIFY(!pieza<QPushButton>(ventana, "BtConectar")->isEnabled());
        for (int motor : {0, 1}) {
            llena(ventana, motor, valores);
            QCOMPARE(pieza<QPushButton>(ventana, "BtConectar")->isEnabled(), habilitado);
        }
    }

    // What the window hands over is the engine's provider and the fields
    // trimmed; the passwords as typed.
    void destino_data()
    {
        QTest::addColumn<int>("motor");
        QTest::addColumn<QString>("proveedor");
        QTest::addColumn<QString>("puerto");
        QTest::newRow("MariaDB") << 0 << DB_MySQL << PUERTO_MARIADB;
        QTest::newRow("Firebird") << 1 << DB_FIREBIRD_SERVIDOR << PUERTO_FIREBIRD;
    }
    void destino()
    {
        QFETCH(int, motor);
        QFETCH(QString, proveedor);
        QFETCH(QString, puerto);
        TCarpetaPrograma carpeta;
        TConectarServidorFrm ventana;
        pieza<QComboBox>(ventana, "CmbMotor")->setCurrentIndex(motor);
        ventana.show();
        // Captured at the size its layout asks for.
        ventana.adjustSize();
        Capturas::guarda(ventana, u"conectar-servidor-"_s + QTest::currentDataTag());
        llena(ventana, motor, {" 10.0.0.5 ", "", " /srv/velkor/EKU.fdb ", " velkor ", " clave ", CORREO, ""});
        const NuevoNegocio::TDestino d = ventana.destino();
        QCOMPARE(d.motor, proveedor);
        QCOMPARE((QStringList{d.servidor, d.puerto, d.baseDatos, d.usuario, d.password}),
                 (QStringList{"10.0.0.5", "", "/srv/velkor/EKU.fdb", "velkor", " clave "}));
        // The empty port shows the one that will be used.
        QCOMPARE(pieza<QLineEdit>(ventana, "EdPuerto")->placeholderText(), puerto);
    }

    // Tab follows the fields as shown, then Cancelar and Conectar.
    void tabulacion()
    {
        TCarpetaPrograma carpeta;
        TConectarServidorFrm ventana;
        llena(ventana, 0, {"10.0.0.5", "", "velkor_eku", "velkor", "", CORREO, ""});
        ventana.show();
        QApplication::setActiveWindow(&ventana);
        QVERIFY(QTest::qWaitForWindowActive(&ventana));
        const QStringList orden = QStringList{"CmbMotor"} + CAMPOS + QStringList{"BtCancelar", "BtConectar"};
        QCOMPARE(nombreFoco(), orden.first());
        QStringList recorrido{nombreFoco()};
        for (int i = 0; i < orden.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            recorrido << nombreFoco();
        }
        QCOMPARE(recorrido, orden + QStringList{orden.first()});
    }

    // Both pages a workstation may start on lead to the window, by mouse and
    // by keyboard: the link follows the page's last field or button.
    void enlaces_data()
    {
        QTest::addColumn<QStringList>("empresas");
        QTest::addColumn<QString>("pagina");
        QTest::addColumn<QString>("anterior");
        QTest::newRow("primera vez") << QStringList() << u"TabItem1"_s << u"TxTelefonoBottom"_s;
        QTest::newRow("ingreso") << QStringList{NegocioPrueba::RFC_ESCUELA} << u"TabItem5"_s << u"BtIngresar"_s;
    }
    void enlaces()
    {
        QFETCH(QStringList, empresas);
        QFETCH(QString, pagina);
        QFETCH(QString, anterior);
        TPrograma programa(empresas);
        TWizardFrm* w = programa.w;
        QWidget* hoja = pieza(w, pagina);
        QCOMPARE(pieza<QStackedWidget>(w, "TabControl1")->currentWidget(), hoja);
        Capturas::guarda(*w, u"conectar-enlace-"_s + pagina);

        QApplication::setActiveWindow(w);
        QVERIFY(QTest::qWaitForWindowActive(w));
        pieza(hoja, anterior)->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(nombreFoco(), u"TxConectarServidor"_s);
        // Each page declares a signal of its own by that name.
        QSignalSpy anuncio(hoja, SIGNAL(conectarServidor()));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(anuncio.count(), 1);
        QPointer<TConectarServidorFrm> ventana = w->findChild<TConectarServidorFrm*>();
        QVERIFY(ventana);
        QVERIFY(ventana->isVisible());
        QVERIFY(ventana->isModal());
        QCOMPARE(ventana->windowTitle(), u"Conectar a una empresa en un servidor"_s);

        // Cancelled, the window goes and the page is as it was.
        pieza<QPushButton>(*ventana, "BtCancelar")->click();
        QTRY_VERIFY(ventana.isNull());
        QCOMPARE(pieza<QStackedWidget>(w, "TabControl1")->currentWidget(), hoja);
        QCOMPARE(w->listaEmpresas(), empresas);
        QVERIFY(programa.respuestas.textos().isEmpty());
    }

    // A server that does not answer is told to the user as an error and
    // nothing is registered; while the check runs the window says so and
    // stays, and the passwords show nowhere.
    void servidorSinRespuesta_data()
    {
        QTest::addColumn<int>("motor");
        QTest::addColumn<QString>("base");
        QTest::addColumn<bool>("cierra");
        QTest::newRow("MariaDB") << 0 << u"velkor_eku"_s << false;
        QTest::newRow("Firebird") << 1 << u"/srv/velkor/EKU9003173C9.fdb"_s << false;
        // The window's owner may go while a check runs (the program ends):
        // the check is waited for and reports to no one.
        QTest::newRow("cerrada mientras conecta") << 0 << u"velkor_eku"_s << true;
    }
    void servidorSinRespuesta()
    {
        QFETCH(int, motor);
        QFETCH(QString, base);
        QFETCH(bool, cierra);
        TPrograma programa;
        TWizardFrm* w = programa.w;
        QPointer<TConectarServidorFrm> ventana = abre(w, u"TabItem1"_s);
        QVERIFY(ventana);
        llena(*ventana, motor,
              {"127.0.0.1", puertoLibre(), base, "velkor", PASSWORD_SERVIDOR, CORREO, PASSWORD_USUARIO});
        QSignalSpy conectada(ventana, &TConectarServidorFrm::empresaConectada);
        auto* conectar = pieza<QPushButton>(*ventana, "BtConectar");
        conectar->click();
        // The answer comes through the event loop, which has not run yet.
        QVERIFY(ventana->conectando());
        QVERIFY(!conectar->isEnabled());
        QCOMPARE(conectar->text(), u"Conectando…"_s);
        QVERIFY(!pieza<QPushButton>(*ventana, "BtCancelar")->isEnabled());
        if (cierra) {
            delete ventana.data();
            QCoreApplication::sendPostedEvents();
            QCoreApplication::processEvents();
            QVERIFY(programa.respuestas.textos().isEmpty());
            QCOMPARE(registroLocal().getNumeroEmpresas(), 0);
            return;
        }
        ventana->reject();
        QVERIFY(ventana->isVisible());
        // Drawn without running the loop, which would bring the answer.
        if (Capturas::pedidas())
            ventana->grab().save(qEnvironmentVariable("VELKOR_CAPTURAS") + u"/conectar-ocupado-"_s +
                                 QTest::currentDataTag() + u".png"_s);

        QTRY_COMPARE_WITH_TIMEOUT(programa.respuestas.textos().size(), 1, ESPERA_MAXIMA);
        QCOMPARE(programa.respuestas.tipos(), QList<int>{MSG_ERROR});
        const QString texto = programa.respuestas.textos().constFirst();
        QVERIFY2(texto.contains(u"127.0.0.1"_s), qPrintable(texto));
        QVERIFY(ventana);
        QVERIFY(ventana->isVisible());
        QVERIFY(!ventana->conectando());
        QVERIFY(conectar->isEnabled());
        QCOMPARE(conectar->text(), u"Conectar"_s);
        QCOMPARE(conectada.count(), 0);
        QCOMPARE(registroLocal().getNumeroEmpresas(), 0);
        QVERIFY(registroLocal().getEmpresasDetalle().isEmpty());
        const QString log = programa.carpeta.log();
        for (const QString& password : {PASSWORD_SERVIDOR, PASSWORD_USUARIO}) {
            QVERIFY(!texto.contains(password));
            QVERIFY(!log.contains(password));
        }
        QCOMPARE(pieza<QStackedWidget>(w, "TabControl1")->currentIndex(), 0);
    }

    // A business another workstation created on a server joins this one's
    // sign-in, chosen, with the e-mail typed, and its user signs in.
    // Already registered here, it is refused; registered by another
    // installation (its db/ folder copied here, the string under that one's
    // key), its one registration is rewritten to lead to the server.
    void empresaDelServidor_data()
    {
        QTest::addColumn<int>("numeroTipo");
        QTest::addColumn<QString>("registrada");
        QTest::newRow("MariaDB") << int(TServidorBaseDatos::Tipo::MariaDB) << QString();
        QTest::newRow("Firebird") << int(TServidorBaseDatos::Tipo::Firebird) << QString();
        QTest::newRow("MariaDB, registrada por otra instalación")
            << int(TServidorBaseDatos::Tipo::MariaDB) << u"ilegible"_s;
        QTest::newRow("MariaDB, ya registrada") << int(TServidorBaseDatos::Tipo::MariaDB) << u"legible"_s;
    }
    void empresaDelServidor()
    {
        QFETCH(int, numeroTipo);
        QFETCH(QString, registrada);
        const auto tipo = TServidorBaseDatos::Tipo(numeroTipo);
        if (const QString falta = TServidorBaseDatos::faltante(tipo); !falta.isEmpty())
            QSKIP(qPrintable(falta));
        TServidorBaseDatos servidor(tipo);
        QVERIFY2(servidor.inicia(), qPrintable(servidor.error()));
        const QString base = servidor.creaBaseDatos();
        QVERIFY2(!base.isEmpty(), qPrintable(servidor.error()));
        const NuevoNegocio::TDestino destino = NuevoNegocio::destinoServidor(servidor.conexion(base));
        {
            // The workstation that created the business, in a folder of its own.
            TCarpetaPrograma primera;
            NegocioPrueba::creaRegistro(primera);
            NuevoNegocio::TDatos d;
            d.email = CORREO;
            d.password = PASSWORD_USUARIO;
            d.nombre = u"Dueño"_s;
            d.nombreEmpresa = u"Escuela Kemper"_s;
            d.certificado = NegocioPrueba::certificado(NegocioPrueba::RFC_ESCUELA);
            d.llave = NegocioPrueba::llave(NegocioPrueba::RFC_ESCUELA);
            d.passwordLlave = NegocioPrueba::PASSWORD_CSD;
            d.rfc = NegocioPrueba::RFC_ESCUELA;
            d.razon = u"ESCUELA KEMPER URGATE SA DE CV"_s;
            d.regimen = u"601 - General de Ley Personas Morales"_s;
            const TConexionSesion conexion =
                NuevoNegocio::saveNuevoLocal(d.email, d.rfc, d.razon, destino, QByteArray());
            NuevoNegocio::saveNuevoNegocio(d, conexion, QByteArray());
            NegocioPrueba::limpiaSesion();
        }

        const QStringList empresas = registrada.isEmpty() ? QStringList() : QStringList{NegocioPrueba::RFC_ESCUELA};
        TPrograma programa(empresas);
        if (registrada == u"ilegible")
            QVERIFY(RegistroPrueba::ejecuta(
                u"UPDATE Conexion SET stringConexion = ?"_s,
                {Secretos::cifra(u"SQLite||||/otra/db/EKU9003173C9/Velkor.fdb|"_s, QByteArray(32, 'k'))}));
        const QString antes = registroLocal().getEmpresaDetalle(NegocioPrueba::RFC_ESCUELA).value(2);
        TWizardFrm* w = programa.w;
        QPointer<TConectarServidorFrm> ventana = abre(w, empresas.isEmpty() ? u"TabItem1"_s : u"TabItem5"_s);
        QVERIFY(ventana);
        llena(*ventana, tipo == TServidorBaseDatos::Tipo::MariaDB ? 0 : 1,
              {destino.servidor, destino.puerto, destino.baseDatos, destino.usuario, destino.password, CORREO,
               u"Otra#Clave3"_s});
        QSignalSpy conectada(ventana, &TConectarServidorFrm::empresaConectada);
        // Another password of that user: said, the window kept, the
        // password field ready to type again, nothing registered.
        pieza<QPushButton>(*ventana, "BtConectar")->click();
        QTRY_COMPARE_WITH_TIMEOUT(programa.respuestas.textos().size(), 1, ESPERA_MAXIMA);
        QCOMPARE(programa.respuestas.tipos(), QList<int>{MSG_WARNING});
        QVERIFY(ventana->isVisible());
        QCOMPARE(ventana->focusWidget(), pieza<QLineEdit>(*ventana, "EdPassword"));
        QCOMPARE(registroLocal().getNumeroEmpresas(), empresas.size());

        programa.respuestas.limpia();
        pieza<QLineEdit>(*ventana, "EdPassword")->setText(PASSWORD_USUARIO);
        pieza<QPushButton>(*ventana, "BtConectar")->click();
        QTRY_COMPARE_WITH_TIMEOUT(programa.respuestas.textos().size(), 1, ESPERA_MAXIMA);
        if (registrada == u"legible") {
            QCOMPARE(programa.respuestas.tipos(), QList<int>{MSG_WARNING});
            QVERIFY(programa.respuestas.textos().constFirst().contains(u"ya tiene registrada"_s));
            QCOMPARE(registroLocal().getEmpresaDetalle(NegocioPrueba::RFC_ESCUELA).value(2), antes);
            return;
        }
        QCOMPARE(programa.respuestas.tipos(), QList<int>{MSG_INFORMATION});
        QCOMPARE(conectada.count(), 1);
        QCOMPARE(conectada.constFirst().constFirst().toString(), NegocioPrueba::RFC_ESCUELA);
        QTRY_VERIFY(ventana.isNull());

        QCOMPARE(pieza<QStackedWidget>(w, "TabControl1")->currentIndex(), 3);
        QCOMPARE(w->listaEmpresas(), QStringList{NegocioPrueba::RFC_ESCUELA});
        QCOMPARE(TCadenaConexion::deGuardada(registroLocal().getEmpresaDetalle(NegocioPrueba::RFC_ESCUELA).value(2))
                     .getBaseDatos(),
                 destino.baseDatos);
        QCOMPARE(registroLocal().getNumeroEmpresas(), 1);
        QCOMPARE(pieza<QLabel>(w, "TxSeleccion")->text(), NegocioPrueba::RFC_ESCUELA);
        QCOMPARE(pieza<QLineEdit>(w, "EdCorreoElectronicoLoggin")->text(), CORREO);
        Capturas::guarda(*w, u"conectar-ingreso-"_s + QTest::currentDataTag());
        pieza<QLineEdit>(w, "EdPasswordLoggin")->setText(PASSWORD_USUARIO);
        pieza<QPushButton>(w, "BtIngresar")->click();
        QVERIFY(w->nextStep);
    }
};

QTEST_MAIN(TstConectarServidor)
#include "tst_conectarservidor.moc"
