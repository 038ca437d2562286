#include "CarpetaPrograma.h"
#include "Conexiones.h"
#include "Entidades.h"
#include "Errores.h"
#include "TDefaultDBValues.h"

#include <QProcess>
#include <QSqlQuery>
#include <QTest>
#include <QThread>

namespace {

std::unique_ptr<TEntidad> creaEntidad(const QString& clase)
{
#define VELKOR_FABRICA(Clase) \
    if (clase == QLatin1String(#Clase)) \
        return std::make_unique<Clase>();
    VELKOR_ENTIDADES(VELKOR_FABRICA)
#undef VELKOR_FABRICA
    return nullptr;
}

// A value of the column's type that survives a round trip only if the
// column is stored whole: long texts filled to their length with accents.
QVariant valorDePrueba(const TColumna& c, int semilla)
{
    switch (c.tipo) {
    case TTipoColumna::Texto: {
        QString t = QStringLiteral("Ñandú-%1-áéíóú").arg(semilla);
        const int largo = c.largo > 0 ? c.largo : 5000;
        while (t.size() < largo)
            t += QLatin1Char('x');
        return t.left(largo);
    }
    case TTipoColumna::Entero: return 1000 + semilla;
    case TTipoColumna::Grande: return Q_INT64_C(9000000000) + semilla;
    case TTipoColumna::Decimal: return 1234.567891 + semilla;
    case TTipoColumna::Booleano: return 1;
    case TTipoColumna::Fecha: return QDate(2017, 5, 10).addDays(semilla);
    case TTipoColumna::FechaHora: return QDateTime(QDate(2017, 5, 10), QTime(12, 34, 56)).addSecs(semilla);
    case TTipoColumna::Binario: {
        QByteArray b(70000, '\0');
        for (int i = 0; i < b.size(); ++i)
            b[i] = char((i * 7 + semilla) & 0xff);
        return b;
    }
    case TTipoColumna::Id:
    case TTipoColumna::Ref: break;
    }
    return QVariant();
}

const TTabla& tablaPorNombre(const QString& nombre)
{
    for (const TTabla& t : Esquema::tablas())
        if (t.nombre == nombre)
            return t;
    qFatal("sin tabla %s", qPrintable(nombre));
}

// Stores a record of that class with every column filled; references point
// at records stored first (a self-reference at nothing).
std::shared_ptr<TEntidad> guardaLleno(const QString& clase, const TConexionSesion& conexion, int semilla)
{
    std::shared_ptr<TEntidad> e(creaEntidad(clase).release());
    const TTabla& t = e->tabla();
    for (int i = 1; i < t.columnas.size(); ++i) {
        const TColumna& c = t.columnas.at(i);
        if (c.tipo == TTipoColumna::Ref) {
            const TTabla& destino = tablaPorNombre(c.destino);
            if (destino.clase != clase)
                e->fijaValor(i, guardaLleno(destino.clase, conexion, semilla + 1)->id());
        } else {
            e->fijaValor(i, valorDePrueba(c, semilla + i));
        }
    }
    TPersistencia::guarda(*e, conexion);
    return e;
}

QStringList estructura(const TConexionSesion& conexion)
{
    QStringList filas;
    QSqlQuery q(Conexiones::baseDatos(conexion));
    // Generated names (domains, system indexes, NOT NULL constraints) differ
    // between runs; what is compared is what the program names and types.
    const QStringList consultas = {
        QStringLiteral("SELECT TRIM(rf.RDB$RELATION_NAME) || '.' || TRIM(rf.RDB$FIELD_NAME) || ':' || f.RDB$FIELD_TYPE "
                       "|| ':' || COALESCE(f.RDB$FIELD_SUB_TYPE, 0) || ':' || COALESCE(f.RDB$CHARACTER_LENGTH, 0) "
                       "|| ':' || COALESCE(f.RDB$FIELD_SCALE, 0) FROM RDB$RELATION_FIELDS rf "
                       "JOIN RDB$FIELDS f ON f.RDB$FIELD_NAME = rf.RDB$FIELD_SOURCE WHERE rf.RDB$SYSTEM_FLAG = 0"),
        QStringLiteral("SELECT TRIM(RDB$INDEX_NAME) FROM RDB$INDICES WHERE RDB$SYSTEM_FLAG = 0 "
                       "AND RDB$INDEX_NAME NOT STARTING WITH 'RDB$'"),
        QStringLiteral("SELECT TRIM(RDB$CONSTRAINT_NAME) FROM RDB$RELATION_CONSTRAINTS "
                       "WHERE RDB$CONSTRAINT_NAME NOT STARTING WITH 'INTEG_'"),
        QStringLiteral("SELECT TRIM(RDB$GENERATOR_NAME) FROM RDB$GENERATORS WHERE RDB$SYSTEM_FLAG = 0"),
        QStringLiteral("SELECT TRIM(RDB$RELATION_NAME) FROM RDB$RELATIONS WHERE RDB$SYSTEM_FLAG = 0"),
    };
    for (const QString& sql : consultas) {
        if (!q.exec(sql))
            qFatal("%s", qPrintable(sql));
        while (q.next())
            filas << q.value(0).toString();
    }
    filas.sort();
    return filas;
}

}  // namespace

class TstEntidades : public QObject {
    Q_OBJECT
private slots:
    void idaYVuelta_data()
    {
        QTest::addColumn<QString>("clase");
        for (const TTabla& t : Esquema::tablas())
            QTest::newRow(qPrintable(t.clase)) << t.clase;
    }
    void idaYVuelta()
    {
        QFETCH(QString, clase);
        TCarpetaPrograma programa;
        const TConexionSesion conexion = programa.nuevaBaseNegocio();
        const std::shared_ptr<TEntidad> guardada = guardaLleno(clase, conexion, 3);
        QVERIFY(guardada->id() > 0);

        std::unique_ptr<TEntidad> leida = creaEntidad(clase);
        QVERIFY(TPersistencia::lee(*leida, guardada->id(), conexion));
        for (int i = 0; i < guardada->tabla().columnas.size(); ++i) {
            const TColumna& c = guardada->tabla().columnas.at(i);
            if (c.tipo == TTipoColumna::Decimal)
                QCOMPARE(leida->valor(i).toDouble(), guardada->valor(i).toDouble());
            else
                QVERIFY2(leida->valor(i) == guardada->valor(i), qPrintable(c.nombre));
        }
        std::unique_ptr<TEntidad> otra = creaEntidad(clase);
        QVERIFY(!TPersistencia::lee(*otra, guardada->id() + 1000, conexion));
    }

    void accesoresYReferencias()
    {
        TCarpetaPrograma programa;
        const TConexionSesion conexion = programa.nuevaBaseNegocio();

        TDatosfiscales fiscales;
        fiscales.setRfc(QStringLiteral("HAÑ930228SM9"));
        fiscales.setRazon(QStringLiteral("HERMANOS ANZURES ÑARVAEZ SA"));
        fiscales = TDatosfiscales::saveOrUpdate(fiscales, conexion);

        TNegocio negocio;
        negocio.setNombre(QStringLiteral("Tlapalería Ñandú"));
        negocio.setDatosfiscales(fiscales);
        negocio = TNegocio::saveOrUpdate(negocio, conexion);

        // A record read back loads its references on first use.
        const std::unique_ptr<TNegocio> leido = TNegocio::getById(negocio.getIdnegocio(), conexion);
        QVERIFY(leido);
        QCOMPARE(leido->getDatosfiscalesId(), fiscales.getIddatosfiscales());
        QVERIFY(leido->getDatosfiscales());
        QCOMPARE(leido->getDatosfiscales()->getRfc(), QStringLiteral("HAÑ930228SM9"));
        QVERIFY(!leido->getDatosfiscales()->getDireccion());

        const QList<TDatosfiscales> porRfc =
            TDatosfiscales::busca(QStringLiteral("\"RFC\" = ?"), {QStringLiteral("HAÑ930228SM9")}, conexion);
        QCOMPARE(porRfc.size(), 1);

        TSucursal sucursal;
        TNegocio sinGuardar;
        QVERIFY_THROWS_EXCEPTION(EBaseDatos, sucursal.setNegocio(sinGuardar));

        // Saving again updates the same record; a record that is not there is refused.
        const int id = negocio.getIdnegocio();
        negocio.setNombre(QStringLiteral("Otra"));
        negocio = TNegocio::saveOrUpdate(negocio, conexion);
        QCOMPARE(negocio.getIdnegocio(), id);
        QCOMPARE(TNegocio::getById(id, conexion)->getNombre(), QStringLiteral("Otra"));
        QCOMPARE(TNegocio::busca(QString(), {}, conexion).size(), 1);
        negocio.setIdnegocio(id + 50);
        QVERIFY_THROWS_EXCEPTION(EBaseDatos, TNegocio::saveOrUpdate(negocio, conexion));
    }

    void transaccionRevertida()
    {
        TCarpetaPrograma programa;
        const TConexionSesion conexion = programa.nuevaBaseNegocio();
        int idRevertido = -1;
        {
            TTransaccion transaccion(conexion);
            TContacto contacto = TContacto::saveOrUpdate(TContacto(), conexion);
            idRevertido = contacto.getIdcontacto();
            TTelefono telefono;
            telefono.setIdcontacto(contacto);
            telefono.setNumero(QStringLiteral("3312345678"));
            {
                TTransaccion anidada(conexion);  // joins the outer one
                TTelefono::saveOrUpdate(telefono, conexion);
                anidada.commit();
            }
            QCOMPARE(TTelefono::busca(QString(), {}, conexion).size(), 1);  // visible inside
        }
        QVERIFY(!TContacto::getById(idRevertido, conexion));
        QCOMPARE(TTelefono::busca(QString(), {}, conexion).size(), 0);
    }

    void completarReponeLoQueFalta()
    {
        TCarpetaPrograma programa;
        const TConexionSesion conexion = programa.nuevaBaseNegocio();
        const QStringList completa = estructura(conexion);
        // On a complete database, completing changes nothing.
        QCOMPARE(Esquema::versionRegistrada(conexion), Esquema::version());
        TDefaultDBValues(conexion).inicia();
        QCOMPARE(estructura(conexion), completa);

        // An older database: no employee link table, no price columns, no newer
        // tables, no recorded version.
        TConcepto concepto;
        concepto.setDescripcion(QStringLiteral("Martillo"));
        concepto = TConcepto::saveOrUpdate(concepto, conexion);
        for (const char* sql : {"DROP TABLE NOMINACOMPROBANTEEMPLEADO", "DROP SEQUENCE GEN_NOMINACOMPROBANTEEMPLEADO",
                                "ALTER TABLE CONCEPTO DROP PRECIOCOMPRA", "ALTER TABLE CONCEPTO DROP CLAVEPRODSERV",
                                "DROP TABLE CERTIFICADO", "DROP TABLE VERSIONESQUEMA"})
            QVERIFY2(QSqlQuery(Conexiones::baseDatos(conexion)).exec(QString::fromLatin1(sql)), sql);
        Conexiones::cierra(conexion);
        QVERIFY(estructura(conexion) != completa);
        QCOMPARE(Esquema::versionRegistrada(conexion), 0);

        TDefaultDBValues(conexion).inicia();
        TDefaultDBValues(conexion).inicia();
        Conexiones::cierra(conexion);
        QCOMPARE(estructura(conexion), completa);
        QCOMPARE(Esquema::versionRegistrada(conexion), Esquema::version());
        QCOMPARE(TConcepto::getById(concepto.getIdconcepto(), conexion)->getDescripcion(), QStringLiteral("Martillo"));
        TConcepto::saveOrUpdate(TConcepto(), conexion);  // the table's generator still works
    }

    void dosProcesosMismaBase()
    {
        TCarpetaPrograma programa;
        const TConexionSesion conexion = programa.nuevaBaseNegocio();
        TUsuario usuario;
        usuario.setEmail(QStringLiteral("primero@tienda.mx"));
        TUsuario::saveOrUpdate(usuario, conexion);  // this process holds the file open

        QProcess hijo;
        QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
        entorno.insert(QStringLiteral("VELKOR_HIJO_BASE"), conexion.getDatabase());
        entorno.insert(QStringLiteral("VELKOR_HIJO_PROGRAMA"), programa.ruta());
        hijo.setProcessEnvironment(entorno);
        hijo.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY(hijo.waitForFinished(60000));
        QVERIFY2(hijo.exitCode() == 0, hijo.readAllStandardError().constData());
        QCOMPARE(TUsuario::busca(QString(), {}, conexion).size(), 2);
    }

    void hiloPropioMismaBase()
    {
        TCarpetaPrograma programa;
        const TConexionSesion conexion = programa.nuevaBaseNegocio();
        TTransaccion abierta(conexion);
        TContacto::saveOrUpdate(TContacto(), conexion);

        // A worker writes other rows of the same database through its own
        // connection while this thread's transaction is open.
        QString error;
        QThread* hilo = QThread::create([&] {
            try {
                for (int i = 0; i < 20; ++i)
                    TContacto::saveOrUpdate(TContacto(), conexion);
            } catch (const std::exception& e) {
                error = Errores::describe(e);
            }
            Conexiones::cierraHilo();
        });
        hilo->start();
        QVERIFY(hilo->wait(60000));
        delete hilo;
        QVERIFY2(error.isEmpty(), qPrintable(error));
        abierta.commit();
        QCOMPARE(TContacto::busca(QString(), {}, conexion).size(), 21);
    }
};

// The second process of dosProcesosMismaBase: the same program opening a
// database another process has open.
static int procesoHijo()
{
    const QString base = qEnvironmentVariable("VELKOR_HIJO_BASE");
    const TConexionSesion conexion = TConexionSesion::embebida(base, qEnvironmentVariable("VELKOR_HIJO_PROGRAMA"));
    try {
        TUsuario usuario;
        usuario.setEmail(QStringLiteral("segundo@tienda.mx"));
        TUsuario::saveOrUpdate(usuario, conexion);
        Conexiones::cierraHilo();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", qPrintable(Errores::describe(e)));
        return 1;
    }
    return 0;
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsSet("VELKOR_HIJO_BASE"))
        return procesoHijo();
    TstEntidades prueba;
    return QTest::qExec(&prueba, argc, argv);
}

#include "tst_entidades.moc"
