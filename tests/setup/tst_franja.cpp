#include "Arranque.h"
#include "CarpetaPrograma.h"
#include "Conexiones.h"
#include "Constantes.h"
#include "NegocioPrueba.h"
#include "Prompter.h"
#include "ServidorPrueba.h"
#include "TArchivoZip.h"
#include "TBaseDatosCatalogosFrm.h"
#include "TBaseDatosLocalFrm.h"
#include "TMainFrm.h"
#include "TSplashFrm.h"
#include "TVerificaUpdate.h"
#include "TWizardFrm.h"
#include "Ventanas.h"

#include <QRadioButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Constantes;

namespace {

const QString RFC = NegocioPrueba::RFC_ESCUELA;
const QString EMAIL = QStringLiteral("dueno@escuela.mx");
const QString VIEJA = QStringLiteral("Vieja#1");
const QString NUEVA = QStringLiteral("Nueva#2");

// The program as started, the wizard shown, over a fresh program folder with
// the business `negocio` (its owner EMAIL signing in with VIEJA), the
// Velkor.ini `ajustes` and, when asked, the built catalogue.
struct TPrograma {
    explicit TPrograma(const QString& negocio = RFC, const QMap<QString, QString>& ajustes = {}, bool catalogo = false)
    {
        NegocioPrueba::creaRegistro(carpeta);
        if (catalogo)
            carpeta.instalaCatalogo();
        if (!negocio.isEmpty())
            Conexiones::cierra(NegocioPrueba::crea(negocio, EMAIL, VIEJA));
        NegocioPrueba::limpiaSesion();
        QSettings ini(carpeta.archivo(ARCHIVO_AJUSTES), QSettings::IniFormat);
        for (auto it = ajustes.cbegin(); it != ajustes.cend(); ++it)
            ini.setValue(it.key(), it.value());
        ini.sync();
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
    bool ingresa(const QString& password)
    {
        w->EdCorreoElectronicoLoggin->setText(EMAIL);
        w->EdPasswordLoggin->setText(password);
        w->BtIngresar->click();
        return w->nextStep;
    }

    TCarpetaPrograma carpeta;
    TColaRespuestas respuestas;
    TWizardFrm* w = nullptr;
};

} // namespace

class TstFranja : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { TWizardFrm::seleccionaArchivo = nullptr; }

