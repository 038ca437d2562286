#include "NegocioPrueba.h"
#include "ProgramaConsola.h"

#include "Conexiones.h"
#include "Sistema.h"
#include "import/RevisionImportacion.h"
#include "import/TImportacionParalela.h"
#include "negocio/Credenciales.h"

#include <QSqlDatabase>
#include <QSqlQuery>

using namespace Constantes;
using Estado = TResultadoArchivo::TEstado;

namespace {

const QString UUID_40 = QStringLiteral("C2832671-DA6D-11EF-A83D-00155D012007"); // cfdi40-real.xml
const QString RFC_40 = QStringLiteral("ISD950921HE5");
const QString OTRO_UUID_40 = QStringLiteral("C2832671-DA6D-11EF-A83D-00155D012008");
const QString RFC_32 = QStringLiteral("CTO021007DZ8"); // cfdi32-real.xml
const QString EMAIL = QString::fromUtf8(TEntornoImportacion::EMAIL);
const QString PASSWORD = QString::fromUtf8(TEntornoImportacion::PASSWORD);
const QString AJENO = QStringLiteral("ajeno@otro.mx");

// A second voucher of cfdi40-real.xml's issuer: another UUID.
void escribeSegundo40(const TEntornoImportacion& entorno, const QString& como)
{
    entorno.escribe(como, TEntornoImportacion::variante(QStringLiteral("cfdi40-real.xml"),
                                                        {{UUID_40.toLatin1(), OTRO_UUID_40.toLatin1()}}));
}

// The business of cfdi40-real.xml, created by a first import whose owner is
// EMAIL with PASSWORD; the folder to import then holds two other vouchers
// of that business and one of an issuer no business knows.
void preparaNegocioExistente(const TEntornoImportacion& entorno)
{
    const QString primero = entorno.agrega(QStringLiteral("cfdi40-real.xml"));
    QCOMPARE(int(entorno.importador()->importa(primero).estado), int(Estado::Importado));
    QFile::remove(primero);
    Conexiones::cierraHilo();
    escribeSegundo40(entorno, QStringLiteral("a/segundo40.xml"));
    entorno.agrega(QStringLiteral("cfdi40-real.xml"), QStringLiteral("b/repetido40.xml"));
    entorno.agrega(QStringLiteral("cfdi32-real.xml"), QStringLiteral("c/nuevo32.xml"));
}

QList<TResultadoArchivo> porRuta(QList<TResultadoArchivo> resultados)
{
    std::sort(resultados.begin(), resultados.end(),
              [](const TResultadoArchivo& a, const TResultadoArchivo& b) { return a.ruta < b.ruta; });
    return resultados;
}

// Holds the registry as another program may: an exclusive transaction on a
// connection of its own.
class TRegistroOcupado {
public:
    explicit TRegistroOcupado(const QString& archivo)
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), NOMBRE);
        db.setDatabaseName(archivo);
        if (!db.open() || !QSqlQuery(db).exec(QStringLiteral("BEGIN EXCLUSIVE")))
            qFatal("No se pudo ocupar el registro");
    }
    ~TRegistroOcupado()
    {
        {
            QSqlDatabase db = QSqlDatabase::database(NOMBRE);
            QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
            db.close();
        }
        QSqlDatabase::removeDatabase(NOMBRE);
    }

private:
    static inline const QString NOMBRE = QStringLiteral("registro-ocupado");
};

} // namespace

class TstAcceso : public QObject {
    Q_OBJECT
private slots:
    void init() { NegocioPrueba::limpiaSesion(); }

