#include "NegocioPrueba.h"
#include "Arranque.h"
#include "Capturas.h"
#include "EntornoImportacion.h"
#include "PaquetesPrueba.h"
#include "SelectorArchivos.h"
#include "Sistema.h"
#include "import/TImportarXMLFrm.h"
#include "setup/TWizardFrm.h"
#include "app/Ventanas.h"
#include "Aperturas.h"
#include "Logmanager.h"
#include "Piezas.h"
#include "ProgramaPrueba.h"

#include <QApplication>
#include <QDirIterator>
#include <QLabel>
#include <QTimer>
#include <QLineEdit>
#include <QLockFile>
#include <QProgressBar>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStackedWidget>

#include <cstdio>

using namespace Constantes;
using namespace Qt::StringLiterals;
using E = TEntornoImportacion;

namespace {

const QString CORREO = u"nuevo@usuario.mx"_s;
const QString FIN = u"Proceso Terminado"_s;

// The one message of the end: "Proceso Terminado" first, then the tally.
bool soloFin(const QStringList& textos)
{
    return textos.size() == 1 && textos.first().startsWith(FIN + u'\n');
}

const QString TITULO_CARPETA = u"Elige la carpeta con los XML o los paquetes del SAT"_s;

// The data panel filled in as the user does, then Aceptar (or `boton`).
void llena(const TImportarXMLFrm* ventana, const QString& correo, const QString& password, const QString& repetida,
           const char* boton = "BtAceptar")
{
    pieza<QLineEdit>(ventana, "EdEmail")->setText(correo);
    pieza<QLineEdit>(ventana, "EdPass")->setText(password);
    pieza<QLineEdit>(ventana, "EdRepitePass")->setText(repetida);
    pieza<QPushButton>(ventana, boton)->click();
}

// The program as a new user starts it: no business registered, the wizard
// on its first-run page; the folder dialog then answers a folder of
// `archivos`, when given.
class TPrograma : public TProgramaPrueba {
public:
    explicit TPrograma(const QStringList& archivos = {})
    {
        carpeta.instalaCatalogo();
        arranca(true);
        w = WizardFrm;
        v = ImportarXMLFrm;
        if (!archivos.isEmpty())
            carpetas.agrega(carpetaCon(archivos));
    }

