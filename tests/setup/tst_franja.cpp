#include "Arranque.h"
#include "CarpetaPrograma.h"
#include "Conexiones.h"
#include "Constantes.h"
#include "NegocioPrueba.h"
#include "Prompter.h"
#include "ServidorPrueba.h"
#include "Sistema.h"
#include "TArchivoZip.h"
#include "TBaseDatosCatalogosFrm.h"
#include "TBaseDatosLocalFrm.h"
#include "TMainFrm.h"
#include "TSplashFrm.h"
#include "TVerificaUpdate.h"
#include "TWizardFrm.h"
#include "Ventanas.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QRadioButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Constantes;

// The wizard's bottom strip and recovery page, driven as the user does,
// against real servers and real business folders.

namespace {

const QString RFC = NegocioPrueba::RFC_ESCUELA;
const QString RFC_DOS = NegocioPrueba::RFC_ACCEM;
const QString EMAIL = QStringLiteral("dueno@escuela.mx");
const QString VIEJA = QStringLiteral("Vieja#1");
const QString NUEVA = QStringLiteral("Nueva#2");
const QString CP = QStringLiteral("06600");

void ajusta(const QString& ruta, const QMap<QString, QString>& valores)
{
    QSettings ini(ruta + ARCHIVO_AJUSTES, QSettings::IniFormat);
    for (auto it = valores.cbegin(); it != valores.cend(); ++it)
        ini.setValue(it.key(), it.value());
}

// The program as started: the windows created, the splash over, the wizard
// shown on the page the registry calls for. `antes` runs with the program
// folder ready and its registry empty.
class TPrograma {
public:
    explicit TPrograma(const std::function<void(const TCarpetaPrograma&)>& antes = {})
    {
        TBaseDatosLocalFrm::creaTablas(carpeta.archivo(DB_USUARIOS));
        if (antes)
            antes(carpeta);
        Arranque::creaVentanas(carpeta.ruta());
        SplashFrm->TimerSplashTimer();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        w = WizardFrm;
    }
    ~TPrograma()
    {
        Arranque::destruyeVentanas();
        NegocioPrueba::limpiaSesion();
    }

    // Clicks a strip link and waits for its long work to end.
    bool termina(QLabel* enlace)
    {
        QSignalSpy fin(w, &TWizardFrm::procesoTerminado);
        QTest::mouseClick(enlace, Qt::LeftButton);
        return fin.wait(120000);
    }
    bool ingresa(const QString& email, const QString& password)
    {
        w->EdCorreoElectronicoLoggin->setText(email);
        w->EdPasswordLoggin->setText(password);
        w->BtIngresar->click();
        return w->nextStep;
    }

    TCarpetaPrograma carpeta;
    TColaRespuestas respuestas;
    TWizardFrm* w = nullptr;
};

QString claveDelCorreo(const QString& archivo)
{
    QFile f(archivo);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray todo = f.readAll();
    const QString html = QString::fromUtf8(QByteArray::fromBase64(todo.mid(todo.indexOf("\r\n\r\n") + 4)));
    const qsizetype desde = html.indexOf(EMAIL_CLAVE_RECUPERACION) + EMAIL_CLAVE_RECUPERACION.size();
    return html.mid(desde, html.indexOf(QLatin1Char('<'), desde) - desde);
}

// A backup of RFC whose owner signs in with VIEJA, made in a program folder
// of its own.
QString creaRespaldo(const QString& destino)
{
    const TCarpetaPrograma origen;
    NegocioPrueba::creaRegistro(origen);
    Conexiones::cierra(NegocioPrueba::crea(RFC, EMAIL, VIEJA));
    const QString archivo = destino + QLatin1Char('/') + RFC + RESPALDO_EXTENSION;
    TArchivoZip::comprime(archivo, origen.archivo(DB_PATH + RFC), DB_PATH + RFC + QLatin1Char('/'), RESPALDO_PASSWORD,
                          TArchivoZip::TCifrado::Tradicional);
    NegocioPrueba::limpiaSesion();
    return archivo;
}

} // namespace

