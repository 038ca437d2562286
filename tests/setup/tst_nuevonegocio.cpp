#include "CarpetaPrograma.h"
#include "CertificadosPrueba.h"
#include "Conexiones.h"
#include "Constantes.h"
#include "negocio/Credenciales.h"
#include "Entidades.h"
#include "Errores.h"
#include "NegocioPrueba.h"
#include "RegistroPrueba.h"
#include "Rutas.h"
#include "FirmaPermisos.h"
#include "Secretos.h"
#include "Sistema.h"
#include "negocio/TBaseDatosLocalFrm.h"
#include "negocio/TCadenaConexion.h"
#include "negocio/TIngreso.h"
#include "negocio/TNuevoNegocio.h"
#include "negocio/Utils.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

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

// What the wizard reads from the resource package for a new business.
QByteArray plantilla()
{
    return TCarpetaPrograma::lee(TCarpetaPrograma::plantillaNegocio());
}
const QByteArray LOGO("logo de prueba");

TConexionSesion nuevoLocal(const QString& email, const QString& rfc, const QString& razon)
{
    return NuevoNegocio::saveNuevoLocal(email, rfc, razon, NuevoNegocio::destinoLocal(rfc), plantilla());
}

// A business created through the same steps as the wizard's first run,
// without its publication to the session; the owner's link into `liga`.
TConexionSesion creaNegocio(const NuevoNegocio::TDatos& datos, TUsuarionegocio* liga = nullptr)
{
    const TConexionSesion conexion = nuevoLocal(datos.email.trimmed(), datos.rfc, datos.razon);
    const TUsuarionegocio creada = NuevoNegocio::saveNuevoNegocio(datos, conexion, LOGO);
    if (liga)
        *liga = creada;
    return conexion;
}

// A program folder whose registry is in place, as after the first start.
struct TProgramaConRegistro : TCarpetaPrograma {
    explicit TProgramaConRegistro(bool conRecursos = true) : TCarpetaPrograma(conRecursos)
    {
        TBaseDatosLocalFrm::creaTablas(archivo(DB_USUARIOS));
    }
};

// A copy of a whole program folder (the engine's folder is a link).
void copiaCarpeta(const QString& origen, const QString& destino)
{
    QDir().mkpath(destino);
    for (const QFileInfo& entrada :
         QDir(origen).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System)) {
        const QString nuevo = destino + QLatin1Char('/') + entrada.fileName();
        if (entrada.isSymLink())
            QFile::link(entrada.symLinkTarget(), nuevo);
        else if (entrada.isDir())
            copiaCarpeta(entrada.filePath(), nuevo);
        else
            QFile::copy(entrada.filePath(), nuevo);
    }
}

} // namespace

class TstNuevoNegocio : public QObject {
    Q_OBJECT
private slots:
    void init() { NegocioPrueba::limpiaSesion(); }

