#include "CarpetaPrograma.h"
#include "Constantes.h"
#include "Entidades.h"
#include "FirmaPermisos.h"
#include "Secretos.h"
#include "Signerutils.h"
#include "Sistema.h"

#include <QTest>

using namespace Constantes;

using FirmaPermisos::TMotivo;

namespace {

enum TForma {
    Firmado,
    Antiguo,
    AMano,
    FirmaInventada,
    Alterado,
    SinFirma,
    DeOtroUsuario,
    DeOtraEmpresa,
    OtraLlave,
    SinSecreto,
    SecretoAjeno,
    SecretoAntiguo,
    Vacio
};

TNegocio negocioCon(const QString& rfc, const QByteArray& secreto, const TUnidadTrabajo& unidad)
{
    TDatosfiscales fiscales;
    fiscales.setRfc(rfc);
    fiscales = TDatosfiscales::saveOrUpdate(fiscales, unidad);
    TNegocio negocio;
    negocio.setDatosfiscales(fiscales);
    negocio.setSecreto(FirmaPermisos::guardaSecreto(secreto, Sistema::exePath));
    return TNegocio::saveOrUpdate(negocio, unidad);
}

QStringList codigos()
{
    return {CODIGO_BRIDGE_TXT,     CODIGO_REPORTES, CODIGO_PRODUCTOS, CODIGO_NOMINA,  CODIGO_FACTURACION,
            CODIGO_FACTURACION_40, CODIGO_CLIENTES, CODIGO_RESPALDOS, CODIGO_PERMISOS};
}

} // namespace

class TstSistema : public QObject {
    Q_OBJECT
private slots:
    void cleanup()
    {
        Sistema::freeNegocio();
        Sistema::freeUsuario();
        Sistema::freeConexion();
    }

