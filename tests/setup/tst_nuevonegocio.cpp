#include "CarpetaPrograma.h"
#include "CertificadosPrueba.h"
#include "Conexiones.h"
#include "Constantes.h"
#include "Entidades.h"
#include "Errores.h"
#include "Signerutils.h"
#include "Sistema.h"
#include "TBaseDatosLocalFrm.h"
#include "TIngreso.h"
#include "TNuevoNegocio.h"
#include "Utils.h"
#include "Ventanas.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

using namespace Constantes;
using Ingreso::TResultado;

namespace {

const QString CSD = QStringLiteral(VELKOR_DATOS_PRUEBA "/csd/");

NuevoNegocio::TDatos datosEscuela()
{
    NuevoNegocio::TDatos d;
    d.email = QStringLiteral(" dueno@escuela.mx ");
    d.password = QStringLiteral("Secreta#1");
    d.nombre = QStringLiteral(" Ana ");
    d.apellidoPaterno = QStringLiteral("Muñoz");
    d.telefonos = {{3, QStringLiteral("3312345678"), QString()},
                   {2, QStringLiteral(" 5551234567 "), QStringLiteral("12")},
                   {1, QStringLiteral("  "), QStringLiteral("9")}};
    d.nombreEmpresa = QStringLiteral("Escuela Kemper");
    d.certificado = CSD + QStringLiteral("EKU9003173C9.cer");
    d.llave = CSD + QStringLiteral("EKU9003173C9.key");
    d.passwordLlave = QStringLiteral("12345678a");
    d.rfc = QStringLiteral("EKU9003173C9");
    d.razon = QStringLiteral("ESCUELA KEMPER URGATE SA DE CV");
    d.regimen = QStringLiteral("601 - General de Ley Personas Morales");
    d.direccion.calle = QStringLiteral("Reforma");
    d.direccion.noExterior = QStringLiteral("222");
    d.direccion.colonia = QStringLiteral("Juárez");
    d.direccion.municipio = QStringLiteral("015 - Cuauhtémoc");
    d.direccion.estado = QStringLiteral("CMX - Ciudad de México");
    d.direccion.pais = QStringLiteral("MEX - México");
    d.direccion.codigoPostal = QStringLiteral("06600");
    return d;
}

// A business created through the same steps as the wizard's first run.
TConexionSesion creaNegocio(const NuevoNegocio::TDatos& datos)
{
    const TConexionSesion conexion = NuevoNegocio::saveNuevoLocal(
        datos.email.trimmed(), datos.rfc, datos.razon, NuevoNegocio::destinoLocal(datos.rfc));
    NuevoNegocio::saveNuevoNegocio(datos, conexion);
    return conexion;
}

// A program folder whose registry is in place, as after the first start.
struct TProgramaConRegistro : TCarpetaPrograma {
    explicit TProgramaConRegistro(bool conRecursos = true) : TCarpetaPrograma(conRecursos)
    {
        TBaseDatosLocalFrm::creaTablas(archivo(DB_USUARIOS));
    }
};

void limpiaSesion()
{
    Sistema::freeNegocio();
    Sistema::freeUsuario();
    Sistema::freeConexion();
}

}  // namespace

class TstNuevoNegocio : public QObject {
    Q_OBJECT
private slots:
    void init() { limpiaSesion(); }