    void primeraVezCreaTodo()
    {
        const TProgramaConRegistro programa;
        const NuevoNegocio::TDatos datos = datosEscuela();
        TUsuarionegocio liga;
        const TConexionSesion conexion = creaNegocio(datos, &liga);

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
        const QList<TTelefono> telefonos =
            TTelefono::busca(TTelefono::columna(TTelefono::col_Idcontacto) == contacto, conexion);
        QCOMPARE(telefonos.size(), 2);
        QCOMPARE(telefonos.at(1).getNumero(), QStringLiteral("5551234567"));
        QCOMPARE(telefonos.at(1).getTipotelefono(), 2);

        const std::unique_ptr<TNegocio> negocio = TNegocio::getByRFC(QStringLiteral("EKU9003173C9"), conexion);
        QVERIFY(negocio);
        QCOMPARE(negocio->getLogonegocio(), LOGO);
        const std::shared_ptr<TDatosfiscales> fiscales = negocio->getDatosfiscales();
        const std::shared_ptr<TDireccion> direccion = fiscales->getDireccion();
        const std::shared_ptr<TCodigopostal> cp = direccion->getCodigoPostal();
        QCOMPARE((QStringList{fiscales->getRazon(), fiscales->getRegimen(), direccion->getCalle(), cp->getCp(),
                              cp->getEstado(), cp->getMunicipio()}),
                 (QStringList{datos.razon, "601", "Reforma", "06600", "CMX", "015 - Cuauhtémoc"}));

        const std::unique_ptr<TCertificado> certificado = TCertificado::getByNegocio(*negocio, conexion);
        QVERIFY(certificado);
        QCOMPARE(certificado->getNumCertificado(), QStringLiteral("30001000000500003416"));
        QCOMPARE(certificado->getFechaexpiracion(), QDate(2027, 5, 18));
        QCOMPARE(certificado->getNegCer(), TCarpetaPrograma::lee(datos.certificado));
        QVERIFY(!Secretos::esFormaAntigua(certificado->getNegPassword()));
        QCOMPARE(Secretos::descifraLocal(certificado->getNegPassword(), programa.ruta()), QStringLiteral("12345678a"));

        const QList<TRegimennegocio> regimenes =
            TRegimennegocio::busca(TRegimennegocio::columna(TRegimennegocio::col_Idnegocio) == *negocio, conexion);
        QCOMPARE(regimenes.size(), 1);
        QCOMPARE(regimenes.first().getIdregimen()->getDescripcion(), datos.regimen);

        // The link returned leads to the new business, with its head office
        // and every right; making it the session's is the window's work.
        QCOMPARE(liga.getIdnegocio()->getIdnegocio(), negocio->getIdnegocio());
        QCOMPARE(liga.getIdusuario()->getIdusuario(), usuario->getIdusuario());
        const QList<TSucursal> sucursales = TSucursal::getByNegocio(*negocio, conexion);
        QCOMPARE(sucursales.size(), 1);
        QCOMPARE(sucursales.first().getNombre(), datos.razon);
        QCOMPARE(sucursales.first().getTipo(), TSucursal::TIPO_MATRIZ);
        QCOMPARE(sucursales.first().getDireccionId(), direccion->getIddireccion());
        const FirmaPermisos::TLectura permisos =
            FirmaPermisos::lee(liga.getNivelpermiso(), FirmaPermisos::sujeto(*negocio, *usuario),
                               FirmaPermisos::secretoDe(*negocio, programa.ruta()).bytes);
        QCOMPARE(permisos.motivo, FirmaPermisos::TMotivo::Valido);
        QCOMPARE(permisos.plano, datos.rfc + USR_PASS + PERMISOS_INICIALES);
        // Brought to the program's schema, with its invoice folders.
        QVERIFY(QFileInfo(programa.archivo(FACTURAS_PATH + QStringLiteral("/EKU9003173C9/") + XML_PATH)).isDir());
        QVERIFY(!Sistema::Negocio);
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
        TUsuarionegocio liga;
        const TConexionSesion conexion = creaNegocio(datos, &liga);
        const QList<TSucursal> sucursales = TSucursal::busca(TCondicion(), conexion);
        QCOMPARE(sucursales.first().getNombre(), matriz);
        QVERIFY(Credenciales::esSuPassword(*liga.getIdusuario(), password));
        QVERIFY(!sucursales.first().getDireccion()->getCodigoPostal());
        QCOMPARE(TCodigopostal::cuenta(TCondicion(), conexion), 0);
    }

