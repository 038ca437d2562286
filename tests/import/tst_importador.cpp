#include "NegocioPrueba.h"
#include "ConPermisosDeUsuario.h"
#include "EntornoImportacion.h"

#include "Conexiones.h"
#include "Constantes.h"
#include "Logmanager.h"
#include "Rutas.h"
#include "Sistema.h"
#include "import/TCandadoImportacion.h"
#include "negocio/TIngreso.h"
#include "negocio/TNuevoNegocio.h"

#include <QDirIterator>
#include <QSqlQuery>
#include <QDateTime>
#include <QThread>

using namespace Constantes;
using namespace Qt::StringLiterals;
using Estado = TResultadoArchivo::TEstado;

namespace {

using E = TEntornoImportacion;

const QString UUID_40 = u"C2832671-DA6D-11EF-A83D-00155D012007"_s; // cfdi40-real.xml
const QString RFC_40 = u"ISD950921HE5"_s;
const QString UUID_32 = u"80824F3B-323E-407B-8F8E-40D83FE2E69F"_s; // cfdi32-real.xml
const QString RFC_32 = u"CTO021007DZ8"_s;

QStringList temporales()
{
    QStringList encontrados;
    for (QDirIterator it(Rutas::programa({FACTURAS_PATH}), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
         it.hasNext();)
        if (const QString r = it.next(); r.endsWith(u".importando"_s))
            encontrados << r;
    return encontrados;
}

// The file's bytes with one text replaced (a UUID, an RFC...).
QByteArray variante(const QString& archivo, const QByteArray& de, const QByteArray& a)
{
    return E::variante(archivo, {{de, a}});
}

QByteArray muestra(const QString& archivo)
{
    return E::bytes(E::dato(archivo));
}

// The outcomes of a run, in file order.
QList<int> estados(const QList<TResultadoArchivo>& resultados)
{
    QList<int> e;
    for (const TResultadoArchivo& r : resultados)
        e << int(r.estado);
    return e;
}

// A real voucher rewritten in UTF-16 with its byte-order mark.
QByteArray utf16(const QString& archivo)
{
    const QString texto = QString::fromUtf8(muestra(archivo));
    QByteArray b("\xff\xfe", 2);
    b.append(reinterpret_cast<const char*>(texto.utf16()), texto.size() * 2);
    return b;
}

} // namespace

class TstImportador : public QObject {
    Q_OBJECT
    // A fresh program folder for each case.
    std::unique_ptr<TEntornoImportacion> m_entorno;

    TResultadoArchivo importa(const QString& ruta) const { return m_entorno->importador()->importa(ruta); }

private slots:
    void init()
    {
        NegocioPrueba::limpiaSesion();
        m_entorno = std::make_unique<TEntornoImportacion>();
    }
    void cleanup() { m_entorno.reset(); }

