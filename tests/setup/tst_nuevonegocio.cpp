#include "CarpetaPrograma.h"
#include "CertificadosPrueba.h"
#include "Conexiones.h"
#include "Constantes.h"
#include "negocio/Credenciales.h"
#include "Entidades.h"
#include "Errores.h"
#include "Esquema.h"
#include "NegocioPrueba.h"
#include "RegistroPrueba.h"
#include "Rutas.h"
#include "FirmaPermisos.h"
#include "Secretos.h"
#include "ServidoresBaseDatos.h"
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
using namespace Qt::StringLiterals;
using Ingreso::TResultado;

namespace {

const QString CSD = QStringLiteral(VELKOR_DATOS_PRUEBA "/csd/");
const QString RFC = u"EKU9003173C9"_s;

NuevoNegocio::TDatos datosEscuela()
{
    NuevoNegocio::TDatos d;
    d.email = u" dueno@escuela.mx "_s;
    d.password = u"Secreta#1"_s;
    d.nombre = u" Ana "_s;
    d.apellidoPaterno = u"Muñoz"_s;
    d.telefonos = {{3, u"3312345678"_s, QString()}, {2, u" 5551234567 "_s, u"12"_s}, {1, u"  "_s, u"9"_s}};
    d.nombreEmpresa = u"Escuela Kemper"_s;
    d.certificado = CSD + u"EKU9003173C9.cer"_s;
    d.llave = CSD + u"EKU9003173C9.key"_s;
    d.passwordLlave = u"12345678a"_s;
    d.rfc = RFC;
    d.razon = u"ESCUELA KEMPER URGATE SA DE CV"_s;
    d.regimen = u"601 - General de Ley Personas Morales"_s;
    d.direccion.calle = u"Reforma"_s;
    d.direccion.noExterior = u"222"_s;
    d.direccion.colonia = u"Juárez"_s;
    d.direccion.municipio = u"015 - Cuauhtémoc"_s;
    d.direccion.estado = u"CMX - Ciudad de México"_s;
    d.direccion.pais = u"MEX - México"_s;
    d.direccion.codigoPostal = u"06600"_s;
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
        const QString nuevo = destino + u'/' + entrada.fileName();
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

        const QString archivo = programa.archivo(u"db/EKU9003173C9/"_s + DB_SISTEMA_NOMBRE);
        QCOMPARE(conexion.getDatabase(), archivo);

        // The registry row leads back to the new file.
        const QStringList detalle = registroLocal().getEmpresaDetalle(u"EKU9003173C9"_s);
        QCOMPARE(detalle.value(1), datos.razon);
        const QStringList campos = Utils::transformaStringConexion(detalle.value(2));
        QCOMPARE(campos, (QStringList{DB_SQLITE, QString(), QString(), QString(), archivo, QString()}));

        const auto usuario = TUsuario::getInfoByEmail(u"dueno@escuela.mx"_s, conexion);
        QVERIFY(usuario);
        QCOMPARE(usuario->getIdpersona()->getNombre(), u"Ana"_s);
        const int contacto = usuario->getIdpersona()->getContactoId();
        const QList<TTelefono> telefonos =
            TTelefono::busca(TTelefono::columna(TTelefono::col_Idcontacto) == contacto, conexion);
        QCOMPARE(telefonos.size(), 2);
        QCOMPARE(telefonos.at(1).getNumero(), u"5551234567"_s);
        QCOMPARE(telefonos.at(1).getTipotelefono(), 2);

        const std::unique_ptr<TNegocio> negocio = TNegocio::getByRFC(RFC, conexion);
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
        QCOMPARE(certificado->getNumCertificado(), u"30001000000500003416"_s);
        QCOMPARE(certificado->getFechaexpiracion(), QDate(2027, 5, 18));
        QCOMPARE(certificado->getNegCer(), TCarpetaPrograma::lee(datos.certificado));
        QVERIFY(!Secretos::esFormaAntigua(certificado->getNegPassword()));
        QCOMPARE(Secretos::descifraLocal(certificado->getNegPassword(), programa.ruta()), u"12345678a"_s);

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
        QVERIFY(QFileInfo(programa.archivo(FACTURAS_PATH + u"/EKU9003173C9/"_s + XML_PATH)).isDir());
        QVERIFY(!Sistema::Negocio);
    }