    // Vouchers of a business that exists enter it only under one of its
    // users with that user's password, on one thread (the window's road) and
    // on several (the command line's). An issuer no business knows is still
    // created, for the e-mail given.
    void soloUnUsuarioDelNegocio_data()
    {
        QTest::addColumn<QString>("correo");
        QTest::addColumn<QString>("password");
        QTest::addColumn<int>("hilos");
        QTest::addColumn<QString>("motivo"); // empty: the business's files are taken
        for (int hilos : {0, 3}) {
            const QByteArray via = hilos ? " (varios hilos)" : " (un hilo)";
            QTest::newRow(("su usuario" + via).constData()) << EMAIL << PASSWORD << hilos << QString();
            QTest::newRow(("su usuario en mayúsculas" + via).constData())
                << EMAIL.toUpper() << PASSWORD << hilos << QString();
            QTest::newRow(("contraseña equivocada" + via).constData())
                << EMAIL << "otra" << hilos
                << QStringLiteral("La contraseña no es la del usuario %1 del negocio %2; el archivo no se importó.")
                       .arg(EMAIL, RFC_40);
            QTest::newRow(("correo que ningún negocio conoce" + via).constData())
                << AJENO << "cualquiera" << hilos
                << QStringLiteral("El negocio %1 ya existe en este equipo y %2 no es uno de sus usuarios")
                       .arg(RFC_40, AJENO);
            QTest::newRow(("sin contraseña" + via).constData())
                << EMAIL << QString() << hilos << QStringLiteral("La contraseña no es la del usuario %1").arg(EMAIL);
        }
    }
    void soloUnUsuarioDelNegocio()
    {
        QFETCH(QString, correo);
        QFETCH(QString, password);
        QFETCH(int, hilos);
        QFETCH(QString, motivo);
        TEntornoImportacion entorno;
        preparaNegocioExistente(entorno);
        TParametrosImportacion parametros = entorno.parametros();
        parametros.email = correo;
        parametros.password = password;
        QList<TResultadoArchivo> resultados;
        if (hilos > 0) {
            TImportacionParalela importacion(hilos, 2, registroLocal(), BaseDatosCatalogosFrm(), parametros,
                                             [&](const TResultadoArchivo& r) { resultados.append(r); });
            TRecorridoXML(entorno.entrada()).recorre([&](const QString& ruta) {
                importacion.importa(ruta);
                return true;
            });
            importacion.confirma();
        } else {
            TImportadorXML importador(registroLocal(), BaseDatosCatalogosFrm(), parametros);
            resultados = entorno.importaCarpeta(2, &importador);
        }
        resultados = porRuta(resultados);
        QCOMPARE(resultados.size(), 3);
        const TResultadoArchivo& segundo = resultados.at(0);
        const TResultadoArchivo& repetido = resultados.at(1);
        const TResultadoArchivo& nuevo = resultados.at(2);

        // The new issuer's business is created, its owner the e-mail given.
        QCOMPARE(int(nuevo.estado), int(Estado::Importado));
        QCOMPARE(registroLocal().getNumeroEmpresas(), 2);
        {
            const std::unique_ptr<TUsuario> dueno =
                TUsuario::getInfoByEmail(correo, TEntornoImportacion::conexion(RFC_32));
            QVERIFY(dueno);
            QVERIFY(Credenciales::esSuPassword(*dueno, password));
        }

        const TConexionSesion conexion = TEntornoImportacion::conexion(RFC_40);
        if (motivo.isEmpty()) {
            QCOMPARE(int(segundo.estado), int(Estado::Importado));
            QCOMPARE(int(repetido.estado), int(Estado::YaExistia));
            QVERIFY(TEntornoImportacion::comprobante(RFC_40, OTRO_UUID_40));
            QCOMPARE(TComprobante::cuenta(TCondicion(), conexion), 2);
        } else {
            // Every file of that business refused with the reason; nothing of
            // them stored, no copy written.
            for (const TResultadoArchivo& r : {segundo, repetido}) {
                QCOMPARE(int(r.estado), int(Estado::Fallido));
                QVERIFY2(r.motivo.startsWith(motivo), qPrintable(r.motivo));
            }
            QVERIFY(!QFileInfo::exists(TImportadorXML::rutaCopia(RFC_40, OTRO_UUID_40)));
            QCOMPARE(TComprobante::cuenta(TCondicion(), conexion), 1);
        }
        Conexiones::cierraHilo();
    }

