#include "Capturas.h"
#include "CarpetaPrograma.h"
#include "admin/CartaManifiesto.h"
#include "Constantes.h"
#include "Entidades.h"
#include "NegocioPrueba.h"
#include "Prompter.h"
#include "admin/RevisionImagen.h"
#include "Signerutils.h"
#include "Sistema.h"
#include "negocio/TIngreso.h"
#include "admin/TPerfil.h"
#include "admin/TPerfilFrm.h"
#include "Piezas.h"
#include "TTelefonosFrm.h"

#include <QApplication>
#include <QBuffer>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace Constantes;
using Perfil::TPassword;

Q_DECLARE_METATYPE(Perfil::TPassword)

namespace {

const QString CORREO = u"dueno@escuela.mx"_s;
const QString PASSWORD = u"Secreta#1"_s;

void ingresa(const QString& password = PASSWORD, Ingreso::TResultado esperado = Ingreso::TResultado::Correcto)
{
    NegocioPrueba::limpiaSesion();
    QCOMPARE(Ingreso::ingresa(NegocioPrueba::RFC_ESCUELA, CORREO, password), esperado);
}

Perfil::TDatos perfil(const QString& nombre, const QString& anterior = QString(), const QString& nueva = QString(),
                      const QString& repetida = QString())
{
    Perfil::TDatos d;
    d.nombre = nombre;
    d.apellidoPaterno = u" Pérez "_s;
    d.passwordAnterior = anterior;
    d.passwordNueva = nueva;
    d.passwordRepetida = repetida;
    return d;
}

Perfil::TResultado guarda(const Perfil::TDatos& d)
{
    TUsuario usuario = *Sistema::Usuario;
    const Perfil::TResultado resultado = Perfil::guarda(d, usuario, *Sistema::Conexion);
    Sistema::Usuario = std::make_shared<TUsuario>(usuario);
    return resultado;
}

Perfil::TDatos guardado()
{
    return Perfil::lee(*TUsuario::getById(Sistema::Usuario->getIdusuario(), *Sistema::Conexion), *Sistema::Conexion);
}

} // namespace

class TstPerfil : public QObject {
    Q_OBJECT
    std::unique_ptr<TCarpetaPrograma> m_carpeta;
    QTemporaryDir m_archivos;

private slots:
    void initTestCase()
    {
        m_carpeta = std::make_unique<TCarpetaPrograma>();
        NegocioPrueba::creaRegistro(*m_carpeta);
        NegocioPrueba::crea(NegocioPrueba::RFC_ESCUELA, CORREO, PASSWORD, u"ESCUELA KEMPER URGATE"_s);
    }
    void init() { ingresa(); }
    void cleanupTestCase() { NegocioPrueba::limpiaSesion(); }

    // A refused password (or none asked for) leaves the stored one and still
    // stores the rest; leaving the three fields empty is no password change.
    // A changed one is stored as signing in checks it; an empty one signs in
    // without password.
    void password_data()
    {
        QTest::addColumn<QString>("anterior");
        QTest::addColumn<QString>("nueva");
        QTest::addColumn<QString>("repetida");
        QTest::addColumn<TPassword>("resultado");
        const auto fila = [](const char* caso, const QString& anterior, const QString& nueva, const QString& repetida,
                             TPassword resultado) {
            QTest::newRow(caso) << anterior << nueva << repetida << resultado;
        };
        fila("campos vacíos", "", "", "", TPassword::SinCambio);
        fila("igual salvo blancos", PASSWORD, " " + PASSWORD + " ", PASSWORD, TPassword::IgualAnterior);
        fila("no coinciden", PASSWORD, "Nueva#1", "Nueva#2", TPassword::NoCoinciden);
        fila("anterior incorrecta", "Otra#1", "Nueva#1", "Nueva#1", TPassword::AnteriorIncorrecta);
        fila("anterior con blanco", PASSWORD + " ", "Nueva#1", "Nueva#1", TPassword::AnteriorIncorrecta);
        fila("cambiada", PASSWORD, "Nueva#9 ", "Nueva#9", TPassword::Cambiada);
        fila("cambiada a ninguna", PASSWORD, " ", "", TPassword::Cambiada);
    }
    void password()
    {
        QFETCH(QString, anterior);
        QFETCH(QString, nueva);
        QFETCH(QString, repetida);
        QFETCH(TPassword, resultado);
        const QString nombre = u"Ana "_s + QTest::currentDataTag();
        QCOMPARE(guarda(perfil(nombre, anterior, nueva, repetida)).password, resultado);
        QCOMPARE(guardado().nombre, nombre);
        QCOMPARE(guardado().apellidoPaterno, u"Pérez"_s);
        QCOMPARE(Perfil::mensajePassword(resultado).isEmpty(),
                 resultado == TPassword::SinCambio || resultado == TPassword::Cambiada);
        if (resultado == TPassword::Cambiada) {
            ingresa(PASSWORD, Ingreso::TResultado::UsuarioIncorrecto);
            ingresa(repetida);
            QCOMPARE(guarda(perfil(u"Ana"_s, repetida, PASSWORD, PASSWORD)).password, TPassword::Cambiada);
        }
        ingresa(PASSWORD);
    }

