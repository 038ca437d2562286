#include "CarpetaPrograma.h"
#include "Conexiones.h"
#include "Constantes.h"
#include "Entidades.h"
#include "FirmaPermisos.h"
#include "NegocioPrueba.h"
#include "Prompter.h"
#include "Secretos.h"
#include "Signerutils.h"
#include "Sistema.h"
#include "admin/TUsuariosNegocio.h"
#include "negocio/SecretoNegocio.h"
#include "negocio/TArchivoZip.h"
#include "negocio/TIngreso.h"
#include "negocio/TNuevoNegocio.h"

#include <QDir>
#include <QSqlQuery>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace Constantes;
using NegocioPrueba::RFC_ACCEM;
using NegocioPrueba::RFC_ESCUELA;

// A business's rights count only when the business signed them: texts made
// by hand, moved between users or businesses, or left in the older form after
// the business got its secret grant nothing, and the log says why. An older
// program folder is migrated at its first sign-in and keeps every right.
namespace {

const QString DUENO = u"dueno@escuela.mx"_s;
const QString CAJERO = u"cajero@escuela.mx"_s;
const QString PASSWORD = u"Clave#1"_s;

// The program folder an earlier version left (tests/data/antiguo/README.md).
const QString ANTIGUO = QStringLiteral(VELKOR_DATOS_PRUEBA "/antiguo/programa.zip");
const QString DUENO_ANTIGUO = u"Dueno@Ejemplo.mx"_s;
const QString CAJERO_ANTIGUO = u"cajero@ejemplo.mx"_s;

QStringList codigos()
{
    return {CODIGO_BRIDGE_TXT,     CODIGO_REPORTES, CODIGO_PRODUCTOS, CODIGO_NOMINA,  CODIGO_FACTURACION,
            CODIGO_FACTURACION_40, CODIGO_CLIENTES, CODIGO_RESPALDOS, CODIGO_PERMISOS};
}

QStringList concedidos()
{
    QStringList lista;
    for (const QString& codigo : codigos())
        if (Sistema::getPermiso(codigo))
            lista << codigo;
    return lista;
}

std::unique_ptr<TUsuarionegocio> ligaDe(const QString& email, const TConexionSesion& conexion)
{
    const auto usuario = TUsuario::getInfoByEmail(email, conexion);
    const auto negocio = TNegocio::getByRFC(RFC_ESCUELA, conexion);
    return usuario && negocio ? TUsuarionegocio::getByUsuarioAndNegocio(*usuario, *negocio, conexion) : nullptr;
}

void guardaTexto(const QString& email, const QString& texto, const TConexionSesion& conexion)
{
    std::unique_ptr<TUsuarionegocio> liga = ligaDe(email, conexion);
    QVERIFY(liga);
    liga->setNivelpermiso(texto);
    TUsuarionegocio::saveOrUpdate(*liga, TUnidadTrabajo(conexion, 1));
}

// The business EKU9003173C9 with its owner and a cashier who may only see
// reports; the session is left empty.
TConexionSesion negocioConCajero(const TCarpetaPrograma& programa)
{
    NegocioPrueba::creaRegistro(programa);
    const TConexionSesion conexion = NegocioPrueba::crea(RFC_ESCUELA, DUENO, PASSWORD);
    if (Ingreso::ingresa(RFC_ESCUELA, DUENO, PASSWORD) != Ingreso::TResultado::Correcto)
        qFatal("no sign-in");
    UsuariosNegocio::TNuevoUsuario cajero;
    cajero.email = CAJERO;
    cajero.password = PASSWORD;
    cajero.repitePassword = PASSWORD;
    cajero.permisos = UsuariosNegocio::todos(false);
    cajero.permisos[1] = true;
    if (UsuariosNegocio::agrega(cajero) != UsuariosNegocio::TResultado::Correcto)
        qFatal("no cashier");
    NegocioPrueba::limpiaSesion();
    return conexion;
}

// The permission texts of an older database by e-mail, read without the
// entities (its business table still lacks the newer column).
QHash<QString, QString> textosAntiguos(const TConexionSesion& conexion)
{
    QHash<QString, QString> textos;
    QSqlQuery q(Conexiones::baseDatos(conexion));
    if (!q.exec(u"SELECT U.EMAIL, L.NIVELPERMISO FROM USUARIONEGOCIO L JOIN USUARIO U ON U.IDUSUARIO = L.IDUSUARIO"_s))
        qFatal("no texts");
    while (q.next())
        textos.insert(q.value(0).toString().toLower(), q.value(1).toString());
    return textos;
}

} // namespace

