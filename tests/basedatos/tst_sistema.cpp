#include "CarpetaPrograma.h"
#include "Constantes.h"
#include "Entidades.h"
#include "Signerutils.h"
#include "Sistema.h"

#include <QTest>

using namespace Constantes;

namespace {

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

    // Rows give the stored permission text (an empty one: no one signed in)
    // and the RFC of the session's business.
    void permisos_data()
    {
        QTest::addColumn<QString>("guardado");
        QTest::addColumn<bool>("conNegocio");
        QTest::addColumn<QString>("rfcNegocio");
        QTest::addColumn<QStringList>("concedidos");
        const QString rfc = QStringLiteral("EKU9003173C9");
        // Stored texts start with the business's RFC and the separator.
        const auto cifra = [](const QString& rfcTexto, const QString& permisos) {
            return Signerutils::Signer().crypt(rfcTexto + USR_PASS + permisos);
        };
        const auto fila = [&](const char* nombre, const QString& guardado, const QStringList& concedidos) {
            QTest::newRow(nombre) << guardado << true << rfc << concedidos;
        };
        fila("dueño", cifra(rfc, PERMISOS_INICIALES), codigos());
        fila("editor: solo facturación y clientes",
             cifra(rfc, QStringLiteral("|0|0|0|0|-1|-1|0|0|TRUE|TRUE|TRUE|TRUE")),
             {CODIGO_FACTURACION, CODIGO_FACTURACION_40, CODIGO_CLIENTES});
        fila("texto antiguo con TRUE/FALSE", cifra(rfc, QStringLiteral("|TRUE|FALSE|true|0|0|0|0|TRUE")),
             {CODIGO_BRIDGE_TXT, CODIGO_PRODUCTOS, CODIGO_PERMISOS});
        fila("texto corto", cifra(rfc, QStringLiteral("|-1|-1")), {CODIGO_BRIDGE_TXT, CODIGO_REPORTES});
        fila("basura en las posiciones", cifra(rfc, QStringLiteral("|sí|x||-1a")), {});
        QString alterado = cifra(rfc, PERMISOS_INICIALES);
        const qsizetype medio = alterado.size() / 2;
        alterado[medio] = alterado[medio] == QLatin1Char('A') ? QLatin1Char('B') : QLatin1Char('A');
        fila("texto alterado", alterado, {});
        // A text grants rights only in the business it names.
        fila("texto hecho para otro RFC", cifra(QStringLiteral("AAA010101AAA"), PERMISOS_INICIALES), {});
        fila("RFC incompleto", cifra(QStringLiteral("EKU9003173C"), PERMISOS_INICIALES), {});
        fila("sin RFC", cifra(QString(), PERMISOS_INICIALES), {});
        fila("RFC en minúsculas y con blancos", cifra(QStringLiteral(" eku9003173c9 "), PERMISOS_INICIALES), codigos());
        QTest::newRow("negocio sin RFC") << cifra(QString(), PERMISOS_INICIALES) << true << QString() << QStringList();
        QTest::newRow("sin negocio en la sesión") << cifra(rfc, PERMISOS_INICIALES) << false << rfc << QStringList();
        QTest::newRow("sin sesión") << QString() << true << rfc << QStringList();
    }
    void permisos()
    {
        QFETCH(QString, guardado);
        QFETCH(bool, conNegocio);
        QFETCH(QString, rfcNegocio);
        QFETCH(QStringList, concedidos);
        TCarpetaPrograma programa;
        const TConexionSesion conexion = programa.nuevaBaseNegocio();
        if (conNegocio) {
            TDatosfiscales fiscales;
            fiscales.setRfc(rfcNegocio);
            fiscales = TDatosfiscales::saveOrUpdate(fiscales, TUnidadTrabajo(conexion, 1));
            TNegocio negocio;
            negocio.setDatosfiscales(fiscales);
            Sistema::Negocio = std::make_shared<TNegocio>(TNegocio::saveOrUpdate(negocio, TUnidadTrabajo(conexion, 1)));
        }
        if (!guardado.isEmpty()) {
            TUsuarionegocio liga;
            liga.setNivelpermiso(guardado);
            Sistema::UsuarioNegocio = std::make_shared<TUsuarionegocio>(liga);
        }
        for (const QString& codigo : codigos())
            QVERIFY2(Sistema::getPermiso(codigo) == concedidos.contains(codigo), qPrintable(codigo));
        QVERIFY(!Sistema::getPermiso(QStringLiteral("desconocido")));
        Sistema::freeNegocio();
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
        liga.setNivelpermiso(
            Signerutils::Signer().crypt(QStringLiteral("EKU9003173C9") + USR_PASS + PERMISOS_INICIALES));
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