    void casosDeLosDatos_data()
    {
        QTest::addColumn<QString>("razon");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("matriz");
        QTest::newRow("sin razón social") << QString() << u"x"_s << TSucursal::MATRIZ_STRING;
        QTest::newRow("sin contraseña") << u"ESCUELA"_s << QString() << u"ESCUELA"_s;
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
        const QString carpeta = programa.archivo(u"db/"_s + RFC + u'/');
        QVERIFY(TCarpetaPrograma::escribe(carpeta + DB_SISTEMA_NOMBRE, "comprobantes de antes"));
        nuevoLocal(u"a@b.mx"_s, RFC, u"X"_s);
        const QStringList apartados = QDir(carpeta).entryList({DB_SISTEMA_NOMBRE + u".*.anterior"_s}, QDir::Files);
        QCOMPARE(apartados.size(), 1);
        QCOMPARE(TCarpetaPrograma::lee(carpeta + apartados.first()), QByteArray("comprobantes de antes"));
        QVERIFY(QFileInfo(carpeta + DB_SISTEMA_NOMBRE).size() > 1000);
    }

    // A business whose registry row was lost keeps its database: creating
    // it (or another business in its folder) again is refused and leaves
    // the database as it is, by today's name or an earlier version's.
    void negocioSinRegistroNoSeAparta_data()
    {
        QTest::addColumn<QString>("rfc"); // of the business created again
        QTest::addColumn<QString>("nombre");
        QTest::addColumn<QString>("motivo");
        const QString mismo = u"La base de datos de la empresa %1 ya está en su carpeta (%2), pero la empresa no "
                              "está registrada en este equipo. No se modificó."_s;
        QTest::newRow("la misma empresa") << RFC << DB_SISTEMA_NOMBRE << mismo;
        QTest::newRow("con el nombre anterior") << RFC << DB_SISTEMA_NOMBRE_ANTERIOR << mismo;
        QTest::newRow("otra empresa en su carpeta")
            << u"AAA010101AAA"_s << DB_SISTEMA_NOMBRE
            << u"En la carpeta de la empresa %1 está la base de datos de otra empresa (%2)"_s;
    }
    void negocioSinRegistroNoSeAparta()
    {
        QFETCH(QString, rfc);
        QFETCH(QString, nombre);
        QFETCH(QString, motivo);
        const TProgramaConRegistro programa;
        const TConexionSesion creada = creaNegocio(datosEscuela());
        Conexiones::cierraHilo();
        QVERIFY(RegistroPrueba::ejecuta(u"DELETE FROM Conexion"_s));
        QVERIFY(RegistroPrueba::ejecuta(u"DELETE FROM NegocioLoggin"_s));
        const QString carpeta = programa.archivo(DB_PATH + rfc + u'/');
        const QString base = carpeta + nombre;
        QVERIFY(QDir().mkpath(carpeta));
        QVERIFY(base == creada.getDatabase() || QFile::rename(creada.getDatabase(), base));

        NuevoNegocio::TDatos datos = datosEscuela();
        datos.rfc = rfc;
        datos.certificado.clear();
        TConexionSesion conexion;
        try {
            NuevoNegocio::creaNegocio(datos, datos.email.trimmed(), NuevoNegocio::destinoLocal(rfc), plantilla(), LOGO,
                                      nullptr, conexion);
            QFAIL("se esperaba EVelkor");
        } catch (const EVelkor& e) {
            QVERIFY2(e.mensaje().startsWith(motivo.arg(rfc, base)), qPrintable(e.mensaje()));
            QVERIFY(
                e.mensaje().endsWith(u"elige \"Volver a registrar las empresas de esta carpeta\" en el "
                                     "\"Asistente de configuración\" de Velkor (al abrirlo o al cerrar sesión)."_s));
        }
        QCOMPARE(QDir(carpeta).entryList(QDir::Files | QDir::Hidden), QStringList{nombre});
        QCOMPARE(registroLocal().getNumeroEmpresas(), 0);
        const TConexionSesion suya = TConexionSesion::embebida(base, Sistema::exePath);
        QVERIFY(TNegocio::getByRFC(RFC, suya));
        Conexiones::cierraHilo();
    }

