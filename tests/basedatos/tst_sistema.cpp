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

}  // namespace

class TstSistema : public QObject {
    Q_OBJECT
private slots:
    void cleanup()
    {
        Sistema::freeNegocio();
        Sistema::freeUsuario();
        Sistema::freeConexion();
    }

    // Rows give the stored permission text; an empty one means no one signed in.
    void permisos_data()
    {
        QTest::addColumn<QString>("guardado");
        QTest::addColumn<QStringList>("concedidos");
        // Stored texts start with the business's RFC and the separator.
        const auto cifra = [](const QString& permisos) {
            return Signerutils::Signer().crypt(QStringLiteral("EKU9003173C9") + USR_PASS + permisos);
        };
        QTest::newRow("dueño") << cifra(PERMISOS_INICIALES) << codigos();
        QTest::newRow("editor: solo facturación y clientes")
            << cifra(QStringLiteral("|0|0|0|0|-1|-1|0|0|TRUE|TRUE|TRUE|TRUE"))
            << QStringList{CODIGO_FACTURACION, CODIGO_FACTURACION_40, CODIGO_CLIENTES};
        QTest::newRow("texto antiguo con TRUE/FALSE")
            << cifra(QStringLiteral("|TRUE|FALSE|true|0|0|0|0|TRUE"))
            << QStringList{CODIGO_BRIDGE_TXT, CODIGO_PRODUCTOS, CODIGO_PERMISOS};
        QTest::newRow("texto corto") << cifra(QStringLiteral("|-1|-1"))
                                     << QStringList{CODIGO_BRIDGE_TXT, CODIGO_REPORTES};
        QTest::newRow("basura en las posiciones") << cifra(QStringLiteral("|sí|x||-1a")) << QStringList();
        QString alterado = cifra(PERMISOS_INICIALES);
        const qsizetype medio = alterado.size() / 2;
        alterado[medio] = alterado[medio] == QLatin1Char('A') ? QLatin1Char('B') : QLatin1Char('A');
        QTest::newRow("texto alterado") << alterado << QStringList();
        QTest::newRow("sin sesión") << QString() << QStringList();
    }
    void permisos()
    {
        QFETCH(QString, guardado);
        QFETCH(QStringList, concedidos);
        if (!guardado.isEmpty()) {
            TUsuarionegocio liga;
            liga.setNivelpermiso(guardado);
            Sistema::UsuarioNegocio = std::make_shared<TUsuarionegocio>(liga);
        }
        for (const QString& codigo : codigos())
            QVERIFY2(Sistema::getPermiso(codigo) == concedidos.contains(codigo), qPrintable(codigo));
        QVERIFY(!Sistema::getPermiso(QStringLiteral("desconocido")));
    }

    void nuevoNegocioLlenaLaSesion()
    {
        TCarpetaPrograma programa;
        const TConexionSesion conexion = programa.nuevaBaseNegocio();
        Sistema::Conexion = std::make_shared<TConexionSesion>(conexion);

        TNegocio negocio;
        negocio.setNombre(QStringLiteral("ESCUELA KEMPER URGATE"));
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
        liga.setNivelpermiso(Signerutils::Signer().crypt(QStringLiteral("RFC") + USR_PASS + PERMISOS_INICIALES));
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