    void primeraVezCreaTodo()
    {
        const TProgramaConRegistro programa;
        const NuevoNegocio::TDatos datos = datosEscuela();
        const TConexionSesion conexion = creaNegocio(datos);

        const QString archivo = programa.archivo(QStringLiteral("db/EKU9003173C9/") + DB_SISTEMA_NOMBRE);
        QCOMPARE(conexion.getDatabase(), archivo);

        // The registry row leads back to the new file.
        const QStringList detalle = registroLocal().getEmpresaDetalle(QStringLiteral("EKU9003173C9"));
        QCOMPARE(detalle.value(1), datos.razon);
        const QStringList campos = Utils::transformaStringConexion(detalle.value(2));
        QCOMPARE(campos, (QStringList{DB_SQLITE, QString(), QString(), QString(), archivo, QString()}));

        const auto usuario = TUsuario::getInfoByEmail(QStringLiteral("dueno@escuela.mx"), conexion);
        QVERIFY(usuario);
        QCOMPARE(usuario->getIdpersona()->getNombre(), QStringLiteral("Ana"));
        const int contacto = usuario->getIdpersona()->getContactoId();
        const QList<TTelefono> telefonos = TTelefono::busca(QStringLiteral("\"IDCONTACTO\" = ?"), {contacto}, conexion);
        QCOMPARE(telefonos.size(), 2);
        QCOMPARE(telefonos.at(1).getNumero(), QStringLiteral("5551234567"));
        QCOMPARE(telefonos.at(1).getTipotelefono(), 2);

        const std::unique_ptr<TNegocio> negocio = TNegocio::getByRFC(QStringLiteral("EKU9003173C9"), conexion);
        QVERIFY(negocio);
        QVERIFY(!negocio->getLogonegocio().isEmpty());
        const std::shared_ptr<TDatosfiscales> fiscales = negocio->getDatosfiscales();
        QCOMPARE(fiscales->getRazon(), datos.razon);
        QCOMPARE(fiscales->getRegimen(), QStringLiteral("601"));
        const std::shared_ptr<TDireccion> direccion = fiscales->getDireccion();
        QCOMPARE(direccion->getCalle(), QStringLiteral("Reforma"));
        QCOMPARE(direccion->getCodigoPostal()->getCp(), QStringLiteral("06600"));
        QCOMPARE(direccion->getCodigoPostal()->getEstado(), QStringLiteral("CMX"));
        QCOMPARE(direccion->getCodigoPostal()->getMunicipio(), QStringLiteral("015 - Cuauhtémoc"));

        const std::unique_ptr<TCertificado> certificado = TCertificado::getByNegocio(*negocio, conexion);
        QVERIFY(certificado);
        QCOMPARE(certificado->getNumCertificado(), QStringLiteral("30001000000500003416"));
        QCOMPARE(certificado->getFechaexpiracion(), QDate(2027, 5, 18));
        QFile cer(datos.certificado);
        QVERIFY(cer.open(QIODevice::ReadOnly));
        QCOMPARE(certificado->getNegCer(), cer.readAll());
        QCOMPARE(Signerutils::Signer().decrypt(certificado->getNegPassword()), QStringLiteral("12345678a"));

        const QList<TRegimennegocio> regimenes =
            TRegimennegocio::busca(QStringLiteral("\"IDNEGOCIO\" = ?"), {negocio->getIdnegocio()}, conexion);
        QCOMPARE(regimenes.size(), 1);
        QCOMPARE(regimenes.first().getIdregimen()->getDescripcion(), datos.regimen);

        // The session is the new business's, with its head office.
        QVERIFY(Sistema::Negocio);
        QCOMPARE(Sistema::Negocio->getIdnegocio(), negocio->getIdnegocio());
        QCOMPARE(Sistema::Sucursales.size(), 1);
        QCOMPARE(Sistema::Sucursales.first()->getNombre(), datos.razon);
        QCOMPARE(Sistema::Sucursales.first()->getTipo(), TSucursal::TIPO_MATRIZ);
        QCOMPARE(Sistema::Sucursales.first()->getDireccionId(), direccion->getIddireccion());
        QVERIFY(Sistema::getPermiso(CODIGO_PERMISOS));
    }

    void casosDeLosDatos_data()
    {
        QTest::addColumn<QString>("razon");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("matriz");
        QTest::newRow("sin razón social") << QString() << QStringLiteral("x") << TSucursal::MATRIZ_STRING;
        QTest::newRow("sin contraseña") << QStringLiteral("ESCUELA") << QString() << QStringLiteral("ESCUELA");
    }
    void casosDeLosDatos()
    {
        QFETCH(QString, razon);
        QFETCH(QString, password);
        QFETCH(QString, matriz);
        const TProgramaConRegistro programa;
        NuevoNegocio::TDatos datos = datosEscuela();
        datos.razon = razon;
        datos.password = password;
        datos.direccion.codigoPostal.clear();
        const TConexionSesion conexion = creaNegocio(datos);
        QCOMPARE(Sistema::Sucursales.first()->getNombre(), matriz);
        QCOMPARE(Sistema::Usuario->getPassword(), NuevoNegocio::cifraPassword(datos.email.trimmed(), password));
        QVERIFY(!Sistema::Sucursales.first()->getDireccion()->getCodigoPostal());
        QCOMPARE(TCodigopostal::busca(QString(), {}, conexion).size(), 0);
    }