    void bdExistenteNoSeDestruye()
    {
        const TProgramaConRegistro programa;
        const QString rfc = QStringLiteral("EKU9003173C9");
        const QString carpeta = programa.archivo(QStringLiteral("db/") + rfc + QLatin1Char('/'));
        QVERIFY(TCarpetaPrograma::escribe(carpeta + DB_SISTEMA_NOMBRE, "comprobantes de antes"));
        nuevoLocal(QStringLiteral("a@b.mx"), rfc, QStringLiteral("X"));
        const QStringList apartados =
            QDir(carpeta).entryList({DB_SISTEMA_NOMBRE + QStringLiteral(".*.anterior")}, QDir::Files);
        QCOMPARE(apartados.size(), 1);
        QCOMPARE(TCarpetaPrograma::lee(carpeta + apartados.first()), QByteArray("comprobantes de antes"));
        QVERIFY(QFileInfo(carpeta + DB_SISTEMA_NOMBRE).size() > 1000);
    }

    // Creating a business again while the registry cannot be written fails,
    // logged, and leaves the business's own database where it was.
    void reRegistroFallidoConservaLaBase_data()
    {
        QTest::addColumn<QString>("como");
        QTest::newRow("registro bloqueado por otro proceso") << QStringLiteral("bloqueo");
        QTest::newRow("el registro rechaza la conexión") << QStringLiteral("rechazo");
    }
    void reRegistroFallidoConservaLaBase()
    {
        QFETCH(QString, como);
        const TProgramaConRegistro programa;
        const NuevoNegocio::TDatos datos = datosEscuela();
        const TConexionSesion conexion = creaNegocio(datos);
        Conexiones::cierra(conexion);
        const QByteArray antes = TCarpetaPrograma::lee(conexion.getDatabase());
        QVERIFY(!antes.isEmpty());

        std::unique_ptr<RegistroPrueba::TBloqueo> bloqueo;
        if (como == QLatin1String("rechazo")) {
            QVERIFY(
                RegistroPrueba::ejecuta(QStringLiteral("CREATE TRIGGER sinAltas BEFORE INSERT ON Conexion "
                                                       "BEGIN SELECT RAISE(ABORT, 'registro de solo lectura'); END")));
        } else {
            bloqueo = std::make_unique<RegistroPrueba::TBloqueo>();
            QVERIFY(bloqueo->activo());
        }
        try {
            nuevoLocal(datos.email.trimmed(), datos.rfc, datos.razon);
            QFAIL("se esperaba EBaseDatos");
        } catch (const EBaseDatos& e) {
            QVERIFY2(e.mensaje().startsWith(ERR_REGISTRO_ESCRITURA), qPrintable(e.mensaje()));
        }
        bloqueo.reset();

        QCOMPARE(TCarpetaPrograma::lee(conexion.getDatabase()), antes);
        const QString carpeta = QFileInfo(conexion.getDatabase()).absolutePath();
        QCOMPARE(QDir(carpeta).entryList({DB_SISTEMA_NOMBRE + QStringLiteral("*")}, QDir::Files),
                 QStringList{DB_SISTEMA_NOMBRE});
        QCOMPARE(registroLocal().getEmpresas().size(), 1);
        QVERIFY(programa.log().contains(QStringLiteral("EBaseDatos error raised")));
        QVERIFY(TNegocio::getByRFC(datos.rfc, conexion));
    }