    // A password changed on the page is the one a move to another business
    // checks: there the user already has it (blanks around it are no part of it).
    void cambioDeNegocioTrasCambiarPassword()
    {
        const QString nueva = u"Nueva#7"_s;
        NegocioPrueba::crea(NegocioPrueba::RFC_ACCEM, CORREO, nueva);
        ingresa();
        TColaRespuestas respuestas;
        TPerfilFrm pagina;
        pagina.inicializa();
        pieza<QLineEdit>(pagina, u"EdContraseñaAnterior"_s)->setText(PASSWORD);
        pieza<QLineEdit>(pagina, u"EdNuevaContraseña"_s)->setText(u" "_s + nueva + u" "_s);
        pieza<QLineEdit>(pagina, u"EdRepetirContraseña"_s)->setText(nueva);
        pieza<QPushButton>(pagina, "BtGuardar")->click();
        QCOMPARE(respuestas.textos(), QStringList{INFORMACION_GUARDADA_EXITO});
        QCOMPARE(Ingreso::reingresa(NegocioPrueba::RFC_ACCEM, CORREO), Ingreso::TResultado::Correcto);
        QCOMPARE(Ingreso::reingresa(NegocioPrueba::RFC_ESCUELA, CORREO), Ingreso::TResultado::Correcto);
        QCOMPARE(guarda(perfil(u"Ana"_s, nueva, PASSWORD, PASSWORD)).password, TPassword::Cambiada);
    }

    // A save that fails half-way keeps everything as it was, the password too.
    void fallaCompleta()
    {
        const TTabla& personas = Esquema::tabla(u"TPersona"_s);
        const QString largo(personas.columnas.at(personas.posicion(u"NOMBRE"_s)).largo + 1, u'x');
        QVERIFY_THROWS_EXCEPTION(std::exception, guarda(perfil(largo, PASSWORD, "Nueva#5", "Nueva#5")));
        ingresa(PASSWORD);
        QVERIFY(guardado().nombre != largo);
    }

    // Phones and e-mails stored are exactly the rows given (empty rows left out).
    void telefonosYCorreos()
    {
        Perfil::TDatos d = perfil(u"Ana"_s);
        d.telefonos = {{2, " 3312345678 ", "12"}, {0, QString(), QString()}, {3, "5512345678", QString()}};
        d.emails = {"ana@escuela.mx", " ", "a2@escuela.mx"};
        QVERIFY(guarda(d).error.isEmpty());
        Perfil::TDatos leido = guardado();
        QCOMPARE(leido.telefonos.size(), 2);
        QCOMPARE(leido.telefonos.at(0).numero, u"3312345678"_s);
        QCOMPARE(leido.telefonos.at(0).extension, u"12"_s);
        QCOMPARE(leido.telefonos.at(1).tipo, 3);
        QCOMPARE(leido.emails, (QStringList{"ana@escuela.mx", "a2@escuela.mx"}));

        d.telefonos = {{1, "5599999999", QString()}};
        d.emails = {"a2@escuela.mx"};
        QVERIFY(guarda(d).error.isEmpty());
        leido = guardado();
        QCOMPARE(leido.telefonos.size(), 1);
        QCOMPARE(leido.telefonos.at(0).numero, u"5599999999"_s);
        QCOMPARE(leido.emails, QStringList{"a2@escuela.mx"});

        d.nombre = u"No guardado"_s;
        d.emails = {u"no es correo"_s};
        QCOMPARE(guarda(d).error, ERR_CORREO_PERFIL_NO_VALIDO + u"no es correo"_s);
        QCOMPARE(guardado().nombre, u"Ana"_s);
    }

