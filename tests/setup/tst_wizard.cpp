#include "AsistentePrueba.h"
#include "Capturas.h"
#include "Conexiones.h"
#include "Constantes.h"
#include "Controles.h"
#include "Entidades.h"
#include "Prompter.h"
#include "ServidorPrueba.h"
#include "negocio/TArchivoZip.h"
#include "TBaseDatosCatalogosFrm.h"
#include "negocio/TBaseDatosLocalFrm.h"
#include "shell/TMainFrm.h"
#include "negocio/TNuevoNegocio.h"
#include "TTelefonosFrm.h"
#include "shell/TVerificaUpdate.h"
#include "setup/TRecuperacion.h"
#include "setup/TRespaldo.h"
#include "setup/TWizardFrm.h"
#include "Piezas.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QSqlError>
#include <QSqlQuery>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QStandardPaths>
#include <QTest>

#include <optional>

using namespace AsistentePrueba;
using namespace Constantes;
using namespace Qt::StringLiterals;

namespace {

// The name a keyboard stop goes by: an editable list's own, not its box's.
QString nombreFoco(const QWidget* w)
{
    if (!w)
        return QString();
    if (const QWidget* padre = w->parentWidget(); padre && padre->focusProxy() == w)
        return padre->objectName();
    return w->objectName();
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

} // namespace

// The wizard's flow: the profile step, sign-in and its tiles, the keyboard,
// the file dialogs, the downloads and the bottom strip's links (recovery,
// backup, rebuild). The business page and its creation: tst_altanegocio.
class TstWizard : public QObject {
    Q_OBJECT

private slots:
    void init() { iniciaPrueba(); }

    void cleanup() { terminaPrueba(); }

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
        // A refusal takes the cursor to the first field at fault.
        QApplication::setActiveWindow(w);
        QVERIFY(QTest::qWaitForWindowActive(w));
        pieza<QLineEdit>(w, "EdApellidoMaterno")->setFocus();
        pieza<QPushButton>(w, "BtSiguiente")->click();
        QCOMPARE(pieza<QStackedWidget>(w, "TabControl1")->currentIndex(), pagina);
        if (!enError.isEmpty())
            QCOMPARE(nombreFoco(QApplication::focusWidget()), enError.first());
        // The message box takes the keyboard and gives it back: the field
        // with the cursor keeps its mark until the user edits it.
        QWidget caja;
        caja.show();
        QApplication::setActiveWindow(&caja);
        QVERIFY(QTest::qWaitForWindowActive(&caja));
        QApplication::setActiveWindow(w);
        QVERIFY(QTest::qWaitForWindowActive(w));
        QCOMPARE(programa.respuestas.textos(), mensaje.isEmpty() ? QStringList() : QStringList{mensaje});
        for (const QString& e : {u"EdCorreoElectronico"_s, u"EdPassword"_s, u"EdRepitePassword"_s})
            QCOMPARE(Controles::tieneError(pieza<QLineEdit>(w, e)), enError.contains(e));
        if (!mensaje.isEmpty())
            QVERIFY(textoLog().contains(u"Perfil rechazado: "_s + mensaje));
    }