class TstPermisos : public QObject {
    Q_OBJECT
private slots:
    void init() { NegocioPrueba::limpiaSesion(); }
    void cleanup() { NegocioPrueba::limpiaSesion(); }

    // The folder as the earlier version left it: both users keep exactly
    // their rights, every text is signed, the key password is enciphered
    // under this installation's key, and it happens once.
    void migraProgramaAnterior()
    {
        TCarpetaPrograma programa;
        TArchivoZip(ANTIGUO).extraeTodo(programa.ruta(), {});
        const TConexionSesion conexion =
            TConexionSesion::embebida(programa.archivo(u"db/EKU9003173C9/Velkor.fdb"_s), programa.ruta());
        const QHash<QString, QString> antes = textosAntiguos(conexion);
        Conexiones::cierra(conexion);
        QCOMPARE(antes.size(), 2);
        for (const QString& texto : antes)
            QVERIFY(Secretos::esFormaAntigua(texto));

        TColaRespuestas respuestas;
        QCOMPARE(Ingreso::ingresa(RFC_ESCUELA, DUENO_ANTIGUO, u"Clave.Antigua1"_s), Ingreso::TResultado::Correcto);
        QCOMPARE(concedidos(), codigos());
        NegocioPrueba::limpiaSesion();
        QCOMPARE(Ingreso::ingresa(RFC_ESCUELA, CAJERO_ANTIGUO, u"Cajero.Antiguo2"_s), Ingreso::TResultado::Correcto);
        QCOMPARE(concedidos(), QStringList{CODIGO_REPORTES});
        QCOMPARE(respuestas.textos(), QStringList());

        for (const QString& email : {DUENO_ANTIGUO, CAJERO_ANTIGUO}) {
            const auto usuario = TUsuario::getInfoByEmail(email, conexion);
            const auto liga = ligaDe(email, conexion);
            QVERIFY(liga->getNivelpermiso().startsWith(FirmaPermisos::PREFIJO));
            // The same plain text, flags and all, now signed.
            QCOMPARE(Sistema::permisosDe(*liga, *usuario).plano,
                     Signerutils::Signer().decrypt(antes.value(email.toLower())));
        }
        const auto certificado = TCertificado::getByNegocio(*Sistema::Negocio, conexion);
        QVERIFY(!Secretos::esFormaAntigua(certificado->getNegPassword()));
        QCOMPARE(Secretos::descifraLocal(certificado->getNegPassword(), programa.ruta()), NegocioPrueba::PASSWORD_CSD);
        QCOMPARE(programa.log().count(u"recibió su llave de permisos: se firmaron 2 textos"_s), 1);
        QVERIFY(SecretoNegocio::recordado(RFC_ESCUELA));

        // Once migrated, a text in the older form (anybody can make one with
        // the program-wide key) grants nothing.
        guardaTexto(CAJERO_ANTIGUO, Signerutils::Signer().crypt(RFC_ESCUELA + USR_PASS + PERMISOS_INICIALES), conexion);
        NegocioPrueba::limpiaSesion();
        QCOMPARE(Ingreso::ingresa(RFC_ESCUELA, CAJERO_ANTIGUO, u"Cajero.Antiguo2"_s), Ingreso::TResultado::Correcto);
        QCOMPARE(concedidos(), QStringList());
        QVERIFY(programa.log().contains(u"Permisos negados a cajero@ejemplo.mx en la empresa EKU9003173C9: "_s +
                                        FirmaPermisos::explica(FirmaPermisos::TMotivo::FormaAntigua)));
    }

