#include "Capturas.h"
#include "CarpetaPrograma.h"
#include "ConPermisosDeUsuario.h"
#include "Constantes.h"
#include "Controles.h"
#include "NegocioPrueba.h"
#include "Piezas.h"
#include "Prompter.h"
#include "ServidorPrueba.h"
#include "Signerutils.h"
#include "negocio/AjustesCorreo.h"
#include "admin/TAjustesCorreoFrm.h"
#include "negocio/TAjustesPrograma.h"
#include "negocio/TIngreso.h"
#include "setup/TPaginaRecuperacion.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;
using namespace Constantes;
using namespace AjustesCorreo;

Q_DECLARE_METATYPE(AjustesCorreo::TAjustes)

namespace {

const QString CORREO = u"dueno@escuela.mx"_s;
const QString PASSWORD = u"Secreta#1"_s;
// The business whose settings are saved, and another one.
const QString RFC = u"H&E951128469"_s;
const QString OTRO_RFC = NegocioPrueba::RFC_ESCUELA;

TAjustes ajustes(const QString& servidor, TSeguridad seguridad, int puerto, const QString& cuenta = QString(),
                 const QString& password = QString(), const QString& remitente = QString())
{
    return {servidor, puerto, seguridad, cuenta, password, remitente};
}

// A settings file as an installer leaves it: readable by everyone.
void escribeIni(const TCarpetaPrograma& programa, const QByteArray& contenido)
{
    const QString archivo = programa.archivo(ARCHIVO_AJUSTES);
    QVERIFY(TCarpetaPrograma::escribe(archivo, contenido));
    QVERIFY(QFile::setPermissions(archivo, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther));
}

QStringList correos(const QString& carpeta)
{
    return QDir(carpeta).entryList({u"*.eml"_s}, QDir::Files, QDir::Name);
}

// Types the settings into the window's fields.
void llena(const TAjustesCorreoFrm& w, const TAjustes& a)
{
    pieza<QLineEdit>(w, "EdServidor")->setText(a.servidor);
    pieza<QComboBox>(w, "CbSeguridad")->setCurrentIndex(static_cast<int>(a.seguridad));
    pieza<QSpinBox>(w, "SpPuerto")->setValue(a.puerto);
    pieza<QLineEdit>(w, "EdCuenta")->setText(a.cuenta);
    pieza<QLineEdit>(w, "EdPassword")->setText(a.password);
    pieza<QLineEdit>(w, "EdRemitente")->setText(a.remitente);
}

} // namespace

class TstCorreo : public QObject {
    Q_OBJECT

private slots:
    void init() { NegocioPrueba::limpiaSesion(); }

