#include "EntornoImportacion.h"

#include "Conexiones.h"
#include "RegistroPrueba.h"
#include "Rutas.h"
#include "Sistema.h"
#include "negocio/TNuevoNegocio.h"

#include <QUuid>

using namespace Qt::StringLiterals;
using namespace Constantes;
using Estado = TResultadoArchivo::TEstado;

namespace {

const QString RFC = u"ISD950921HE5"_s;

// The real 4.0 voucher with a fresh UUID, written as `como`.
void escribe(const TEntornoImportacion& entorno, const QString& como)
{
    entorno.escribe(como, TEntornoImportacion::cfdi40(QUuid::createUuid().toString(QUuid::WithoutBraces)));
}

QStringList archivosNegocio()
{
    return QDir(Rutas::programa({DB_PATH, RFC})).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

// Puts `bytes` where the business's database goes, unregistered: what a stop
// in the middle of its creation leaves.
void planta(const QByteArray& bytes)
{
    Conexiones::cierraHilo();
    QVERIFY(TCarpetaPrograma::escribe(NuevoNegocio::archivoLocal(RFC), bytes));
}

// A business created whole in its database, its registry row never written.
QByteArray negocioSinRegistro(const TEntornoImportacion& entorno)
{
    const QByteArray plantilla = entorno.parametros().plantilla;
    const NuevoNegocio::TArchivoLocal archivo = NuevoNegocio::creaArchivoLocal(
        QString::fromUtf8(TEntornoImportacion::EMAIL), RFC, NuevoNegocio::destinoLocal(RFC), plantilla);
    NuevoNegocio::TDatos datos;
    datos.email = QString::fromUtf8(TEntornoImportacion::EMAIL);
    datos.password = QString::fromUtf8(TEntornoImportacion::PASSWORD);
    datos.nombreEmpresa = datos.razon = u"Interrumpido"_s;
    datos.rfc = RFC;
    NuevoNegocio::saveNuevoNegocio(datos, archivo.conexion, QByteArrayLiteral("logo"));
    Conexiones::cierraHilo();
    return TEntornoImportacion::bytes(NuevoNegocio::archivoLocal(RFC));
}

// A business with a voucher whose registry row was lost.
QByteArray negocioConComprobantes(const TEntornoImportacion& entorno)
{
    escribe(entorno, u"antes.xml"_s);
    const QList<TResultadoArchivo> resultados = entorno.importaCarpeta();
    if (resultados.size() != 1 || resultados.first().estado != Estado::Importado)
        qFatal("No se importó el comprobante de antes");
    QFile::remove(entorno.entrada() + u"antes.xml"_s);
    Conexiones::cierraHilo();
    if (!RegistroPrueba::ejecuta(u"DELETE FROM Conexion"_s) || !RegistroPrueba::ejecuta(u"DELETE FROM NegocioLoggin"_s))
        qFatal("No se pudo borrar el registro");
    return TEntornoImportacion::bytes(NuevoNegocio::archivoLocal(RFC));
}

} // namespace

class TstBasesApartadas : public QObject {
    Q_OBJECT
private slots:
    void init() { Conexiones::cierraHilo(); }

    // The import meets, where the issuer's new business goes, a database the
    // registry does not know. Once the business is created whole, what a
    // stopped creation left is gone and the folder holds only the new
    // database. A business whose registry row was lost is no such remains:
    // its database stays as it is and the file is refused.
    void creacionCompleta_data()
    {
        QTest::addColumn<QString>("dejado");
        QTest::addColumn<bool>("seRechaza");
        QTest::newRow("copia de la base vacía") << u"plantilla"_s << false;
        QTest::newRow("copia de la base vacía cortada") << u"cortada"_s << false;
        QTest::newRow("archivo vacío") << u"vacio"_s << false;
        QTest::newRow("negocio guardado sin registro") << u"sinRegistro"_s << false;
        QTest::newRow("negocio con comprobantes sin registro") << u"conComprobantes"_s << true;
    }
    void creacionCompleta()
    {
        QFETCH(QString, dejado);
        QFETCH(bool, seRechaza);
        TEntornoImportacion entorno;
        const QByteArray plantilla = entorno.parametros().plantilla;
        QByteArray bytes;
        if (dejado == "plantilla"_L1)
            bytes = plantilla;
        else if (dejado == "cortada"_L1)
            bytes = plantilla.left(plantilla.size() / 3);
        else if (dejado == "sinRegistro"_L1)
            bytes = negocioSinRegistro(entorno);
        else if (dejado == "conComprobantes"_L1)
            bytes = negocioConComprobantes(entorno);
        planta(bytes);
        QCOMPARE(TEntornoImportacion::registros(RFC), 0);

        escribe(entorno, u"nuevo.xml"_s);
        const QList<TResultadoArchivo> resultados = entorno.importaCarpeta();
        QCOMPARE(resultados.size(), 1);
        Conexiones::cierraHilo();
        QCOMPARE(archivosNegocio(), QStringList{DB_SISTEMA_NOMBRE});
        if (seRechaza) {
            QCOMPARE(int(resultados.first().estado), int(Estado::Fallido));
            QVERIFY2(resultados.first().motivo.contains(u"pero la empresa no está registrada en este equipo"_s),
                     qPrintable(resultados.first().motivo));
            QCOMPARE(TEntornoImportacion::registros(RFC), 0);
            const TConexionSesion suya = TConexionSesion::embebida(NuevoNegocio::archivoLocal(RFC), Sistema::exePath);
            QCOMPARE(TComprobante::cuenta(TCondicion(), suya), 1);
            Conexiones::cierra(suya);
            return;
        }
        QVERIFY2(resultados.first().estado == Estado::Importado, qPrintable(resultados.first().motivo));
        QCOMPARE(TEntornoImportacion::registros(RFC), 1);
        QVERIFY(TEntornoImportacion::comprobante(RFC, resultados.first().uuid));
        Conexiones::cierraHilo();
    }

    // A creation that fails (the registry refuses its row) puts back what it
    // found at the database's place.
    void creacionFallida()
    {
        TEntornoImportacion entorno;
        const QByteArray bytes = entorno.parametros().plantilla.left(100000);
        planta(bytes);
        QVERIFY(RegistroPrueba::ejecuta(u"CREATE TRIGGER sinAltas BEFORE INSERT ON NegocioLoggin "
                                        "BEGIN SELECT RAISE(ABORT, 'solo lectura'); END"_s));

        escribe(entorno, u"nuevo.xml"_s);
        const QList<TResultadoArchivo> resultados = entorno.importaCarpeta();
        QCOMPARE(resultados.size(), 1);
        QCOMPARE(int(resultados.first().estado), int(Estado::Fallido));
        QCOMPARE(TEntornoImportacion::registros(RFC), 0);
        QCOMPARE(archivosNegocio(), QStringList{DB_SISTEMA_NOMBRE});
        QCOMPARE(TEntornoImportacion::bytes(NuevoNegocio::archivoLocal(RFC)), bytes);
    }
};

QTEST_GUILESS_MAIN(TstBasesApartadas)
#include "tst_basesapartadas.moc"
