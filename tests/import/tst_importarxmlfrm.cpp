#include "NegocioPrueba.h"
#include "Arranque.h"
#include "Capturas.h"
#include "CarpetaPrograma.h"
#include "Constantes.h"
#include "Entidades.h"
#include "Prompter.h"
#include "PaquetesPrueba.h"
#include "SelectorArchivos.h"
#include "Sistema.h"
#include "negocio/TBaseDatosLocalFrm.h"
#include "import/TImportarXMLFrm.h"
#include "import/TImportadorXML.h"
#include "app/TSplashFrm.h"
#include "setup/TWizardFrm.h"
#include "negocio/Utils.h"
#include "app/Ventanas.h"
#include "Aperturas.h"
#include "Logmanager.h"
#include "Piezas.h"
#include "ProgramaPrueba.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLabel>
#include <QTimer>
#include <QLineEdit>
#include <QLockFile>
#include <QProgressBar>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStackedWidget>
#include <QtTest>

using namespace Constantes;

#include <cstdio>

namespace {

const QString CORREO = QStringLiteral("nuevo@usuario.mx");
const QString FIN = QStringLiteral("Proceso Terminado");

// The one message of the end: "Proceso Terminado" first, then the tally.
bool soloFin(const QStringList& textos)
{
    return textos.size() == 1 && textos.first().startsWith(FIN + QLatin1Char('\n'));
}

const QString TITULO_CARPETA = QStringLiteral("Elige la carpeta con los XML o los paquetes del SAT");

// The data panel filled in as the user does, then Aceptar.
void llena(const TImportarXMLFrm* ventana, const QString& correo, const QString& password, const QString& repetida)
{
    pieza<QLineEdit>(ventana, "EdEmail")->setText(correo);
    pieza<QLineEdit>(ventana, "EdPass")->setText(password);
    pieza<QLineEdit>(ventana, "EdRepitePass")->setText(repetida);
    pieza<QPushButton>(ventana, "BtAceptar")->click();
}

QString dato(const QString& nombre)
{
    return QStringLiteral(VELKOR_DATOS_PRUEBA "/cfdi/") + nombre;
}

// The program as a new user starts it: no business registered, the wizard
// on its first-run page.
class TPrograma : public TProgramaPrueba {
public:
    TPrograma()
    {
        carpeta.instalaCatalogo();
        arranca(true);
        w = WizardFrm;
        v = ImportarXMLFrm;
    }

    // A folder of files to import, inside the program folder.
    QString carpetaCon(const QStringList& archivos) const
    {
        const QString destino = carpeta.archivo(QStringLiteral("xml/"));
        QDir().mkpath(destino + QStringLiteral("sub"));
        for (int i = 0; i < archivos.size(); ++i) {
            const QString como =
                (i % 2 ? destino + QStringLiteral("sub/") : destino) + QFileInfo(archivos.at(i)).fileName();
            QFile::copy(dato(archivos.at(i)), como);
        }
        return destino;
    }

    // Fills the window's fields once it is shown, and presses Aceptar.
    void llenaAlAbrir(const QString& correo, const QString& password, const QString& repetida) const
    {
        TImportarXMLFrm* ventana = v;
        QTimer::singleShot(0, ventana, [=] { llena(ventana, correo, password, repetida); });
        // A window that never ends would hang the test; this ends it and the
        // checks fail instead.
        QTimer::singleShot(120000, ventana, [ventana] { ventana->done(QDialog::Rejected); });
    }

    // The data panel shown afresh, filled in and accepted.
    void acepta(const QString& correo, const QString& password, const QString& repetida) const
    {
        v->initDatosXML();
        v->show();
        llena(v, correo, password, repetida);
    }

    // The folder dialog's answers.
    TColaArchivos carpetas;
    // The reports the end of an import opened.
    TAperturas aperturas;
    TWizardFrm* w = nullptr;
    TImportarXMLFrm* v = nullptr;
};

} // namespace