    // What no voucher is made of: each is passed over or fails with its
    // reason, and leaves nothing behind.
    void noComprobantes_data()
    {
        QTest::addColumn<QByteArray>("contenido");
        QTest::addColumn<int>("estado");
        QTest::addColumn<QString>("motivo");
        const int F = int(Estado::Fallido), O = int(Estado::Omitido);
        const QByteArray cfdi40 = muestra(u"cfdi40-real.xml"_s);
        const char* v40 = "cfdi40-real.xml";
        // Declared in `codificacion`, with a byte that is no UTF-8.
        const auto conEnie = [&](const QByteArray& codificacion) {
            return QByteArray(cfdi40)
                .replace("<?xml version=\"1.0\"?>", "<?xml version=\"1.0\" encoding=\"" + codificacion + "\"?>")
                .replace("Nombre=\"PASE", "Nombre=\"\xD1PASE");
        };
        QTest::newRow("XML mal formado") << cfdi40.left(cfdi40.size() / 2) << F << QString();
        QTest::newRow("no es XML") << QByteArray("hola") << F << QString();
        QTest::newRow("UUID vacío") << muestra("propios/uuid-vacio.xml") << O << "UUID";
        QTest::newRow("esquema desconocido")
            << muestra("propios/esquema-desconocido.xml") << O << "ubicación del esquema";
        QTest::newRow("no es CFDI") << muestra("retenciones20.xml") << O << "No es un CFDI";
        QTest::newRow("RFC que sale de la carpeta")
            << variante(v40, "Rfc=\"ISD950921HE5\"", "Rfc=\"../../ISD950921\"") << O << "RFC del emisor";
        // A look-alike letter that Unicode case folding reads as S: the
        // voucher is not filed under ISD950921HE5.
        QTest::newRow("RFC con ſ") << variante(v40, "Rfc=\"ISD950921HE5\"", "Rfc=\"I\u017FD950921HE5\"") << O
                                   << "RFC del emisor";
        QTest::newRow("UTF-16") << utf16(v40) << O << "no está en UTF-8 sino en UTF-16";
        QTest::newRow("ISO-8859-1 con una Ñ") << conEnie("ISO-8859-1") << O << "no está en UTF-8 sino en ISO-8859-1";
        // Read as UTF-8 whatever it declares, as real files lie about it;
        // the reason does not claim it declares UTF-8.
        QTest::newRow("windows-1252 con una Ñ")
            << conEnie("windows-1252") << F << "no está en UTF-8, la codificación en que el SAT timbra";
        // What follows a NUL is not read, and would be kept in the copy.
        QTest::newRow("bytes tras un nulo")
            << QByteArray(cfdi40).append('\0').append("<cfdi:Addenda>otro</cfdi:Addenda>") << F << "carácter nulo";
        // Its entity would have been stored as the letters "&a;".
        QTest::newRow("DTD con entidad") << QByteArray(cfdi40)
                                                .replace("<cfdi:Comprobante",
                                                         "<!DOCTYPE x [<!ENTITY a \"A\">]>\n<cfdi:Comprobante")
                                                .replace("Nombre=\"PASE", "Nombre=\"&a;PASE")
                                         << F << "declara un DTD";
        QTest::newRow("UUID que sale de la carpeta")
            << variante(v40, UUID_40.toUtf8(), "../../../../etc/passwd") << O << "UUID";

        // The header values a stored voucher needs, per version: refused
        // before anything is stored, the attribute named.
        const auto falla = [F](const char* fila, const char* archivo, const char* de, const char* a,
                               const char* motivo) {
            QTest::newRow(fila) << variante(QString::fromUtf8(archivo), de, a) << F << QString::fromUtf8(motivo);
        };
        falla("4.0 sin Total", v40, " Total=\"1000.00\"", "", "Falta el total del comprobante (atributo Total)");
        falla("4.0 Total vacío", v40, " Total=\"1000.00\"", " Total=\" \"", "(atributo Total)");
        falla("4.0 Total negativo", v40, " Total=\"1000.00\"", " Total=\"-1000.00\"",
              "El total del comprobante (atributo Total) vale \"-1000.00\"; debe ser un importe decimal no negativo");
        // A valid form beyond what the columns keep: refused before the
        // issuer's business is made.
        falla("4.0 Total de 14 dígitos enteros", v40, " Total=\"1000.00\"", " Total=\"10000000000000.00\"",
              "(atributo Total) no se puede guardar. La cantidad \"10000000000000.00\" está fuera del rango");
        falla("4.0 Total con coma", v40, " Total=\"1000.00\"", " Total=\"1,000.00\"", "(atributo Total) vale");
        falla("4.0 SubTotal negativo", v40, " SubTotal=\"862.07\"", " SubTotal=\"-862.07\"",
              "(atributo SubTotal) vale");
        falla("4.0 TipoCambio negativo", v40, " TipoCambio=\"1\"", " TipoCambio=\"-1\"",
              "El tipo de cambio del comprobante (atributo TipoCambio) vale \"-1\"");
        falla("4.0 sin Fecha", v40, " Fecha=\"2025-01-24T10:10:41\"", "",
              "Falta la fecha de expedición del comprobante (atributo Fecha)");
        falla("4.0 Fecha con zona horaria", v40, " Fecha=\"2025-01-24T10:10:41\"",
              " Fecha=\"2025-01-24T10:10:41-06:00\"", "(atributo Fecha) vale \"2025-01-24T10:10:41-06:00\"");
        falla("4.0 Fecha con fracción", v40, " Fecha=\"2025-01-24T10:10:41\"", " Fecha=\"2025-01-24T10:10:41.5\"",
              "aaaa-mm-ddThh:mm:ss, sin zona horaria");
        falla("4.0 Fecha sin hora", v40, " Fecha=\"2025-01-24T10:10:41\"", " Fecha=\"2025-01-24\"", "(atributo Fecha)");
        falla("4.0 Fecha imposible", v40, " Fecha=\"2025-01-24T10:10:41\"", " Fecha=\"2025-02-30T10:10:41\"",
              "(atributo Fecha)");
        falla("4.0 sin Moneda", v40, " Moneda=\"MXN\"", "", "(atributo Moneda)");
        falla("4.0 sin Exportacion", v40, " Exportacion=\"01\"", "", "(atributo Exportacion)");
        falla("4.0 sin FechaTimbrado", v40, " FechaTimbrado=\"2025-01-24T10:10:42\"", "",
              "Falta la fecha del timbre fiscal (atributo FechaTimbrado del TimbreFiscalDigital)");
        falla("4.0 FechaTimbrado con zona horaria", v40, " FechaTimbrado=\"2025-01-24T10:10:42\"",
              " FechaTimbrado=\"2025-01-24T10:10:42-06:00\"", "(atributo FechaTimbrado del TimbreFiscalDigital) vale");
        falla("4.0 sin Version", v40, " Version=\"4.0\"", " Versión=\"4.0\"", "(atributo Version)");
        const char* v33 = "cfdi33-real.xml";
        falla("3.3 sin Total", v33, " Total=\"2010.01\"", "",
              "(atributo Total), que el esquema del SAT exige en un CFDI 3.3");
        falla("3.3 Fecha con zona horaria", v33, " Fecha=\"2018-01-12T08:15:01\"", " Fecha=\"2018-01-12T08:15:01Z\"",
              "(atributo Fecha)");
        const char* v32 = "cfdi32-real.xml";
        falla("3.2 sin total", v32, " total=\"4685.00\"", "",
              "(atributo total), que el esquema del SAT exige en un CFDI 3.2");
        falla("3.2 total con coma", v32, " total=\"4685.00\"", " total=\"-4,685.00\"",
              "El total del comprobante (atributo total) vale \"-4,685.00\"; debe ser un importe decimal.");
        falla("3.2 sin FechaTimbrado", v32, " FechaTimbrado=\"2017-03-21T08:18:08\"", "",
              "Falta la fecha del timbre fiscal (atributo FechaTimbrado del TimbreFiscalDigital)");
        falla("3.2 sin fecha", v32, " fecha=\"2017-03-21T08:17:31\"", "", "(atributo fecha)");
        falla("3.2 fecha sin hora", v32, " fecha=\"2017-03-21T08:17:31\"", " fecha=\"2017-03-21\"",
              "(atributo fecha) vale \"2017-03-21\"");
        // Read before as a credit note: a type the schema does not list.
        falla(
            "3.2 tipo con mayúscula", v32, " tipoDeComprobante=\"ingreso\"", " tipoDeComprobante=\"Ingreso\"",
            "(atributo tipoDeComprobante) vale \"Ingreso\"; el esquema del SAT admite solo ingreso, egreso, traslado");
        falla("3.2 tipo abreviado", v32, " tipoDeComprobante=\"ingreso\"", " tipoDeComprobante=\"I\"",
              "(atributo tipoDeComprobante) vale \"I\"");
        falla("4.0 tipo en palabras", v40, " TipoDeComprobante=\"I\"", " TipoDeComprobante=\"ingreso\"",
              "(atributo TipoDeComprobante) vale \"ingreso\"; el esquema del SAT admite solo I, E, T, N, P");
        falla("3.3 tipo desconocido", v33, " TipoDeComprobante=\"I\"", " TipoDeComprobante=\"X\"",
              "(atributo TipoDeComprobante) vale \"X\"");
    }
    void noComprobantes()
    {
        QFETCH(QByteArray, contenido);
        QFETCH(int, estado);
        QFETCH(QString, motivo);
        const QString ruta = m_entorno->escribe(u"a.xml"_s, contenido);
        const TResultadoArchivo r = importa(ruta);
        QCOMPARE(int(r.estado), estado);
        QVERIFY(!r.motivo.isEmpty());
        QVERIFY2(r.motivo.contains(motivo), qPrintable(r.motivo));
        // Nothing registered, no folder made from the file's texts.
        QCOMPARE(registroLocal().getNumeroEmpresas(), 0);
        QVERIFY(!QFileInfo::exists(Rutas::programa({FACTURAS_PATH})));
        QVERIFY(!QFileInfo::exists(u"/etc/passwd.xml"_s));
        const QString log = QString::fromUtf8(E::bytes(Logmanager::archivoLog(Sistema::exePath)));
        QCOMPARE(log.contains(u"Error en el archivo "_s + ruta), estado == int(Estado::Fallido));
    }