    // Whatever the cashier's link is made to hold, only what the business
    // signed for the cashier counts.
    void textosQueNoDanPermisos_data()
    {
        QTest::addColumn<int>("caso");
        QTest::addColumn<int>("motivo");
        QTest::newRow("forma anterior hecha a mano") << 0 << int(FirmaPermisos::TMotivo::FormaAntigua);
        QTest::newRow("copiado del dueño") << 1 << int(FirmaPermisos::TMotivo::OtroUsuario);
        QTest::newRow("copiado de otra empresa") << 2 << int(FirmaPermisos::TMotivo::OtroNegocio);
        QTest::newRow("forma nueva sin firma") << 3 << int(FirmaPermisos::TMotivo::FirmaInvalida);
        QTest::newRow("forma nueva con firma inventada") << 4 << int(FirmaPermisos::TMotivo::FirmaInvalida);
    }
    void textosQueNoDanPermisos()
    {
        QFETCH(int, caso);
        QFETCH(int, motivo);
        TCarpetaPrograma programa;
        const TConexionSesion conexion = negocioConCajero(programa);
        const QString delDueno = ligaDe(DUENO, conexion)->getNivelpermiso();
        const QString delCajero = ligaDe(CAJERO, conexion)->getNivelpermiso();
        // The cashier's own text without its signature (case 3); case 4 grants everything in it.
        QString texto = delCajero.left(delCajero.lastIndexOf(u'|'));
        if (caso == 0) {
            texto = Signerutils::Signer().crypt(RFC_ESCUELA + USR_PASS + PERMISOS_INICIALES);
        } else if (caso == 1) {
            texto = delDueno;
        } else if (caso == 2) {
            // Another business of the same computer, where the cashier's
            // e-mail is the owner's.
            Conexiones::cierra(NegocioPrueba::crea(RFC_ACCEM, CAJERO, PASSWORD));
            QCOMPARE(Ingreso::ingresa(RFC_ACCEM, CAJERO, PASSWORD), Ingreso::TResultado::Correcto);
            QCOMPARE(concedidos(), codigos());
            texto = Sistema::UsuarioNegocio->getNivelpermiso();
            NegocioPrueba::limpiaSesion();
        } else if (caso == 4) {
            texto.replace(u"|0|-1|0|0|0|0|0|0|"_s, u"|-1|-1|-1|-1|-1|-1|-1|-1|"_s);
            texto += u'|' + QString::fromLatin1(Secretos::aleatorio(32).toBase64());
        }
        guardaTexto(CAJERO, texto, conexion);

        QCOMPARE(Ingreso::ingresa(RFC_ESCUELA, CAJERO, PASSWORD), Ingreso::TResultado::Correcto);
        QCOMPARE(concedidos(), QStringList());
        QVERIFY(UsuariosNegocio::leePermisos(*Sistema::UsuarioNegocio, *Sistema::Usuario) ==
                UsuariosNegocio::todos(false));
        const QString linea = u"Permisos negados a %1 en la empresa %2: %3"_s.arg(
            CAJERO, RFC_ESCUELA, FirmaPermisos::explica(FirmaPermisos::TMotivo(motivo)));
        QVERIFY2(programa.log().contains(linea), qPrintable(programa.log()));

        // The owner keeps every right, and the cashier's own text still works.
        NegocioPrueba::limpiaSesion();
        QCOMPARE(Ingreso::ingresa(RFC_ESCUELA, DUENO, PASSWORD), Ingreso::TResultado::Correcto);
        QCOMPARE(concedidos(), codigos());
        guardaTexto(CAJERO, delCajero, conexion);
        NegocioPrueba::limpiaSesion();
        QCOMPARE(Ingreso::ingresa(RFC_ESCUELA, CAJERO, PASSWORD), Ingreso::TResultado::Correcto);
        QCOMPARE(concedidos(), QStringList{CODIGO_REPORTES});
    }