    // Only a picture that decodes and is not too large is stored, as its
    // file's bytes; otherwise nothing of the save is.
    void imagen_data()
    {
        QTest::addColumn<QByteArray>("contenido");
        QTest::addColumn<bool>("guardada");
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        QImage cuadro(20, 20, QImage::Format_RGB32);
        cuadro.fill(Qt::darkCyan);
        cuadro.save(&buffer, "PNG");
        QTest::newRow("png") << png << true;
        QTest::newRow("no es imagen") << QByteArray("hola") << false;
        QTest::newRow("demasiado grande") << png + QByteArray(RevisionImagen::TAMANO_MAXIMO, '\0') << false;
    }
    void imagen()
    {
        QFETCH(QByteArray, contenido);
        QFETCH(bool, guardada);
        const QString ruta = m_archivos.filePath(u"foto.png"_s);
        QVERIFY(TCarpetaPrograma::escribe(ruta, contenido));
        const QByteArray antes = guardado().imagen;
        Perfil::TDatos d = perfil(u"Con foto "_s + QTest::currentDataTag());
        d.rutaImagen = ruta;
        QCOMPARE(guarda(d).error.isEmpty(), guardada);
        QCOMPARE(guardado().imagen, guardada ? contenido : antes);
        QCOMPARE(guardado().nombre == d.nombre, guardada);
    }

    // Placeholders in any letter case are replaced; only the ten accented
    // vowels lose their accent; each value is one encoded value of the
    // address, an ampersand included.
    void ligaCarta_data()
    {
        QTest::addColumn<QString>("plantilla");
        QTest::addColumn<QString>("token");
        QTest::addColumn<QString>("nombre");
        QTest::addColumn<QString>("esperada");
        const QString hash = Signerutils::Signer().hash(u"EKU9003173C9|Lopez y Peña"_s);
        const auto fila = [](const char* caso, const QString& plantilla, const QString& token, const QString& nombre,
                             const QString& esperada) {
            QTest::newRow(caso) << plantilla << token << nombre << esperada;
        };
        fila("mayúsculas", "https://x.mx/f?rfc={RFC}&c={CLIENTE}&h={HASH}", "{RFC}|{CLIENTE}", "López y Peña",
             "https://x.mx/f?rfc=EKU9003173C9&c=Lopez%20y%20Pe%C3%B1a&h=" + hash);
        fila("otra caja, repetidos", "https://x.mx/{rfc}/{Rfc}?h={hash}", "{rfc}|{cliente}", "López y Peña",
             "https://x.mx/EKU9003173C9/EKU9003173C9?h=" + hash);
        fila("ampersand en el nombre", "https://x.mx/f?c={CLIENTE}&r={RFC}", "", "A & B #1",
             "https://x.mx/f?c=A%20%26%20B%20%231&r=EKU9003173C9");
        fila("solo las diez vocales", "{cliente}", "", "áéíóúÁÉÍÓÚ üàñÑ", "aeiouAEIOU%20%C3%BC%C3%A0%C3%B1%C3%91");
        fila("sin plantillas", "", "", "Á", "");
    }
    void ligaCarta()
    {
        QFETCH(QString, plantilla);
        QFETCH(QString, token);
        QFETCH(QString, nombre);
        QFETCH(QString, esperada);
        QCOMPARE(CartaManifiesto::construyeUrl(plantilla, token, u"EKU9003173C9"_s, nombre), esperada);
    }