    // A folder of files to import, inside the program folder.
    QString carpetaCon(const QStringList& archivos) const
    {
        const QString destino = carpeta.archivo(u"xml/"_s);
        QDir().mkpath(destino + u"sub"_s);
        for (int i = 0; i < archivos.size(); ++i) {
            const QString como = (i % 2 ? destino + u"sub/"_s : destino) + QFileInfo(archivos.at(i)).fileName();
            QFile::copy(E::dato(archivos.at(i)), como);
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
    void acepta(const QString& correo, const QString& password, const QString& repetida,
                const char* boton = "BtAceptar") const
    {
        v->initDatosXML();
        v->show();
        llena(v, correo, password, repetida, boton);
    }

    // The folder dialog's answers.
    TColaArchivos carpetas;
    // The reports the end of an import opened.
    TAperturas aperturas;
    TWizardFrm* w = nullptr;
    TImportarXMLFrm* v = nullptr;
};

// The one message shown starts with `inicio`; the data panel stays, idle.
void sinEmpezar(const TPrograma& programa, const QString& inicio)
{
    const QStringList textos = programa.respuestas.textos();
    QCOMPARE(textos.size(), 1);
    QVERIFY2(textos.first().startsWith(inicio), qPrintable(textos.first()));
    QVERIFY(pieza<QWidget>(programa.v, "TxDatosXML")->isVisible());
    QVERIFY(!programa.v->ocupada());
}

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
        const QStringList archivos = {u"cfdi40-real.xml"_s, u"cfdi32-real.xml"_s, u"cfdi33-valid.xml"_s, u"cfdv2.xml"_s,
                                      u"propios/uuid-vacio.xml"_s};
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
        programa.llenaAlAbrir(CORREO, u"secreta"_s, u"secreta"_s);

        QTest::mouseClick(pieza(programa.w, "TxRestaurarRespaldoXML"), Qt::LeftButton);

        TImportarXMLFrm* v = programa.v;
        QVERIFY(soloFin(programa.respuestas.textos()));
        QCOMPARE(programa.carpetas.pedidos(), QStringList{TITULO_CARPETA});
        QVERIFY(!v->isVisible());
        QCOMPARE(v->directorio, carpetaXML);
        QCOMPARE(pieza<QLabel>(v, "TxTotalXML")->text(), u"6"_s);
        QCOMPARE(pieza<QLabel>(v, "TxNumeroXML")->text(), u"6"_s);
        QCOMPARE(pieza<QProgressBar>(v, "PBProgreso")->maximum(), 6);
        QCOMPARE(pieza<QProgressBar>(v, "PBProgreso")->value(), 6);
        QCOMPARE(vistos.size(), 6);
        const TResumenImportacion& resumen = v->resumen();
        QCOMPARE((QList<int>{resumen.importados, resumen.omitidos, resumen.fallidos, int(resumen.noImportados.size())}),
                 (QList<int>{3, 2, 1, 3}));
        // Results come as the threads finish them, in no set order.
        const auto ilegible = std::find_if(vistos.cbegin(), vistos.cend(), [&](const TResultadoArchivo& r) {
            return r.ruta == carpetaXML + u"sub/fact\\xE1.xml"_s;
        });
        QVERIFY(ilegible != vistos.cend());
        QVERIFY(ilegible->motivo.startsWith(u"El nombre del archivo no es texto UTF-8 válido"_s));
        // The end names the businesses made from the issuers, and the report
        // of each file is opened for the user.
        const QString fin = programa.respuestas.textos().first();
        QVERIFY2(fin.contains(u"Se crearon 3 empresas nuevas"_s), qPrintable(fin));
        QVERIFY(fin.contains(u"\n  EKU9003173C9 – "_s));
        QCOMPARE(programa.aperturas.abiertas.size(), 1);
        QVERIFY(programa.aperturas.abiertas.first().toLocalFile().contains(u"/Importacion-"_s));
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
        QCOMPARE(rfcs, (QStringList{u"CTO021007DZ8"_s, u"EKU9003173C9"_s, u"ISD950921HE5"_s}));
        QVERIFY(!Sistema::Conexion);

        // Again, as the businesses' own user: let in, and nothing new.
        programa.respuestas.limpia();
        programa.carpetas.agrega(carpetaXML);
        programa.llenaAlAbrir(CORREO, u"secreta"_s, u"secreta"_s);
        QTest::mouseClick(programa.w->findChild<QLabel*>(u"ImgAbrirXML"_s), Qt::LeftButton);
        QVERIFY(soloFin(programa.respuestas.textos()));
        QCOMPARE(programa.carpetas.pedidos(), (QStringList{TITULO_CARPETA, TITULO_CARPETA}));
        const TResumenImportacion& otra = v->resumen();
        QCOMPARE((QList<int>{otra.importados, otra.yaExistian, otra.fallidos}), (QList<int>{0, 3, 1}));
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
        QTest::newRow("sin correo") << QString() << u"a"_s << u"a"_s << true << ERR_MAIL_REQUERIDO << false;
        QTest::newRow("contraseñas distintas")
            << CORREO << u"secreta"_s << u"secrata"_s << true << ERR_CONTRASENA << false;
        QTest::newRow("sin carpeta") << CORREO << QString() << QString() << false
                                     << u"No se eligió una carpeta; no se importó nada."_s << false;
        QTest::newRow("otra importación")
            << CORREO << QString() << QString() << true << u"Otro programa (proceso "_s << true;
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
        QLockFile otra(programa.carpeta.archivo(u"db/.importacion.lock"_s));
        if (otraImportacion)
            QVERIFY(otra.tryLock(0));
        if (conCarpeta)
            programa.carpetas.agrega(programa.carpetaCon({u"cfdi40-real.xml"_s}));
        TImportarXMLFrm* v = programa.v;
        programa.acepta(correo, password, repetida);
        sinEmpezar(programa, mensaje);
        QVERIFY(!pieza<QWidget>(v, "TxProgresoXML")->isVisible());
        QCOMPARE(registroLocal().getNumeroEmpresas(), 0);
        pieza<QPushButton>(v, "BtCancelar")->click();
        QVERIFY(!v->isVisible());
    }