    // Rows give the plain permission text, how it is stored on the signed-in
    // user's link, and what the log must say when it grants nothing.
    void permisos_data()
    {
        QTest::addColumn<QString>("plano");
        QTest::addColumn<int>("forma");
        QTest::addColumn<QStringList>("concedidos");
        QTest::addColumn<QString>("motivo");
        const QString rfc = QStringLiteral("EKU9003173C9");
        const auto fila = [&](const char* nombre, const QString& rfcTexto, const QString& permisos, int forma,
                              const QStringList& concedidos, TMotivo motivo = TMotivo::Valido) {
            QTest::newRow(nombre) << rfcTexto + USR_PASS + permisos << forma << concedidos
                                  << FirmaPermisos::explica(motivo);
        };
        fila("dueño", rfc, PERMISOS_INICIALES, Firmado, codigos());
        fila("editor: solo facturación y clientes", rfc, QStringLiteral("|0|0|0|0|-1|-1|0|0|TRUE|TRUE|TRUE|TRUE"),
             Firmado, {CODIGO_FACTURACION, CODIGO_FACTURACION_40, CODIGO_CLIENTES});
        fila("texto antiguo con TRUE/FALSE", rfc, QStringLiteral("|TRUE|FALSE|true|0|0|0|0|TRUE"), Firmado,
             {CODIGO_BRIDGE_TXT, CODIGO_PRODUCTOS, CODIGO_PERMISOS});
        fila("texto corto", rfc, QStringLiteral("|-1|-1"), Firmado, {CODIGO_BRIDGE_TXT, CODIGO_REPORTES});
        fila("basura en las posiciones", rfc, QStringLiteral("|sí|x||-1a"), Firmado, {});
        fila("RFC en minúsculas y con blancos", QStringLiteral(" eku9003173c9 "), PERMISOS_INICIALES, Firmado,
             codigos());
        // Nothing that the business did not sign grants anything.
        fila("forma anterior, cifrada con la llave del programa", rfc, PERMISOS_INICIALES, Antiguo, {},
             TMotivo::FormaAntigua);
        fila("escrito a mano, sin cifrar", rfc, PERMISOS_INICIALES, AMano, {}, TMotivo::Malformado);
        fila("escrito a mano con una firma inventada", rfc, PERMISOS_INICIALES, FirmaInventada, {},
             TMotivo::FirmaInvalida);
        fila("derechos agregados a un texto firmado", rfc, QStringLiteral("|0|-1|0|0|0|0|0|0|TRUE|TRUE|TRUE|TRUE"),
             Alterado, {}, TMotivo::FirmaInvalida);
        fila("firma borrada", rfc, PERMISOS_INICIALES, SinFirma, {}, TMotivo::FirmaInvalida);
        fila("copiado de otro usuario", rfc, PERMISOS_INICIALES, DeOtroUsuario, {}, TMotivo::OtroUsuario);
        fila("copiado de otra empresa", QStringLiteral("AAA010101AAA"), PERMISOS_INICIALES, DeOtraEmpresa, {},
             TMotivo::OtroNegocio);
        fila("firmado con la llave de otra instalación", rfc, PERMISOS_INICIALES, OtraLlave, {},
             TMotivo::FirmaInvalida);
        fila("texto hecho para otro RFC", QStringLiteral("AAA010101AAA"), PERMISOS_INICIALES, Firmado, {},
             TMotivo::OtroNegocio);
        fila("RFC incompleto", QStringLiteral("EKU9003173C"), PERMISOS_INICIALES, Firmado, {}, TMotivo::OtroNegocio);
        fila("empresa sin llave", rfc, PERMISOS_INICIALES, SinSecreto, {}, TMotivo::SinSecreto);
        fila("llave de otra instalación", rfc, PERMISOS_INICIALES, SecretoAjeno, {}, TMotivo::SecretoIlegible);
        // Anybody can write the older cipher: a secret in it is refused.
        fila("llave en la forma anterior", rfc, PERMISOS_INICIALES, SecretoAntiguo, {}, TMotivo::SecretoIlegible);
        fila("sin texto", rfc, PERMISOS_INICIALES, Vacio, {}, TMotivo::Vacio);
    }
    void permisos()
    {
        QFETCH(QString, plano);
        QFETCH(int, forma);
        QFETCH(QStringList, concedidos);
        QFETCH(QString, motivo);
        TCarpetaPrograma programa;
        const TConexionSesion conexion = programa.nuevaBaseNegocio();
        const TUnidadTrabajo unidad(conexion, 1);
        const QByteArray secreto = FirmaPermisos::nuevoSecreto();
        const TNegocio negocio = negocioCon(QStringLiteral("EKU9003173C9"), secreto, unidad);
        const QByteArray otroSecreto = FirmaPermisos::nuevoSecreto();
        const TNegocio otraEmpresa = negocioCon(QStringLiteral("AAA010101AAA"), otroSecreto, unidad);
        TUsuario usuario;
        usuario.setEmail(QStringLiteral("Cajero@Tienda.mx"));
        usuario = TUsuario::saveOrUpdate(usuario, unidad);
        TUsuario dueno;
        dueno.setEmail(QStringLiteral("dueno@tienda.mx"));
        dueno = TUsuario::saveOrUpdate(dueno, unidad);

        const FirmaPermisos::TSujeto suyo = FirmaPermisos::sujeto(negocio, usuario);
        QString guardado = FirmaPermisos::firma(plano, suyo, secreto);
        TNegocio enSesion = negocio;
        switch (TForma(forma)) {
        case Firmado:
            break;
        case Antiguo:
            guardado = Signerutils::Signer().crypt(plano);
            break;
        case AMano:
            guardado = plano;
            break;
        case FirmaInventada:
            guardado = FirmaPermisos::PREFIJO + QStringLiteral("%1|%2|").arg(suyo.idNegocio).arg(suyo.idUsuario) +
                       plano + QStringLiteral("|") + QString::fromLatin1(QByteArray(32, 'x').toBase64());
            break;
        case Alterado:
            guardado =
                FirmaPermisos::firma(plano, suyo, secreto).replace(QStringLiteral("|0|-1|"), QStringLiteral("|-1|-1|"));
            break;
        case SinFirma:
            guardado = guardado.left(guardado.lastIndexOf(QLatin1Char('|')));
            break;
        case DeOtroUsuario:
            guardado = FirmaPermisos::firma(plano, FirmaPermisos::sujeto(negocio, dueno), secreto);
            break;
        case DeOtraEmpresa:
            guardado = FirmaPermisos::firma(plano, FirmaPermisos::sujeto(otraEmpresa, usuario), otroSecreto);
            break;
        case OtraLlave:
            guardado = FirmaPermisos::firma(plano, suyo, otroSecreto);
            break;
        case SinSecreto:
            enSesion.setSecreto(QString());
            break;
        case SecretoAjeno:
            enSesion.setSecreto(Secretos::cifra(QString::fromLatin1(secreto.toBase64()), Secretos::aleatorio(32)));
            break;
        case SecretoAntiguo:
            enSesion.setSecreto(Signerutils::Signer().crypt(QString::fromLatin1(secreto.toBase64())));
            break;
        case Vacio:
            guardado.clear();
            break;
        }
        TUsuarionegocio liga;
        liga.setIdusuario(usuario);
        liga.setIdnegocio(negocio);
        liga.setNivelpermiso(guardado);
        Sistema::Negocio = std::make_shared<TNegocio>(enSesion);
        Sistema::Usuario = std::make_shared<TUsuario>(usuario);
        Sistema::UsuarioNegocio = std::make_shared<TUsuarionegocio>(liga);
        for (const QString& codigo : codigos())
            QVERIFY2(Sistema::getPermiso(codigo) == concedidos.contains(codigo), qPrintable(codigo));
        QVERIFY(!Sistema::getPermiso(QStringLiteral("desconocido")));
        QCOMPARE(Sistema::permisosDe(liga, usuario).motivo == TMotivo::Valido, motivo.isEmpty());

        // A refusal is logged once, with its reason and without the secret.
        const QString log = programa.log();
        if (!motivo.isEmpty()) {
            QCOMPARE(log.count(motivo), 1);
            QVERIFY(log.contains(QStringLiteral("Permisos negados a Cajero@Tienda.mx en la empresa EKU9003173C9")));
        } else {
            QVERIFY(!log.contains(QStringLiteral("Permisos negados")));
        }
        QVERIFY(!log.contains(QString::fromLatin1(secreto.toBase64())));
    }

