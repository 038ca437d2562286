#include "Arranque.h"
#include "CarpetaPrograma.h"
#include "Constantes.h"
#include "NegocioPrueba.h"
#include "negocio/TIngreso.h"
#include "Prompter.h"
#include "RegistroPrueba.h"
#include "Sistema.h"
#include "negocio/TBaseDatosLocalFrm.h"
#include "shell/TMainFrm.h"
#include "app/TSplashFrm.h"
#include "setup/TWizardFrm.h"
#include "app/Ventanas.h"
#include "Piezas.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QStackedWidget>

#include <optional>

using namespace Qt::StringLiterals;

namespace {

// What the splash's timer does after three seconds, without the wait.
void terminaSplash()
{
    QVERIFY(SplashFrm);
    SplashFrm->TimerSplashTimer();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!SplashFrm);
}

} // namespace

class TstInicio : public QObject {
    Q_OBJECT
private slots:
    // The program's own decision is what is tested, not Qt's.
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    void cleanup() { Arranque::destruyeVentanas(); }

    // Rows with businesses register them before the splash hands over: the
    // registry found in place must be used, not replaced by the shipped one.
    void entregaAlAsistente_data()
    {
        QTest::addColumn<bool>("conRecursos");
        QTest::addColumn<QStringList>("activas");
        QTest::addColumn<QStringList>("deshabilitadas");
        QTest::addColumn<int>("pagina");
        QTest::newRow("registro vacío") << true << QStringList() << QStringList() << 0;
        QTest::newRow("una empresa") << true << QStringList{"EKU9003173C9"} << QStringList() << 3;
        QTest::newRow("dos empresas") << true << QStringList{"EKU9003173C9", "H&E951128469"} << QStringList() << 3;
        QTest::newRow("solo deshabilitadas") << true << QStringList() << QStringList{"AAA010101AAA"} << 0;
        QTest::newRow("sin paquete de recursos") << false << QStringList() << QStringList() << 0;
    }
    void entregaAlAsistente()
    {
        QFETCH(bool, conRecursos);
        QFETCH(QStringList, activas);
        QFETCH(QStringList, deshabilitadas);
        QFETCH(int, pagina);
        TCarpetaPrograma programa(conRecursos);
        TColaRespuestas respuestas;

        Arranque::creaVentanas(programa.ruta());
        QVERIFY(SplashFrm->isVisible());
        QVERIFY(!WizardFrm->isVisible());
        QCOMPARE(Sistema::exePath, programa.ruta());
        // Image and brand come from the resource package.
        const auto* imagen = SplashFrm->findChild<QLabel*>(u"Image1"_s);
        QVERIFY(imagen);
        QCOMPARE(imagen->pixmap().isNull(), !conRecursos);
        QCOMPARE(Sistema::claveMarca.isEmpty(), !conRecursos);
        QCOMPARE(Sistema::numeroAutorizacionPac.isEmpty(), !conRecursos);
        for (const QString& carpeta :
             {Constantes::SPLASH_DB, Constantes::SPLASH_TEMP, Constantes::SPLASH_TEMP + u'/' + Constantes::SPLASH_ZIP})
            QVERIFY2(QFileInfo(programa.archivo(carpeta)).isDir(), qPrintable(carpeta));

        if (!activas.isEmpty() || !deshabilitadas.isEmpty()) {
            TBaseDatosLocalFrm::creaTablas(programa.archivo(Constantes::DB_USUARIOS));
            for (const QString& rfc : activas + deshabilitadas) {
                const QString base = programa.archivo(u"db/%1/Velkor.fdb"_s.arg(rfc));
                BaseDatosLocalFrm->usuarioLogginInsert(
                    {u"dueno@tienda.mx"_s, rfc, rfc, Constantes::DB_SQLITE, {}, {}, {}, base, {}});
            }
            for (const QString& rfc : deshabilitadas)
                BaseDatosLocalFrm->deshabilitaEstatusEmpresa(rfc);
        }
        terminaSplash();

        QCOMPARE(QFile::exists(programa.archivo(Constantes::DB_USUARIOS)), conRecursos);
        // The registry the splash writes is its owner's only.
        if (conRecursos && activas.isEmpty() && deshabilitadas.isEmpty())
            QCOMPARE(TCarpetaPrograma::modo(programa.archivo(Constantes::DB_USUARIOS)), 0600);
        QVERIFY(WizardFrm->isVisible());
        QCOMPARE(pieza<QStackedWidget>(WizardFrm, "TabControl1")->currentIndex(), pagina);
        QCOMPARE(WizardFrm->listaEmpresas(), activas);
        QVERIFY(respuestas.textos().isEmpty());
        // The shipped registry must read cleanly; without one the count fails,
        // which is logged, never shown. The wizard's update check logs
        // failures of its own from another thread, at any moment: only the
        // registry's lines are the start-up's.
        const QString log = programa.log();
        const QRegularExpression errorRegistro(u" error raised, with message : .*registro de empresas"_s);
        QVERIFY2(log.contains(errorRegistro) == !conRecursos, qPrintable(log));
    }

