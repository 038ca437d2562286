#include "AsistentePrueba.h"
#include "Capturas.h"
#include "CertificadosPrueba.h"
#include "Conexiones.h"
#include "Constantes.h"
#include "Controles.h"
#include "Entidades.h"
#include "Prompter.h"
#include "RegistroPrueba.h"
#include "negocio/TBaseDatosLocalFrm.h"
#include "TDireccionesFrm.h"
#include "shell/TMainFrm.h"
#include "negocio/TNuevoNegocio.h"
#include "TTelefonoBean.h"
#include "TTelefonosFrm.h"
#include "setup/TPaginaNegocio.h"
#include "setup/TWizardFrm.h"
#include "Piezas.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>

using namespace AsistentePrueba;
using namespace Constantes;
using namespace Qt::StringLiterals;

namespace {

const QString PASSWORD_CSD = u"12345678a"_s;
const QString REGIMEN_MORAL = u"601 - General de Ley Personas Morales"_s;

const std::vector<std::unique_ptr<TTelefonoBean>>& filasTelefono(const QObject* w)
{
    return pieza<TTelefonosFrm>(w, u"TxTelefonoContenedor"_s)->telefonos();
}

QString requerido(const QString& campo)
{
    return QString(CAMPO_REQUERIDO).replace(CAMPO, campo);
}

// The postal code is typed over the prompt the box shows.
void escribeCodigoPostal(QWidget* w, const QString& cp)
{
    QLineEdit* edicion = pieza<TDireccionesFrm>(w, "DireccionesFrm")->getCmbCodigoPostal()->lineEdit();
    edicion->selectAll();
    QTest::keyClicks(edicion, cp);
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

// Creating a business from the wizard's business page, at first run and
// through "Agregar empresa": what the page takes (phones, certificate,
// required fields), the creation and its failures.
class TstAltaNegocio : public QObject {
    Q_OBJECT

    // Certificates made for the test.
    QTemporaryDir m_dir;

private slots:
    void init() { iniciaPrueba(); }

    void cleanup() { terminaPrueba(); }

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
        QApplication::setActiveWindow(w);
        QVERIFY(QTest::qWaitForWindowActive(w));
        pieza<QLineEdit>(w, "EdReferencia")->setFocus();
        pieza<QPushButton>(w, "BtFinalizar")->click();
        // One message names every missing field, in the page's order; the
        // cursor goes to the first.
        QCOMPARE(QApplication::focusWidget(), pieza<QLineEdit>(w, "EdNombreEmpresa"));
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

    // A registry found damaged at start is set aside and the user told; the
    // same business created again is refused, and loses nothing: the damaged
    // registry and the business's database are both kept where they are.
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
        QCOMPARE(programa.respuestas.textos().size(), 1);
        QVERIFY2(programa.respuestas.textos().first().startsWith(
                     u"La base de datos de la empresa %1 ya está en su carpeta"_s.arg(RFC_ESCUELA)),
                 qPrintable(programa.respuestas.textos().first()));
        QVERIFY(!MainFrm->isVisible());
        QCOMPARE(BaseDatosLocalFrm->getEmpresas().size(), 0);
        QCOMPARE(TCarpetaPrograma::lee(carpetaDb.filePath(apartados.first())), danado);
        const QDir carpetaEmpresa(carpetaDb.filePath(RFC_ESCUELA));
        QVERIFY(carpetaEmpresa.entryList({DB_SISTEMA_NOMBRE + u".*.anterior"_s}, QDir::Files).isEmpty());
        // Opened to look inside (the engine writes its header), not replaced.
        QVERIFY(QFileInfo::exists(NuevoNegocio::archivoLocal(RFC_ESCUELA)));
        QCOMPARE(QFileInfo(NuevoNegocio::archivoLocal(RFC_ESCUELA)).size(), baseAnterior.size());
    }

    // Creating a business the registry cannot take fails with a message.
    // (A disabled business whose database is still in its folder is refused
    // before, as not registered: its database is removed here.)
    void altaSinRegistroEscribible()
    {
        TPrograma programa(true, [&] {
            registraEscuela(u"Secreta#1"_s);
            Conexiones::cierraHilo();
            BaseDatosLocalFrm->deshabilitaEstatusEmpresa(RFC_ESCUELA);
            QVERIFY(QFile::remove(NuevoNegocio::archivoLocal(RFC_ESCUELA)));
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
        QVERIFY(textoLog().contains(u"Alta de empresa fallida"_s));
    }
};

QTEST_MAIN(TstAltaNegocio)
#include "tst_altanegocio.moc"