    void sinSesion()
    {
        QVERIFY(!Sistema::getPermiso(CODIGO_PERMISOS));
        TCarpetaPrograma programa;
        const TConexionSesion conexion = programa.nuevaBaseNegocio();
        const QByteArray secreto = FirmaPermisos::nuevoSecreto();
        const TNegocio negocio = negocioCon(QStringLiteral("EKU9003173C9"), secreto, TUnidadTrabajo(conexion, 1));
        TUsuarionegocio liga;
        liga.setNivelpermiso(QStringLiteral("x"));
        Sistema::UsuarioNegocio = std::make_shared<TUsuarionegocio>(liga);
        // Without a business, or a link without its user, nothing is granted.
        QVERIFY(!Sistema::getPermiso(CODIGO_PERMISOS));
        Sistema::Negocio = std::make_shared<TNegocio>(negocio);
        QVERIFY(!Sistema::getPermiso(CODIGO_PERMISOS));
    }

    void nuevoNegocioLlenaLaSesion()
    {
        TCarpetaPrograma programa;
        const TConexionSesion conexion = programa.nuevaBaseNegocio();
        Sistema::Conexion = std::make_shared<TConexionSesion>(conexion);

        TDatosfiscales fiscales;
        fiscales.setRfc(QStringLiteral("EKU9003173C9"));
        fiscales = TDatosfiscales::saveOrUpdate(fiscales, TUnidadTrabajo(conexion, 1));
        TNegocio negocio;
        negocio.setNombre(QStringLiteral("ESCUELA KEMPER URGATE"));
        negocio.setDatosfiscales(fiscales);
        const QByteArray secreto = FirmaPermisos::nuevoSecreto();
        negocio.setSecreto(FirmaPermisos::guardaSecreto(secreto, programa.ruta()));
        negocio = TNegocio::saveOrUpdate(negocio, TUnidadTrabajo(conexion, 1));
        for (const QString& nombre : {QStringLiteral("Matriz"), QStringLiteral("Centro")}) {
            TSucursal sucursal;
            sucursal.setNombre(nombre);
            sucursal.setNegocio(negocio);
            TSucursal::saveOrUpdate(sucursal, TUnidadTrabajo(conexion, 1));
        }
        TNegocio otro = TNegocio::saveOrUpdate(TNegocio(), TUnidadTrabajo(conexion, 1));
        TSucursal ajena;
        ajena.setNegocio(otro);
        TSucursal::saveOrUpdate(ajena, TUnidadTrabajo(conexion, 1));

        TUsuario usuario;
        usuario.setEmail(QStringLiteral("dueno@tienda.mx"));
        usuario = TUsuario::saveOrUpdate(usuario, TUnidadTrabajo(conexion, 1));
        TUsuarionegocio liga;
        liga.setIdusuario(usuario);
        liga.setIdnegocio(negocio);
        liga.setNivelpermiso(FirmaPermisos::firma(QStringLiteral("EKU9003173C9") + USR_PASS + PERMISOS_INICIALES,
                                                  FirmaPermisos::sujeto(negocio, usuario), secreto));
        liga = TUsuarionegocio::saveOrUpdate(liga, TUnidadTrabajo(conexion, 1));

        Sistema::initNuevoNegocio(liga);
        QVERIFY(Sistema::Negocio);
        QCOMPARE(Sistema::Negocio->getNombre(), QStringLiteral("ESCUELA KEMPER URGATE"));
        QCOMPARE(Sistema::Usuario->getEmail(), QStringLiteral("dueno@tienda.mx"));
        QCOMPARE(Sistema::Sucursales.size(), 2);
        QCOMPARE(Sistema::Sucursales.at(1)->getNombre(), QStringLiteral("Centro"));
        QCOMPARE(Sistema::sucursalIndex, 0);
        QVERIFY(Sistema::getPermiso(CODIGO_PERMISOS));
    }
};

QTEST_GUILESS_MAIN(TstSistema)
#include "tst_sistema.moc"
