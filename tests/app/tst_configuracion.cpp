#include "Capturas.h"
#include "CarpetaPrograma.h"
#include "Constantes.h"
#include "Piezas.h"
#include "Prompter.h"
#include "app/TConfiguracionBaseDatosFrm.h"
#include "app/Ventanas.h"
#include "negocio/PruebaServidor.h"
#include "setup/TPaginaNegocio.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTcpServer>
#include <QTimer>
#include <QtTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QString RFC = u"EKU9003173C9"_s;
const QString PASSWORD = u"Cl4ve-que-nadie-lee"_s;
// Waiting bound for a test against a server that does not answer: the check
// gives up by itself after its own limit.
constexpr int ESPERA_MS = (PruebaServidor::PLAZO_SEGUNDOS + 25) * 1000;

QList<QLineEdit*> edits(const TConfiguracionBaseDatosFrm& ventana)
{
    QList<QLineEdit*> lista;
    for (int i = 1; i <= 5; ++i)
        lista << pieza<QLineEdit>(ventana, u"Edit%1"_s.arg(i));
    return lista;
}

QPushButton* boton(const TConfiguracionBaseDatosFrm& ventana, const char* nombre)
{
    return pieza<QPushButton>(ventana, nombre);
}

QComboBox* motor(const TConfiguracionBaseDatosFrm& ventana)
{
    return pieza<QComboBox>(ventana, "ComboBox1");
}

void escribe(const TConfiguracionBaseDatosFrm& ventana, const QStringList& textos)
{
    const QList<QLineEdit*> lista = edits(ventana);
    for (int i = 0; i < textos.size(); ++i)
        lista.at(i)->setText(textos.at(i));
}

// A port of this computer nothing listens on.
QString puertoLibre()
{
    QTcpServer servidor;
    if (!servidor.listen(QHostAddress::LocalHost, 0))
        qFatal("No hay un puerto libre en 127.0.0.1");
    return QString::number(servidor.serverPort());
}

// The object names of what Tab visits from `inicio` on, once round.
QStringList ordenTabulacion(const QWidget& raiz, QWidget* inicio)
{
    QStringList orden;
    QWidget* w = inicio;
    do {
        if ((w->focusPolicy() & Qt::TabFocus) && w->isEnabled() && w->isVisibleTo(&raiz) && raiz.isAncestorOf(w))
            orden << w->objectName();
        w = w->nextInFocusChain();
    } while (w != inicio);
    return orden;
}

} // namespace

class TstConfiguracion : public QObject {
    Q_OBJECT

    std::unique_ptr<TCarpetaPrograma> m_carpeta;
    std::unique_ptr<TConfiguracionBaseDatosFrm> m_ventana;

    static void verificaReglas(const TConfiguracionBaseDatosFrm& v, bool local)
    {
        for (QLineEdit* edit : edits(v))
            QCOMPARE(edit->isReadOnly(), local);
        QCOMPARE(boton(v, "CornerButton3")->isHidden(), local);
        QCOMPARE(boton(v, "CornerButton1")->isEnabled(), local);
    }

    // A server engine with every field typed: what a test of the connection
    // takes.
    void llenaServidor(int indice, const QString& puerto = u"3307"_s)
    {
        motor(*m_ventana)->setCurrentIndex(indice);
        escribe(*m_ventana,
                {u"velkor"_s, PASSWORD, puerto, u"127.0.0.1"_s, indice == 1 ? u"negocios"_s : u"/srv/velkor.fdb"_s});
    }

private slots:
    void init()
    {
        m_carpeta = std::make_unique<TCarpetaPrograma>(false);
        m_ventana = std::make_unique<TConfiguracionBaseDatosFrm>();
    }
    void cleanup()
    {
        m_ventana.reset();
        m_carpeta.reset();
    }