    // An administrator whose right to hand out rights was taken at another
    // computer loses it at once: the session he opened before neither
    // changes the owner's rights nor adds a user.
    void derechoRetiradoEnOtraComputadora_data()
    {
        QTest::addColumn<bool>("agrega");
        QTest::addColumn<bool>("sinLiga");
        QTest::newRow("cambiar los derechos del dueño") << false << false;
        QTest::newRow("agregar un usuario") << true << false;
        QTest::newRow("liga retirada") << false << true;
    }
    void derechoRetiradoEnOtraComputadora()
    {
        QFETCH(bool, agrega);
        QFETCH(bool, sinLiga);
        TCarpetaPrograma programa;
        const TConexionSesion conexion = negocioConCajero(programa);
        QCOMPARE(Ingreso::ingresa(RFC_ESCUELA, DUENO, PASSWORD), Ingreso::TResultado::Correcto);
        QCOMPARE(UsuariosNegocio::actualizaPermisos(CAJERO, UsuariosNegocio::todos(true)),
                 UsuariosNegocio::TResultado::Correcto);
        NegocioPrueba::limpiaSesion();
        QCOMPARE(Ingreso::ingresa(RFC_ESCUELA, CAJERO, PASSWORD), Ingreso::TResultado::Correcto);
        QVERIFY(Sistema::getPermiso(CODIGO_PERMISOS));

        if (sinLiga) {
            QSqlQuery q(Conexiones::baseDatos(conexion));
            QVERIFY(q.exec(u"DELETE FROM USUARIONEGOCIO WHERE IDUSUARIONEGOCIO = %1"_s.arg(
                ligaDe(CAJERO, conexion)->getIdusuarionegocio())));
        } else {
            UsuariosNegocio::TPermisos sinPermisos = UsuariosNegocio::todos(true);
            sinPermisos.back() = false;
            guardaTexto(CAJERO,
                        SecretoNegocio::firmaPermisos(*Sistema::Negocio, *TUsuario::getInfoByEmail(CAJERO, conexion),
                                                      UsuariosNegocio::textoPermisos(RFC_ESCUELA, sinPermisos),
                                                      conexion),
                        conexion);
        }
        const QString delDueno = ligaDe(DUENO, conexion)->getNivelpermiso();

        UsuariosNegocio::TNuevoUsuario otro;
        otro.email = u"otro@escuela.mx"_s;
        const UsuariosNegocio::TResultado resultado =
            agrega ? UsuariosNegocio::agrega(otro)
                   : UsuariosNegocio::actualizaPermisos(DUENO, UsuariosNegocio::todos(false));
        QCOMPARE(resultado, UsuariosNegocio::TResultado::SinPermiso);
        QCOMPARE(UsuariosNegocio::mensaje(resultado), ERROR_PERMISOS);
        QCOMPARE(ligaDe(DUENO, conexion)->getNivelpermiso(), delDueno);
        QVERIFY(!TUsuario::getInfoByEmail(otro.email, conexion));
        // The menus refuse it from then on as well.
        QVERIFY(!Sistema::getPermiso(CODIGO_PERMISOS));
    }

    // Taking the secret out of the database does not make the business sign
    // again whatever its links hold.
    void secretoRetiradoNoSeRehace()
    {
        TCarpetaPrograma programa;
        const TConexionSesion conexion = negocioConCajero(programa);
        std::unique_ptr<TNegocio> negocio = TNegocio::getByRFC(RFC_ESCUELA, conexion);
        negocio->setSecreto(QString());
        TNegocio::saveOrUpdate(*negocio, TUnidadTrabajo(conexion, 1));
        const QString hecho = Signerutils::Signer().crypt(RFC_ESCUELA + USR_PASS + PERMISOS_INICIALES);
        guardaTexto(CAJERO, hecho, conexion);

        TColaRespuestas respuestas;
        QCOMPARE(Ingreso::ingresa(RFC_ESCUELA, CAJERO, PASSWORD), Ingreso::TResultado::Correcto);
        QCOMPARE(concedidos(), QStringList());
        const QString aviso = SecretoNegocio::mensaje(SecretoNegocio::TEstado::Retirado, RFC_ESCUELA);
        QCOMPARE(respuestas.textos(), QStringList{aviso});
        QVERIFY(programa.log().contains(aviso));
        QCOMPARE(ligaDe(CAJERO, conexion)->getNivelpermiso(), hecho);
        QVERIFY(TNegocio::getByRFC(RFC_ESCUELA, conexion)->getSecreto().isEmpty());
    }