    // The page takes as many phones as the user adds, stores them all and
    // shows them again; the panel's own limit (the first run's) stays.
    void todosLosTelefonos()
    {
        TColaRespuestas respuestas;
        TPerfilFrm pagina;
        pagina.show();
        pagina.inicializa();
        auto* telefonos = pieza<TTelefonosFrm>(pagina, "TxTelefono");
        const int cuantos = MAX_TELEFONOS + 1;
        QStringList numeros;
        for (int k = 1; k <= cuantos; ++k) {
            QTest::mouseClick(telefonos->TxTelefonoBottom, Qt::LeftButton);
            numeros << u"33123456%1"_s.arg(k, 2, 10, QLatin1Char('0'));
            telefonos->telefonos().back()->getNumero()->setText(numeros.last());
        }
        pieza<QPushButton>(pagina, "BtGuardar")->click();
        QCOMPARE(respuestas.textos(), QStringList{INFORMACION_GUARDADA_EXITO});
        QStringList guardados;
        for (const TDatosTelefono& t : guardado().telefonos)
            guardados << t.numero;
        QCOMPARE(guardados, numeros);
        QCOMPARE(telefonos->getTelefonos().size(), cuantos);
        QVERIFY(telefonos->TxTelefonoBottom->isEnabled());
        pagina.resize(pagina.sizeHint().expandedTo(QSize(800, 0)));
        Capturas::guarda(pagina, u"perfil-telefonos"_s);

        TTelefonosFrm primeraVez;
        for (int k = 1; k <= cuantos; ++k)
            primeraVez.agregaTelefono();
        QCOMPARE(primeraVez.telefonos().size(), size_t(MAX_TELEFONOS));
        QVERIFY(!primeraVez.TxTelefonoBottom->isEnabled());
    }