    void motores_data()
    {
        QTest::addColumn<int>("indice");
        QTest::addColumn<QString>("proveedor");
        QTest::addColumn<QString>("puerto");
        QTest::newRow("local") << 0 << Constantes::DB_SQLITE << QString();
        QTest::newRow("MariaDB") << 1 << Constantes::DB_MySQL << Constantes::PUERTO_MARIADB;
        QTest::newRow("Firebird") << 2 << Constantes::DB_FIREBIRD_SERVIDOR << Constantes::PUERTO_FIREBIRD;
    }
    void motores()
    {
        QFETCH(int, indice);
        QFETCH(QString, proveedor);
        QFETCH(QString, puerto);
        TConfiguracionBaseDatosFrm& v = *m_ventana;
        // Back from the other server engine, so every row changes engine.
        motor(v)->setCurrentIndex(indice == 2 ? 1 : 2);
        escribe(v, {u"root"_s, u"secreto"_s, u"1"_s, u"otro"_s, u"otra"_s});
        motor(v)->setCurrentIndex(indice);
        QCOMPARE(motor(v)->currentText(),
                 QStringList({Constantes::CBD_LOCAL, Constantes::CBD_MARIADB, Constantes::CBD_FIREBIRD}).at(indice));
        verificaReglas(v, indice == 0);
        QCOMPARE(v.getMotorBaseDatos(), proveedor);
        QCOMPARE(edits(v).at(1)->echoMode(), QLineEdit::Password);
        // Nothing of the other engine stays behind.
        for (int i = 0; i < 4; ++i)
            QVERIFY(edits(v).at(i)->text().isEmpty());
        Capturas::guarda(v, u"configuracion-base-datos-"_s + QTest::currentDataTag());
        // Tab follows the reading order; "Guardar" waits for a test.
        const QStringList orden = indice == 0 ? QStringList{"ComboBox1", "CornerButton2", "CornerButton1"}
                                              : QStringList{"ComboBox1", "Edit1", "Edit2",         "Edit3",
                                                            "Edit4",     "Edit5", "CornerButton3", "CornerButton2"};
        QCOMPARE(ordenTabulacion(v, motor(v)), orden);
        if (indice == 0) {
            QCOMPARE(edits(v).at(4)->text(), Constantes::DB_SISTEMA_NOMBRE);
            QCOMPARE(v.getBaseDatos(RFC), m_carpeta->archivo(u"db/EKU9003173C9/"_s + Constantes::DB_SISTEMA_NOMBRE));
            return;
        }
        QVERIFY(edits(v).at(4)->text().isEmpty());
        QVERIFY(edits(v).at(2)->placeholderText().contains(puerto));
        escribe(v, {u"root"_s, u" se creto "_s, u" 3307 "_s, u" servidor.local "_s, u" negocios "_s});
        QCOMPARE((QStringList{v.getUsuario(), v.getPassword(), v.getPuerto(), v.getServidor(), v.getBaseDatos(RFC)}),
                 (QStringList{"root", " se creto ", "3307", "servidor.local", "negocios"}));
    }

    // A save stands for the fields it tested: any edit asks for a new test.
    void edicionTrasPrueba_data()
    {
        QTest::addColumn<int>("indice");
        QTest::addColumn<int>("campo");
        for (int indice : {1, 2})
            for (int campo = 0; campo < 5; ++campo)
                QTest::addRow("%s, Edit%d", indice == 1 ? "MariaDB" : "Firebird", campo + 1) << indice << campo;
    }
    void edicionTrasPrueba()
    {
        QFETCH(int, indice);
        QFETCH(int, campo);
        TConfiguracionBaseDatosFrm& v = *m_ventana;
        llenaServidor(indice);
        // As a successful test leaves it (that needs a real server).
        boton(v, "CornerButton1")->setEnabled(true);
        edits(v).at(campo)->insert(u"x"_s);
        QVERIFY(!boton(v, "CornerButton1")->isEnabled());
    }

    void sinServidor_data()
    {
        QTest::addColumn<int>("indice");
        QTest::newRow("MariaDB") << 1;
        QTest::newRow("Firebird") << 2;
    }
    void sinServidor()
    {
        QFETCH(int, indice);
        TConfiguracionBaseDatosFrm& v = *m_ventana;
        llenaServidor(indice, puertoLibre());
        TColaRespuestas respuestas;
        boton(v, "CornerButton3")->click();
        // The verdict comes through the event loop, never before.
        QVERIFY(v.probando());
        QCOMPARE(boton(v, "CornerButton3")->text(), u"Probando…"_s);
        QVERIFY(!boton(v, "CornerButton3")->isEnabled());
        QVERIFY(!motor(v)->isEnabled());
        for (QLineEdit* edit : edits(v))
            QVERIFY(edit->isReadOnly());

        QTRY_COMPARE_WITH_TIMEOUT(respuestas.tipos(), QList<int>{Constantes::MSG_ERROR}, ESPERA_MS);
        QVERIFY(!v.probando());
        QVERIFY(!respuestas.textos().first().contains(PASSWORD));
        QVERIFY(!m_carpeta->log().contains(PASSWORD));
        QVERIFY(!boton(v, "CornerButton1")->isEnabled());
        QVERIFY(v.getConexionString().isEmpty());
        QCOMPARE(boton(v, "CornerButton3")->text(), u"Probar Conexión"_s);
        QVERIFY(boton(v, "CornerButton3")->isEnabled());
        QVERIFY(motor(v)->isEnabled());
        for (QLineEdit* edit : edits(v))
            QVERIFY(!edit->isReadOnly());
    }