    // A database copied from another installation without its backup: its
    // secret cannot be read here, nobody holds a right, and the user is told.
    // With this installation's mark of having given it its secret, what
    // changed is the installation's key, and the user is sent to it, not to
    // the database.
    void secretoIlegible_data()
    {
        QTest::addColumn<bool>("conMarca");
        QTest::addColumn<QString>("motivo");
        QTest::newRow("base copiada de otra instalación") << false << u"se copió de otra instalación"_s;
        QTest::newRow("llave de instalación reemplazada")
            << true << u"la llave de esta instalación (Motor/Instalacion.llave) se perdió o se reemplazó"_s;
    }
    void secretoIlegible()
    {
        QFETCH(bool, conMarca);
        QFETCH(QString, motivo);
        TCarpetaPrograma origen;
        NegocioPrueba::creaRegistro(origen);
        Conexiones::cierra(NegocioPrueba::crea(RFC_ESCUELA, DUENO, PASSWORD));
        if (conMarca) {
            QCOMPARE(Ingreso::ingresa(RFC_ESCUELA, DUENO, PASSWORD), Ingreso::TResultado::Correcto);
            NegocioPrueba::limpiaSesion();
        }
        Conexiones::cierraHilo();
        const QString marca = u"Motor/SecretosNegocio/"_s + RFC_ESCUELA;
        QVERIFY(!conMarca || QFileInfo::exists(origen.archivo(marca)));

        TCarpetaPrograma programa;
        NegocioPrueba::creaRegistro(programa);
        QVERIFY(QDir().mkpath(programa.archivo(DB_PATH + RFC_ESCUELA)));
        QVERIFY(QFile::copy(origen.archivo(DB_PATH + RFC_ESCUELA + u'/' + DB_SISTEMA_NOMBRE),
                            NuevoNegocio::archivoLocal(RFC_ESCUELA)));
        if (conMarca) {
            QVERIFY(QDir().mkpath(programa.archivo(u"Motor/SecretosNegocio"_s)));
            QVERIFY(QFile::copy(origen.archivo(marca), programa.archivo(marca)));
        }
        NuevoNegocio::registraNegocio(DUENO, RFC_ESCUELA, RFC_ESCUELA, NuevoNegocio::destinoLocal(RFC_ESCUELA));

        TColaRespuestas respuestas;
        QCOMPARE(Ingreso::ingresa(RFC_ESCUELA, DUENO, PASSWORD), Ingreso::TResultado::Correcto);
        QCOMPARE(concedidos(), QStringList());
        const QString aviso = SecretoNegocio::mensaje(SecretoNegocio::TEstado::Ilegible, RFC_ESCUELA);
        QCOMPARE(respuestas.textos(), QStringList{aviso});
        QVERIFY2(aviso.contains(motivo), qPrintable(aviso));
        QVERIFY(programa.log().contains(aviso));
        QVERIFY(programa.log().contains(FirmaPermisos::explica(FirmaPermisos::TMotivo::SecretoIlegible)));
        // Nor can rights be handed out there.
        UsuariosNegocio::TNuevoUsuario otro;
        otro.email = CAJERO;
        QCOMPARE(UsuariosNegocio::agrega(otro), UsuariosNegocio::TResultado::SinPermiso);
    }
};

QTEST_GUILESS_MAIN(TstPermisos)
#include "tst_permisos.moc"
