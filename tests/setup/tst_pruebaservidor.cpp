#include "CarpetaPrograma.h"
#include "Conexiones.h"
#include "Esquema.h"
#include "ServidoresBaseDatos.h"
#include "negocio/PruebaServidor.h"

#include <QSqlDatabase>
#include <QTcpServer>
#include <QTest>

#include <map>
#include <memory>

using namespace Qt::StringLiterals;
using PruebaServidor::TResultado;
using Tipo = TServidorBaseDatos::Tipo;

Q_DECLARE_METATYPE(Tipo)
Q_DECLARE_METATYPE(TResultado)

namespace {

enum class TCaso { Vacia, PasswordEquivocado, ConTabla, SinCreate, BaseInexistente, NadieEscucha, NoContesta };

} // namespace

Q_DECLARE_METATYPE(TCaso)

// "Probar Conexión" against real servers of both kinds, each started once for
// the whole program: every case gets a database of its own.
class TstPruebaServidor : public QObject {
    Q_OBJECT

    std::unique_ptr<TCarpetaPrograma> m_carpeta;
    std::map<Tipo, std::unique_ptr<TServidorBaseDatos>> m_servidores;
    std::map<Tipo, QString> m_faltantes;

private slots:
    void initTestCase()
    {
        // The client library reads the program's engine configuration (its
        // connect time bound) from the program folder.
        m_carpeta = std::make_unique<TCarpetaPrograma>(false);
        for (const Tipo tipo : {Tipo::MariaDB, Tipo::Firebird}) {
            m_faltantes[tipo] = TServidorBaseDatos::faltante(tipo);
            if (!m_faltantes[tipo].isEmpty())
                continue;
            auto servidor = std::make_unique<TServidorBaseDatos>(tipo);
            QVERIFY2(servidor->inicia(), qPrintable(servidor->error()));
            m_servidores[tipo] = std::move(servidor);
        }
    }

    void cleanupTestCase()
    {
        Conexiones::cierraHilo();
        m_servidores.clear();
    }

    void prueba_data()
    {
        QTest::addColumn<Tipo>("tipo");
        QTest::addColumn<TCaso>("caso");
        QTest::addColumn<TResultado>("esperado");
        for (const auto& [tipo, nombre] :
             {std::pair{Tipo::MariaDB, "MariaDB"}, std::pair{Tipo::Firebird, "Firebird"}}) {
            const auto fila = [&](const char* caso) -> QTestData& { return QTest::addRow("%s: %s", nombre, caso); };
            fila("base vacía") << tipo << TCaso::Vacia << TResultado::Correcta;
            fila("contraseña equivocada") << tipo << TCaso::PasswordEquivocado << TResultado::AccesoNegado;
            fila("base con una tabla") << tipo << TCaso::ConTabla << TResultado::BaseNoVacia;
            fila("cuenta sin permiso de crear") << tipo << TCaso::SinCreate << TResultado::SinPermisoTablas;
            fila("base inexistente") << tipo << TCaso::BaseInexistente << TResultado::BaseInexistente;
            fila("nadie escucha") << tipo << TCaso::NadieEscucha << TResultado::NoResponde;
            fila("escucha y no contesta") << tipo << TCaso::NoContesta << TResultado::NoResponde;
        }
    }

    void prueba()
    {
        QFETCH(Tipo, tipo);
        QFETCH(TCaso, caso);
        QFETCH(TResultado, esperado);
        if (!m_faltantes[tipo].isEmpty())
            QSKIP(qPrintable(m_faltantes[tipo]));
        QVERIFY(m_servidores.count(tipo));
        TServidorBaseDatos& s = *m_servidores[tipo];

        const QString base = s.creaBaseDatos();
        QVERIFY2(!base.isEmpty(), qPrintable(s.error()));
        const QString claveAjena = u"Ajena#7k2"_s;
        // Nothing listens here, or something that never says a word.
        QTcpServer mudo;
        TConexionSesion conexion = s.conexion(base);
        switch (caso) {
        case TCaso::Vacia:
            break;
        case TCaso::PasswordEquivocado:
            conexion = s.conexion(base, s.usuario(), claveAjena);
            break;
        case TCaso::ConTabla:
            QVERIFY2(s.ejecuta(u"CREATE TABLE PREVIA (ID INTEGER)"_s, base), qPrintable(s.error()));
            break;
        case TCaso::SinCreate:
            // MariaDB: rights on the rows only. Firebird 3: an account that is
            // not the database's owner may sign in but create nothing without
            // a grant.
            QVERIFY2(s.creaUsuario(u"limitada"_s, claveAjena, u"SELECT, INSERT"_s, base), qPrintable(s.error()));
            conexion = s.conexion(base, u"limitada"_s, claveAjena);
            break;
        case TCaso::BaseInexistente:
            conexion.setDatabase(tipo == Tipo::MariaDB ? u"no_existe"_s : s.carpeta() + u"/db/no_existe.fdb"_s);
            break;
        case TCaso::NadieEscucha:
            conexion.setPuerto(QString::number(TServidorBaseDatos::puertoLibre()));
            break;
        case TCaso::NoContesta:
            // The system completes the connection while the test waits in
            // the check: it is accepted and never answered.
            QVERIFY(mudo.listen(QHostAddress::LocalHost, 0));
            conexion.setPuerto(QString::number(mudo.serverPort()));
            break;
        }

        const QStringList conexionesAntes = QSqlDatabase::connectionNames();
        const PruebaServidor::TPrueba r = PruebaServidor::prueba(conexion);
        QVERIFY2(r.resultado == esperado, qPrintable(r.texto));
        QCOMPARE(r.correcta(), esperado == TResultado::Correcta);
        // The user is told which server it was, and never a password.
        QVERIFY2(r.texto.contains(u"127.0.0.1:%1"_s.arg(conexion.getPuerto())), qPrintable(r.texto));
        QVERIFY2(!r.texto.contains(conexion.getPassword()), qPrintable(r.texto));
        QVERIFY2(!r.texto.contains(s.password()), qPrintable(r.texto));
        if (caso != TCaso::NadieEscucha && caso != TCaso::NoContesta)
            QVERIFY2(r.texto.contains(conexion.getDatabase()), qPrintable(r.texto));
        if (caso == TCaso::ConTabla)
            QVERIFY2(r.texto.contains(u"PREVIA"_s, Qt::CaseInsensitive), qPrintable(r.texto));
        QCOMPARE(QSqlDatabase::connectionNames(), conexionesAntes);

        // The check's own table is gone, whatever the outcome.
        const TConexionSesion administrador = s.conexion(base);
        const QStringList tablas = Esquema::tablasPresentes(administrador);
        Conexiones::cierra(administrador);
        QCOMPARE(tablas.join(u',').toUpper(), caso == TCaso::ConTabla ? u"PREVIA"_s : QString());
    }
};

QTEST_GUILESS_MAIN(TstPruebaServidor)
#include "tst_pruebaservidor.moc"