    // A registry that cannot be read is kept aside under a dated name and a
    // new one takes its place; the user is told once the wizard shows.
    void registroDanado_data()
    {
        QTest::addColumn<QByteArray>("danado");
        for (const auto& [nombre, contenido] : RegistroPrueba::danados(RegistroPrueba::conFilas(300)))
            QTest::newRow(qPrintable(nombre)) << contenido;
    }
    void registroDanado()
    {
        QFETCH(QByteArray, danado);
        TCarpetaPrograma programa;
        TColaRespuestas respuestas;
        Arranque::creaVentanas(programa.ruta());
        QVERIFY(TCarpetaPrograma::escribe(programa.archivo(Constantes::DB_USUARIOS), danado));
        terminaSplash();
        QVERIFY(respuestas.textos().isEmpty());
        // The rebuild offered with the notice is declined.
        respuestas.agregaRespuesta(TPrompter::CANCELAR);
        QCoreApplication::processEvents();

        QVERIFY(WizardFrm->isVisible());
        QCOMPARE(pieza<QStackedWidget>(WizardFrm, "TabControl1")->currentIndex(), 0);
        const QDir carpetaDb(programa.archivo(Constantes::DB_PATH));
        const QStringList apartados = carpetaDb.entryList({u"Usuarios.danado-*.db"_s}, QDir::Files);
        QCOMPARE(apartados.size(), 1);
        QCOMPARE(TCarpetaPrograma::lee(carpetaDb.filePath(apartados.first())), danado);
        QCOMPARE(respuestas.textos().size(), 1);
        QVERIFY(respuestas.textos().first().startsWith(
            QString(Constantes::AVISO_REGISTRO_DANADO).replace(Constantes::ARCHIVO_SUST, apartados.first())));
        QVERIFY(TBaseDatosLocalFrm::esLegible(programa.archivo(Constantes::DB_USUARIOS)));
        QVERIFY(programa.log().contains(apartados.first()));
    }

    // A registry whose last write was cut short is rolled back, not set
    // aside as damaged: the businesses stay listed and nothing is replayed.
    void registroInterrumpido()
    {
        TCarpetaPrograma programa;
        TColaRespuestas respuestas;
        Arranque::creaVentanas(programa.ruta());
        TBaseDatosLocalFrm::creaTablas(programa.archivo(Constantes::DB_USUARIOS));
        BaseDatosLocalFrm->usuarioLogginInsert(
            {u"dueno@tienda.mx"_s, u"EKU9003173C9"_s, u"EKU9003173C9"_s, Constantes::DB_SQLITE, {}, {}, {}, {}, {}});
        QVERIFY(RegistroPrueba::dejaEscrituraInterrumpida(60));
        terminaSplash();
        QCoreApplication::processEvents();

        QVERIFY2(respuestas.textos().isEmpty(), qPrintable(respuestas.textos().join(u'\n')));
        QCOMPARE(pieza<QStackedWidget>(WizardFrm, "TabControl1")->currentIndex(), 3);
        QCOMPARE(WizardFrm->listaEmpresas(), QStringList{u"EKU9003173C9"_s});
        QCOMPARE(QDir(programa.archivo(Constantes::DB_PATH)).entryList(QDir::Files), QStringList{u"Usuarios.db"_s});
    }