    // The rule itself, as the sign-in sees it: a user of the database who is
    // not linked to the business does not bring vouchers into it.
    void usuarioSinLigaAlNegocio()
    {
        TEntornoImportacion entorno;
        preparaNegocioExistente(entorno);
        const TConexionSesion conexion = TEntornoImportacion::conexion(RFC_40);
        const std::unique_ptr<TNegocio> negocio = TNegocio::getByRFC(RFC_40, conexion);
        QVERIFY(negocio);
        TUsuario suelto;
        suelto.setEmail(AJENO);
        suelto.setPassword(Credenciales::hashPassword(PASSWORD));
        TUsuario::saveOrUpdate(suelto, TUnidadTrabajo(conexion, 1));
        QCOMPARE(int(Credenciales::acceso(*negocio, AJENO, PASSWORD, conexion)),
                 int(Credenciales::TAcceso::NoEsUsuario));
        QCOMPARE(int(Credenciales::acceso(*negocio, EMAIL, PASSWORD, conexion)), int(Credenciales::TAcceso::Permitido));
        QCOMPARE(int(Credenciales::acceso(*negocio, EMAIL, QStringLiteral("x"), conexion)),
                 int(Credenciales::TAcceso::ContrasenaIncorrecta));
        QCOMPARE(int(Credenciales::acceso(*negocio, QString(), QString(), conexion)),
                 int(Credenciales::TAcceso::NoEsUsuario));
        Conexiones::cierraHilo();

        TParametrosImportacion parametros = entorno.parametros();
        parametros.email = AJENO;
        TImportadorXML importador(registroLocal(), BaseDatosCatalogosFrm(), parametros);
        const TResultadoArchivo r = importador.importa(entorno.entrada() + QStringLiteral("a/segundo40.xml"));
        QCOMPARE(int(r.estado), int(Estado::Fallido));
        QVERIFY2(r.motivo.contains(QStringLiteral("no es uno de sus usuarios")), qPrintable(r.motivo));
        Conexiones::cierraHilo();
    }

    // A registry another program holds in the middle of a job is not read
    // as one without the issuer: the file fails with the reason, and the
    // registered business keeps its database (creating it again would set
    // that database aside).
    void registroOcupadoDuranteLaImportacion()
    {
        TEntornoImportacion entorno;
        preparaNegocioExistente(entorno);
        const QString baseDatos = TEntornoImportacion::conexion(RFC_40).getDatabase();
        Conexiones::cierraHilo();
        TResultadoArchivo r;
        {
            TRegistroOcupado ocupado(TBaseDatosLocalFrm::archivoRegistro());
            r = entorno.importador()->importa(entorno.entrada() + QStringLiteral("a/segundo40.xml"));
        }
        QCOMPARE(int(r.estado), int(Estado::Fallido));
        QVERIFY2(r.motivo.startsWith(QStringLiteral("No se pudo leer el registro de negocios")), qPrintable(r.motivo));
        Conexiones::cierraHilo();
        // Its folder as it was: the database in its place, nothing set aside.
        const QFileInfo base(baseDatos);
        QVERIFY(base.isFile());
        QCOMPARE(QDir(base.absolutePath()).entryList({base.fileName() + QLatin1Char('*')}, QDir::Files),
                 QStringList{base.fileName()});
        QCOMPARE(registroLocal().getNumeroEmpresas(), 1);
        QCOMPARE(TComprobante::cuenta(TCondicion(), TEntornoImportacion::conexion(RFC_40)), 1);
        // Once it is free, the same file goes in.
        QCOMPARE(int(entorno.importador()->importa(entorno.entrada() + QStringLiteral("a/segundo40.xml")).estado),
                 int(Estado::Importado));
        Conexiones::cierraHilo();
    }