    // A file the user may not read fails with the reason in Spanish, not
    // the system's English text.
    void archivoSinLectura()
    {
        const QString ruta = m_entorno->agrega(u"cfdi40-real.xml"_s);
        QVERIFY(QFile::setPermissions(ruta, QFileDevice::WriteOwner));
        TResultadoArchivo r;
        {
            const TConPermisosDeUsuario usuario;
            if (!usuario.efectivo())
                QSKIP("El superusuario no pudo dejar sus permisos sobre archivos (capset).");
            r = importa(ruta);
        }
        QCOMPARE(int(r.estado), int(Estado::Fallido));
        QCOMPARE(r.motivo, u"No se pudo abrir el archivo %1: No tienes permiso."_s.arg(ruta));
        QCOMPARE(registroLocal().getNumeroEmpresas(), 0);
    }

    // A program folder whose db/ the user may not write refuses the import
    // for that reason, not as if another import held it.
    void candadoSinEscritura()
    {
        const QString db = Rutas::programa({Constantes::DB_PATH});
        QVERIFY(QFile::setPermissions(db, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        TCandadoImportacion candado;
        bool tomado = true;
        {
            const TConPermisosDeUsuario usuario;
            if (!usuario.efectivo())
                QSKIP("El superusuario no pudo dejar sus permisos sobre archivos (capset).");
            tomado = candado.toma();
        }
        QVERIFY(QFile::setPermissions(db, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
        QVERIFY(!tomado);
        QCOMPARE(candado.mensaje(), u"No se pudo empezar la importación: no se pudo escribir en la carpeta %1 (No "
                                    "tienes permiso)."_s.arg(db));
    }

    // What the schemas allow in the header values is kept: each of these
    // is stored.
    void encabezadoValido_data()
    {
        QTest::addColumn<QString>("archivo");
        QTest::addColumn<QByteArray>("de");
        QTest::addColumn<QByteArray>("a");
        const auto f = [](const char* fila, const char* archivo, const char* de, const char* a) {
            QTest::newRow(fila) << QString::fromUtf8(archivo) << QByteArray(de) << QByteArray(a);
        };
        const char* v32 = "cfdi32-real.xml";
        f("3.2 fecha con zona horaria", v32, " fecha=\"2017-03-21T08:17:31\"",
          " fecha=\"2017-03-21T08:17:31.250-06:00\"");
        f("3.2 descuento cero con signo", v32, " descuento=\"0.00\"", " descuento=\"-0.00\"");
        f("3.2 FechaTimbrado con zona horaria", v32, " FechaTimbrado=\"2017-03-21T08:18:08\"",
          " FechaTimbrado=\"2017-03-21T08:18:08-06:00\"");
        f("4.0 Total entre blancos", "cfdi40-real.xml", " Total=\"1000.00\"", " Total=\" 1000.00 \"");
        f("4.0 Total cero", "cfdi40-real.xml", " Total=\"1000.00\"", " Total=\"0\"");
        // Only its declaration differs from the file the SAT stamped.
        f("4.0 ASCII declarado ISO-8859-1", "cfdi40-real.xml", "<?xml version=\"1.0\"?>",
          "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>");
    }
    void encabezadoValido()
    {
        QFETCH(QString, archivo);
        QFETCH(QByteArray, de);
        QFETCH(QByteArray, a);
        const TResultadoArchivo r = importa(m_entorno->escribe(u"a.xml"_s, variante(archivo, de, a)));
        QVERIFY2(r.estado == Estado::Importado, qPrintable(r.motivo));
    }

    // A voucher whose issuer no registry row knows: its business is created
    // once, registered, and the session stays as it was.
    void negocioNuevo()
    {
        m_entorno->agrega(u"cfdi40-real.xml"_s, u"a.xml"_s);
        m_entorno->escribe(u"b.xml"_s, E::cfdi40(u"C2832671-DA6D-11EF-A83D-00155D012008"_s));
        QCOMPARE(estados(m_entorno->importaCarpeta()), (QList<int>{Estado::Importado, Estado::Importado}));
        QCOMPARE(registroLocal().getEmpresas(), QStringList{RFC_40 + u"|PASE, SERVICIOS ELECTRONICOS"_s});
        QVERIFY(!Sistema::Conexion);
        QVERIFY(!Sistema::Negocio);

        const TConexionSesion conexion = E::conexion(RFC_40);
        QCOMPARE(conexion.getDatabase(), NuevoNegocio::archivoLocal(RFC_40));
        const std::unique_ptr<TNegocio> negocio = TNegocio::getByRFC(RFC_40, conexion);
        QVERIFY(negocio);
        QCOMPARE(negocio->getNombre(), u"PASE, SERVICIOS ELECTRONICOS"_s);
        QCOMPARE(negocio->getDatosfiscales()->getRegimen(), u"601"_s);
        // No address in a 4.0 voucher: none on the business or its head office.
        QVERIFY(!negocio->getDatosfiscales()->getDireccion());
        const QList<TSucursal> sucursales = TSucursal::getByNegocio(*negocio, conexion);
        QCOMPARE(sucursales.size(), 1);
        QVERIFY(!sucursales.first().getDireccion());
        QCOMPARE(TComprobante::cuenta(TCondicion(), conexion), 2);
        // Its owner signs in with the e-mail and password typed for the import.
        QCOMPARE(Ingreso::ingresa(RFC_40, QString::fromUtf8(E::EMAIL), QString::fromUtf8(E::PASSWORD)),
                 Ingreso::TResultado::Correcto);
        QVERIFY(Sistema::getPermiso(CODIGO_FACTURACION));
    }

    // A business that cannot be created leaves no database file and no
    // registry row, and is not tried again for every file of its issuer.
    void negocioQueNoSePuedeCrear()
    {
        m_entorno->agrega(u"cfdi40-real.xml"_s, u"1.xml"_s);
        m_entorno->escribe(u"2.xml"_s, E::cfdi40(u"C2832671-DA6D-11EF-A83D-00155D012008"_s));
        TParametrosImportacion parametros = m_entorno->parametros();
        parametros.plantilla = QByteArrayLiteral("esto no es una base de datos");
        TImportadorXML importador(registroLocal(), BaseDatosCatalogosFrm(), parametros);
        const QList<TResultadoArchivo> resultados = m_entorno->importaCarpeta(1, &importador);
        QCOMPARE(estados(resultados), (QList<int>{Estado::Fallido, Estado::Fallido}));
        QCOMPARE(resultados.at(1).motivo, resultados.at(0).motivo);
        QCOMPARE(registroLocal().getNumeroEmpresas(), 0);
        QVERIFY(!QFileInfo::exists(NuevoNegocio::archivoLocal(RFC_40)));
        QCOMPARE(importador.negocios().creados(), 0);
    }

    // Two issuers in one batch: each voucher in its own business, each copy
    // named once the batch is committed.
    void dosEmisoresEnUnLote()
    {
        m_entorno->agrega(u"cfdi40-real.xml"_s, u"1.xml"_s);
        m_entorno->agrega(u"cfdi32-real.xml"_s, u"2.xml"_s);
        m_entorno->agrega(u"cfdi40-real.xml"_s, u"3.xml"_s);
        const QList<TResultadoArchivo> resultados = m_entorno->importaCarpeta(10);
        QCOMPARE(estados(resultados), (QList<int>{Estado::Importado, Estado::Importado, Estado::YaExistia}));
        QCOMPARE(registroLocal().getNumeroEmpresas(), 2);
        for (const auto& [rfc, uuid] : {std::pair{RFC_40, UUID_40}, std::pair{RFC_32, UUID_32}}) {
            QVERIFY(E::comprobante(rfc, uuid));
            QCOMPARE(E::bytes(TImportadorXML::rutaCopia(rfc, uuid)).size(),
                     QFileInfo(resultados.at(rfc == RFC_40 ? 0 : 1).ruta).size());
        }
        QVERIFY(temporales().isEmpty());
    }

    // Importing the same folder twice stores nothing new and rewrites no copy.
    void dosVeces()
    {
        for (const char* archivo : {"cfdi40-real.xml", "cfdi32-real.xml", "cfdi33-valid.xml"})
            m_entorno->agrega(QString::fromUtf8(archivo));
        const QList<TResultadoArchivo> primera = m_entorno->importaCarpeta();
        QHash<QString, QDateTime> fechas;
        int comprobantes = 0;
        for (const TResultadoArchivo& r : primera) {
            QCOMPARE(int(r.estado), int(Estado::Importado));
            fechas.insert(r.uuid, QFileInfo(TImportadorXML::rutaCopia(r.rfc, r.uuid)).lastModified());
            comprobantes += TComprobante::cuenta(TCondicion(), E::conexion(r.rfc));
        }
        QTest::qWait(20);
        const QList<TResultadoArchivo> segunda = m_entorno->importaCarpeta();
        QCOMPARE(segunda.size(), primera.size());
        int despues = 0;
        for (const TResultadoArchivo& r : segunda) {
            QCOMPARE(int(r.estado), int(Estado::YaExistia));
            QVERIFY(!r.copiaRestaurada);
            QCOMPARE(QFileInfo(TImportadorXML::rutaCopia(r.rfc, r.uuid)).lastModified(), fechas.value(r.uuid));
            despues += TComprobante::cuenta(TCondicion(), E::conexion(r.rfc));
        }
        QCOMPARE(despues, comprobantes);
        QCOMPARE(registroLocal().getNumeroEmpresas(), 3);
    }

    // One voucher written with its UUID in lower case and in upper case is
    // one voucher; its copy is named by the UUID as stored.
    void uuidSinDistinguirMayusculas_data()
    {
        QTest::addColumn<QByteArray>("primero");
        QTest::addColumn<QByteArray>("segundo");
        const QByteArray minusculas = UUID_40.toLower().toUtf8();
        QTest::newRow("minúsculas primero") << minusculas << UUID_40.toUtf8();
        QTest::newRow("mayúsculas primero") << UUID_40.toUtf8() << minusculas;
        QTest::newRow("con blancos") << (QByteArrayLiteral("  ") + minusculas + QByteArrayLiteral(" "))
                                     << UUID_40.toUtf8();
    }
    void uuidSinDistinguirMayusculas()
    {
        QFETCH(QByteArray, primero);
        QFETCH(QByteArray, segundo);
        for (const auto& [como, uuid] : {std::pair{u"1.xml"_s, primero}, std::pair{u"2.xml"_s, segundo}})
            m_entorno->escribe(como, variante(u"cfdi40-real.xml"_s, UUID_40.toUtf8(), uuid));
        const QList<TResultadoArchivo> resultados = m_entorno->importaCarpeta();
        QCOMPARE(estados(resultados), (QList<int>{Estado::Importado, Estado::YaExistia}));
        QCOMPARE(resultados.at(0).uuid, UUID_40);
        const std::unique_ptr<TComprobante> guardado = E::comprobante(RFC_40, UUID_40);
        QVERIFY(guardado);
        QCOMPARE(guardado->getUuid(), UUID_40);
        QCOMPARE(guardado->getPathxml(), TImportadorXML::rutaGuardada(RFC_40, UUID_40));
        QCOMPARE(TComprobante::cuenta(TCondicion(), E::conexion(RFC_40)), 1);
        const QStringList copias =
            QDir(QFileInfo(TImportadorXML::rutaCopia(RFC_40, UUID_40)).absolutePath()).entryList(QDir::Files);
        QCOMPARE(copias, QStringList{UUID_40 + u".xml"_s});
        // The copy is the first file, byte for byte.
        QCOMPARE(E::bytes(TImportadorXML::rutaCopia(RFC_40, UUID_40)), E::bytes(resultados.at(0).ruta));
        QCOMPARE(guardado->getComprobantexml(), E::bytes(resultados.at(0).ruta));
    }

    // A second file under a stored UUID whose content differs: another copy
    // of the same stamped voucher passes as stored; an altered copy stored
    // first does not hide the genuine one, in one batch or in a later one.
    void mismoUuidOtroContenido_data()
    {
        QTest::addColumn<bool>("alteradoPrimero");
        QTest::addColumn<int>("porLote");
        QTest::addColumn<int>("segundo");
        QTest::addColumn<QString>("motivo");
        const QString alterada = u"el guardado parece una copia alterada"_s;
        const QString conservado = u"se conserva el guardado"_s;
        QTest::newRow("alterado primero, en un lote") << true << 10 << int(Estado::Fallido) << alterada;
        QTest::newRow("alterado primero, ya confirmado") << true << 1 << int(Estado::Fallido) << alterada;
        QTest::newRow("auténtico primero") << false << 1 << int(Estado::YaExistia) << conservado;
    }
    void mismoUuidOtroContenido()
    {
        QFETCH(bool, alteradoPrimero);
        QFETCH(int, porLote);
        QFETCH(int, segundo);
        QFETCH(QString, motivo);
        const QByteArray alterado = variante(u"cfdi40-real.xml"_s, " Total=\"1000.00\"", " Total=\"9000.00\"");
        const QByteArray autentico = E::bytes(E::dato(u"cfdi40-real.xml"_s));
        m_entorno->escribe(u"1.xml"_s, alteradoPrimero ? alterado : autentico);
        m_entorno->escribe(u"2.xml"_s, alteradoPrimero ? autentico : alterado);
        // And a copy of the first with other line ends: the same voucher.
        QByteArray otraCopia = alteradoPrimero ? alterado : autentico;
        m_entorno->escribe(u"3.xml"_s, otraCopia.replace("\n", "\r\n"));
        const QList<TResultadoArchivo> resultados = m_entorno->importaCarpeta(porLote);
        QCOMPARE(estados(resultados), (QList<int>{Estado::Importado, segundo, Estado::YaExistia}));
        QVERIFY2(resultados.at(1).motivo.contains(motivo), qPrintable(resultados.at(1).motivo));
        QCOMPARE(TComprobante::cuenta(TCondicion(), E::conexion(RFC_40)), 1);
        QCOMPARE(E::comprobante(RFC_40, UUID_40)->getComprobantexml(), alteradoPrimero ? alterado : autentico);
    }

    // A folder imported again looks each voucher up inside the batch's
    // transaction: the job begins as many transactions as a job of its one
    // new file alone, not one more per known file (each a write to disk at
    // its commit). The known vouchers are passed over, their UUID in any
    // case, and the new one stored.
    void reimportacionEnElLote_data()
    {
        QTest::addColumn<bool>("minusculas");
        QTest::newRow("los mismos archivos") << false;
        QTest::newRow("UUID en minúsculas") << true;
    }
    void reimportacionEnElLote()
    {
        QFETCH(bool, minusculas);
        constexpr int CONOCIDOS = 30;
        QStringList uuids;
        const auto nombre = [](int i) { return u"a%1.xml"_s.arg(i, 2, 10, QLatin1Char('0')); };
        for (int i = 0; i < CONOCIDOS; ++i)
            m_entorno->escribe(nombre(i), E::cfdi40(uuids.emplace_back(E::uuidNuevo())));
        QCOMPARE(estados(m_entorno->importaCarpeta(100)), QList<int>(CONOCIDOS, Estado::Importado));
        const TConexionSesion c = E::conexion(RFC_40);
        // Transactions the engine began for a job over the folder as it is.
        const auto transacciones = [&] {
            const auto actual = [&c] {
                QSqlQuery q(Conexiones::baseDatos(c));
                return q.exec(u"SELECT CURRENT_TRANSACTION FROM RDB$DATABASE"_s) && q.next() ? q.value(0).toLongLong()
                                                                                             : -1;
            };
            const qint64 antes = actual();
            const QList<int> resultados = estados(m_entorno->importaCarpeta(100));
            return std::pair{actual() - antes - 1, resultados};
        };

        QVERIFY(QDir(m_entorno->entrada()).removeRecursively());
        m_entorno->escribe(u"b.xml"_s, E::cfdi40(E::uuidNuevo()));
        const auto [solo, primera] = transacciones();
        QCOMPARE(primera, QList<int>{Estado::Importado});
        for (int i = 0; i < CONOCIDOS; ++i)
            m_entorno->escribe(nombre(i), E::cfdi40(minusculas ? uuids.at(i).toLower() : uuids.at(i)));
        const QString nuevo = E::uuidNuevo();
        m_entorno->escribe(u"b.xml"_s, E::cfdi40(nuevo));
        const auto [usadas, segunda] = transacciones();
        QCOMPARE(segunda, QList<int>(CONOCIDOS, Estado::YaExistia) << Estado::Importado);
        QCOMPARE(usadas, solo);
        QCOMPARE(TComprobante::cuenta(TCondicion(), c), CONOCIDOS + 2);
        QVERIFY(E::comprobante(RFC_40, nuevo));
        Conexiones::cierraHilo();
    }

    // A stop between the commit and the naming of the copy: the next job
    // removes the temporary copy and gives the voucher its copy back.
    void paradaEntreCommitYCopia()
    {
        const QString ruta = m_entorno->agrega(u"cfdi40-real.xml"_s);
        QCOMPARE(int(importa(ruta).estado), int(Estado::Importado));
        const QString copia = TImportadorXML::rutaCopia(RFC_40, UUID_40);
        const QString temporal = QFileInfo(copia).absolutePath() + u"/."_s + UUID_40 + u".xml.importando"_s;
        QVERIFY(QFile::rename(copia, temporal));

        const std::unique_ptr<TImportadorXML> otro = m_entorno->importador();
        QVERIFY(temporales().isEmpty());
        const TResultadoArchivo r = otro->importa(ruta);
        QCOMPARE(int(r.estado), int(Estado::YaExistia));
        QVERIFY(r.copiaRestaurada);
        QCOMPARE(E::bytes(copia), E::bytes(ruta));

        // A copy cut short is written again too; a whole one is left alone.
        QVERIFY(QFile(copia).open(QIODevice::WriteOnly | QIODevice::Truncate));
        QVERIFY(otro->importa(ruta).copiaRestaurada);
        QCOMPARE(E::bytes(copia), E::bytes(ruta));
        QVERIFY(!otro->importa(ruta).copiaRestaurada);
    }

    // A batch stopped before its commit keeps nothing: no voucher, no copy.
    void loteSinConfirmar()
    {
        const QString ruta = m_entorno->agrega(u"cfdi40-real.xml"_s);
        const std::unique_ptr<TImportadorXML> importador = m_entorno->importador();
        QList<TResultadoArchivo> resultados;
        {
            TLoteImportacion lote(*importador, 5, [&](const TResultadoArchivo& r) { resultados.append(r); });
            lote.importa(ruta);
            QCOMPARE(lote.pendientes(), 1);
            QVERIFY(!QFileInfo::exists(TImportadorXML::rutaCopia(RFC_40, UUID_40)));
            QCOMPARE(temporales().size(), 1);
        }
        QVERIFY(resultados.isEmpty());
        QVERIFY(temporales().isEmpty());
        QVERIFY(!E::comprobante(RFC_40, UUID_40));
        // The business created for it stays registered, and the file imports.
        QCOMPARE(E::registros(RFC_40), 1);
        QCOMPARE(int(importador->importa(ruta).estado), int(Estado::Importado));
    }

    // A batch sized by time commits at the first file after its time is up,
    // however far it is from its count.
    void loteMedidoPorTiempo()
    {
        const QString primero = m_entorno->agrega(u"cfdi40-real.xml"_s, u"a.xml"_s);
        const QString segundo = m_entorno->agrega(u"cfdi40-real.xml"_s, u"b.xml"_s);
        const std::unique_ptr<TImportadorXML> importador = m_entorno->importador();
        QList<TResultadoArchivo> resultados;
        TLoteImportacion lote(
            *importador, 1000, [&](const TResultadoArchivo& r) { resultados.append(r); }, 400);
        lote.importa(primero);
        QCOMPARE(lote.pendientes(), 1);
        QThread::msleep(500);
        lote.importa(segundo);
        QCOMPARE(lote.pendientes(), 0);
        QCOMPARE(resultados.size(), 2);
        QCOMPARE(int(resultados.at(0).estado), int(Estado::Importado));
        QVERIFY(E::comprobante(RFC_40, UUID_40));
        QVERIFY(QFileInfo::exists(TImportadorXML::rutaCopia(RFC_40, UUID_40)));
    }

    // A job keeps the customers and products its vouchers share. A file that
    // fails after adding some takes them back with it, and a later file adds
    // them again instead of pointing at records that were undone; a customer
    // completed by an undone file is completed again by the next one.
    void registrosCompartidosTrasUnFallo_data()
    {
        QTest::addColumn<int>("porLote");
        QTest::newRow("un archivo por lote") << 1;
        QTest::newRow("todos en un lote") << 10;
    }
    void registrosCompartidosTrasUnFallo()
    {
        QFETCH(int, porLote);
        const QByteArray regimen = " RegimenFiscalReceptor=\"612\"";
        // The customer's first voucher does not name its regime, and names
        // another product on its first line.
        m_entorno->escribe(u"a.xml"_s,
                           variante(u"cfdi40-real.xml"_s, regimen, "")
                               .replace(UUID_40.toLatin1(), "11111111-2222-4333-8444-555555555555")
                               .replace("Descripcion=\"COMISION RECARGA IDMX\"", "Descripcion=\"PRODUCTO A\""));
        // Completes the customer and adds the first line's product, then
        // fails on its second line.
        m_entorno->escribe(u"b.xml"_s, variante(u"cfdi40-real.xml"_s, "Cantidad=\"1.000000\" ClaveUnidad=\"E54\"",
                                                "Cantidad=\"uno\" ClaveUnidad=\"E54\""));
        m_entorno->agrega(u"cfdi40-real.xml"_s, u"c.xml"_s);
        const QList<TResultadoArchivo> resultados = m_entorno->importaCarpeta(porLote);
        QCOMPARE(estados(resultados), (QList<int>{Estado::Importado, Estado::Fallido, Estado::Importado}));
        QVERIFY2(resultados.at(1).motivo.contains(u"uno"_s), qPrintable(resultados.at(1).motivo));

        const TConexionSesion c = E::conexion(RFC_40);
        QCOMPARE(TCliente::cuenta(TCondicion(), c), 1);
        const std::unique_ptr<TComprobante> ultimo = E::comprobante(RFC_40, UUID_40);
        QVERIFY(ultimo);
        QCOMPARE(ultimo->getCliente()->getDatosfiscales()->getRegimen().left(3), u"612"_s);
        for (const char* producto : {"COMISION RECARGA IDMX", "RECARGA IDMX", "PRODUCTO A"})
            QCOMPARE(
                TConcepto::cuenta(TConcepto::columna(TConcepto::col_Descripcion) == QString::fromUtf8(producto), c), 1);
        Conexiones::cierraHilo();
    }

    // A registry row whose database holds another business receives nothing.
    void registroQueLlevaAOtroNegocio()
    {
        const QString ruta40 = m_entorno->agrega(u"cfdi40-real.xml"_s);
        QCOMPARE(int(importa(ruta40).estado), int(Estado::Importado));
        NuevoNegocio::TDestino destino = NuevoNegocio::destinoLocal(RFC_32);
        destino.baseDatos = NuevoNegocio::archivoLocal(RFC_40);
        NuevoNegocio::registraNegocio(QString::fromUtf8(E::EMAIL), RFC_32, u"X"_s, destino);
        const TResultadoArchivo r = importa(m_entorno->agrega(u"cfdi32-real.xml"_s));
        QCOMPARE(int(r.estado), int(Estado::Fallido));
        QVERIFY2(r.motivo.contains(RFC_32), qPrintable(r.motivo));
        QCOMPARE(TComprobante::cuenta(TCondicion(), E::conexion(RFC_40)), 1);
    }
};

QTEST_GUILESS_MAIN(TstImportador)
#include "tst_importador.moc"