    // What is saved reads back the same, as the business's own; the password
    // is never in the file in clear, the file is its owner's only and
    // everything else in it stays, the program-wide mail too.
    void guardaYLee_data()
    {
        QTest::addColumn<TAjustes>("guardados");
        QTest::newRow("sin cuenta") << ajustes(u"smtp.negocio.mx"_s, TSeguridad::Ninguna, 25);
        QTest::newRow("STARTTLS con cuenta")
            << ajustes(u"mail.negocio.mx"_s, TSeguridad::Starttls, 587, u"avisos@negocio.mx"_s,
                       u"Secreta, con coma; y = signos"_s, u"Avisos Négocio <avisos@negocio.mx>"_s);
        QTest::newRow("SSL/TLS") << ajustes(u"smtp.gmail.com"_s, TSeguridad::SslTls, 465, u"yo@gmail.com"_s,
                                            u"ñandú#1"_s);
    }
    void guardaYLee()
    {
        QFETCH(TAjustes, guardados);
        const TCarpetaPrograma programa;
        escribeIni(programa, "[Red]\ncatalogo=https://descargas.negocio.mx/CFDCAT.zip\n"
                             "[Correo]\ncertificadosCA=ca.pem\ncuenta=vieja\npassword=ViejaEnClaro\n");
        QCOMPARE(AjustesCorreo::guarda(programa.ruta(), RFC, guardados), QString());

        QCOMPARE(AjustesCorreo::lee(programa.ruta(), RFC), guardados);
        QCOMPARE(AjustesCorreo::lee(programa.ruta(), u" h&e951128469"_s), guardados);
        const QString archivo = programa.archivo(ARCHIVO_AJUSTES);
        QCOMPARE(TCarpetaPrograma::modo(archivo), 0600);
        const QByteArray contenido = TCarpetaPrograma::lee(archivo);
        if (!guardados.password.isEmpty()) {
            QVERIFY(!contenido.contains(guardados.password.toUtf8()));
            QVERIFY(!programa.log().contains(guardados.password));
            const QSettings leido(archivo, QSettings::IniFormat);
            QVERIFY(leido.value(TAjustesPrograma::claveCorreo(RFC, TAjustesPrograma::CORREO_PASSWORD))
                        .toString()
                        .startsWith(u"v2:"_s));
        }
        const TAjustesPrograma ini(programa.ruta());
        QCOMPARE(ini.urlCatalogo(), u"https://descargas.negocio.mx/CFDCAT.zip"_s);
        QCOMPARE(ini.certificadosCorreo(), programa.archivo(u"ca.pem"_s));
        QCOMPARE(ini.tlsRequeridoCorreo(RFC), guardados.seguridad == TSeguridad::Starttls);
        QVERIFY(AjustesCorreo::configurado(programa.ruta(), RFC));
        QCOMPARE(AjustesCorreo::lee(programa.ruta()).cuenta, u"vieja"_s);
        QCOMPARE(AjustesCorreo::lee(programa.ruta(), OTRO_RFC).cuenta, u"vieja"_s);
    }