    // Given up before the server answered: no verdict reaches the user, and
    // a window destroyed meanwhile is never called back.
    void pruebaAbandonada_data()
    {
        QTest::addColumn<bool>("destruida");
        QTest::newRow("Cancelar") << false;
        QTest::newRow("ventana destruida") << true;
    }
    void pruebaAbandonada()
    {
        QFETCH(bool, destruida);
        llenaServidor(1, puertoLibre());
        TColaRespuestas respuestas;
        boton(*m_ventana, "CornerButton3")->click();
        QVERIFY(m_ventana->probando());
        if (destruida) {
            m_ventana.reset();
            QCoreApplication::processEvents();
        } else {
            boton(*m_ventana, "CornerButton2")->click();
            QTRY_VERIFY_WITH_TIMEOUT(!m_ventana->probando(), ESPERA_MS);
            QCOMPARE(m_ventana->getMotorBaseDatos(), Constantes::DB_SQLITE);
            verificaReglas(*m_ventana, true);
        }
        QVERIFY(respuestas.textos().isEmpty());
    }

    // The registry keeps the fields joined by a separator: a field holding it
    // is refused at once, naming the field, with no server asked.
    void separador()
    {
        TConfiguracionBaseDatosFrm& v = *m_ventana;
        llenaServidor(1);
        edits(v).at(1)->setText(u"se|creto"_s);
        TColaRespuestas respuestas;
        boton(v, "CornerButton3")->click();
        QVERIFY(!v.probando());
        QCOMPARE(respuestas.textos(),
                 QStringList{QString(Constantes::ERR_CONEXION_SEPARADOR).replace(Constantes::CAMPO, u"Contraseña"_s)});
        QCOMPARE(respuestas.tipos(), QList<int>{Constantes::MSG_ERROR});
        QVERIFY(!boton(v, "CornerButton1")->isEnabled());
    }

    void nuevaPresentacion()
    {
        TConfiguracionBaseDatosFrm& v = *m_ventana;
        llenaServidor(2);
        v.show();
        QVERIFY(QTest::qWaitForWindowExposed(&v));
        QCOMPARE(v.getMotorBaseDatos(), Constantes::DB_SQLITE);
        verificaReglas(v, true);
        QVERIFY(v.getUsuario().isEmpty());
        QVERIFY(v.getPassword().isEmpty());
        v.hide();
    }

    // The new-business page opens the window and says, in one line, where
    // the business will be stored.
    void paginaNegocio_data()
    {
        QTest::addColumn<int>("indice");
        QTest::addColumn<bool>("guardada");
        QTest::addColumn<QString>("ubicacion");
        const QString local = u"Se guardará en este equipo"_s;
        QTest::newRow("local") << 0 << true << local;
        QTest::newRow("servidor cancelado") << 1 << false << local;
        QTest::newRow("MariaDB") << 1 << true << u"Se guardará en el servidor 127.0.0.1, base negocios"_s;
        QTest::newRow("Firebird") << 2 << true << u"Se guardará en el servidor 127.0.0.1, base /srv/velkor.fdb"_s;
    }
    void paginaNegocio()
    {
        QFETCH(int, indice);
        QFETCH(bool, guardada);
        QFETCH(QString, ubicacion);
        ConfiguracionBaseDatosFrm = m_ventana.get();
        const auto restaura = qScopeGuard([] { ConfiguracionBaseDatosFrm = nullptr; });
        m_carpeta->instalaCatalogo();
        TPaginaNegocio pagina(TPaginaNegocio::TModo::Adicional);
        pagina.inicia();
        QLabel* linea = pieza<QLabel>(pagina, "TxUbicacionBase");
        QCOMPARE(linea->text(), u"Se guardará en este equipo"_s);

        bool atendida = false;
        QTimer::singleShot(0, this, [&] {
            atendida = m_ventana->isVisible();
            if (indice != 0)
                llenaServidor(indice);
            if (Capturas::pedidas() && indice == 2)
                Capturas::guarda(*m_ventana, u"configuracion-base-datos-abierta"_s);
            // "Guardar" without the test a real server would pass.
            if (guardada)
                m_ventana->accept();
            else
                boton(*m_ventana, "CornerButton2")->click();
        });
        // Reached by Tab after the address, before the page's own buttons.
        const QStringList orden = ordenTabulacion(pagina, pieza<QWidget>(pagina, "EdNombreEmpresa"));
        const qsizetype posicion = orden.indexOf(u"BtConfiguraConexion"_s);
        QVERIFY(posicion > orden.indexOf(u"EdReferencia"_s));
        QCOMPARE(orden.value(posicion + 1), u"BtLimpiarCampos"_s);
        pieza<QPushButton>(pagina, "BtConfiguraConexion")->click();
        QVERIFY(atendida);
        QCOMPARE(linea->text(), ubicacion);
        if (indice == 2) {
            pagina.resize(800, pagina.sizeHint().height());
            Capturas::guarda(pagina, u"pagina-negocio-servidor"_s);
        }
    }
};

QTEST_MAIN(TstConfiguracion)
#include "tst_configuracion.moc"