    // A registry another program holds is not read as empty: the user is
    // told, no folder is asked and nothing is imported.
    void registroOcupado()
    {
        TPrograma programa({u"cfdi40-real.xml"_s});
        const QString nombre = u"otro-programa"_s;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, nombre);
            db.setDatabaseName(programa.carpeta.archivo(DB_USUARIOS));
            QVERIFY(db.open());
            QSqlQuery ocupa(db);
            QVERIFY(ocupa.exec(u"BEGIN EXCLUSIVE"_s));
            programa.acepta(CORREO, u"secreta"_s, u"secreta"_s);
            sinEmpezar(programa, u"Otro programa ocupa el registro de negocios"_s);
            QCOMPARE(programa.respuestas.tipos(), QList<int>{MSG_ERROR});
            QVERIFY(programa.carpetas.pedidos().isEmpty());
            ocupa.exec(u"ROLLBACK"_s);
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
        // The business of cfdi40-real.xml, its user CORREO with "secreta".
        TPrograma programa({u"cfdi40-real.xml"_s});
        TImportarXMLFrm* v = programa.v;
        programa.acepta(CORREO, u"secreta"_s, u"secreta"_s);
        QTRY_VERIFY(soloFin(programa.respuestas.textos()));
        QCOMPARE(v->resumen().importados, 1);
        programa.respuestas.limpia();

        programa.acepta(CORREO, u"otra"_s, u"otra"_s);
        sinEmpezar(programa, u"La contraseña no es la del usuario "_s + CORREO);
        QCOMPARE(programa.carpetas.pedidos().size(), 1);
        QCOMPARE(registroLocal().getNumeroEmpresas(), 1);
        pieza<QPushButton>(v, "BtCancelar")->click();
    }

    // One package of the SAT chosen by itself ("Elegir archivo…"): its
    // entries are counted, shown in the progress and imported.
    void unPaqueteElegido()
    {
        TPrograma programa;
        TImportarXMLFrm* v = programa.v;
        const QString paquete = programa.carpeta.archivo(u"A1_01.zip"_s);
        QVERIFY(PaquetesPrueba::escribe(paquete, {{u"uno.xml"_s, E::bytes(E::dato(u"cfdi40-real.xml"_s)), {}},
                                                  {u"dos.XML"_s, E::bytes(E::dato(u"cfdi33-real.xml"_s)), {}},
                                                  {u"leeme.txt"_s, "Descarga masiva", {}}}));
        programa.carpetas.agrega(paquete);
        programa.acepta(CORREO, u"secreta"_s, u"secreta"_s, "BtArchivo");
        QTRY_VERIFY(soloFin(programa.respuestas.textos()));
        QCOMPARE(programa.carpetas.pedidos().size(), 1);
        QVERIFY(programa.carpetas.pedidos().first().contains(u"*.zip"_s));
        QCOMPARE(v->directorio, paquete);
        QCOMPARE(pieza<QLabel>(v, "TxTotalXML")->text(), u"3"_s);
        QCOMPARE(pieza<QProgressBar>(v, "PBProgreso")->value(), 3);
        const TResumenImportacion& r = v->resumen();
        QCOMPARE((QList<int>{r.importados, r.omitidos, r.paquetes, r.entradas}), (QList<int>{2, 1, 1, 3}));
        QVERIFY(programa.respuestas.textos().first().contains(u"\nPaquetes ZIP: 1, con 3 archivos dentro"_s));
    }

    // A folder without XML files: the count stays 0 and the end comes at once.
    void carpetaSinXML()
    {
        TPrograma programa;
        const QString vacia = programa.carpeta.archivo(u"vacia"_s);
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
        QCOMPARE(v->directorio, vacia + u'/');
        QCOMPARE(pieza<QLabel>(v, "TxTotalXML")->text(), u"0"_s);
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
        TPrograma programa({u"cfdi40-real.xml"_s});
        TImportarXMLFrm* v = programa.v;
        programa.acepta(CORREO, QString(), QString());
        QVERIFY(v->ocupada());
        if (cerrando)
            QVERIFY(!v->close());
        else
            pieza<QPushButton>(v, "BtDetener")->click();
        QTRY_VERIFY(!v->ocupada());
        QCOMPARE(programa.respuestas.textos(), QStringList{u"Importación cancelada; no se importó nada."_s});
        QVERIFY(!v->isVisible());
        QCOMPARE(registroLocal().getNumeroEmpresas(), 0);
        QVERIFY(programa.aperturas.abiertas.isEmpty());
    }