    // One server: the update check at the wizard's showing (another
    // published version shows the indicators of both windows, the program's
    // own hides them), then the catalogue link (the bar moves while the
    // archive arrives; a failing server leaves the installed one working).
    void descargas_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("catalogo");
        QTest::newRow("otra versión, catálogo nuevo")
            << QStringLiteral("9.9.9.9") << QStringLiteral("/lento/") + CATALOGO_ZIP;
        QTest::newRow("al día, el servidor falla")
            << TVerificaUpdate::getVersionSistema() << QStringLiteral("/archivo/no-existe.zip");
    }
    void descargas()
    {
        QFETCH(QString, version);
        QFETCH(QString, catalogo);
        const bool disponible = version != TVerificaUpdate::getVersionSistema();
        QTemporaryDir servidos;
        QVERIFY(QFile::copy(QStringLiteral(VELKOR_GENERADOS "/CFDCAT.zip"), servidos.filePath(CATALOGO_ZIP)));
        QFile lista(servidos.filePath(QStringLiteral("versiones.txt")));
        QVERIFY(lista.open(QIODevice::WriteOnly) && lista.write("Velkor " + version.toUtf8() + "\r\n- nota\r\n") > 0);
        lista.close();
        const TServidorPrueba http(QStringLiteral("servidor_http.py"), {QStringLiteral("--carpeta"), servidos.path()});
        QVERIFY2(http.puerto() > 0, qPrintable(http.error()));
        TPrograma programa(
            QString(),
            {{QStringLiteral("Red/catalogo"), http.url() + catalogo},
             {QStringLiteral("Red/actualizaciones"), http.url() + QStringLiteral("/archivo/versiones.txt")}},
            !disponible);
        TWizardFrm* w = programa.w;
        MainFrm->muestraActualizacion(true);
        QSignalSpy veredicto(w, &TWizardFrm::actualizacionDisponible);
        QVERIFY(veredicto.wait(60000));
        QCOMPARE(w->TxUpdate->isVisibleTo(w), disponible);
        QCOMPARE(w->ImgUpdate->isVisibleTo(w), disponible);
        QCOMPARE(MainFrm->ImgUpdate->isVisibleTo(MainFrm), disponible);

        QList<int> valores;
        connect(w->ProgressBar1, &QProgressBar::valueChanged, this, [&](int v) {
            QVERIFY(w->Text8->isVisible() && !w->TXCatalogos->isEnabled());
            valores << v;
        });
        QVERIFY(programa.termina(w->TXCatalogos));
        QVERIFY(!w->Text8->isVisible() && w->TXCatalogos->isEnabled());
        QCOMPARE(programa.respuestas.textos().first(), CONFIRMA_ACTUALIZA_CATALOGOS);
        QVERIFY(BaseDatosCatalogosFrm().existeCodigoPostalByCP(QStringLiteral("06600")));
        QVERIFY(
            programa.respuestas.textos().last().startsWith(disponible ? CATALOGO_FINALIZADO : ERR_DESCARGA_CATALOGO));
        QVERIFY(!disponible || (valores.size() > 3 && valores.last() == 100));
    }

    // The key arrives at the real mail server, sets a new password on the
    // recovery page and the user signs in with it.
    void recuperacion()
    {
        QTemporaryDir buzon;
        const TServidorPrueba smtp(QStringLiteral("servidor_smtp.py"), {QStringLiteral("--carpeta"), buzon.path()});
        QVERIFY2(smtp.puerto() > 0, qPrintable(smtp.error()));
        TPrograma programa(RFC, {{QStringLiteral("Correo/servidor"), QStringLiteral("127.0.0.1")},
                                 {QStringLiteral("Correo/puerto"), QString::number(smtp.puerto())}});
        TWizardFrm* w = programa.w;
        w->EdCorreoElectronicoLoggin->setText(EMAIL);
        QTest::mouseClick(w->TxOlvidarContraseña, Qt::LeftButton);
        QCOMPARE(w->TabControl1->currentIndex(), 4);
        QVERIFY(!w->BtGuardar->isEnabled());
        w->BtEnviaClave->click();
        QTRY_VERIFY_WITH_TIMEOUT(w->BtEnviaClave->isEnabled(), 60000);
        QCOMPARE(programa.respuestas.textos().size(), 1);
        QFile correo(buzon.filePath(QStringLiteral("1.eml")));
        QVERIFY(correo.open(QIODevice::ReadOnly));
        const QByteArray todo = correo.readAll();
        const QString html = QString::fromUtf8(QByteArray::fromBase64(todo.mid(todo.indexOf("\r\n\r\n") + 4)));
        const qsizetype desde = html.indexOf(EMAIL_CLAVE_RECUPERACION) + EMAIL_CLAVE_RECUPERACION.size();
        w->EdClaveRecuperacion->setText(QLatin1Char(' ') +
                                        html.mid(desde, html.indexOf(QLatin1Char('<'), desde) - desde));
        QTest::keyClick(w->EdClaveRecuperacion, Qt::Key_Return);
        QVERIFY(w->BtGuardar->isEnabled());
        w->EdRecuperaPass->setText(NUEVA);
        w->EdRecuperaPassRepite->setText(NUEVA);
        w->BtGuardar->click();
        QCOMPARE(programa.respuestas.textos().last(), EMAIL_CONTRASENA_ACTUALIZA);
        QCOMPARE(w->TabControl1->currentIndex(), 3);
        QVERIFY(!programa.ingresa(VIEJA));
        QVERIFY(programa.ingresa(NUEVA));
    }

    // A backup restored on a fresh program folder signs in; restored again
    // over the business now registered, the user is asked first.
    void respaldo()
    {
        QTemporaryDir dir;
        const QString archivo = dir.filePath(RFC + RESPALDO_EXTENSION);
        {
            const TPrograma origen;
            TArchivoZip::comprime(archivo, origen.carpeta.archivo(DB_PATH + RFC), DB_PATH + RFC + QLatin1Char('/'),
                                  RESPALDO_PASSWORD, TArchivoZip::TCifrado::Tradicional);
        }
        TPrograma programa{QString()};
        TWizardFrm::seleccionaArchivo = [&](QWidget*, const QString& filtro) {
            return filtro == QLatin1String("Respaldo (*.respal33)") ? archivo : QString();
        };
        QVERIFY(programa.termina(programa.w->Text2));
        programa.respuestas.agregaRespuesta(TPrompter::CANCELAR);
        QVERIFY(programa.termina(programa.w->Text2));
        QCOMPARE(programa.respuestas.textos(),
                 (QStringList{REINICIA_APLICACION, CONFIRMA_SOBRESCRIBE_RESPALDO + SALTO + RESPALDO_NO_REVERTIR}));
        QCOMPARE(programa.w->TabControl1->currentIndex(), 3);
        QCOMPARE(programa.w->listaEmpresas(), QStringList{RFC});
        QVERIFY(programa.ingresa(VIEJA));
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
        TPrograma programa;
        Conexiones::cierra(NegocioPrueba::crea(NegocioPrueba::RFC_ACCEM, EMAIL, VIEJA));
        NegocioPrueba::limpiaSesion();
        TWizardFrm* w = programa.w;
        QVERIFY(QFile::remove(programa.carpeta.archivo(DB_USUARIOS)));
        QSignalSpy fin(w, &TWizardFrm::procesoTerminado);
        int hechas = 0;
        connect(w->ProgressBar1, &QProgressBar::valueChanged, this, [&](int v) { hechas = qMax(hechas, v); });
        if (desdeAviso) {
            NegocioPrueba::creaRegistro(programa.carpeta);
            w->avisaRegistroDanado(programa.carpeta.archivo(QStringLiteral("db/Usuarios.danado.db")));
            w->ofreceReconstruccion();
        } else {
            QTest::mouseClick(w->TxBaseDatos, Qt::LeftButton);
        }
        QVERIFY(w->Text8->isVisible());
        QVERIFY(fin.wait(120000));
        QCOMPARE(hechas, 2);
        QVERIFY(programa.respuestas.textos().last().startsWith(QStringLiteral("Se registraron de nuevo 2 empresa")));
        QCOMPARE(w->listaEmpresas(), (QStringList{NegocioPrueba::RFC_ACCEM, RFC}));
        QTest::mouseClick(w->findChild<QRadioButton*>(RFC), Qt::LeftButton);
        QVERIFY(programa.ingresa(VIEJA));
    }
};

QTEST_MAIN(TstFranja)
#include "tst_franja.moc"