    // The registry stores whole paths; a program folder moved elsewhere keeps
    // its businesses, and a copy works on its own databases only.
    void carpetaMovidaOCopiada_data()
    {
        QTest::addColumn<bool>("copiada");
        QTest::newRow("movida") << false;
        QTest::newRow("copiada") << true;
    }
    void carpetaMovidaOCopiada()
    {
        QFETCH(bool, copiada);
        auto original = std::make_unique<TProgramaConRegistro>();
        const QString rutaOriginal = original->ruta();
        const TConexionSesion conexion = creaNegocio(datosEscuela());
        Conexiones::cierra(conexion);
        const QByteArray antes = TCarpetaPrograma::lee(conexion.getDatabase());

        QTemporaryDir otra;
        const QString destino = otra.filePath(QStringLiteral("Velkor copia"));
        copiaCarpeta(rutaOriginal, destino);
        if (!copiada)
            QVERIFY(QDir(rutaOriginal + DB_PATH).removeRecursively());
        Rutas::fijaCarpetaPrograma(destino);

        QCOMPARE(Ingreso::ingresa(QStringLiteral("EKU9003173C9"), QStringLiteral("dueno@escuela.mx"),
                                  QStringLiteral("Secreta#1")),
                 TResultado::Correcto);
        const QString enDestino = Rutas::programa({DB_PATH, QStringLiteral("EKU9003173C9"), DB_SISTEMA_NOMBRE});
        QCOMPARE(Sistema::Conexion->getDatabase(), enDestino);

        TNegocio negocio = *Sistema::Negocio;
        negocio.setNombre(QStringLiteral("Escuela Kemper, la copia"));
        TNegocio::saveOrUpdate(negocio, TUnidadTrabajo(*Sistema::Conexion, Sistema::Usuario->getIdusuario()));
        QCOMPARE(TNegocio::getByRFC(QStringLiteral("EKU9003173C9"), TConexionSesion::embebida(enDestino, destino))
                     ->getNombre(),
                 QStringLiteral("Escuela Kemper, la copia"));
        Conexiones::cierraHilo();
        if (copiada)
            QCOMPARE(TCarpetaPrograma::lee(conexion.getDatabase()), antes);
        NegocioPrueba::limpiaSesion();
    }

    // Neither a missing template nor a destination the registry cannot store
    // leaves a registry row or a database behind.
    void destinoInvalidoNoRegistraNada_data()
    {
        QTest::addColumn<bool>("conPlantilla");
        QTest::addColumn<QString>("password");
        QTest::newRow("sin plantilla") << false << QString();
        QTest::newRow("separador en la contraseña del servidor") << true << QStringLiteral("se|creto");
    }
    void destinoInvalidoNoRegistraNada()
    {
        QFETCH(bool, conPlantilla);
        QFETCH(QString, password);
        const TProgramaConRegistro programa(false);
        const QString rfc = QStringLiteral("EKU9003173C9");
        NuevoNegocio::TDestino destino = NuevoNegocio::destinoLocal(rfc);
        destino.password = password;
        const auto crea = [&] {
            NuevoNegocio::saveNuevoLocal(QStringLiteral("a@b.mx"), rfc, QStringLiteral("X"), destino,
                                         conPlantilla ? plantilla() : QByteArray());
        };
        if (conPlantilla)
            QVERIFY_THROWS_EXCEPTION(ECadenaConexion, crea());
        else
            QVERIFY_THROWS_EXCEPTION(EEntradaSalida, crea());
        QCOMPARE(registroLocal().getNumeroEmpresas(), 0);
        QVERIFY(!QFileInfo::exists(NuevoNegocio::archivoLocal(rfc)));
    }