    // The program ends while the import runs: the threads stop between files,
    // what was taken is committed with its copies, nothing hangs.
    void finDelProgramaDuranteLaImportacion()
    {
        TPrograma programa({u"cfdi40-real.xml"_s, u"cfdi32-real.xml"_s, u"cfdi33-valid.xml"_s, u"cfdi33-real.xml"_s});
        const QString carpetaXML = programa.carpeta.archivo(FACTURAS_PATH);
        programa.acepta(CORREO, QString(), QString());
        // Each business is created on the way, so the four files take far
        // longer than the first hand-off.
        QTRY_VERIFY(pieza<QLabel>(programa.v, "TxNumeroXML")->text() != u"0"_s);
        Arranque::destruyeVentanas();
        int copias = 0;
        QDirIterator it(carpetaXML, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QFileInfo copia(it.next());
            QVERIFY2(copia.suffix() == u"xml"_s, qPrintable(copia.fileName()));
            ++copias;
        }
        int comprobantes = 0;
        for (const QString& linea : registroLocal().getEmpresas())
            comprobantes += TComprobante::cuenta(TCondicion(), E::conexion(linea.section(u'|', 0, 0)));
        QCOMPARE(copias, comprobantes);
        QVERIFY(comprobantes >= 1);
    }

    // A framed window with its title; the fields as the keyboard reaches
    // them. Signed in, only the session user's password is asked.
    void disenoYOrden()
    {
        TPrograma programa;
        TImportarXMLFrm* v = programa.v;
        Sistema::marca = u"Velkor"_s;
        v->initDatosXML();
        QVERIFY(pieza<QLabel>(v, "TxInformacion")->text().contains(u"versión anterior de Velkor o de los paquetes"_s));
        QVERIFY(!(v->windowFlags() & Qt::FramelessWindowHint));
        QCOMPARE(v->windowTitle(), u"Importar comprobantes XML"_s);
        auto* password = pieza<QLineEdit>(v, "EdPass");
        QCOMPARE(password->echoMode(), QLineEdit::Password);
        QCOMPARE(password->placeholderText(), u"Contraseña"_s);
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
        const QList<QWidget*> botones = {pieza(v, "BtCancelar"), pieza(v, "BtArchivo"), pieza(v, "BtAceptar")};
        QCOMPARE(orden("EdEmail", 6),
                 (QList<QWidget*>{pieza(v, "EdEmail"), password, pieza(v, "EdRepitePass")} + botones));
        v->initDatosXML(u"dueno@escuela.mx"_s);
        QCOMPARE(pieza<QLineEdit>(v, "EdEmail")->text(), u"dueno@escuela.mx"_s);
        QVERIFY(pieza<QLineEdit>(v, "EdEmail")->isReadOnly());
        QVERIFY(pieza<QLineEdit>(v, "EdRepitePass")->isHidden());
        QCOMPARE(orden("EdPass", 4), QList<QWidget*>{password} + botones);

        // VELKOR_CAPTURAS=<folder> keeps a picture of each panel to look at.
        if (Capturas::pedidas()) {
            v->show();
            Capturas::guarda(*v, u"importar-datos-sesion"_s);
            v->initDatosXML();
            Capturas::guarda(*v, u"importar-datos"_s);
            v->initProgresoXML();
            pieza<QLabel>(v, "TxTotalXML")->setText(u"120"_s);
            pieza<QLabel>(v, "TxNumeroXML")->setText(u"45"_s);
            pieza<QProgressBar>(v, "PBProgreso")->setMaximum(120);
            pieza<QProgressBar>(v, "PBProgreso")->setValue(45);
            pieza<QLabel>(v, "TxTituloProgreso")->setText(u"Importando comprobantes…"_s);
            pieza<QLabel>(v, "TxRitmo")->setText(u"15 archivos/s · faltan 0:00:05"_s);
            Capturas::guarda(*v, u"importar-progreso"_s);
            v->hide();
        }
    }
};

QTEST_MAIN(TstImportarXMLFrm)
#include "tst_importarxmlfrm.moc"