    // Without its registry, businesses left in db/ are offered back, as
    // after a damaged one; a registry that cannot be read is let be, and
    // the first run is not offered as if there were no business.
    void registroAusenteOIlegible_data()
    {
        QTest::addColumn<bool>("ocupado");
        QTest::newRow("registro borrado") << false;
        QTest::newRow("registro ocupado") << true;
    }
    void registroAusenteOIlegible()
    {
        QFETCH(bool, ocupado);
        TCarpetaPrograma programa;
        TColaRespuestas respuestas;
        Arranque::creaVentanas(programa.ruta());
        NegocioPrueba::creaRegistro(programa);
        NegocioPrueba::crea(NegocioPrueba::RFC_ESCUELA, u"dueno@escuela.mx"_s, QString());
        NegocioPrueba::limpiaSesion();
        if (!ocupado)
            QVERIFY(QFile::remove(programa.archivo(Constantes::DB_USUARIOS)));
        std::optional<RegistroPrueba::TBloqueo> bloqueo;
        if (ocupado) {
            bloqueo.emplace();
            QVERIFY(bloqueo->activo());
        }
        QSignalSpy fin(WizardFrm, &TWizardFrm::procesoTerminado);
        respuestas.agregaRespuesta(TPrompter::OK);
        terminaSplash();
        QCoreApplication::processEvents();

        QVERIFY(!respuestas.textos().isEmpty());
        if (ocupado) {
            QCOMPARE(pieza<QStackedWidget>(WizardFrm, "TabControl1")->currentIndex(), 3);
            QCOMPARE(respuestas.textos(), QStringList{TWizardFrm::AVISO_REGISTRO_OCUPADO});
            bloqueo.reset();
            QCOMPARE(QDir(programa.archivo(Constantes::DB_PATH)).entryList(QDir::Files), QStringList{u"Usuarios.db"_s});
            QCOMPARE(BaseDatosLocalFrm->getNumeroEmpresas(), 1);
            return;
        }
        QVERIFY(respuestas.textos().first().startsWith(TWizardFrm::AVISO_REGISTRO_FALTANTE));
        QVERIFY(fin.wait(120000));
        QVERIFY(respuestas.textos().last().startsWith(u"Se registraron de nuevo 1 empresa"_s));
        QCOMPARE(pieza<QStackedWidget>(WizardFrm, "TabControl1")->currentIndex(), 3);
        QCOMPARE(WizardFrm->listaEmpresas(), QStringList{NegocioPrueba::RFC_ESCUELA});
    }

    // The wizard closed without a sign-in ends the program, unless it was
    // opened over the main window; closed after one, the main window shows.
    void cierreDelAsistente_data()
    {
        QTest::addColumn<bool>("conIngreso");
        QTest::addColumn<bool>("principalAbierta");
        QTest::addColumn<bool>("termina");
        QTest::newRow("sin ingreso: termina") << false << false << true;
        QTest::newRow("sin ingreso sobre la ventana principal") << false << true << false;
        QTest::newRow("tras el ingreso: la ventana principal") << true << false << false;
    }
    void cierreDelAsistente()
    {
        QFETCH(bool, conIngreso);
        QFETCH(bool, principalAbierta);
        QFETCH(bool, termina);
        TCarpetaPrograma programa;
        TColaRespuestas respuestas;
        Arranque::creaVentanas(programa.ruta());
        if (conIngreso) {
            // The main window needs a signed-in business to show.
            NegocioPrueba::creaRegistro(programa);
            NegocioPrueba::crea(NegocioPrueba::RFC_ESCUELA, u"dueno@escuela.mx"_s, QString());
            QCOMPARE(Ingreso::ingresa(NegocioPrueba::RFC_ESCUELA, u"dueno@escuela.mx"_s, QString()),
                     Ingreso::TResultado::Correcto);
        }
        terminaSplash();
        QVERIFY(WizardFrm->isVisible());
        if (principalAbierta)
            MainFrm->show();
        WizardFrm->nextStep = conIngreso;

        // The close runs inside the program's event loop: ending the program
        // ends it at once; otherwise the loop goes on to the next event, which
        // ends it with another code.
        QObject guarda;
        QTimer::singleShot(0, &guarda, [&guarda] {
            WizardFrm->close();
            QTimer::singleShot(0, &guarda, [] { QCoreApplication::exit(1); });
        });
        QCOMPARE(QApplication::exec() == 0, termina);
        QVERIFY(!WizardFrm->isVisible());
        QCOMPARE(MainFrm->isVisible(), conIngreso || principalAbierta);
        MainFrm->hide();
        NegocioPrueba::limpiaSesion();
    }
};

QTEST_MAIN(TstInicio)
#include "tst_inicio.moc"