class TstFranja : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { TWizardFrm::seleccionaArchivo = nullptr; }

    // The bar moves while the archive arrives; a failing server leaves the
    // installed catalogue as it was and working.
    void catalogo_data()
    {
        QTest::addColumn<QString>("ruta");
        QTest::addColumn<bool>("instalado");
        QTest::newRow("se instala") << QStringLiteral("/lento/") + CATALOGO_ZIP << false;
        QTest::newRow("el servidor falla") << QStringLiteral("/archivo/no-existe.zip") << true;
    }
    void catalogo()
    {
        QFETCH(QString, ruta);
        QFETCH(bool, instalado);
        QTemporaryDir servidos;
        QVERIFY(QFile::copy(QStringLiteral(VELKOR_GENERADOS "/CFDCAT.zip"), servidos.filePath(CATALOGO_ZIP)));
        const TServidorPrueba http(QStringLiteral("servidor_http.py"), {QStringLiteral("--carpeta"), servidos.path()});
        QVERIFY2(http.puerto() > 0, qPrintable(http.error()));
        TPrograma programa([&](const TCarpetaPrograma& carpeta) {
            if (instalado)
                carpeta.instalaCatalogo();
            ajusta(carpeta.ruta(), {{QStringLiteral("Red/catalogo"), http.url() + ruta}});
        });
        TWizardFrm* w = programa.w;
        QList<int> valores;
        connect(w->ProgressBar1, &QProgressBar::valueChanged, this, [&](int v) {
            QVERIFY(w->Text8->isVisible());
            QVERIFY(!w->TXCatalogos->isEnabled());
            valores << v;
        });
        QVERIFY(programa.termina(w->TXCatalogos));
        QVERIFY(!w->Text8->isVisible());
        QVERIFY(w->TXCatalogos->isEnabled());
        QCOMPARE(programa.respuestas.textos().first(), CONFIRMA_ACTUALIZA_CATALOGOS);
        QVERIFY(BaseDatosCatalogosFrm().existeCodigoPostalByCP(CP));
        if (instalado) {
            QVERIFY(programa.respuestas.textos().last().startsWith(ERR_DESCARGA_CATALOGO));
        } else {
            QCOMPARE(programa.respuestas.textos().last(), CATALOGO_FINALIZADO);
            QVERIFY2(valores.size() > 3 && valores.last() == 100, qPrintable(QString::number(valores.size())));
        }
    }

    // A published version other than the program's shows the indicators of
    // both windows; the same version hides them.
    void actualizacion_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<bool>("disponible");
        QTest::newRow("otra publicada") << QStringLiteral("9.9.9.9") << true;
        QTest::newRow("al día") << TVerificaUpdate::getVersionSistema() << false;
    }
    void actualizacion()
    {
        QFETCH(QString, version);
        QFETCH(bool, disponible);
        QTemporaryDir servidos;
        QFile lista(servidos.filePath(QStringLiteral("versiones.txt")));
        QVERIFY(lista.open(QIODevice::WriteOnly));
        lista.write("Velkor " + version.toUtf8() + "\r\n- notas de la version\r\n");
        lista.close();
        const TServidorPrueba http(QStringLiteral("servidor_http.py"), {QStringLiteral("--carpeta"), servidos.path()});
        QVERIFY2(http.puerto() > 0, qPrintable(http.error()));
        TPrograma programa([&](const TCarpetaPrograma& carpeta) {
            ajusta(carpeta.ruta(),
                   {{QStringLiteral("Red/actualizaciones"), http.url() + QStringLiteral("/archivo/versiones.txt")}});
        });
        // Shown before the verdict, so "al día" has something to hide.
        MainFrm->muestraActualizacion(true);
        QSignalSpy spy(programa.w, &TWizardFrm::actualizacionDisponible);
        QVERIFY(spy.wait(60000));
        QCOMPARE(spy.first().first().toBool(), disponible);
        QCOMPARE(programa.w->TxUpdate->isVisibleTo(programa.w), disponible);
        QCOMPARE(programa.w->ImgUpdate->isVisibleTo(programa.w), disponible);
        QCOMPARE(MainFrm->ImgUpdate->isVisibleTo(MainFrm), disponible);
        if (disponible) {
            // Declined: nothing starts, the program goes on.
            programa.respuestas.agregaRespuesta(TPrompter::CANCELAR);
            QSignalSpy iniciado(programa.w, &TWizardFrm::actualizadorIniciado);
            QTest::mouseClick(programa.w->TxUpdate, Qt::LeftButton);
            QCOMPARE(programa.respuestas.textos(), QStringList{CONFIRMA_ACTUALIZACION});
            QCOMPARE(iniciado.count(), 0);
        }
    }

    // The key arrives by mail at the real server, sets a new password and
    // the user signs in with it; without mail settings the user is told.
    void recuperacion_data()
    {
        QTest::addColumn<bool>("configurado");
        QTest::newRow("correo configurado") << true;
        QTest::newRow("sin configurar") << false;
    }
    void recuperacion()
    {
        QFETCH(bool, configurado);
        QTemporaryDir buzon;
        const TServidorPrueba smtp(QStringLiteral("servidor_smtp.py"), {QStringLiteral("--carpeta"), buzon.path()});
        QVERIFY2(smtp.puerto() > 0, qPrintable(smtp.error()));
        TPrograma programa([&](const TCarpetaPrograma& carpeta) {
            Conexiones::cierra(NegocioPrueba::crea(RFC, EMAIL, VIEJA));
            NegocioPrueba::limpiaSesion();
            if (configurado)
                ajusta(carpeta.ruta(), {{QStringLiteral("Correo/servidor"), QStringLiteral("127.0.0.1")},
                                        {QStringLiteral("Correo/puerto"), QString::number(smtp.puerto())}});
        });
        TWizardFrm* w = programa.w;
        QCOMPARE(w->TabControl1->currentIndex(), 3);
        QTest::mouseClick(w->TxOlvidarContraseña, Qt::LeftButton);
        QCOMPARE(programa.respuestas.textos(), QStringList{ERR_SELECCION_CORREO_ELECTRONICO});
        w->EdCorreoElectronicoLoggin->setText(EMAIL);
        QTest::mouseClick(w->TxOlvidarContraseña, Qt::LeftButton);
        QCOMPARE(w->TabControl1->currentIndex(), 4);
        QCOMPARE(w->TxRecuperaEmail->text(), EMAIL);
        QVERIFY(!w->BtGuardar->isEnabled());
        programa.respuestas.limpia();

        w->BtEnviaClave->click();
        QVERIFY(!w->BtEnviaClave->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(w->BtEnviaClave->isEnabled(), 60000);
        if (!configurado) {
            QCOMPARE(programa.respuestas.textos().size(), 1);
            QVERIFY(programa.respuestas.textos().first().startsWith(ERR_CORREO_SIN_CONFIGURAR));
            return;
        }
        QCOMPARE(programa.respuestas.textos().size(), 1);
        const QString clave = claveDelCorreo(buzon.filePath(QStringLiteral("1.eml")));
        QVERIFY(!clave.isEmpty());
        w->EdClaveRecuperacion->setText(QStringLiteral(" ") + clave + QStringLiteral(" "));
        QTest::keyClick(w->EdClaveRecuperacion, Qt::Key_Return);
        QVERIFY(w->BtGuardar->isEnabled());
        w->EdRecuperaPass->setText(NUEVA);
        w->EdRecuperaPassRepite->setText(NUEVA);
        w->BtGuardar->click();
        QCOMPARE(programa.respuestas.textos().last(), EMAIL_CONTRASENA_ACTUALIZA);
        QCOMPARE(w->TabControl1->currentIndex(), 3);
        QVERIFY(!programa.ingresa(EMAIL, VIEJA));
        QVERIFY(programa.ingresa(EMAIL, NUEVA));
    }

    // A backup restored on a fresh program folder signs in; over a business
    // already registered the user is asked first, and declining keeps it.
    void respaldo_data()
    {
        QTest::addColumn<bool>("registrado");
        QTest::newRow("equipo nuevo") << false;
        QTest::newRow("RFC ya registrado, no se sobrescribe") << true;
    }
    void respaldo()
    {
        QFETCH(bool, registrado);
        QTemporaryDir dir;
        const QString archivo = creaRespaldo(dir.path());
        QVERIFY(QFileInfo::exists(archivo));
        TPrograma programa([&](const TCarpetaPrograma&) {
            if (registrado) {
                Conexiones::cierra(NegocioPrueba::crea(RFC, EMAIL, NUEVA));
                NegocioPrueba::limpiaSesion();
            }
        });
        TWizardFrm* w = programa.w;
        QCOMPARE(w->TabControl1->currentIndex(), registrado ? 3 : 0);
        QString filtro;
        TWizardFrm::seleccionaArchivo = [&](QWidget*, const QString& f) {
            filtro = f;
            return archivo;
        };
        if (registrado)
            programa.respuestas.agregaRespuesta(TPrompter::CANCELAR);
        QVERIFY(programa.termina(w->Text2));
        QCOMPARE(filtro, QStringLiteral("Respaldo (*.respal33)"));
        QCOMPARE(programa.respuestas.textos(),
                 registrado ? QStringList{CONFIRMA_SOBRESCRIBE_RESPALDO + SALTO + RESPALDO_NO_REVERTIR}
                            : QStringList{REINICIA_APLICACION});
        QCOMPARE(w->TabControl1->currentIndex(), 3);
        QCOMPARE(w->listaEmpresas(), QStringList{RFC});
        QVERIFY(programa.ingresa(EMAIL, registrado ? NUEVA : VIEJA));
    }

    // The registry file lost: the rebuild, from the link or offered when the
    // start found the registry damaged, brings every business back.
    void reconstruccion_data()
    {
        QTest::addColumn<bool>("desdeAviso");
        QTest::newRow("enlace") << false;
        QTest::newRow("aviso de registro dañado") << true;
    }
    void reconstruccion()
    {
        QFETCH(bool, desdeAviso);
        TPrograma programa([](const TCarpetaPrograma&) {
            Conexiones::cierra(NegocioPrueba::crea(RFC, EMAIL, VIEJA));
            Conexiones::cierra(NegocioPrueba::crea(RFC_DOS, QStringLiteral("otro@accem.mx"), VIEJA));
            NegocioPrueba::limpiaSesion();
        });
        TWizardFrm* w = programa.w;
        QCOMPARE(w->listaEmpresas().size(), 2);
        QVERIFY(QFile::remove(programa.carpeta.archivo(DB_USUARIOS)));
        QSignalSpy fin(w, &TWizardFrm::procesoTerminado);
        int maximo = 0;
        connect(w->ProgressBar1, &QProgressBar::valueChanged, this, [&](int v) { maximo = qMax(maximo, v); });
        if (desdeAviso) {
            TBaseDatosLocalFrm::creaTablas(programa.carpeta.archivo(DB_USUARIOS));
            w->avisaRegistroDanado(programa.carpeta.archivo(QStringLiteral("db/usuarios.danado")));
            w->ofreceReconstruccion();
        } else {
            QTest::mouseClick(w->TxBaseDatos, Qt::LeftButton);
        }
        QVERIFY(w->Text8->isVisible());
        QVERIFY(fin.wait(120000));
        QCOMPARE(maximo, 2);
        QCOMPARE(programa.respuestas.textos().size(), 2);
        QVERIFY(programa.respuestas.textos().first().endsWith(desdeAviso ? QStringLiteral("del programa?")
                                                                         : CONFIRMA_RESTAURA_REGISTRO));
        QVERIFY(programa.respuestas.textos().last().startsWith(QStringLiteral("Se registraron de nuevo 2 empresa(s)")));
        QCOMPARE(w->TabControl1->currentIndex(), 3);
        QCOMPARE(w->listaEmpresas(), (QStringList{RFC_DOS, RFC}));
        QTest::mouseClick(w->findChild<QRadioButton*>(RFC), Qt::LeftButton);
        QVERIFY(programa.ingresa(EMAIL, VIEJA));
    }

    // Pictures of the strip, the recovery page and the progress panel, for
    // a person to look at (VELKOR_CAPTURAS names the folder).
    void capturas()
    {
        const QString carpeta = qEnvironmentVariable("VELKOR_CAPTURAS");
        if (carpeta.isEmpty())
            QSKIP("VELKOR_CAPTURAS no está definida");
        TPrograma programa([](const TCarpetaPrograma&) {
            Conexiones::cierra(NegocioPrueba::crea(RFC, EMAIL, VIEJA));
            NegocioPrueba::limpiaSesion();
        });
        TWizardFrm* w = programa.w;
        w->TxUpdate->show();
        w->ImgUpdate->show();
        w->grab().save(carpeta + QStringLiteral("/ingreso.png"));
        w->EdCorreoElectronicoLoggin->setText(EMAIL);
        QTest::mouseClick(w->TxOlvidarContraseña, Qt::LeftButton);
        w->Text8->show();
        w->TxProgreso->setText(QStringLiteral("Descargando el catálogo del SAT"));
        w->ProgressBar1->setValue(42);
        w->Text11->setText(QStringLiteral("42 %"));
        w->grab().save(carpeta + QStringLiteral("/recuperacion.png"));
        w->TabControl1->setCurrentIndex(0);
        w->grab().save(carpeta + QStringLiteral("/primera.png"));
    }
};

QTEST_MAIN(TstFranja)
#include "tst_franja.moc"