class TstImportarXMLFrm : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    void init() { NegocioPrueba::limpiaSesion(); }

    // The road of a new user: the wizard's link, e-mail and password, a
    // folder of real vouchers; the count, the progress, the end; then the
    // sign-in page lists the businesses the vouchers brought.
    void desdeElAsistente()
    {
        TPrograma programa;
        auto* pasos = pieza<QStackedWidget>(programa.w, "TabControl1");
        QCOMPARE(pasos->currentIndex(), 0);
        const QStringList archivos = {QStringLiteral("cfdi40-real.xml"), QStringLiteral("cfdi32-real.xml"),
                                      QStringLiteral("cfdi33-valid.xml"), QStringLiteral("cfdv2.xml"),
                                      QStringLiteral("propios/uuid-vacio.xml")};
        const QString carpetaXML = programa.carpetaCon(archivos);
        // A name the program cannot open is counted and reported, not
        // passed over.
        FILE* f = std::fopen((QFile::encodeName(carpetaXML) + "sub/fact\xE1.xml").constData(), "w");
        QVERIFY(f);
        std::fclose(f);
        programa.carpetas.agrega(carpetaXML);
        QList<TResultadoArchivo> vistos;
        connect(programa.v, &TImportarXMLFrm::archivoTerminado, this,
                [&](const TResultadoArchivo& r) { vistos.append(r); });
        programa.llenaAlAbrir(CORREO, QStringLiteral("secreta"), QStringLiteral("secreta"));

        QTest::mouseClick(pieza(programa.w, "TxRestaurarRespaldoXML"), Qt::LeftButton);

        QVERIFY(soloFin(programa.respuestas.textos()));
        QCOMPARE(programa.carpetas.pedidos(), QStringList{TITULO_CARPETA});
        QVERIFY(!programa.v->isVisible());
        QCOMPARE(programa.v->directorio, carpetaXML);
        QCOMPARE(pieza<QLabel>(programa.v, "TxTotalXML")->text(), QStringLiteral("6"));
        QCOMPARE(pieza<QLabel>(programa.v, "TxNumeroXML")->text(), QStringLiteral("6"));
        QCOMPARE(pieza<QProgressBar>(programa.v, "PBProgreso")->maximum(), 6);
        QCOMPARE(pieza<QProgressBar>(programa.v, "PBProgreso")->value(), 6);
        QCOMPARE(vistos.size(), 6);
        const TResumenImportacion& resumen = programa.v->resumen();
        QCOMPARE(resumen.importados, 3);
        QCOMPARE(resumen.omitidos, 2);
        QCOMPARE(resumen.fallidos, 1);
        QCOMPARE(resumen.noImportados.size(), 3);
        // Results come as the threads finish them, in no set order.
        const auto ilegible = std::find_if(vistos.cbegin(), vistos.cend(), [&](const TResultadoArchivo& r) {
            return r.ruta == carpetaXML + QStringLiteral("sub/fact\\xE1.xml");
        });
        QVERIFY(ilegible != vistos.cend());
        QVERIFY(ilegible->motivo.startsWith(QStringLiteral("El nombre del archivo no es texto UTF-8 válido")));
        // The end names the businesses made from the issuers, and the report
        // of each file is opened for the user.
        const QString fin = programa.respuestas.textos().first();
        QVERIFY2(fin.contains(QStringLiteral("Se crearon 3 empresas nuevas")), qPrintable(fin));
        QVERIFY(fin.contains(QStringLiteral("\n  EKU9003173C9 – ")));
        QCOMPARE(programa.aperturas.abiertas.size(), 1);
        QVERIFY(programa.aperturas.abiertas.first().toLocalFile().contains(QStringLiteral("/Importacion-")));
        // The copies, their folders, the report and the log name businesses:
        // nobody but their owner reads them.
        const QFileDevice::Permissions ajenos =
            QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ReadOther | QFileDevice::WriteOther;
        int privados = 0;
        QDirIterator escritos(programa.carpeta.archivo(FACTURAS_PATH), QDir::AllEntries | QDir::NoDotAndDotDot,
                              QDirIterator::Subdirectories);
        while (escritos.hasNext()) {
            const QFileInfo escrito(escritos.next());
            QVERIFY2((escrito.permissions() & ajenos) == QFileDevice::Permissions(), qPrintable(escrito.filePath()));
            ++privados;
        }
        QVERIFY(privados >= 6);
        for (const QString& archivo :
             {Logmanager::archivoLog(Sistema::exePath), programa.aperturas.abiertas.first().toLocalFile()})
            QCOMPARE(QFileInfo(archivo).permissions() & ajenos, QFileDevice::Permissions());

        QCOMPARE(pasos->currentIndex(), 3);
        QStringList rfcs = programa.w->listaEmpresas();
        rfcs.sort();
        QCOMPARE(rfcs, (QStringList{QStringLiteral("CTO021007DZ8"), QStringLiteral("EKU9003173C9"),
                                    QStringLiteral("ISD950921HE5")}));
        QVERIFY(!Sistema::Conexion);

        // Again, as the businesses' own user: let in, and nothing new.
        programa.respuestas.limpia();
        programa.carpetas.agrega(carpetaXML);
        programa.llenaAlAbrir(CORREO, QStringLiteral("secreta"), QStringLiteral("secreta"));
        QTest::mouseClick(programa.w->findChild<QLabel*>(QStringLiteral("ImgAbrirXML")), Qt::LeftButton);
        QVERIFY(soloFin(programa.respuestas.textos()));
        QCOMPARE(programa.carpetas.pedidos(), (QStringList{TITULO_CARPETA, TITULO_CARPETA}));
        QCOMPARE(programa.v->resumen().importados, 0);
        QCOMPARE(programa.v->resumen().yaExistian, 3);
        QCOMPARE(programa.v->resumen().fallidos, 1);
        QCOMPARE(registroLocal().getNumeroEmpresas(), 3);
    }

    // Nothing starts without an e-mail, with passwords that differ, without
    // a folder or while another program imports into the program folder;
    // each says why.
    void noEmpieza_data()
    {
        QTest::addColumn<QString>("correo");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("repetida");
        QTest::addColumn<bool>("conCarpeta");
        QTest::addColumn<QString>("mensaje");
        QTest::addColumn<bool>("otraImportacion");
        QTest::newRow("sin correo") << QString() << QStringLiteral("a") << QStringLiteral("a") << true
                                    << ERR_MAIL_REQUERIDO << false;
        QTest::newRow("contraseñas distintas")
            << CORREO << QStringLiteral("secreta") << QStringLiteral("secrata") << true << ERR_CONTRASENA << false;
        QTest::newRow("sin carpeta") << CORREO << QString() << QString() << false
                                     << QStringLiteral("No se eligió una carpeta; no se importó nada.") << false;
        QTest::newRow("otra importación")
            << CORREO << QString() << QString() << true << QStringLiteral("Otro programa (proceso ") << true;
    }
    void noEmpieza()
    {
        QFETCH(QString, correo);
        QFETCH(QString, password);
        QFETCH(QString, repetida);
        QFETCH(bool, conCarpeta);
        QFETCH(QString, mensaje);
        QFETCH(bool, otraImportacion);
        TPrograma programa;
        QLockFile otra(programa.carpeta.archivo(QStringLiteral("db/.importacion.lock")));
        if (otraImportacion)
            QVERIFY(otra.tryLock(0));
        if (conCarpeta)
            programa.carpetas.agrega(programa.carpetaCon({QStringLiteral("cfdi40-real.xml")}));
        TImportarXMLFrm* v = programa.v;
        programa.acepta(correo, password, repetida);
        QCOMPARE(programa.respuestas.textos().size(), 1);
        QVERIFY2(programa.respuestas.textos().first().startsWith(mensaje),
                 qPrintable(programa.respuestas.textos().first()));
        QVERIFY(pieza<QWidget>(v, "TxDatosXML")->isVisible());
        QVERIFY(!pieza<QWidget>(v, "TxProgresoXML")->isVisible());
        QVERIFY(!v->ocupada());
        QCOMPARE(registroLocal().getNumeroEmpresas(), 0);
        pieza<QPushButton>(v, "BtCancelar")->click();
        QVERIFY(!v->isVisible());
    }

    // A registry another program holds is not read as empty: the user is
    // told, no folder is asked and nothing is imported.
    void registroOcupado()
    {
        TPrograma programa;
        programa.carpetas.agrega(programa.carpetaCon({QStringLiteral("cfdi40-real.xml")}));
        const QString nombre = QStringLiteral("otro-programa");
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), nombre);
            db.setDatabaseName(programa.carpeta.archivo(DB_USUARIOS));
            QVERIFY(db.open());
            QSqlQuery ocupa(db);
            QVERIFY(ocupa.exec(QStringLiteral("BEGIN EXCLUSIVE")));
            TImportarXMLFrm* v = programa.v;
            programa.acepta(CORREO, QStringLiteral("secreta"), QStringLiteral("secreta"));
            QCOMPARE(programa.respuestas.textos().size(), 1);
            QVERIFY2(programa.respuestas.textos().first().startsWith(
                         QStringLiteral("Otro programa ocupa el registro de negocios")),
                     qPrintable(programa.respuestas.textos().first()));
            QCOMPARE(programa.respuestas.tipos(), QList<int>{MSG_ERROR});
            QVERIFY(programa.carpetas.pedidos().isEmpty());
            QVERIFY(pieza<QWidget>(v, "TxDatosXML")->isVisible());
            QVERIFY(!v->ocupada());
            ocupa.exec(QStringLiteral("ROLLBACK"));
            db.close();
        }
        QSqlDatabase::removeDatabase(nombre);
        QCOMPARE(registroLocal().getNumeroEmpresas(), 0);
        QVERIFY(!QFileInfo::exists(programa.carpeta.archivo(FACTURAS_PATH)) ||
                QDir(programa.carpeta.archivo(FACTURAS_PATH)).isEmpty());
    }

    // A wrong password for a user of a business already registered stops the
    // import before a folder is asked. (Its user with the right one is let in
    // by the second run of desdeElAsistente; each file's rule is the import's,
    // checked without the window.)
    void contrasenaAjena()
    {
        TPrograma programa;
        TImportarXMLFrm* v = programa.v;
        // The business of cfdi40-real.xml, its user CORREO with "secreta".
        programa.carpetas.agrega(programa.carpetaCon({QStringLiteral("cfdi40-real.xml")}));
        programa.acepta(CORREO, QStringLiteral("secreta"), QStringLiteral("secreta"));
        QTRY_VERIFY(soloFin(programa.respuestas.textos()));
        QCOMPARE(v->resumen().importados, 1);
        programa.respuestas.limpia();

        programa.acepta(CORREO, QStringLiteral("otra"), QStringLiteral("otra"));
        QCOMPARE(programa.respuestas.textos().size(), 1);
        QVERIFY2(programa.respuestas.textos().first().startsWith(QStringLiteral("La contraseña no es la del usuario ") +
                                                                 CORREO),
                 qPrintable(programa.respuestas.textos().first()));
        QCOMPARE(programa.carpetas.pedidos().size(), 1);
        QVERIFY(pieza<QWidget>(v, "TxDatosXML")->isVisible());
        QVERIFY(!v->ocupada());
        QCOMPARE(registroLocal().getNumeroEmpresas(), 1);
        pieza<QPushButton>(v, "BtCancelar")->click();
    }

    // One package of the SAT chosen by itself ("Elegir archivo…"): its
    // entries are counted, shown in the progress and imported.
    void unPaqueteElegido()
    {
        TPrograma programa;
        TImportarXMLFrm* v = programa.v;
        const QString paquete = programa.carpeta.archivo(QStringLiteral("A1_01.zip"));
        QVERIFY(PaquetesPrueba::escribe(
            paquete, {{QStringLiteral("uno.xml"), TCarpetaPrograma::lee(dato(QStringLiteral("cfdi40-real.xml"))), {}},
                      {QStringLiteral("dos.XML"), TCarpetaPrograma::lee(dato(QStringLiteral("cfdi33-real.xml"))), {}},
                      {QStringLiteral("leeme.txt"), "Descarga masiva", {}}}));
        programa.carpetas.agrega(paquete);
        v->initDatosXML();
        v->show();
        pieza<QLineEdit>(v, "EdEmail")->setText(CORREO);
        pieza<QLineEdit>(v, "EdPass")->setText(QStringLiteral("secreta"));
        pieza<QLineEdit>(v, "EdRepitePass")->setText(QStringLiteral("secreta"));
        pieza<QPushButton>(v, "BtArchivo")->click();
        QTRY_VERIFY(soloFin(programa.respuestas.textos()));
        QCOMPARE(programa.carpetas.pedidos().size(), 1);
        QVERIFY(programa.carpetas.pedidos().first().contains(QStringLiteral("*.zip")));
        QCOMPARE(v->directorio, paquete);
        QCOMPARE(pieza<QLabel>(v, "TxTotalXML")->text(), QStringLiteral("3"));
        QCOMPARE(pieza<QProgressBar>(v, "PBProgreso")->value(), 3);
        QCOMPARE(v->resumen().importados, 2);
        QCOMPARE(v->resumen().omitidos, 1);
        QCOMPARE(v->resumen().paquetes, 1);
        QCOMPARE(v->resumen().entradas, 3);
        QVERIFY(
            programa.respuestas.textos().first().contains(QStringLiteral("\nPaquetes ZIP: 1, con 3 archivos dentro")));
    }

    // A folder without XML files: the count stays 0 and the end comes at once.
    void carpetaSinXML()
    {
        TPrograma programa;
        const QString vacia = programa.carpeta.archivo(QStringLiteral("vacia"));
        QDir().mkpath(vacia);
        programa.carpetas.agrega(vacia);
        TImportarXMLFrm* v = programa.v;
        programa.acepta(CORREO, QString(), QString());
        QCOMPARE(programa.carpetas.pedidos(), QStringList{TITULO_CARPETA});
        QVERIFY(pieza<QWidget>(v, "TxProgresoXML")->isVisible());
        // The window fits the panel it shows.
        QCOMPARE(v->size(), v->sizeHint());
        QVERIFY(v->ocupada());
        QTRY_VERIFY(soloFin(programa.respuestas.textos()));
        QCOMPARE(v->directorio, vacia + QLatin1Char('/'));
        QCOMPARE(pieza<QLabel>(v, "TxTotalXML")->text(), QStringLiteral("0"));
        QCOMPARE(pieza<QProgressBar>(v, "PBProgreso")->maximum(), 0);
        QVERIFY(!v->isVisible());
    }

    // "Cancelar", or closing the window, right after the folder was chosen:
    // the count is cut short and nothing is imported or created.
    void canceladaAlContar_data()
    {
        QTest::addColumn<bool>("cerrando");
        QTest::newRow("Cancelar") << false;
        QTest::newRow("cerrar la ventana") << true;
    }
    void canceladaAlContar()
    {
        QFETCH(bool, cerrando);
        TPrograma programa;
        programa.carpetas.agrega(programa.carpetaCon({QStringLiteral("cfdi40-real.xml")}));
        TImportarXMLFrm* v = programa.v;
        programa.acepta(CORREO, QString(), QString());
        QVERIFY(v->ocupada());
        if (cerrando)
            QVERIFY(!v->close());
        else
            pieza<QPushButton>(v, "BtDetener")->click();
        QTRY_VERIFY(!v->ocupada());
        QCOMPARE(programa.respuestas.textos(),
                 QStringList{QStringLiteral("Importación cancelada; no se importó nada.")});
        QVERIFY(!v->isVisible());
        QCOMPARE(registroLocal().getNumeroEmpresas(), 0);
        QVERIFY(programa.aperturas.abiertas.isEmpty());
    }

    // The program ends while the import runs: the threads stop between files,
    // what was taken is committed with its copies, nothing hangs.
    void finDelProgramaDuranteLaImportacion()
    {
        QString carpetaXML;
        {
            TPrograma programa;
            programa.carpetas.agrega(
                programa.carpetaCon({QStringLiteral("cfdi40-real.xml"), QStringLiteral("cfdi32-real.xml"),
                                     QStringLiteral("cfdi33-valid.xml"), QStringLiteral("cfdi33-real.xml")}));
            carpetaXML = programa.carpeta.archivo(FACTURAS_PATH);
            programa.acepta(CORREO, QString(), QString());
            // Each business is created on the way, so the four files take far
            // longer than the first hand-off.
            QTRY_VERIFY(pieza<QLabel>(programa.v, "TxNumeroXML")->text() != QStringLiteral("0"));
            Arranque::destruyeVentanas();
            int copias = 0;
            QDirIterator it(carpetaXML, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
            while (it.hasNext()) {
                const QFileInfo copia(it.next());
                QVERIFY2(copia.suffix() == QStringLiteral("xml"), qPrintable(copia.fileName()));
                ++copias;
            }
            int comprobantes = 0;
            for (const QString& linea : registroLocal().getEmpresas()) {
                TConexionSesion conexion;
                Utils::evaluaConexion(
                    conexion, registroLocal().getEmpresaDetalle(linea.section(QLatin1Char('|'), 0, 0)).value(2));
                comprobantes += TComprobante::cuenta(TCondicion(), conexion);
            }
            QCOMPARE(copias, comprobantes);
            QVERIFY(comprobantes >= 1);
        }
    }

    // A framed window with its title; the fields as the keyboard reaches
    // them. Signed in, only the session user's password is asked.
    void disenoYOrden()
    {
        TPrograma programa;
        TImportarXMLFrm* v = programa.v;
        Sistema::marca = QStringLiteral("Velkor");
        v->initDatosXML();
        QVERIFY(pieza<QLabel>(v, "TxInformacion")
                    ->text()
                    .contains(QStringLiteral("versión anterior de Velkor o de los paquetes")));
        QVERIFY(!(v->windowFlags() & Qt::FramelessWindowHint));
        QCOMPARE(v->windowTitle(), QStringLiteral("Importar comprobantes XML"));
        auto* password = pieza<QLineEdit>(v, "EdPass");
        QCOMPARE(password->echoMode(), QLineEdit::Password);
        QCOMPARE(password->placeholderText(), QStringLiteral("Contraseña"));
        const auto orden = [v](const char* primero, int cuantos) {
            QList<QWidget*> visitados;
            QWidget* actual = pieza<QWidget>(v, primero);
            for (int i = 0; i < cuantos; ++i) {
                visitados << actual;
                do
                    actual = actual->nextInFocusChain();
                while (!(actual->focusPolicy() & Qt::TabFocus) || actual->isHidden());
            }
            return visitados;
        };
        QCOMPARE(orden("EdEmail", 6),
                 (QList<QWidget*>{pieza<QWidget>(v, "EdEmail"), password, pieza<QWidget>(v, "EdRepitePass"),
                                  pieza<QWidget>(v, "BtCancelar"), pieza<QWidget>(v, "BtArchivo"),
                                  pieza<QWidget>(v, "BtAceptar")}));
        v->initDatosXML(QStringLiteral("dueno@escuela.mx"));
        QCOMPARE(pieza<QLineEdit>(v, "EdEmail")->text(), QStringLiteral("dueno@escuela.mx"));
        QVERIFY(pieza<QLineEdit>(v, "EdEmail")->isReadOnly());
        QVERIFY(pieza<QLineEdit>(v, "EdRepitePass")->isHidden());
        QCOMPARE(orden("EdPass", 4), (QList<QWidget*>{password, pieza<QWidget>(v, "BtCancelar"),
                                                      pieza<QWidget>(v, "BtArchivo"), pieza<QWidget>(v, "BtAceptar")}));

        // VELKOR_CAPTURAS=<folder> keeps a picture of each panel to look at.
        if (Capturas::pedidas()) {
            v->show();
            Capturas::guarda(*v, QStringLiteral("importar-datos-sesion"));
            v->initDatosXML();
            Capturas::guarda(*v, QStringLiteral("importar-datos"));
            v->initProgresoXML();
            pieza<QLabel>(v, "TxTotalXML")->setText(QStringLiteral("120"));
            pieza<QLabel>(v, "TxNumeroXML")->setText(QStringLiteral("45"));
            pieza<QProgressBar>(v, "PBProgreso")->setMaximum(120);
            pieza<QProgressBar>(v, "PBProgreso")->setValue(45);
            pieza<QLabel>(v, "TxTituloProgreso")->setText(QStringLiteral("Importando comprobantes…"));
            pieza<QLabel>(v, "TxRitmo")->setText(QStringLiteral("15 archivos/s · faltan 0:00:05"));
            Capturas::guarda(*v, QStringLiteral("importar-progreso"));
            v->hide();
        }
    }
};

QTEST_MAIN(TstImportarXMLFrm)
#include "tst_importarxmlfrm.moc"
