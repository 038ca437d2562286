#include "CarpetaPrograma.h"
#include "Constantes.h"
#include "Prompter.h"
#include "Sistema.h"
#include "TBaseDatosLocalFrm.h"
#include "TSplashFrm.h"
#include "TWizardFrm.h"
#include "Ventanas.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QTest>

namespace {

void registraNegocio(const QString& rfc, const QString& nombre)
{
    BaseDatosLocalFrm->usuarioLogginInsert({QStringLiteral("dueno@tienda.mx"), nombre, rfc, Constantes::DB_SQLITE,
                                            QString(), QString(), QString(),
                                            Sistema::exePath + QStringLiteral("db/") + rfc + QStringLiteral("/Velkor.fdb"),
                                            QString()});
}

// What the splash's timer does after three seconds, without the wait.
void terminaSplash()
{
    QVERIFY(SplashFrm);
    SplashFrm->TimerSplashTimer();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!SplashFrm);
}

QString leeLog(const TCarpetaPrograma& programa)
{
    QFile log(programa.archivo(QStringLiteral("Velkor.log")));
    log.open(QIODevice::ReadOnly);
    return QString::fromUtf8(log.readAll());
}

}  // namespace

class TstInicio : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { Inicio::destruyeVentanas(); }
    void entregaAlAsistente_data();
    void entregaAlAsistente();
    void sinPaqueteDeRecursos();
    void respetaBaseDeUsuariosExistente();
    void temporizadorReal();
};

void TstInicio::entregaAlAsistente_data()
{
    QTest::addColumn<QStringList>("activas");
    QTest::addColumn<QStringList>("deshabilitadas");
    QTest::addColumn<int>("pagina");
    QTest::newRow("registro vacío") << QStringList() << QStringList() << 0;
    QTest::newRow("una empresa") << QStringList{QStringLiteral("EKU9003173C9")} << QStringList() << 3;
    QTest::newRow("dos empresas") << QStringList{QStringLiteral("EKU9003173C9"), QStringLiteral("H&E951128469")}
                                  << QStringList() << 3;
    QTest::newRow("solo deshabilitadas") << QStringList() << QStringList{QStringLiteral("AAA010101AAA")} << 0;
}

void TstInicio::entregaAlAsistente()
{
    QFETCH(QStringList, activas);
    QFETCH(QStringList, deshabilitadas);
    QFETCH(int, pagina);
    TCarpetaPrograma programa;
    TColaRespuestas respuestas;

    Inicio::creaVentanas(programa.ruta());
    QVERIFY(SplashFrm->isVisible());
    QVERIFY(!WizardFrm->isVisible());
    QCOMPARE(SplashFrm->size(), QSize(Constantes::SPLASH_ANCHO, Constantes::SPLASH_LARGO));
    QVERIFY(SplashFrm->windowFlags().testFlag(Qt::FramelessWindowHint));
    QVERIFY(!SplashFrm->Image1->pixmap().isNull());
    QCOMPARE(Sistema::exePath, programa.ruta());
    QCOMPARE(Sistema::claveMarca, QStringLiteral("VK"));
    QCOMPARE(Sistema::marca, QStringLiteral("Velkor"));
    QVERIFY(!Sistema::numeroAutorizacionPac.isEmpty());
    QCOMPARE(Sistema::nameSistema, Constantes::NOMBRE_SISTEMA);
    for (const QString& carpeta : {Constantes::SPLASH_DB, Constantes::SPLASH_TEMP,
                                   Constantes::SPLASH_TEMP + QLatin1Char('/') + Constantes::SPLASH_ZIP})
        QVERIFY2(QFileInfo(programa.archivo(carpeta)).isDir(), qPrintable(carpeta));

    // The businesses are registered before the splash hands over, in the
    // registry the program ships.
    if (!activas.isEmpty() || !deshabilitadas.isEmpty()) {
        TBaseDatosLocalFrm::creaTablas(programa.archivo(Constantes::DB_USUARIOS));
        for (const QString& rfc : activas + deshabilitadas)
            registraNegocio(rfc, QStringLiteral("Negocio ") + rfc);
        for (const QString& rfc : deshabilitadas)
            BaseDatosLocalFrm->deshabilitaEstatusEmpresa(rfc);
    }
    terminaSplash();

    QCOMPARE(Sistema::dbUsuariosSistema, programa.archivo(Constantes::DB_USUARIOS));
    QVERIFY(QFile::exists(Sistema::dbUsuariosSistema));
    QVERIFY(WizardFrm->isVisible());
    QCOMPARE(WizardFrm->TabControl1->count(), 5);
    QCOMPARE(WizardFrm->TabControl1->currentIndex(), pagina);
    QCOMPARE(WizardFrm->listaEmpresas(), activas);
    QVERIFY(respuestas.textos().isEmpty());
    const QString log = leeLog(programa);
    QVERIFY(log.contains(Constantes::SPLASH_SPLASH));
    QVERIFY(log.contains(Constantes::SPLASH_NEXT_FORM));
    QVERIFY(!log.contains(QStringLiteral("error raised")));
}

void TstInicio::sinPaqueteDeRecursos()
{
    TCarpetaPrograma programa(false);
    TColaRespuestas respuestas;
    Inicio::creaVentanas(programa.ruta());
    QVERIFY(SplashFrm->Image1->pixmap().isNull());
    QVERIFY(Sistema::claveMarca.isEmpty());
    QVERIFY(Sistema::marca.isEmpty());
    QVERIFY(Sistema::numeroAutorizacionPac.isEmpty());
    terminaSplash();

    QVERIFY(!QFile::exists(programa.archivo(Constantes::DB_USUARIOS)));
    QVERIFY(WizardFrm->isVisible());
    QCOMPARE(WizardFrm->TabControl1->currentIndex(), 0);
    QVERIFY(respuestas.textos().isEmpty());
    // Without a registry the count fails; that is logged, not shown.
    QVERIFY(leeLog(programa).contains(QStringLiteral(" error raised, with message : ")));
}

void TstInicio::respetaBaseDeUsuariosExistente()
{
    TCarpetaPrograma programa;
    const QString archivo = programa.archivo(Constantes::DB_USUARIOS);
    TBaseDatosLocalFrm::creaTablas(archivo);
    Sistema::exePath = programa.ruta();
    TBaseDatosLocalFrm registro;
    BaseDatosLocalFrm = &registro;
    registraNegocio(QStringLiteral("EKU9003173C9"), QStringLiteral("ESCUELA KEMPER URGATE"));
    BaseDatosLocalFrm = nullptr;
    QFile antes(archivo);
    QVERIFY(antes.open(QIODevice::ReadOnly));
    const QByteArray bytes = antes.readAll();
    antes.close();

    Inicio::creaVentanas(programa.ruta());
    terminaSplash();
    QFile despues(archivo);
    QVERIFY(despues.open(QIODevice::ReadOnly));
    QCOMPARE(despues.readAll(), bytes);
    QCOMPARE(WizardFrm->TabControl1->currentIndex(), 3);
}

void TstInicio::temporizadorReal()
{
    TCarpetaPrograma programa;
    Inicio::creaVentanas(programa.ruta());
    QCOMPARE(SplashFrm->TimerSplash->interval(), 3000);
    QVERIFY(SplashFrm->TimerSplash->isActive());
    QTRY_VERIFY_WITH_TIMEOUT(WizardFrm->isVisible(), 10000);
    QVERIFY(!SplashFrm);
}

QTEST_MAIN(TstInicio)
#include "tst_inicio.moc"