    void bdExistenteNoSeDestruye()
    {
        const TProgramaConRegistro programa;
        const QString rfc = QStringLiteral("EKU9003173C9");
        const QString carpeta = programa.archivo(QStringLiteral("db/") + rfc + QLatin1Char('/'));
        QDir().mkpath(carpeta);
        QFile previo(carpeta + DB_SISTEMA_NOMBRE);
        QVERIFY(previo.open(QIODevice::WriteOnly) && previo.write("comprobantes de antes") > 0);
        previo.close();
        NuevoNegocio::saveNuevoLocal(QStringLiteral("a@b.mx"), rfc, QStringLiteral("X"),
                                     NuevoNegocio::destinoLocal(rfc));
        const QStringList apartados =
            QDir(carpeta).entryList({DB_SISTEMA_NOMBRE + QStringLiteral(".*.anterior")}, QDir::Files);
        QCOMPARE(apartados.size(), 1);
        QFile guardado(carpeta + apartados.first());
        QVERIFY(guardado.open(QIODevice::ReadOnly));
        QCOMPARE(guardado.readAll(), QByteArray("comprobantes de antes"));
        QVERIFY(QFileInfo(carpeta + DB_SISTEMA_NOMBRE).size() > 1000);
    }

    void sinPlantillaNoRegistraNada()
    {
        const TProgramaConRegistro programa(false);
        const QString rfc = QStringLiteral("EKU9003173C9");
        QVERIFY_THROWS_EXCEPTION(EEntradaSalida, NuevoNegocio::saveNuevoLocal(QStringLiteral("a@b.mx"), rfc,
                                                                              QStringLiteral("X"),
                                                                              NuevoNegocio::destinoLocal(rfc)));
        QCOMPARE(registroLocal().getNumeroEmpresas(), 0);
    }

    void falloAMitadNoDejaMedioNegocio()
    {
        const TProgramaConRegistro programa;
        NuevoNegocio::TDatos datos = datosEscuela();
        // The user and the business are saved before the regime fails.
        datos.regimen = QStringLiteral("601 - ") + QString(400, QLatin1Char('x'));
        const TConexionSesion conexion = NuevoNegocio::saveNuevoLocal(datos.email.trimmed(), datos.rfc, datos.razon,
                                                                      NuevoNegocio::destinoLocal(datos.rfc));
        QVERIFY_THROWS_EXCEPTION(EBaseDatos, NuevoNegocio::saveNuevoNegocio(datos, conexion));
        QCOMPARE(TUsuario::busca(QString(), {}, conexion).size(), 0);
        QCOMPARE(TNegocio::busca(QString(), {}, conexion).size(), 0);
        QVERIFY(!Sistema::Negocio);
    }

    // A certificate, key or RFC the wizard would refuse stores nothing, also
    // when the creation is called without the wizard's check.
    void certificadoRechazadoNoGuardaNada_data()
    {
        QTest::addColumn<QString>("certificado"); // a file of m_credenciales or of the SAT's
        QTest::addColumn<QString>("llave");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("rfc");
        QTest::addColumn<QString>("mensaje");
        const QString password = QStringLiteral("12345678a");
        const QString rfc = QStringLiteral("EKU9003173C9");
        QTest::newRow("RFC del certificado que es ruta")
            << QStringLiteral("ruta.cer") << QStringLiteral("propia.key") << password << rfc << ERR_CERT_RFC_NO_VALIDO;
        QTest::newRow("llave sin cifrar") << QStringLiteral("propio.cer") << QStringLiteral("sin-cifrar.key")
                                          << password << rfc << ERR_LLAVE_SIN_CIFRAR;
        QTest::newRow("derivación de 2^31-1 iteraciones")
            << QStringLiteral("propio.cer") << QStringLiteral("enorme.key") << password << rfc << ERR_LLAVE_NO_ADMITIDA;
        QTest::newRow("RFC capturado que es ruta")
            << CSD + QStringLiteral("EKU9003173C9.cer") << CSD + QStringLiteral("EKU9003173C9.key") << password
            << QStringLiteral("../../x") << ERR_RFC_NO_VALIDO.arg(QStringLiteral("../../x"));
    }
    void certificadoRechazadoNoGuardaNada()
    {
        QFETCH(QString, certificado);
        QFETCH(QString, llave);
        QFETCH(QString, password);
        QFETCH(QString, rfc);
        QFETCH(QString, mensaje);
        QTemporaryDir credenciales;
        const TCredencialPrueba c;
        TCredencialPrueba::escribe(credenciales.filePath(QStringLiteral("ruta.cer")),
                                   c.certificado(QStringLiteral("../../../../x")));
        TCredencialPrueba::escribe(credenciales.filePath(QStringLiteral("propio.cer")),
                                   c.certificado(QStringLiteral("EKU9003173C9")));
        TCredencialPrueba::escribe(credenciales.filePath(QStringLiteral("propia.key")), c.llaveCifrada("12345678a"));
        TCredencialPrueba::escribe(credenciales.filePath(QStringLiteral("sin-cifrar.key")), c.llaveSinCifrar());
        TCredencialPrueba::escribe(credenciales.filePath(QStringLiteral("enorme.key")),
                                   TCredencialPrueba::llavePbes2(2147483647));
        const auto ruta = [&](const QString& archivo) {
            return archivo.startsWith(QLatin1Char('/')) ? archivo : credenciales.filePath(archivo);
        };

        const TProgramaConRegistro programa;
        NuevoNegocio::TDatos datos = datosEscuela();
        datos.certificado = ruta(certificado);
        datos.llave = ruta(llave);
        datos.passwordLlave = password;
        datos.rfc = rfc;
        const TConexionSesion conexion =
            NuevoNegocio::saveNuevoLocal(datos.email.trimmed(), QStringLiteral("EKU9003173C9"), datos.razon,
                                         NuevoNegocio::destinoLocal(QStringLiteral("EKU9003173C9")));
        try {
            NuevoNegocio::saveNuevoNegocio(datos, conexion);
            QFAIL("Se creó el negocio con un certificado que debía rechazarse");
        } catch (const EVelkor& e) {
            QCOMPARE(e.mensaje(), mensaje);
        }
        QCOMPARE(TUsuario::busca(QString(), {}, conexion).size(), 0);
        QCOMPARE(TNegocio::busca(QString(), {}, conexion).size(), 0);
        QVERIFY(!Sistema::Negocio);
    }