    // A folder the program may not write in keeps its file as it was, and
    // the user is told in words.
    void guardaRechazado()
    {
        const TCarpetaPrograma programa;
        const QByteArray antes("[Correo]\nservidor=mail.x.mx\n");
        escribeIni(programa, antes);
        const TConPermisosDeUsuario comoUsuario;
        if (!comoUsuario.efectivo())
            QSKIP("El superusuario no pudo dejar sus privilegios.");
        QVERIFY(QFile::setPermissions(programa.ruta(), QFile::ReadOwner | QFile::ExeOwner));
        const QString error =
            AjustesCorreo::guarda(programa.ruta(), RFC, ajustes(u"otro.x.mx"_s, TSeguridad::Ninguna, 25));
        QVERIFY(QFile::setPermissions(programa.ruta(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QCOMPARE(error, ERR_GUARDAR);
        QCOMPARE(TCarpetaPrograma::lee(programa.archivo(ARCHIVO_AJUSTES)), antes);
        QCOMPARE(AjustesCorreo::lee(programa.ruta(), RFC).servidor, u"mail.x.mx"_s);
    }

    // Files written by hand before the window existed read as they always
    // sent: the address's scheme and port win. They serve every business
    // without settings of its own.
    void archivosAnteriores_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<TAjustes>("leidos");
        QTest::addColumn<bool>("configurado");
        QTest::newRow("smtps con puerto") << QByteArray("servidor=smtps://mail.x.mx:2465\n")
                                          << ajustes(u"mail.x.mx"_s, TSeguridad::SslTls, 2465) << true;
        QTest::newRow("smtp y tls requerido") << QByteArray("servidor=smtp://mail.x.mx\npuerto=587\ntls=requerido\n")
                                              << ajustes(u"mail.x.mx"_s, TSeguridad::Starttls, 587) << true;
        QTest::newRow("anfitrión y puerto") << QByteArray("servidor=mail.x.mx:2525\npuerto=25\n")
                                            << ajustes(u"mail.x.mx"_s, TSeguridad::Ninguna, 2525) << true;
        QTest::newRow("contraseña en claro")
            << QByteArray("servidor=mail.x.mx\ncuenta=a@x.mx\npassword=clara\nremitente=Yo <a@x.mx>\n")
            << ajustes(u"mail.x.mx"_s, TSeguridad::Ninguna, 0, u"a@x.mx"_s, u"clara"_s, u"Yo <a@x.mx>"_s) << true;
        QTest::newRow("contraseña cifrada")
            << QByteArray("servidor=mail.x.mx\ncuenta=a@x.mx\npassword=" +
                          Signerutils::Signer().crypt(u"oculta"_s).toUtf8() + '\n')
            << ajustes(u"mail.x.mx"_s, TSeguridad::Ninguna, 0, u"a@x.mx"_s, u"oculta"_s) << true;
        QTest::newRow("cuenta sin contraseña") << QByteArray("servidor=mail.x.mx\ncuenta=a@x.mx\n")
                                               << ajustes(u"mail.x.mx"_s, TSeguridad::Ninguna, 0, u"a@x.mx"_s) << false;
        QTest::newRow("sin grupo") << QByteArray() << TAjustes() << false;
    }
    void archivosAnteriores()
    {
        QFETCH(QByteArray, ini);
        QFETCH(TAjustes, leidos);
        QFETCH(bool, configurado);
        const TCarpetaPrograma programa;
        escribeIni(programa, "[Correo]\n" + ini);
        QCOMPARE(AjustesCorreo::lee(programa.ruta()), leidos);
        QCOMPARE(AjustesCorreo::lee(programa.ruta(), RFC), leidos);
        QCOMPARE(AjustesCorreo::configurado(programa.ruta(), RFC), configurado);
    }

    void faltantes_data()
    {
        QTest::addColumn<TAjustes>("revisados");
        QTest::addColumn<QList<int>>("campos");
        QTest::newRow("completos") << ajustes(u"mail.x.mx"_s, TSeguridad::Ninguna, 25) << QList<int>{};
        QTest::newRow("sin servidor") << ajustes(QString(), TSeguridad::Ninguna, 25) << QList<int>{TFalta::Servidor};
        QTest::newRow("servidor con esquema")
            << ajustes(u"smtp://mail.x.mx"_s, TSeguridad::Ninguna, 25) << QList<int>{TFalta::Servidor};
        QTest::newRow("cuenta sin contraseña, remitente no válido")
            << ajustes(u"mail.x.mx"_s, TSeguridad::Ninguna, 25, u"a@x.mx"_s, QString(), u"Yo <a@x>"_s)
            << QList<int>{TFalta::Password, TFalta::Remitente};
    }
    void faltantes()
    {
        QFETCH(TAjustes, revisados);
        QFETCH(QList<int>, campos);
        QList<int> encontrados;
        for (const TFalta& falta : AjustesCorreo::faltantes(revisados))
            encontrados << falta.campo;
        QCOMPARE(encontrados, campos);
        // Nothing is written while something is wanting.
        const TCarpetaPrograma programa;
        QCOMPARE(AjustesCorreo::guarda(programa.ruta(), RFC, revisados).isEmpty(), campos.isEmpty());
        QCOMPARE(QFile::exists(programa.archivo(ARCHIVO_AJUSTES)), campos.isEmpty());
    }

    // "Probar" sends with what is typed, to the address typed, and says in
    // plain words what went wrong.
    void prueba_data()
    {
        QTest::addColumn<QString>("caso");
        QTest::addColumn<QString>("falla"); // empty: delivered
        QTest::newRow("sin cifrar") << u"plano"_s << QString();
        QTest::newRow("STARTTLS con cuenta") << u"starttls"_s << QString();
        QTest::newRow("puerto equivocado") << u"puerto"_s << FALLA_CONEXION;
        QTest::newRow("cuenta rechazada") << u"cuenta"_s << FALLA_AUTENTICACION;
        QTest::newRow("SSL/TLS con un servidor sin TLS") << u"ssl"_s << FALLA_CIFRADO;
        QTest::newRow("servidor ocupado") << u"ocupado"_s << FALLA_INTERRUMPIDA;
        QTest::newRow("servidor que corta") << u"corta"_s << FALLA_INTERRUMPIDA;
    }
    void prueba()
    {
        QFETCH(QString, caso);
        QFETCH(QString, falla);
        const TCarpetaPrograma programa;
        QTemporaryDir buzon;
        QStringList argumentos{u"--carpeta"_s, buzon.path()};
        TAjustes a = ajustes(u"127.0.0.1"_s, TSeguridad::Ninguna, 0);
        if (caso == u"starttls"_s) {
            const TCertificadoPrueba certificado(buzon.path());
            QVERIFY(certificado.valido());
            argumentos << u"--certificado"_s << certificado.certificado << u"--llave"_s << certificado.llave
                       << u"--cuenta"_s << u"avisos:Buena, sí"_s;
            QSettings(programa.archivo(ARCHIVO_AJUSTES), QSettings::IniFormat)
                .setValue(TAjustesPrograma::CORREO_CERTIFICADOS, certificado.certificado);
            a = ajustes(u"127.0.0.1"_s, TSeguridad::Starttls, 0, u"avisos"_s, u"Buena, sí"_s);
        } else if (caso == u"cuenta"_s) {
            argumentos << u"--cuenta"_s << u"avisos:buena"_s;
            a = ajustes(u"127.0.0.1"_s, TSeguridad::Ninguna, 0, u"avisos"_s, u"Mala#Clave7"_s);
        } else if (caso == u"ssl"_s) {
            a.seguridad = TSeguridad::SslTls;
        } else if (caso == u"ocupado"_s || caso == u"corta"_s) {
            argumentos << u"--falla"_s << caso;
        }
        std::unique_ptr<TServidorPrueba> smtp = std::make_unique<TServidorPrueba>(u"servidor_smtp.py"_s, argumentos);
        QVERIFY2(smtp->puerto() > 0, qPrintable(smtp->error()));
        a.puerto = smtp->puerto();
        // A port where nothing listens any more.
        if (caso == u"puerto"_s)
            smtp.reset();

        TColaRespuestas respuestas;
        TAjustesCorreoFrm w(programa.ruta(), RFC, CORREO);
        w.show();
        llena(w, a);
        auto* destino = pieza<QLineEdit>(w, "EdCorreoPrueba");
        QCOMPARE(destino->text(), CORREO);
        destino->setText(u"contador@escuela.mx"_s);
        QTest::mouseClick(pieza<QPushButton>(w, "BtProbar"), Qt::LeftButton);

        const QString esperado =
            falla.isEmpty() ? PRUEBA_ENVIADA.arg(u"contador@escuela.mx"_s) : PRUEBA_FALLIDA + falla;
        QCOMPARE(respuestas.textos(), QStringList{esperado});
        QVERIFY(w.isVisible());
        QVERIFY(pieza<QPushButton>(w, "BtGuardar")->isEnabled());
        // The failure is logged with its details, never with the password.
        if (!a.password.isEmpty())
            QVERIFY(!programa.log().contains(a.password));
        // Trying saves nothing.
        QVERIFY(!AjustesCorreo::lee(programa.ruta(), RFC).completos());
        if (falla.isEmpty()) {
            QCOMPARE(correos(buzon.path()), QStringList{u"1.eml"_s});
            const QByteArray recibido = TCarpetaPrograma::lee(buzon.filePath(u"1.eml"_s));
            QVERIFY(recibido.contains("X-Destinatario: contador@escuela.mx\r\n"));
            QVERIFY(recibido.contains("Subject: Mensaje de prueba del correo\r\n"));
        } else if (smtp) {
            QCOMPARE(correos(buzon.path()), QStringList{});
        }
    }

    // Guardar saves what is typed; the stored password never comes back on
    // screen and an untouched password field keeps it; Escape leaves
    // without saving.
    void ventana()
    {
        const TCarpetaPrograma programa;
        TColaRespuestas respuestas;
        const TAjustes a =
            ajustes(u"smtp.negocio.mx"_s, TSeguridad::Starttls, 587, u"avisos@negocio.mx"_s, u"Clave#1"_s);
        {
            TAjustesCorreoFrm w(programa.ruta(), RFC, CORREO);
            w.show();
            QVERIFY(QTest::qWaitForWindowExposed(&w));
            // Reading order, then the buttons; the settings open on the server.
            QCOMPARE(QApplication::focusWidget(), pieza<QWidget>(w, "EdServidor"));
            QStringList orden{QApplication::focusWidget()->objectName()};
            for (int i = 0; i < 9; ++i) {
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
                orden << QApplication::focusWidget()->objectName();
            }
            QCOMPARE(orden, (QStringList{"EdServidor", "CbSeguridad", "SpPuerto", "EdCuenta", "EdPassword",
                                         "EdRemitente", "EdCorreoPrueba", "BtProbar", "BtCancelar", "BtGuardar"}));
            QVERIFY(pieza<QPushButton>(w, "BtGuardar")->isDefault());
            // The port follows the security while it is the usual one.
            auto* seguridad = pieza<QComboBox>(w, "CbSeguridad");
            QCOMPARE(seguridad->currentText(), u"Ninguna"_s);
            QCOMPARE(pieza<QSpinBox>(w, "SpPuerto")->value(), 25);
            seguridad->setCurrentIndex(2);
            QCOMPARE(pieza<QSpinBox>(w, "SpPuerto")->value(), 465);
            Capturas::guarda(w, u"ajustes-correo"_s);

            // Something wanting is said and marked, and nothing is saved.
            QTest::mouseClick(pieza<QPushButton>(w, "BtGuardar"), Qt::LeftButton);
            QCOMPARE(respuestas.textos(), QStringList{MENSAJE_ERROR + FALTA_SERVIDOR});
            QVERIFY(Controles::tieneError(pieza<QWidget>(w, "EdServidor")));
            QVERIFY(!QFile::exists(programa.archivo(ARCHIVO_AJUSTES)));

            respuestas.limpia();
            llena(w, a);
            QTest::keyClick(pieza<QLineEdit>(w, "EdCuenta"), Qt::Key_Return);
            QCOMPARE(respuestas.textos(), QStringList{AJUSTES_GUARDADOS});
            QCOMPARE(w.result(), int(QDialog::Accepted));
        }
        QCOMPARE(AjustesCorreo::lee(programa.ruta(), RFC), a);

        TAjustesCorreoFrm otra(programa.ruta(), RFC, CORREO);
        otra.show();
        auto* password = pieza<QLineEdit>(otra, "EdPassword");
        QCOMPARE(password->text(), QString());
        QVERIFY(!password->placeholderText().isEmpty());
        QCOMPARE(pieza<QLineEdit>(otra, "EdServidor")->text(), a.servidor);
        QCOMPARE(pieza<QComboBox>(otra, "CbSeguridad")->currentText(), u"STARTTLS"_s);
        Capturas::guarda(otra, u"ajustes-correo-guardados"_s);
        pieza<QLineEdit>(otra, "EdServidor")->setText(u"otro.negocio.mx"_s);
        QTest::keyClick(&otra, Qt::Key_Escape);
        QVERIFY(!otra.isVisible());
        QCOMPARE(otra.result(), int(QDialog::Rejected));
        QCOMPARE(AjustesCorreo::lee(programa.ruta(), RFC), a);

        respuestas.limpia();
        TAjustesCorreoFrm tercera(programa.ruta(), RFC, CORREO);
        tercera.show();
        pieza<QLineEdit>(tercera, "EdRemitente")->setText(u"Avisos <avisos@negocio.mx>"_s);
        QTest::mouseClick(pieza<QPushButton>(tercera, "BtGuardar"), Qt::LeftButton);
        QCOMPARE(respuestas.textos(), QStringList{AJUSTES_GUARDADOS});
        QCOMPARE(AjustesCorreo::lee(programa.ruta(), RFC).password, a.password);
        QVERIFY(!AjustesCorreo::lee(programa.ruta(), OTRO_RFC).completos());

        // Another business opens on the program-wide settings, but their
        // password stays the deployment's: it has to be typed to be saved.
        escribeIni(programa, "[Correo]\nservidor=smtp.general.mx\ncuenta=general@negocio.mx\npassword=DelDespliegue\n");
        respuestas.limpia();
        TAjustesCorreoFrm cuarta(programa.ruta(), OTRO_RFC, CORREO);
        cuarta.show();
        QCOMPARE(pieza<QLineEdit>(cuarta, "EdServidor")->text(), u"smtp.general.mx"_s);
        QCOMPARE(pieza<QLineEdit>(cuarta, "EdPassword")->placeholderText(), QString());
        QTest::mouseClick(pieza<QPushButton>(cuarta, "BtGuardar"), Qt::LeftButton);
        QCOMPARE(respuestas.textos(), QStringList{MENSAJE_ERROR + FALTA_PASSWORD});
        QVERIFY(!AjustesCorreo::propios(programa.ruta(), OTRO_RFC));
    }

    // The recovery page says so before the user tries, until the mail of
    // its business is set.
    void paginaRecuperacion()
    {
        const TCarpetaPrograma programa;
        const TAjustes completos = ajustes(u"smtp.x.mx"_s, TSeguridad::Ninguna, 25);
        TPaginaRecuperacion pagina;
        pagina.inicia(OTRO_RFC, CORREO);
        auto* nota = pieza<QLabel>(pagina, "TxNotaEnvio");
        QCOMPARE(nota->text(), ERR_CORREO_SIN_CONFIGURAR);
        QCOMPARE(AjustesCorreo::guarda(programa.ruta(), RFC, completos), QString());
        pagina.inicia(OTRO_RFC, CORREO);
        QCOMPARE(nota->text(), ERR_CORREO_SIN_CONFIGURAR);
        QCOMPARE(AjustesCorreo::guarda(programa.ruta(), OTRO_RFC, completos), QString());
        pagina.inicia(OTRO_RFC, CORREO);
        QVERIFY(nota->text() != ERR_CORREO_SIN_CONFIGURAR);
    }

    // Only who administers the business's users is given the window.
    void soloAdministradores()
    {
        const TCarpetaPrograma programa;
        NegocioPrueba::creaRegistro(programa);
        NegocioPrueba::crea(NegocioPrueba::RFC_ESCUELA, CORREO, PASSWORD);
        QCOMPARE(Ingreso::ingresa(NegocioPrueba::RFC_ESCUELA, CORREO, PASSWORD), Ingreso::TResultado::Correcto);
        QVERIFY(AjustesCorreo::puedeConfigurar());

        QString mostrada;
        QTimer::singleShot(0, this, [&] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                mostrada = modal->objectName();
                QTest::keyClick(modal, Qt::Key_Escape);
            }
        });
        TColaRespuestas respuestas;
        QVERIFY(!TAjustesCorreoFrm::abre(nullptr, programa.ruta(), CORREO));
        QCOMPARE(mostrada, u"AjustesCorreoFrm"_s);
        QCOMPARE(respuestas.textos(), QStringList{});

        NegocioPrueba::fijaPermisos(u"-1|-1|-1|-1|-1|-1|-1|0"_s);
        QVERIFY(!AjustesCorreo::puedeConfigurar());
        QVERIFY(!TAjustesCorreoFrm::abre(nullptr, programa.ruta(), CORREO));
        QCOMPARE(respuestas.textos(), QStringList{ERROR_PERMISOS});
        NegocioPrueba::limpiaSesion();
        QVERIFY(!AjustesCorreo::puedeConfigurar());
    }
};

QTEST_MAIN(TstCorreo)
#include "tst_correo.moc"