    // Creating a business again over what a creation stopped before its
    // registry row left, while the registry cannot be written, fails,
    // logged, and leaves that database where it was.
    void reRegistroFallidoConservaLaBase_data()
    {
        QTest::addColumn<QString>("como");
        QTest::newRow("registro bloqueado por otro proceso") << u"bloqueo"_s;
        QTest::newRow("el registro rechaza la conexión") << u"rechazo"_s;
    }
    void reRegistroFallidoConservaLaBase()
    {
        QFETCH(QString, como);
        const TProgramaConRegistro programa;
        const NuevoNegocio::TDatos datos = datosEscuela();
        const TConexionSesion conexion =
            NuevoNegocio::creaArchivoLocal(datos.email, datos.rfc, NuevoNegocio::destinoLocal(datos.rfc), plantilla())
                .conexion;
        NuevoNegocio::saveNuevoNegocio(datos, conexion, LOGO);
        Conexiones::cierra(conexion);
        const QByteArray antes = TCarpetaPrograma::lee(conexion.getDatabase());
        QVERIFY(!antes.isEmpty());

        std::unique_ptr<RegistroPrueba::TBloqueo> bloqueo;
        if (como == "rechazo"_L1) {
            QVERIFY(RegistroPrueba::ejecuta(u"CREATE TRIGGER sinAltas BEFORE INSERT ON Conexion "
                                            "BEGIN SELECT RAISE(ABORT, 'registro de solo lectura'); END"_s));
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
        QCOMPARE(QDir(carpeta).entryList({DB_SISTEMA_NOMBRE + u"*"_s}, QDir::Files), QStringList{DB_SISTEMA_NOMBRE});
        QCOMPARE(registroLocal().getEmpresas().size(), 0);
        QVERIFY(programa.log().contains(u"EBaseDatos error raised"_s));
        QVERIFY(TNegocio::getByRFC(datos.rfc, conexion));
    }

    // A creation on a server that fails late (a file holds the name of the
    // business's invoice folder) registers nothing and takes its tables back
    // out of the database; once the cause is gone the retry on the same
    // database gives the business once.
    void servidorFallidoSeReintenta_data()
    {
        QTest::addColumn<int>("tipo");
        QTest::newRow("MariaDB") << int(TServidorBaseDatos::Tipo::MariaDB);
        QTest::newRow("Firebird") << int(TServidorBaseDatos::Tipo::Firebird);
    }
    void servidorFallidoSeReintenta()
    {
        QFETCH(int, tipo);
        if (const QString falta = TServidorBaseDatos::faltante(TServidorBaseDatos::Tipo(tipo)); !falta.isEmpty())
            QSKIP(qPrintable(falta));
        TServidorBaseDatos servidor{TServidorBaseDatos::Tipo(tipo)};
        QVERIFY2(servidor.inicia(), qPrintable(servidor.error()));
        const TConexionSesion base = servidor.conexion(servidor.creaBaseDatos());
        const TProgramaConRegistro programa;
        const NuevoNegocio::TDatos datos = datosEscuela();
        const QString email = datos.email.trimmed();
        const QString estorbo = programa.archivo(FACTURAS_PATH + u'/' + datos.rfc);
        QVERIFY(TCarpetaPrograma::escribe(estorbo, "x"));
        TConexionSesion conexion;
        try {
            NuevoNegocio::creaNegocio(datos, email, NuevoNegocio::destinoServidor(base), QByteArray(), LOGO, nullptr,
                                      conexion);
            QFAIL("se esperaba EEntradaSalida");
        } catch (const EEntradaSalida& e) {
            QVERIFY2(e.mensaje().startsWith(u"No se pudo crear la carpeta"_s) &&
                         e.mensaje().endsWith(u": Ya existe."_s),
                     qPrintable(e.mensaje()));
        }
        QCOMPARE(registroLocal().getNumeroEmpresas(), 0);
        QCOMPARE(Esquema::objetosPresentes(base), QStringList());

        QVERIFY(QFile::remove(estorbo));
        NuevoNegocio::creaNegocio(datos, email, NuevoNegocio::destinoServidor(base), QByteArray(), LOGO, nullptr,
                                  conexion);
        QCOMPARE(conexion, base);
        QCOMPARE(registroLocal().getEmpresas().size(), 1);
        QCOMPARE(TNegocio::cuenta(TCondicion(), base), 1);
        NegocioPrueba::limpiaSesion();
        QCOMPARE(Ingreso::ingresa(datos.rfc, email, datos.password), TResultado::Correcto);
        Conexiones::cierraHilo();
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
        const QString destino = otra.filePath(u"Velkor copia"_s);
        copiaCarpeta(rutaOriginal, destino);
        if (!copiada)
            QVERIFY(QDir(rutaOriginal + DB_PATH).removeRecursively());
        Rutas::fijaCarpetaPrograma(destino);

        QCOMPARE(Ingreso::ingresa(RFC, u"dueno@escuela.mx"_s, u"Secreta#1"_s), TResultado::Correcto);
        const QString enDestino = Rutas::programa({DB_PATH, RFC, DB_SISTEMA_NOMBRE});
        QCOMPARE(Sistema::Conexion->getDatabase(), enDestino);

        TNegocio negocio = *Sistema::Negocio;
        negocio.setNombre(u"Escuela Kemper, la copia"_s);
        TNegocio::saveOrUpdate(negocio, TUnidadTrabajo(*Sistema::Conexion, Sistema::Usuario->getIdusuario()));
        QCOMPARE(TNegocio::getByRFC(RFC, TConexionSesion::embebida(enDestino, destino))->getNombre(),
                 u"Escuela Kemper, la copia"_s);
        Conexiones::cierraHilo();
        if (copiada)
            QCOMPARE(TCarpetaPrograma::lee(conexion.getDatabase()), antes);
        NegocioPrueba::limpiaSesion();
    }

    void falloAMitadNoDejaMedioNegocio()
    {
        const TProgramaConRegistro programa;
        NuevoNegocio::TDatos datos = datosEscuela();
        // The user and the business are saved before the regime fails.
        datos.regimen = u"601 - "_s + QString(400, u'x');
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
        QTest::addColumn<QString>("rfc");
        QTest::addColumn<QString>("mensaje");
        QTest::newRow("RFC del certificado que es ruta")
            << u"ruta.cer"_s << u"propia.key"_s << RFC << ERR_CERT_RFC_NO_VALIDO;
        QTest::newRow("llave sin cifrar") << u"propio.cer"_s << u"sin-cifrar.key"_s << RFC << ERR_LLAVE_SIN_CIFRAR;
        QTest::newRow("derivación de 2^31-1 iteraciones")
            << u"propio.cer"_s << u"enorme.key"_s << RFC << ERR_LLAVE_NO_ADMITIDA;
        QTest::newRow("RFC capturado que es ruta") << CSD + u"EKU9003173C9.cer"_s << CSD + u"EKU9003173C9.key"_s
                                                   << u"../../x"_s << ERR_RFC_NO_VALIDO.arg(u"../../x"_s);
    }
    void certificadoRechazadoNoGuardaNada()
    {
        QFETCH(QString, certificado);
        QFETCH(QString, llave);
        QFETCH(QString, rfc);
        QFETCH(QString, mensaje);
        QTemporaryDir credenciales;
        const TCredencialPrueba c;
        TCredencialPrueba::escribe(credenciales.filePath(u"ruta.cer"_s), c.certificado(u"../../../../x"_s));
        TCredencialPrueba::escribe(credenciales.filePath(u"propio.cer"_s), c.certificado(RFC));
        TCredencialPrueba::escribe(credenciales.filePath(u"propia.key"_s), c.llaveCifrada("12345678a"));
        TCredencialPrueba::escribe(credenciales.filePath(u"sin-cifrar.key"_s), c.llaveSinCifrar());
        TCredencialPrueba::escribe(credenciales.filePath(u"enorme.key"_s), TCredencialPrueba::llavePbes2(2147483647));
        const auto ruta = [&](const QString& archivo) {
            return archivo.startsWith(u'/') ? archivo : credenciales.filePath(archivo);
        };

        const TProgramaConRegistro programa;
        NuevoNegocio::TDatos datos = datosEscuela();
        datos.certificado = ruta(certificado);
        datos.llave = ruta(llave);
        datos.rfc = rfc;
        const TConexionSesion conexion = nuevoLocal(datos.email.trimmed(), RFC, datos.razon);
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

    // An RFC that is not one never names a folder or a registry row; neither
    // a missing template nor a destination the registry cannot store leaves a
    // registry row or a database behind.
    void creacionRechazadaNoDejaNada_data()
    {
        QTest::addColumn<QString>("rfc");
        QTest::addColumn<bool>("conPlantilla");
        QTest::addColumn<QString>("password"); // of the destination
        QTest::newRow("RFC vacío") << QString() << true << QString();
        QTest::newRow("RFC que es ruta") << u"../../../../x"_s << true << QString();
        QTest::newRow("RFC seguido de ruta") << u"EKU9003173C9/../../x"_s << true << QString();
        QTest::newRow("sin plantilla") << RFC << false << QString();
        QTest::newRow("separador en la contraseña del servidor") << RFC << true << u"se|creto"_s;
    }
    void creacionRechazadaNoDejaNada()
    {
        QFETCH(QString, rfc);
        QFETCH(bool, conPlantilla);
        QFETCH(QString, password);
        const TProgramaConRegistro programa(false);
        const QStringList antes = QDir(programa.archivo(DB_PATH)).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        const auto crea = [&] {
            NuevoNegocio::TDestino destino = NuevoNegocio::destinoLocal(rfc);
            destino.password = password;
            NuevoNegocio::saveNuevoLocal(u"a@b.mx"_s, rfc, u"X"_s, destino, conPlantilla ? plantilla() : QByteArray());
        };
        if (!conPlantilla)
            QVERIFY_THROWS_EXCEPTION(EEntradaSalida, crea());
        else if (!password.isEmpty())
            QVERIFY_THROWS_EXCEPTION(ECadenaConexion, crea());
        else
            QVERIFY_THROWS_EXCEPTION(EVelkor, crea());
        if (rfc != RFC) {
            QCOMPARE(QDir(programa.archivo(DB_PATH)).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), antes);
            QVERIFY(!QFileInfo::exists(programa.archivo(u"x"_s)));
        }
        QVERIFY(!QFileInfo::exists(NuevoNegocio::archivoLocal(RFC)));
        QCOMPARE(registroLocal().getNumeroEmpresas(), 0);
        QVERIFY(!Sistema::Conexion);
    }

    // The business's folder and database, and any database the engine
    // creates, are its owner's only.
    void archivosPrivados()
    {
        const TProgramaConRegistro programa;
        const QString carpeta = programa.archivo(u"db/EKU9003173C9"_s);
        // A folder left from before, open to everyone, is closed too.
        QVERIFY(QDir().mkdir(carpeta));
        QVERIFY(QFile::setPermissions(carpeta, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                   QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther |
                                                   QFile::ExeOther));
        const TConexionSesion conexion = creaNegocio(datosEscuela());
        QCOMPARE(TCarpetaPrograma::modo(carpeta), 0700);
        QCOMPARE(TCarpetaPrograma::modo(conexion.getDatabase()), 0600);

        const QString nueva = programa.archivo(u"db/otra/nueva.fdb"_s);
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
            direccion.setCalle(u"Insurgentes"_s);
            direccion = TDireccion::saveOrUpdate(direccion, unidad);
            TPersona persona = *liga.getIdusuario()->getIdpersona();
            persona.setDireccion(direccion);
            TPersona::saveOrUpdate(persona, unidad);
        }
        const std::shared_ptr<TUsuario> usuario(
            TUsuario::getInfoByEmail(liga.getIdusuario()->getEmail(), primera).release());
        QVERIFY(usuario->getIdpersona()->getDireccionId() > 0);

        NuevoNegocio::TDatos otra = datosEscuela();
        otra.rfc = u"H&E951128469"_s;
        otra.razon = u"H & E"_s;
        otra.regimen = u"612 - Personas Físicas con Actividades Empresariales y Profesionales"_s;
        const TConexionSesion segunda = nuevoLocal(usuario->getEmail(), otra.rfc, otra.razon);
        QVERIFY(segunda.getDatabase() != primera.getDatabase());
        NuevoNegocio::saveNuevoNegocio(otra, segunda, LOGO, usuario.get());

        const std::unique_ptr<TUsuario> copia = TUsuario::getInfoByEmail(usuario->getEmail(), segunda);
        QVERIFY(copia);
        QCOMPARE(copia->getPassword(), usuario->getPassword());
        QCOMPARE(copia->getIdpersona()->getApellidopaterno(), u"Muñoz"_s);
        QVERIFY(copia->getIdpersona()->getDireccionId() <= 0);
        QVERIFY(!copia->getIdpersona()->getDireccion());
        QVERIFY(TNegocio::getByRFC(u"H&E951128469"_s, segunda));
        QVERIFY(!TNegocio::getByRFC(RFC, segunda));
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
        QCOMPARE(Ingreso::ingresa(RFC, u"dueno@escuela.mx"_s, u"Secreta#1"_s), TResultado::Correcto);
        Sistema::dbSistema = Sistema::Conexion->getDatabase();
        const auto negocio = Sistema::Negocio;
        const auto usuario = Sistema::Usuario;
        const auto liga = Sistema::UsuarioNegocio;
        const auto conexion = Sistema::Conexion;
        const TConexionSesion valorConexion = *conexion;
        const auto sucursales = Sistema::Sucursales;

        NuevoNegocio::TDatos otra = datosEscuela();
        otra.email = u"emisor@proveedor.mx"_s;
        otra.certificado = CSD + u"CSD01_AAA010101AAA.cer"_s;
        otra.llave = CSD + u"CSD01_AAA010101AAA.key"_s;
        otra.rfc = u"AAA010101AAA"_s;
        otra.razon = u"ACCEM SERVICIOS EMPRESARIALES SC"_s;
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
        const QString email = u"dueno@escuela.mx"_s;
        const QString clave = u"Secreta#1"_s;
        QTest::newRow("sin empresa") << ""
                                     << "" << email << clave << int(TResultado::SinEmpresa) << 1;
        QTest::newRow("sin correo") << "" << RFC << "" << clave << int(TResultado::SinCorreo) << 1;
        QTest::newRow("base borrada") << "borra" << RFC << email << clave << int(TResultado::BaseInexistente) << 0;
        QTest::newRow("empresa ajena") << "ajena" << RFC << email << clave << int(TResultado::EmpresaYUsuario) << 0;
        QTest::newRow("usuario inexistente")
            << "" << RFC << u"otro@escuela.mx"_s << clave << int(TResultado::UsuarioIncorrecto) << 1;
        QTest::newRow("contraseña incorrecta")
            << "" << RFC << email << u"secreta#1"_s << int(TResultado::UsuarioIncorrecto) << 1;
        QTest::newRow("sin acceso") << "sinliga" << RFC << email << clave << int(TResultado::SinAcceso) << 1;
        QTest::newRow("correcto") << "" << RFC << email << clave << int(TResultado::Correcto) << 1;
        QTest::newRow("correo en mayúsculas")
            << "" << RFC << u"Dueno@Escuela.MX"_s << clave << int(TResultado::Correcto) << 1;
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

        if (caso == "borra"_L1) {
            Conexiones::cierra(conexion);
            QVERIFY(QFile::remove(conexion.getDatabase()));
        } else if (caso == "ajena"_L1) {
            // The file holds another business: the registry row is stale.
            Conexiones::cierra(conexion);
            QFile::remove(conexion.getDatabase());
            QVERIFY(QFile::copy(TCarpetaPrograma::plantillaNegocio(), conexion.getDatabase()));
            QFile::setPermissions(conexion.getDatabase(), QFile::ReadOwner | QFile::WriteOwner);
        } else if (caso == "sinliga"_L1) {
            // The user exists but was never linked to the business.
            QSqlQuery borra(Conexiones::baseDatos(conexion));
            QVERIFY(borra.exec(u"DELETE FROM USUARIONEGOCIO"_s));
        }

        const TResultado obtenido = Ingreso::ingresa(componente, email, password);
        QCOMPARE(int(obtenido), resultado);
        QCOMPARE(registroLocal().getNumeroEmpresas(), activas);
        const bool correcto = obtenido == TResultado::Correcto;
        QCOMPARE(bool(Sistema::Negocio), correcto);
        QCOMPARE(bool(Sistema::UsuarioNegocio), correcto);
        QCOMPARE(QFileInfo(programa.archivo(FACTURAS_PATH + u"/EKU9003173C9"_s)).isDir(), correcto);
        if (correcto) {
            QCOMPARE(Sistema::Conexion->getDatabase(), conexion.getDatabase());
            QCOMPARE(Sistema::Negocio->getNombre(), u"Escuela Kemper"_s);
            QCOMPARE(Sistema::Sucursales.size(), 1);
        }
        QVERIFY(!Ingreso::mensajes(obtenido).isEmpty() || correcto);
    }
};

QTEST_GUILESS_MAIN(TstNuevoNegocio)
#include "tst_nuevonegocio.moc"