    void falloAMitadNoDejaMedioNegocio()
    {
        const TProgramaConRegistro programa;
        NuevoNegocio::TDatos datos = datosEscuela();
        // The user and the business are saved before the regime fails.
        datos.regimen = QStringLiteral("601 - ") + QString(400, QLatin1Char('x'));
        const TConexionSesion conexion = nuevoLocal(datos.email.trimmed(), datos.rfc, datos.razon);
        QVERIFY_THROWS_EXCEPTION(EBaseDatos, NuevoNegocio::saveNuevoNegocio(datos, conexion, LOGO));
        QCOMPARE(TUsuario::cuenta(TCondicion(), conexion), 0);
        QCOMPARE(TNegocio::cuenta(TCondicion(), conexion), 0);
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
        const TConexionSesion conexion = nuevoLocal(datos.email.trimmed(), QStringLiteral("EKU9003173C9"), datos.razon);
        try {
            NuevoNegocio::saveNuevoNegocio(datos, conexion, LOGO);
            QFAIL("Se creó el negocio con un certificado que debía rechazarse");
        } catch (const EVelkor& e) {
            QCOMPARE(e.mensaje(), mensaje);
        }
        QCOMPARE(TUsuario::cuenta(TCondicion(), conexion), 0);
        QCOMPARE(TNegocio::cuenta(TCondicion(), conexion), 0);
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
        QVERIFY_THROWS_EXCEPTION(EVelkor, nuevoLocal(QStringLiteral("a@b.mx"), rfc, QStringLiteral("X")));
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
        TUsuarionegocio liga;
        const TConexionSesion primera = creaNegocio(datosEscuela(), &liga);
        // The person has an address in the first database; its id means
        // nothing in the new one.
        {
            const TUnidadTrabajo unidad(primera, liga.getIdusuario()->getIdusuario());
            TDireccion direccion;
            direccion.setCalle(QStringLiteral("Insurgentes"));
            direccion = TDireccion::saveOrUpdate(direccion, unidad);
            TPersona persona = *liga.getIdusuario()->getIdpersona();
            persona.setDireccion(direccion);
            TPersona::saveOrUpdate(persona, unidad);
        }
        const std::shared_ptr<TUsuario> usuario(
            TUsuario::getInfoByEmail(liga.getIdusuario()->getEmail(), primera).release());
        QVERIFY(usuario->getIdpersona()->getDireccionId() > 0);

        NuevoNegocio::TDatos otra = datosEscuela();
        otra.rfc = QStringLiteral("H&E951128469");
        otra.razon = QStringLiteral("H & E");
        otra.regimen = QStringLiteral("612 - Personas Físicas con Actividades Empresariales y Profesionales");
        const TConexionSesion segunda = nuevoLocal(usuario->getEmail(), otra.rfc, otra.razon);
        QVERIFY(segunda.getDatabase() != primera.getDatabase());
        NuevoNegocio::saveNuevoNegocio(otra, segunda, LOGO, usuario.get());

        const std::unique_ptr<TUsuario> copia = TUsuario::getInfoByEmail(usuario->getEmail(), segunda);
        QVERIFY(copia);
        QCOMPARE(copia->getPassword(), usuario->getPassword());
        QCOMPARE(copia->getIdpersona()->getApellidopaterno(), QStringLiteral("Muñoz"));
        QVERIFY(copia->getIdpersona()->getDireccionId() <= 0);
        QVERIFY(!copia->getIdpersona()->getDireccion());
        QVERIFY(TNegocio::getByRFC(QStringLiteral("H&E951128469"), segunda));
        QVERIFY(!TNegocio::getByRFC(QStringLiteral("EKU9003173C9"), segunda));
        QCOMPARE(registroLocal().getNumeroEmpresas(), 2);
    }