    // Shown, the page's focus goes to Nombre; Tab follows the form and
    // reaches the letter's link last. Each e-mail row's bin is a Tab stop
    // right after its field, named for a screen reader, and Enter or Space
    // takes the row away.
    void quitarCorreoConTeclado_data()
    {
        QTest::addColumn<int>("tecla");
        QTest::newRow("espacio") << int(Qt::Key_Space);
        QTest::newRow("enter") << int(Qt::Key_Return);
        QTest::newRow("enter del teclado numérico") << int(Qt::Key_Enter);
    }
    void quitarCorreoConTeclado()
    {
        QFETCH(int, tecla);
        TPerfilFrm pagina;
        pagina.show();
        pagina.inicializa();
        const QString correo = u"quitar@escuela.mx"_s;
        pagina.agregaEmail(correo);
        QApplication::setActiveWindow(&pagina);
        QVERIFY(QTest::qWaitForWindowActive(&pagina));
        pagina.TxFondo->setFocus();
        QCOMPARE(QApplication::focusWidget(), pieza<QLineEdit>(pagina, u"EdNombre"_s));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), pieza<QLineEdit>(pagina, u"EdApellidoPaterno"_s));
        pieza<QPushButton>(pagina, "BtGuardar")->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), pieza<QLabel>(pagina, "TxCartaManifiesto"));

        const auto campoDe = [&pagina](const QString& texto) -> QLineEdit* {
            for (QLineEdit* e : pagina.TxFondo->findChildren<QLineEdit*>())
                if (e->objectName().startsWith(u"EdCorreo"_s) && e->text() == texto)
                    return e;
            return nullptr;
        };
        QLineEdit* campo = campoDe(correo);
        QVERIFY(campo);
        campo->setFocus(Qt::TabFocusReason);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* quitar = QApplication::focusWidget();
        QCOMPARE(quitar->objectName(), ABC_IMG + campo->objectName().mid(8));
        QCOMPARE(quitar->parentWidget(), campo->parentWidget());
        QCOMPARE(quitar->accessibleName(), u"Quitar este correo"_s);
        QVERIFY(quitar->focusPolicy() & Qt::TabFocus);
        Capturas::guarda(pagina, u"perfil-quitar-correo"_s);
        QTest::keyClick(quitar, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), pieza<QLabel>(pagina, "TxAgregarCorreo"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), quitar);

        QTest::keyClick(quitar, Qt::Key(tecla));
        QCoreApplication::processEvents();
        QVERIFY(!campoDe(correo) || !campoDe(correo)->isVisible());
        QVERIFY(QApplication::focusWidget() && pagina.isAncestorOf(QApplication::focusWidget()));
    }

    void quitarTelefonoConTeclado_data() { quitarCorreoConTeclado_data(); }
    void quitarTelefonoConTeclado()
    {
        QFETCH(int, tecla);
        TPerfilFrm pagina;
        pagina.show();
        pagina.inicializa();
        auto* telefonos = pieza<TTelefonosFrm>(pagina, "TxTelefono");
        QApplication::setActiveWindow(&pagina);
        QVERIFY(QTest::qWaitForWindowActive(&pagina));
        // The profile shows the phones an earlier test saved.
        const size_t antes = telefonos->telefonos().size();
        telefonos->TxTelefonoBottom->setFocus(Qt::TabFocusReason);
        QTest::keyClick(telefonos->TxTelefonoBottom, Qt::Key_Space);
        QCOMPARE(telefonos->telefonos().size(), antes + 1);
        QCoreApplication::processEvents(); // the new row is shown from the event loop
        const TTelefonoBean& fila = *telefonos->telefonos().back();
        fila.getExtension()->setFocus(Qt::TabFocusReason);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* quitar = QApplication::focusWidget();
        QCOMPARE(quitar, static_cast<QWidget*>(fila.getEliminar()));
        QCOMPARE(quitar->accessibleName(), u"Quitar este teléfono"_s);
        Capturas::guarda(pagina, u"perfil-quitar-telefono"_s);
        QTest::keyClick(quitar, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(telefonos->TxTelefonoBottom));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), quitar);

        QTest::keyClick(quitar, Qt::Key(tecla));
        QCOMPARE(telefonos->telefonos().size(), antes);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(telefonos->TxTelefonoBottom));
    }

    // The page as the main window hosts it; the letter of manifest is asked for from it.
    void ventanas()
    {
        // A name as long as the wizard takes is shown whole, so a save keeps it.
        const QString largo(300, u'N');
        QVERIFY(guarda(perfil(largo)).error.isEmpty());
        TColaRespuestas respuestas;
        TPerfilFrm pagina;
        pagina.show();
        pagina.inicializa();
        QCOMPARE(pieza<QLineEdit>(pagina, u"EdNombre"_s)->text(), largo);
        pagina.agregaEmail(u"otro@escuela.mx"_s);
        pieza<QLineEdit>(pagina, u"EdNombre"_s)->setText("Beatriz");
        pieza<QPushButton>(pagina, "BtGuardar")->click();
        QCOMPARE(respuestas.textos(), QStringList{INFORMACION_GUARDADA_EXITO});
        QCOMPARE(guardado().nombre, u"Beatriz"_s);
        QVERIFY(guardado().emails.contains(u"otro@escuela.mx"_s));
        QCoreApplication::processEvents();
        pagina.resize(pagina.sizeHint().expandedTo(QSize(800, 0)));
        Capturas::guarda(pagina, u"perfil"_s);

        // A refused password says so, and that the rest was kept; the
        // cursor goes where it is to be typed again.
        QApplication::setActiveWindow(&pagina);
        QVERIFY(QTest::qWaitForWindowActive(&pagina));
        respuestas.limpia();
        pieza<QLineEdit>(pagina, u"EdContraseñaAnterior"_s)->setText(PASSWORD);
        pieza<QLineEdit>(pagina, u"EdNuevaContraseña"_s)->setText("Nueva#1");
        pieza<QLineEdit>(pagina, u"EdRepetirContraseña"_s)->setText("Nueva#2");
        pieza<QLineEdit>(pagina, u"EdNombre"_s)->setText("Carla");
        pieza<QPushButton>(pagina, "BtGuardar")->click();
        QCOMPARE(respuestas.textos(), (QStringList{ERR_CONTRASENA, INFORMACION_GUARDADA_SIN_CONTRASENA}));
        QCOMPARE(guardado().nombre, u"Carla"_s);
        QCOMPARE(QApplication::focusWidget(), pieza<QLineEdit>(pagina, u"EdNuevaContraseña"_s));
        pieza<QLineEdit>(pagina, u"EdContraseñaAnterior"_s)->setText(u"Otra#1"_s);
        pieza<QPushButton>(pagina, "BtGuardar")->click();
        QCOMPARE(QApplication::focusWidget(), pieza<QLineEdit>(pagina, u"EdContraseñaAnterior"_s));

        bool pedida = false;
        connect(&pagina, &TPerfilFrm::cartaManifiestoSolicitada, this, [&] { pedida = true; });
        QTest::mouseClick(pieza<QLabel>(pagina, "TxCartaManifiesto"), Qt::LeftButton);
        QVERIFY(pedida);
    }
};

QTEST_MAIN(TstPerfil)
#include "tst_perfil.moc"