    // A business's name of 200 characters, in words or in one piece, is cut
    // with "…" on its tile (whole in its tooltip): the wizard keeps its width.
    void nombreLargo_data() { filasNombreLargo(); }
    void nombreLargo()
    {
        QFETCH(QString, nombre);
        QCOMPARE(nombre.size(), 200);
        TPrograma programa(false, [&nombre] {
            BaseDatosLocalFrm->usuarioLogginInsert(
                {QString(), nombre, RFC_ESCUELA, DB_SQLITE, QString(), QString(), QString(), u"x.fdb"_s, QString()});
        });
        TWizardFrm* w = programa.w;
        w->show();
        w->resize(900, 680);
        QCoreApplication::processEvents();
        Capturas::guarda(*w,
                         u"ingreso-nombre-largo-"_s + QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'-'));
        QCOMPARE(w->width(), 900);
        QVERIFY(w->minimumSizeHint().width() <= 900);
        // The list scrolls only up and down.
        QVERIFY(!pieza<QScrollArea>(w, "SBSeleccionarEmpresa")->horizontalScrollBar()->isVisible());
        const QLabel* etiqueta = nullptr;
        for (const QLabel* l : pieza(w, REC_CONTENEDOR + RFC_ESCUELA)->findChildren<QLabel*>())
            if (l->toolTip() == nombre)
                etiqueta = l;
        QVERIFY(etiqueta);
        QVERIFY2(etiqueta->text().endsWith(u'…') && etiqueta->text().size() < nombre.size(),
                 qPrintable(etiqueta->text()));
        QVERIFY(etiqueta->fontMetrics().horizontalAdvance(etiqueta->text()) <= etiqueta->contentsRect().width());
    }

    // The only business is chosen already and the first empty field has the
    // focus; the button or Enter in either field signs in.
    void ingreso_data()
    {
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("borraBase");
        QTest::addColumn<QString>("conEnter"); // the field Enter is pressed in; empty: the button
        QTest::addColumn<QStringList>("mensajes");
        const QString correo = u"EdCorreoElectronicoLoggin"_s;
        QTest::newRow("contraseña equivocada")
            << u"otra"_s << false << QString() << QStringList{ERR_USUARIO_CONTRASEÑA_INCORRECTA};
        QTest::newRow("base borrada") << u"Secreta#1"_s << true << QString() << QStringList{ERR_BASE_DATOS_USUARIO};
        QTest::newRow("correcto") << u"Secreta#1"_s << false << QString() << QStringList();
        QTest::newRow("Enter en el correo") << u"Secreta#1"_s << false << correo << QStringList();
        QTest::newRow("Enter en la contraseña") << u"Secreta#1"_s << false << u"EdPasswordLoggin"_s << QStringList();
    }
    void ingreso()
    {
        QFETCH(QString, password);
        QFETCH(bool, borraBase);
        QFETCH(QString, conEnter);
        QFETCH(QStringList, mensajes);
        TPrograma programa(false, [] { registraEscuela(u"Secreta#1"_s); });
        TWizardFrm* w = programa.w;
        QCOMPARE(pieza<QStackedWidget>(w, "TabControl1")->currentIndex(), 3);
        QCOMPARE(w->listaEmpresas(), QStringList{RFC_ESCUELA});
        QCOMPARE(pieza<QLabel>(w, "TxSeleccion")->text(), RFC_ESCUELA);
        QVERIFY(pieza<QRadioButton>(w, RFC_ESCUELA)->isChecked());
        QCOMPARE(w->focusWidget(), pieza<QLineEdit>(w, "EdCorreoElectronicoLoggin"));
        if (borraBase)
            QVERIFY(QFile::remove(NuevoNegocio::destinoLocal(RFC_ESCUELA).baseDatos));

        // Typed as in the first-run page: the space is dropped, editing keys still work.
        QTest::keyClicks(pieza<QLineEdit>(w, "EdCorreoElectronicoLoggin"), u"Dueno @Escuela.mxx"_s);
        QTest::keyClick(pieza<QLineEdit>(w, "EdCorreoElectronicoLoggin"), Qt::Key_Backspace);
        pieza<QLineEdit>(w, "EdPasswordLoggin")->setText(password);
        if (conEnter.isEmpty())
            pieza<QPushButton>(w, "BtIngresar")->click();
        else
            QTest::keyClick(pieza<QLineEdit>(w, conEnter), Qt::Key_Return);

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

    // Each step answers Enter with its own button, wherever the cursor is,
    // except where Enter means something else: a focused button, a list.
    void teclaEnter_data()
    {
        QTest::addColumn<int>("pagina");
        QTest::addColumn<QString>("campo");
        QTest::addColumn<QString>("presionado");
        QTest::newRow("perfil") << 0 << u"EdNombre"_s << u"BtSiguiente"_s;
        QTest::newRow("empresa") << 1 << u"EdNombreEmpresa"_s << u"BtFinalizar"_s;
        QTest::newRow("empresa, otro botón") << 1 << u"BtLimpiarCampos"_s << u"BtLimpiarCampos"_s;
        QTest::newRow("empresa, lista") << 1 << u"CmbRegimenFiscal"_s << QString();
        QTest::newRow("empresa, contraseña del CSD") << 1 << u"EdCSDPass"_s << u"BtFinalizar"_s;
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
        QStringList presionados;
        for (const char* nombre : {"BtSiguiente", "BtFinalizar", "BtLimpiarCampos", "BtAnterior"})
            connect(pieza<QPushButton>(w, nombre), &QPushButton::clicked, this,
                    [&presionados, nombre] { presionados << QLatin1String(nombre); });
        pieza<QWidget>(w, campo)->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(presionados, presionado.isEmpty() ? QStringList() : QStringList{presionado});
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
                     u"EdApellidoMaterno Cont1Tipo Cont1Numero Cont1Extension TCont1 TxTelefonoBottom "
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
                    BaseDatosLocalFrm->usuarioLogginInsert({QString(), u"Negocio "_s + rfc, rfc, DB_SQLITE, QString(),
                                                            QString(), QString(), u"x.fdb"_s, QString()});
        });
        TWizardFrm* w = programa.w;
        if (pagina == 0)
            pieza<TTelefonosFrm>(w, "TxTelefonoContenedor")->agregaTelefono();
        // Two businesses: none is chosen for the user.
        if (pagina == 3)
            QVERIFY(pieza<QLabel>(w, "TxSeleccion")->text().isEmpty());
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
            // Enter without a business chosen takes the cursor to the list,
            // and without an e-mail to the e-mail.
            auto* password = pieza<QLineEdit>(w, "EdPasswordLoggin");
            password->setFocus();
            QTest::keyClick(password, Qt::Key_Return);
            QCOMPARE(nombreFoco(QApplication::focusWidget()), RFC_ESCUELA);
            // The arrows choose. '&' cannot name a widget: the tile goes by
            // the RFC with '_' instead.
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
            QCOMPARE(nombreFoco(QApplication::focusWidget()), u"H_E951128469"_s);
            QCOMPARE(pieza<QLabel>(w, "TxSeleccion")->text(), u"H_E951128469"_s);
            password->setFocus();
            QTest::keyClick(password, Qt::Key_Return);
            QCOMPARE(nombreFoco(QApplication::focusWidget()), u"EdCorreoElectronicoLoggin"_s);
            // Shown whole: the "&" marks no keyboard shortcut.
            const QString texto = pieza<QRadioButton>(w, u"H_E951128469"_s)->text();
            QVERIFY(QKeySequence::mnemonic(texto).isEmpty());
            QCOMPARE(QString(texto).replace(u"&&"_s, u"&"_s), u"H&E951128469"_s);
        }
    }

    // The list shows three businesses; the arrows bring each one that takes
    // the focus into view.
    void flechasEnLaLista()
    {
        QStringList rfcs;
        for (int i = 1; i <= 8; ++i)
            rfcs << u"ABC01010%1AB%1"_s.arg(i);
        TPrograma programa(false, [&rfcs] {
            for (const QString& rfc : std::as_const(rfcs))
                BaseDatosLocalFrm->usuarioLogginInsert(
                    {QString(), rfc, rfc, DB_SQLITE, QString(), QString(), QString(), u"x.fdb"_s, QString()});
        });
        TWizardFrm* w = programa.w;
        pieza<QStackedWidget>(w, "TabControl1")->setCurrentIndex(3);
        QApplication::setActiveWindow(w);
        QVERIFY(QTest::qWaitForWindowActive(w));
        const QWidget* vista = pieza<QScrollArea>(w, "SBSeleccionarEmpresa")->viewport();
        pieza<QWidget>(w, rfcs.first())->setFocus();
        for (const QString& rfc : std::as_const(rfcs)) {
            const QWidget* radio = QApplication::focusWidget();
            QCOMPARE(radio->objectName(), rfc);
            const QRect donde(radio->mapTo(vista, QPoint(0, 0)), radio->size());
            QVERIFY2(vista->rect().contains(donde), qPrintable(rfc));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        }
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

    // Without mail settings the recovery page says so in full (where to set
    // the mail in its last words) and neither button nor focus offer a mail
    // that cannot leave. With them the key arrives at the real mail server and
    // sets a new password that signs in; a database failing then gives a
    // message and leaves the page as it was.
    void recuperacion_data()
    {
        QTest::addColumn<bool>("conCorreo");
        QTest::addColumn<bool>("ilegible");
        QTest::newRow("sin correo") << false << false;
        QTest::newRow("guardada") << true << false;
        QTest::newRow("base ilegible") << true << true;
    }
    void recuperacion()
    {
        QFETCH(bool, conCorreo);
        QFETCH(bool, ilegible);
        QTemporaryDir buzon;
        std::optional<TServidorPrueba> smtp;
        if (conCorreo) {
            smtp.emplace(u"servidor_smtp.py"_s, QStringList{u"--carpeta"_s, buzon.path()});
            QVERIFY2(smtp->puerto() > 0, qPrintable(smtp->error()));
        }
        TPrograma programa(false, [&] {
            registraEscuela(u"Vieja#1"_s);
            if (smtp)
                ajusta({{u"Correo/servidor"_s, u"127.0.0.1"_s}, {u"Correo/puerto"_s, QString::number(smtp->puerto())}});
        });
        TWizardFrm* w = programa.w;
        pieza<QLineEdit>(w, "EdCorreoElectronicoLoggin")->setText(u"dueno@escuela.mx"_s);
        QTest::mouseClick(pieza<QLabel>(w, "TxOlvidarContraseña"), Qt::LeftButton);
        QCOMPARE(pieza<QStackedWidget>(w, "TabControl1")->currentIndex(), 4);
        Capturas::guarda(*w, conCorreo ? u"asistente-recuperacion"_s : u"asistente-recuperacion-sin-correo"_s);
        const QLabel* nota = pieza<QLabel>(w, "TxNotaEnvio");
        if (!conCorreo) {
            QCOMPARE(nota->text(), ERR_CORREO_SIN_CONFIGURAR);
            QVERIFY(nota->isVisible());
            QVERIFY2(nota->height() >= nota->heightForWidth(nota->width()),
                     qPrintable(u"%1 px de %2"_s.arg(nota->height()).arg(nota->heightForWidth(nota->width()))));
            QVERIFY(!pieza<QPushButton>(w, "BtEnviaClave")->isEnabled());
            QCOMPARE(w->focusWidget(), pieza<QLineEdit>(w, "EdClaveRecuperacion"));
            return;
        }
        // The page says how long a key lasts before one is asked for.
        QVERIFY(nota->text().endsWith(Recuperacion::textoVigencia()));
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