    // The import creates businesses for unknown issuers while a user is
    // signed in, from a thread of its own: the creation must leave the
    // session as it was and need nothing only the UI thread may do.
    void sesionIntacta_data()
    {
        QTest::addColumn<bool>("enOtroHilo");
        QTest::newRow("hilo de la interfaz") << false;
        QTest::newRow("hilo de trabajo") << true;
    }
    void sesionIntacta()
    {
        QFETCH(bool, enOtroHilo);
        const TProgramaConRegistro programa;
        creaNegocio(datosEscuela());
        QCOMPARE(Ingreso::ingresa(QStringLiteral("EKU9003173C9"), QStringLiteral("dueno@escuela.mx"),
                                  QStringLiteral("Secreta#1")),
                 TResultado::Correcto);
        Sistema::dbSistema = Sistema::Conexion->getDatabase();
        const auto negocio = Sistema::Negocio;
        const auto usuario = Sistema::Usuario;
        const auto liga = Sistema::UsuarioNegocio;
        const auto conexion = Sistema::Conexion;
        const TConexionSesion valorConexion = *conexion;
        const auto sucursales = Sistema::Sucursales;

        NuevoNegocio::TDatos otra = datosEscuela();
        otra.email = QStringLiteral("emisor@proveedor.mx");
        otra.certificado = CSD + QStringLiteral("CSD01_AAA010101AAA.cer");
        otra.llave = CSD + QStringLiteral("CSD01_AAA010101AAA.key");
        otra.rfc = QStringLiteral("AAA010101AAA");
        otra.razon = QStringLiteral("ACCEM SERVICIOS EMPRESARIALES SC");
        const QByteArray bytesPlantilla = plantilla();
        QString error;
        const auto crea = [&] {
            try {
                const TConexionSesion nueva = NuevoNegocio::saveNuevoLocal(
                    otra.email, otra.rfc, otra.razon, NuevoNegocio::destinoLocal(otra.rfc), bytesPlantilla);
                NuevoNegocio::saveNuevoNegocio(otra, nueva, LOGO);
            } catch (const std::exception& e) {
                error = Errores::describe(e);
            }
            Conexiones::cierraHilo();
        };
        if (enOtroHilo) {
            std::unique_ptr<QThread> hilo(QThread::create(crea));
            hilo->start();
            QVERIFY(hilo->wait());
        } else {
            crea();
        }
        QVERIFY2(error.isEmpty(), qPrintable(error));

        QVERIFY(Sistema::Negocio == negocio);
        QVERIFY(Sistema::Usuario == usuario);
        QVERIFY(Sistema::UsuarioNegocio == liga);
        QVERIFY(Sistema::Conexion == conexion);
        QVERIFY(*Sistema::Conexion == valorConexion);
        QCOMPARE(Sistema::dbSistema, valorConexion.getDatabase());
        QCOMPARE(Sistema::Sucursales, sucursales);
        QCOMPARE(Sistema::sucursalIndex, 0);
        // And the business was created, registry row included.
        QCOMPARE(registroLocal().getNumeroEmpresas(), 2);
        const TConexionSesion creada = TConexionSesion::embebida(NuevoNegocio::archivoLocal(otra.rfc), programa.ruta());
        QVERIFY(TNegocio::getByRFC(otra.rfc, creada));
    }

    void ingreso_data()
    {
        QTest::addColumn<QString>("caso");
        QTest::addColumn<QString>("componente");
        QTest::addColumn<QString>("email");
        QTest::addColumn<QString>("password");
        QTest::addColumn<int>("resultado");
        QTest::addColumn<int>("activas"); // registry entries still active afterwards
        const QString rfc = QStringLiteral("EKU9003173C9");
        const QString email = QStringLiteral("dueno@escuela.mx");
        const QString clave = QStringLiteral("Secreta#1");
        QTest::newRow("sin empresa") << ""
                                     << "" << email << clave << int(TResultado::SinEmpresa) << 1;
        QTest::newRow("sin correo") << "" << rfc << "" << clave << int(TResultado::SinCorreo) << 1;
        QTest::newRow("base borrada") << "borra" << rfc << email << clave << int(TResultado::BaseInexistente) << 0;
        QTest::newRow("empresa ajena") << "ajena" << rfc << email << clave << int(TResultado::EmpresaYUsuario) << 0;
        QTest::newRow("usuario inexistente")
            << "" << rfc << QStringLiteral("otro@escuela.mx") << clave << int(TResultado::UsuarioIncorrecto) << 1;
        QTest::newRow("contraseña incorrecta")
            << "" << rfc << email << QStringLiteral("secreta#1") << int(TResultado::UsuarioIncorrecto) << 1;
        QTest::newRow("sin acceso") << "sinliga" << rfc << email << clave << int(TResultado::SinAcceso) << 1;
        QTest::newRow("correcto") << "" << rfc << email << clave << int(TResultado::Correcto) << 1;
        QTest::newRow("correo en mayúsculas")
            << "" << rfc << QStringLiteral("Dueno@Escuela.MX") << clave << int(TResultado::Correcto) << 1;
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
        NegocioPrueba::limpiaSesion();
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