    // What both the window and the command line check before the first
    // file.
    void revisionAntesDeEmpezar_data()
    {
        QTest::addColumn<QString>("preparacion");
        QTest::addColumn<QString>("correo");
        QTest::addColumn<QString>("password");
        QTest::addColumn<int>("resultado");
        QTest::addColumn<QString>("mensaje");
        using R = RevisionImportacion::TResultado;
        QTest::newRow("nada registrado") << QString() << EMAIL << QString() << int(R::Correcta) << QString();
        QTest::newRow("su usuario") << "negocio" << EMAIL << PASSWORD << int(R::Correcta) << QString();
        QTest::newRow("correo nuevo") << "negocio" << AJENO << QString() << int(R::Correcta) << QString();
        QTest::newRow("contraseña ajena") << "negocio" << EMAIL << "otra" << int(R::ContrasenaAjena)
                                          << QStringLiteral("La contraseña no es la del usuario %1").arg(EMAIL);
        QTest::newRow("registro ocupado") << "ocupado" << EMAIL << PASSWORD << int(R::RegistroOcupado)
                                          << "Otro programa ocupa el registro de negocios";
        QTest::newRow("registro dañado") << "dañado" << EMAIL << PASSWORD << int(R::RegistroDanado)
                                         << "El registro de negocios";
        QTest::newRow("registro sin tablas")
            << "vacío" << EMAIL << PASSWORD << int(R::RegistroDanado) << "El registro de negocios";
    }
    void revisionAntesDeEmpezar()
    {
        QFETCH(QString, preparacion);
        QFETCH(QString, correo);
        QFETCH(QString, password);
        QFETCH(int, resultado);
        QFETCH(QString, mensaje);
        TEntornoImportacion entorno;
        if (preparacion == QLatin1String("negocio"))
            preparaNegocioExistente(entorno);
        const QString registro = TBaseDatosLocalFrm::archivoRegistro();
        if (preparacion == QStringLiteral("dañado") || preparacion == QStringLiteral("vacío"))
            QVERIFY(TCarpetaPrograma::escribe(registro,
                                              QByteArray(preparacion == QStringLiteral("dañado") ? 4096 : 0, 'x')));
        std::unique_ptr<TRegistroOcupado> ocupado;
        if (preparacion == QLatin1String("ocupado"))
            ocupado = std::make_unique<TRegistroOcupado>(registro);
        const RevisionImportacion::TRevision revision = RevisionImportacion::revisa(correo, password);
        QCOMPARE(int(revision.resultado), resultado);
        QVERIFY2(revision.mensaje.startsWith(mensaje), qPrintable(revision.mensaje));
        QCOMPARE(revision.mensaje.isEmpty(), mensaje.isEmpty());
        Conexiones::cierraHilo();
    }

    // velkor-importar: a file of an existing business under an e-mail that
    // is none of its users is refused with its row, the rest is imported,
    // and the exit status tells that a file failed. A damaged registry is
    // not taken for one another program holds.
    void consola_data()
    {
        QTest::addColumn<QString>("correo");
        QTest::addColumn<QString>("preparacion");
        QTest::addColumn<int>("salida");
        QTest::addColumn<QString>("dicho");
        QTest::newRow("correo que ningún negocio conoce")
            << AJENO << "negocio" << 1 << "\nImportados: 1\nYa existían: 0\n";
        QTest::newRow("su usuario") << EMAIL << "negocio" << 0 << "\nImportados: 2\nYa existían: 1\n";
        QTest::newRow("registro dañado") << EMAIL << "dañado" << 6 << "El registro de negocios";
    }
    void consola()
    {
        QFETCH(QString, correo);
        QFETCH(QString, preparacion);
        QFETCH(int, salida);
        QFETCH(QString, dicho);
        TProgramaConsola programa;
        if (preparacion == QLatin1String("negocio")) {
            preparaNegocioExistente(programa.entorno);
        } else {
            programa.entorno.agrega(QStringLiteral("cfdi40-real.xml"));
            QVERIFY(TCarpetaPrograma::escribe(programa.entorno.carpeta.archivo(DB_USUARIOS), QByteArray(4096, 'x')));
        }
        const TProgramaConsola::TCorrida corrida =
            programa.corre({programa.entorno.entrada(), QStringLiteral("--correo"), correo}, PASSWORD.toUtf8() + '\n');
        QCOMPARE(corrida.salida, salida);
        const QString texto = salida == 6 ? corrida.errores : corrida.salidaEstandar;
        QVERIFY2(texto.contains(dicho), qPrintable(texto));
        if (salida != 1)
            return;
        // The report names the refused files and why.
        const QString reporte = corrida.salidaEstandar.section(QLatin1Char('\n'), -2, -2);
        const QString filas = QString::fromUtf8(TEntornoImportacion::bytes(reporte));
        for (const char* archivo : {"segundo40.xml", "repetido40.xml"}) {
            const QString fila = filas.section(QString::fromUtf8(archivo), 1, 1).section(QLatin1Char('\n'), 0, 0);
            QVERIFY2(fila.contains(QStringLiteral("no es uno de sus usuarios")), qPrintable(filas));
        }
        QCOMPARE(TComprobante::cuenta(TCondicion(), TEntornoImportacion::conexion(RFC_40)), 1);
        QVERIFY(TUsuario::getInfoByEmail(AJENO, TEntornoImportacion::conexion(RFC_32)));
        Conexiones::cierraHilo();
    }
};

QTEST_GUILESS_MAIN(TstAcceso)
#include "tst_acceso.moc"
