#include "CarpetaPrograma.h"
#include "Constantes.h"
#include "Entidades.h"
#include "Signerutils.h"
#include "Sistema.h"

#include <QTest>

using namespace Constantes;

class TstSistema : public QObject {
    Q_OBJECT
private slots:
    void cleanup();
    void permisos_data();
    void permisos();
    void permisoSinSesionOAlterado();
    void nuevoNegocioLlenaLaSesion();
};

void TstSistema::cleanup()
{
    Sistema::freeNegocio();
    Sistema::freeUsuario();
    Sistema::freeConexion();
}

void TstSistema::permisos_data()
{
    QTest::addColumn<QString>("texto");
    QTest::addColumn<QStringList>("concedidos");
    const QStringList todos = {CODIGO_BRIDGE_TXT, CODIGO_REPORTES, CODIGO_PRODUCTOS, CODIGO_NOMINA,
                               CODIGO_FACTURACION, CODIGO_FACTURACION_40, CODIGO_CLIENTES, CODIGO_RESPALDOS,
                               CODIGO_PERMISOS};
    QTest::newRow("dueño") << QStringLiteral("EKU9003173C9") + USR_PASS + PERMISOS_INICIALES << todos;
    QTest::newRow("editor: solo facturación y clientes")
        << QStringLiteral("EKU9003173C9") + USR_PASS + QStringLiteral("|0|0|0|0|-1|-1|0|0|TRUE|TRUE|TRUE|TRUE")
        << QStringList{CODIGO_FACTURACION, CODIGO_FACTURACION_40, CODIGO_CLIENTES};
    QTest::newRow("texto antiguo con TRUE/FALSE")
        << USR_PASS + QStringLiteral("|TRUE|FALSE|true|0|0|0|0|TRUE")
        << QStringList{CODIGO_BRIDGE_TXT, CODIGO_PRODUCTOS, CODIGO_PERMISOS};
    QTest::newRow("texto corto") << QStringLiteral("RFC") + USR_PASS + QStringLiteral("|-1|-1")
                                 << QStringList{CODIGO_BRIDGE_TXT, CODIGO_REPORTES};
    QTest::newRow("basura en las posiciones") << QStringLiteral("RFC") + USR_PASS + QStringLiteral("|sí|x||-1a")
                                              << QStringList();
}

void TstSistema::permisos()
{
    QFETCH(QString, texto);
    QFETCH(QStringList, concedidos);
    TUsuarionegocio liga;
    liga.setNivelpermiso(Signerutils::Signer().crypt(texto));
    Sistema::UsuarioNegocio = std::make_shared<TUsuarionegocio>(liga);
    for (const QString& codigo : {CODIGO_BRIDGE_TXT, CODIGO_REPORTES, CODIGO_PRODUCTOS, CODIGO_NOMINA,
                                  CODIGO_FACTURACION, CODIGO_FACTURACION_40, CODIGO_CLIENTES, CODIGO_RESPALDOS,
                                  CODIGO_PERMISOS})
        QVERIFY2(Sistema::getPermiso(codigo) == concedidos.contains(codigo), qPrintable(codigo));
    QVERIFY(!Sistema::getPermiso(QStringLiteral("desconocido")));
}

void TstSistema::permisoSinSesionOAlterado()
{
    QVERIFY(!Sistema::getPermiso(CODIGO_FACTURACION));
    TUsuarionegocio liga;
    QString cifrado = Signerutils::Signer().crypt(QStringLiteral("RFC") + USR_PASS + PERMISOS_INICIALES);
    cifrado[cifrado.size() / 2] = cifrado[cifrado.size() / 2] == QLatin1Char('A') ? QLatin1Char('B') : QLatin1Char('A');
    liga.setNivelpermiso(cifrado);
    Sistema::UsuarioNegocio = std::make_shared<TUsuarionegocio>(liga);
    QVERIFY(!Sistema::getPermiso(CODIGO_FACTURACION));
}

void TstSistema::nuevoNegocioLlenaLaSesion()
{
    TCarpetaPrograma programa;
    const TConexionSesion conexion = programa.nuevaBaseNegocio();
    Sistema::Conexion = std::make_shared<TConexionSesion>(conexion);

    TNegocio negocio;
    negocio.setNombre(QStringLiteral("ESCUELA KEMPER URGATE"));
    negocio = TNegocio::saveOrUpdate(negocio, conexion);
    for (const QString& nombre : {QStringLiteral("Matriz"), QStringLiteral("Centro")}) {
        TSucursal sucursal;
        sucursal.setNombre(nombre);
        sucursal.setNegocio(negocio);
        TSucursal::saveOrUpdate(sucursal, conexion);
    }
    TNegocio otro = TNegocio::saveOrUpdate(TNegocio(), conexion);
    TSucursal ajena;
    ajena.setNegocio(otro);
    TSucursal::saveOrUpdate(ajena, conexion);

    TUsuario usuario;
    usuario.setEmail(QStringLiteral("dueno@tienda.mx"));
    usuario = TUsuario::saveOrUpdate(usuario, conexion);
    TUsuarionegocio liga;
    liga.setIdusuario(usuario);
    liga.setIdnegocio(negocio);
    liga.setNivelpermiso(Signerutils::Signer().crypt(QStringLiteral("EKU9003173C9") + USR_PASS + PERMISOS_INICIALES));
    liga = TUsuarionegocio::saveOrUpdate(liga, conexion);

    Sistema::initNuevoNegocio(liga);
    QVERIFY(Sistema::Negocio);
    QCOMPARE(Sistema::Negocio->getNombre(), QStringLiteral("ESCUELA KEMPER URGATE"));
    QCOMPARE(Sistema::Usuario->getEmail(), QStringLiteral("dueno@tienda.mx"));
    QCOMPARE(Sistema::Sucursales.size(), 2);
    QCOMPARE(Sistema::Sucursales.at(1)->getNombre(), QStringLiteral("Centro"));
    QCOMPARE(Sistema::sucursalIndex, 0);
    QVERIFY(Sistema::getPermiso(CODIGO_PERMISOS));

    Sistema::freeNegocio();
    Sistema::freeUsuario();
    QVERIFY(!Sistema::Negocio);
    QVERIFY(Sistema::Sucursales.isEmpty());
    QVERIFY(!Sistema::getPermiso(CODIGO_PERMISOS));
}

QTEST_GUILESS_MAIN(TstSistema)
#include "tst_sistema.moc"