    // An RFC that is not one never names a folder or a registry row.
    void rfcNoValidoNoCreaNada_data()
    {
        QTest::addColumn<QString>("rfc");
        QTest::newRow("vacío") << QString();
        QTest::newRow("ruta") << QStringLiteral("../../../../x");
        QTest::newRow("RFC seguido de ruta") << QStringLiteral("EKU9003173C9/../../x");
    }
    void rfcNoValidoNoCreaNada()
    {
        QFETCH(QString, rfc);
        const TProgramaConRegistro programa;
        const QStringList antes = QDir(programa.archivo(DB_PATH)).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        QVERIFY_THROWS_EXCEPTION(EVelkor,
                                 NuevoNegocio::saveNuevoLocal(QStringLiteral("a@b.mx"), rfc, QStringLiteral("X"),
                                                              NuevoNegocio::destinoLocal(rfc)));
        QCOMPARE(QDir(programa.archivo(DB_PATH)).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), antes);
        QVERIFY(!QFileInfo::exists(programa.archivo(QStringLiteral("x"))));
        QCOMPARE(registroLocal().getNumeroEmpresas(), 0);
        QVERIFY(!Sistema::Conexion);
    }

    // The business's folder and database, and any database the engine
    // creates, are its owner's only.
    void archivosPrivados()
    {
        const TProgramaConRegistro programa;
        const QString carpeta = programa.archivo(QStringLiteral("db/EKU9003173C9"));
        // A folder left from before, open to everyone, is closed too.
        QVERIFY(QDir().mkdir(carpeta));
        QVERIFY(QFile::setPermissions(carpeta, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                   QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther |
                                                   QFile::ExeOther));
        const TConexionSesion conexion = creaNegocio(datosEscuela());
        QCOMPARE(TCarpetaPrograma::modo(carpeta), 0700);
        QCOMPARE(TCarpetaPrograma::modo(conexion.getDatabase()), 0600);

        const QString nueva = programa.archivo(QStringLiteral("db/otra/nueva.fdb"));
        Conexiones::creaBaseDatos(nueva, programa.ruta());
        QCOMPARE(TCarpetaPrograma::modo(nueva), 0600);
    }

    void soloNegocioCopiaAlUsuario()
    {
        const TProgramaConRegistro programa;
        const TConexionSesion primera = creaNegocio(datosEscuela());
        const std::shared_ptr<TUsuario> usuario = Sistema::Usuario;

        NuevoNegocio::TDatos otra = datosEscuela();
        otra.rfc = QStringLiteral("H&E951128469");
        otra.razon = QStringLiteral("H & E");
        otra.regimen = QStringLiteral("612 - Personas Físicas con Actividades Empresariales y Profesionales");
        const TConexionSesion segunda = NuevoNegocio::saveNuevoLocal(usuario->getEmail(), otra.rfc, otra.razon,
                                                                     NuevoNegocio::destinoLocal(otra.rfc));
        QVERIFY(segunda.getDatabase() != primera.getDatabase());
        NuevoNegocio::saveNuevoNegocio(otra, segunda, usuario.get());

        const std::unique_ptr<TUsuario> copia = TUsuario::getInfoByEmail(usuario->getEmail(), segunda);
        QVERIFY(copia);
        QCOMPARE(copia->getPassword(), usuario->getPassword());
        QCOMPARE(copia->getIdpersona()->getApellidopaterno(), QStringLiteral("Muñoz"));
        QVERIFY(TNegocio::getByRFC(QStringLiteral("H&E951128469"), segunda));
        QVERIFY(!TNegocio::getByRFC(QStringLiteral("EKU9003173C9"), segunda));
        QCOMPARE(registroLocal().getNumeroEmpresas(), 2);
    }

    void ingreso_data()
    {
        QTest::addColumn<QString>("caso");
        QTest::addColumn<QString>("componente");
        QTest::addColumn<QString>("email");
        QTest::addColumn<QString>("password");
        QTest::addColumn<int>("resultado");
        QTest::addColumn<int>("activas");  // registry entries still active afterwards
        const QString rfc = QStringLiteral("EKU9003173C9");
        const QString email = QStringLiteral("dueno@escuela.mx");
        const QString clave = QStringLiteral("Secreta#1");
        QTest::newRow("sin empresa") << "" << "" << email << clave << int(TResultado::SinEmpresa) << 1;
        QTest::newRow("sin correo") << "" << rfc << "" << clave << int(TResultado::SinCorreo) << 1;
        QTest::newRow("base borrada") << "borra" << rfc << email << clave << int(TResultado::BaseInexistente) << 0;
        QTest::newRow("empresa ajena") << "ajena" << rfc << email << clave << int(TResultado::EmpresaYUsuario) << 0;
        QTest::newRow("usuario inexistente") << "" << rfc << QStringLiteral("otro@escuela.mx") << clave
                                             << int(TResultado::UsuarioIncorrecto) << 1;
        QTest::newRow("contraseña incorrecta") << "" << rfc << email << QStringLiteral("secreta#1")
                                               << int(TResultado::UsuarioIncorrecto) << 1;
        QTest::newRow("sin acceso") << "sinliga" << rfc << email << clave << int(TResultado::SinAcceso) << 1;
        QTest::newRow("correcto") << "" << rfc << email << clave << int(TResultado::Correcto) << 1;
        QTest::newRow("correo en mayúsculas") << "" << rfc << QStringLiteral("Dueno@Escuela.MX") << clave
                                              << int(TResultado::Correcto) << 1;
    }
    void ingreso()
    {
        QFETCH(QString, caso);
        QFETCH(QString, componente);
        QFETCH(QString, email);
        QFETCH(QString, password);
        QFETCH(int, resultado);
        QFETCH(int, activas);
        const TProgramaConRegistro programa;
        const TConexionSesion conexion = creaNegocio(datosEscuela());
        limpiaSesion();
        QDir(programa.archivo(FACTURAS_PATH)).removeRecursively();

        if (caso == QLatin1String("borra")) {
            Conexiones::cierra(conexion);
            QVERIFY(QFile::remove(conexion.getDatabase()));
        } else if (caso == QLatin1String("ajena")) {
            // The file holds another business: the registry row is stale.
            Conexiones::cierra(conexion);
            QFile::remove(conexion.getDatabase());
            QVERIFY(QFile::copy(TCarpetaPrograma::plantillaNegocio(), conexion.getDatabase()));
            QFile::setPermissions(conexion.getDatabase(), QFile::ReadOwner | QFile::WriteOwner);
        } else if (caso == QLatin1String("sinliga")) {
            // The user exists but was never linked to the business.
            QSqlQuery borra(Conexiones::baseDatos(conexion));
            QVERIFY(borra.exec(QStringLiteral("DELETE FROM USUARIONEGOCIO")));
        }

        const TResultado obtenido = Ingreso::ingresa(componente, email, password);
        QCOMPARE(int(obtenido), resultado);
        QCOMPARE(registroLocal().getNumeroEmpresas(), activas);
        const bool correcto = obtenido == TResultado::Correcto;
        QCOMPARE(bool(Sistema::Negocio), correcto);
        QCOMPARE(bool(Sistema::UsuarioNegocio), correcto);
        QCOMPARE(QFileInfo(programa.archivo(FACTURAS_PATH + QStringLiteral("/EKU9003173C9"))).isDir(), correcto);
        if (correcto) {
            QCOMPARE(Sistema::Conexion->getDatabase(), conexion.getDatabase());
            QCOMPARE(Sistema::Negocio->getNombre(), QStringLiteral("Escuela Kemper"));
            QCOMPARE(Sistema::Sucursales.size(), 1);
        }
        QVERIFY(!Ingreso::mensajes(obtenido).isEmpty() || correcto);
    }
};

QTEST_GUILESS_MAIN(TstNuevoNegocio)
#include "tst_nuevonegocio.moc"
