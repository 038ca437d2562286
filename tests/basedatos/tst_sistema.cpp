#include "CarpetaPrograma.h"
#include "Constantes.h"
#include "Entidades.h"
#include "FirmaPermisos.h"
#include "Secretos.h"
#include "Signerutils.h"
#include "Sistema.h"

#include <QTest>

using namespace Qt::StringLiterals;
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

TNegocio negocioCon(const QString& rfc, const QByteArray& secreto, const TUnidadTrabajo& unidad,
                    const QString& nombre = QString())
{
    TDatosfiscales fiscales;
    fiscales.setRfc(rfc);
    fiscales = TDatosfiscales::saveOrUpdate(fiscales, unidad);
    TNegocio negocio;
    if (!nombre.isNull())
        negocio.setNombre(nombre);
    negocio.setDatosfiscales(fiscales);
    negocio.setSecreto(FirmaPermisos::guardaSecreto(secreto, Sistema::exePath));
    return TNegocio::saveOrUpdate(negocio, unidad);
}

TUsuario usuarioCon(const QString& email, const TUnidadTrabajo& unidad)
{
    TUsuario usuario;
    usuario.setEmail(email);
    return TUsuario::saveOrUpdate(usuario, unidad);
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
        // Unless a row says otherwise: the business's RFC and the owner's rights.
        const auto fila = [](const char* nombre, int forma, const QStringList& concedidos,
                             TMotivo motivo = TMotivo::Valido, const QString& permisos = PERMISOS_INICIALES,
                             const QString& rfc = u"EKU9003173C9"_s) {
            QTest::newRow(nombre) << rfc + USR_PASS + permisos << forma << concedidos << FirmaPermisos::explica(motivo);
        };
        const auto valido = TMotivo::Valido;
        fila("dueño", Firmado, codigos());
        fila("editor: solo facturación y clientes", Firmado,
             {CODIGO_FACTURACION, CODIGO_FACTURACION_40, CODIGO_CLIENTES}, valido,
             u"|0|0|0|0|-1|-1|0|0|TRUE|TRUE|TRUE|TRUE"_s);
        fila("texto antiguo con TRUE/FALSE", Firmado, {CODIGO_BRIDGE_TXT, CODIGO_PRODUCTOS, CODIGO_PERMISOS}, valido,
             u"|TRUE|FALSE|true|0|0|0|0|TRUE"_s);
        fila("texto corto", Firmado, {CODIGO_BRIDGE_TXT, CODIGO_REPORTES}, valido, u"|-1|-1"_s);
        fila("basura en las posiciones", Firmado, {}, valido, u"|sí|x||-1a"_s);
        fila("RFC en minúsculas y con blancos", Firmado, codigos(), valido, PERMISOS_INICIALES, u" eku9003173c9 "_s);
        // Nothing that the business did not sign grants anything.
        fila("forma anterior, cifrada con la llave del programa", Antiguo, {}, TMotivo::FormaAntigua);
        fila("escrito a mano, sin cifrar", AMano, {}, TMotivo::Malformado);
        fila("escrito a mano con una firma inventada", FirmaInventada, {}, TMotivo::FirmaInvalida);
        fila("derechos agregados a un texto firmado", Alterado, {}, TMotivo::FirmaInvalida,
             u"|0|-1|0|0|0|0|0|0|TRUE|TRUE|TRUE|TRUE"_s);
        fila("firma borrada", SinFirma, {}, TMotivo::FirmaInvalida);
        fila("copiado de otro usuario", DeOtroUsuario, {}, TMotivo::OtroUsuario);
        fila("copiado de otra empresa", DeOtraEmpresa, {}, TMotivo::OtroNegocio, PERMISOS_INICIALES, u"AAA010101AAA"_s);
        fila("firmado con la llave de otra instalación", OtraLlave, {}, TMotivo::FirmaInvalida);
        fila("texto hecho para otro RFC", Firmado, {}, TMotivo::OtroNegocio, PERMISOS_INICIALES, u"AAA010101AAA"_s);
        fila("RFC incompleto", Firmado, {}, TMotivo::OtroNegocio, PERMISOS_INICIALES, u"EKU9003173C"_s);
        fila("empresa sin llave", SinSecreto, {}, TMotivo::SinSecreto);
        fila("llave de otra instalación", SecretoAjeno, {}, TMotivo::SecretoIlegible);
        // Anybody can write the older cipher: a secret in it is refused.
        fila("llave en la forma anterior", SecretoAntiguo, {}, TMotivo::SecretoIlegible);
        fila("sin texto", Vacio, {}, TMotivo::Vacio);
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
        const TNegocio negocio = negocioCon(u"EKU9003173C9"_s, secreto, unidad);
        const QByteArray otroSecreto = FirmaPermisos::nuevoSecreto();
        const TNegocio otraEmpresa = negocioCon(u"AAA010101AAA"_s, otroSecreto, unidad);
        const TUsuario usuario = usuarioCon(u"Cajero@Tienda.mx"_s, unidad);
        const TUsuario dueno = usuarioCon(u"dueno@tienda.mx"_s, unidad);

        const FirmaPermisos::TSujeto suyo = FirmaPermisos::sujeto(negocio, usuario);
        QString guardado = FirmaPermisos::firma(plano, suyo, secreto);
        TNegocio enSesion = negocio;
        if (forma == Antiguo)
            guardado = Signerutils::Signer().crypt(plano);
        else if (forma == AMano)
            guardado = plano;
        else if (forma == FirmaInventada)
            guardado = FirmaPermisos::PREFIJO + u"%1|%2|"_s.arg(suyo.idNegocio).arg(suyo.idUsuario) + plano + u"|"_s +
                       QString::fromLatin1(QByteArray(32, 'x').toBase64());
        else if (forma == Alterado)
            guardado = FirmaPermisos::firma(plano, suyo, secreto).replace(u"|0|-1|"_s, u"|-1|-1|"_s);
        else if (forma == SinFirma)
            guardado = guardado.left(guardado.lastIndexOf(u'|'));
        else if (forma == DeOtroUsuario)
            guardado = FirmaPermisos::firma(plano, FirmaPermisos::sujeto(negocio, dueno), secreto);
        else if (forma == DeOtraEmpresa)
            guardado = FirmaPermisos::firma(plano, FirmaPermisos::sujeto(otraEmpresa, usuario), otroSecreto);
        else if (forma == OtraLlave)
            guardado = FirmaPermisos::firma(plano, suyo, otroSecreto);
        else if (forma == SinSecreto)
            enSesion.setSecreto(QString());
        else if (forma == SecretoAjeno)
            enSesion.setSecreto(Secretos::cifra(QString::fromLatin1(secreto.toBase64()), Secretos::aleatorio(32)));
        else if (forma == SecretoAntiguo)
            enSesion.setSecreto(Signerutils::Signer().crypt(QString::fromLatin1(secreto.toBase64())));
        else if (forma == Vacio)
            guardado.clear();
        TUsuarionegocio liga;
        liga.setIdusuario(usuario);
        liga.setIdnegocio(negocio);
        liga.setNivelpermiso(guardado);
        Sistema::Negocio = std::make_shared<TNegocio>(enSesion);
        Sistema::Usuario = std::make_shared<TUsuario>(usuario);
        Sistema::UsuarioNegocio = std::make_shared<TUsuarionegocio>(liga);
        for (const QString& codigo : codigos())
            QVERIFY2(Sistema::getPermiso(codigo) == concedidos.contains(codigo), qPrintable(codigo));
        QVERIFY(!Sistema::getPermiso(u"desconocido"_s));
        QCOMPARE(Sistema::permisosDe(liga, usuario).motivo == TMotivo::Valido, motivo.isEmpty());

        // A refusal is logged once, with its reason and without the secret.
        const QString log = programa.log();
        if (!motivo.isEmpty()) {
            QCOMPARE(log.count(motivo), 1);
            QVERIFY(log.contains(u"Permisos negados a Cajero@Tienda.mx en la empresa EKU9003173C9"_s));
        } else {
            QVERIFY(!log.contains(u"Permisos negados"_s));
        }
        QVERIFY(!log.contains(QString::fromLatin1(secreto.toBase64())));
    }

    void sinSesion()
    {
        QVERIFY(!Sistema::getPermiso(CODIGO_PERMISOS));
        TCarpetaPrograma programa;
        const TConexionSesion conexion = programa.nuevaBaseNegocio();
        const QByteArray secreto = FirmaPermisos::nuevoSecreto();
        const TNegocio negocio = negocioCon(u"EKU9003173C9"_s, secreto, TUnidadTrabajo(conexion, 1));
        TUsuarionegocio liga;
        liga.setNivelpermiso(u"x"_s);
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
        const TUnidadTrabajo unidad(conexion, 1);

        const QByteArray secreto = FirmaPermisos::nuevoSecreto();
        const TNegocio negocio = negocioCon(u"EKU9003173C9"_s, secreto, unidad, u"ESCUELA KEMPER URGATE"_s);
        for (const QString& nombre : {u"Matriz"_s, u"Centro"_s}) {
            TSucursal sucursal;
            sucursal.setNombre(nombre);
            sucursal.setNegocio(negocio);
            TSucursal::saveOrUpdate(sucursal, unidad);
        }
        TSucursal ajena;
        ajena.setNegocio(TNegocio::saveOrUpdate(TNegocio(), unidad));
        TSucursal::saveOrUpdate(ajena, unidad);

        const TUsuario usuario = usuarioCon(u"dueno@tienda.mx"_s, unidad);
        TUsuarionegocio liga;
        liga.setIdusuario(usuario);
        liga.setIdnegocio(negocio);
        liga.setNivelpermiso(FirmaPermisos::firma(u"EKU9003173C9"_s + USR_PASS + PERMISOS_INICIALES,
                                                  FirmaPermisos::sujeto(negocio, usuario), secreto));
        liga = TUsuarionegocio::saveOrUpdate(liga, unidad);

        Sistema::initNuevoNegocio(liga);
        QVERIFY(Sistema::Negocio);
        QCOMPARE(Sistema::Negocio->getNombre(), u"ESCUELA KEMPER URGATE"_s);
        QCOMPARE(Sistema::Usuario->getEmail(), u"dueno@tienda.mx"_s);
        QCOMPARE(Sistema::Sucursales.size(), 2);
        QCOMPARE(Sistema::Sucursales.at(1)->getNombre(), u"Centro"_s);
        QCOMPARE(Sistema::sucursalIndex, 0);
        QVERIFY(Sistema::getPermiso(CODIGO_PERMISOS));
    }
};

QTEST_GUILESS_MAIN(TstSistema)
#include "tst_sistema.moc"
