#include "CarpetaPrograma.h"
#include "Cfdi.h"
#include "CitaSql.h"
#include "Conexiones.h"
#include "Constantes.h"
#include "Entidades.h"
#include "Errores.h"
#include "Nomina12.h"
#include "TBaseDatosCatalogosFrm.h"
#include "TSaveComprobante4.h"

#include <QFile>
#include <QSqlQuery>
#include <QTest>

#include <memory>

namespace {

QString ruta(const QString& archivo)
{
    return QStringLiteral(VELKOR_DATOS_PRUEBA "/cfdi/") + archivo;
}

TNegocio negocioDePrueba(const TConexionSesion& conexion)
{
    const TUnidadTrabajo trabajo(conexion, 1);
    TDatosfiscales fiscales;
    fiscales.setRfc(QStringLiteral("EKU9003173C9"));
    fiscales = TDatosfiscales::saveOrUpdate(fiscales, trabajo);
    TNegocio negocio;
    negocio.setNombre(QStringLiteral("Escuela Kemper Urgate"));
    negocio.setDatosfiscales(fiscales);
    return TNegocio::saveOrUpdate(negocio, trabajo);
}

template <class Guardador, class Comprobante>
TComprobante guardaCon(const Comprobante& raiz, const Nomina12::IXMLNomina& nomina, const TConexionSesion& conexion,
                       const TNegocio& negocio)
{
    Guardador guardador(QStringLiteral("Facturas/EKU9003173C9/XML/%1.xml").arg(Cfdi::uuid(raiz).toUpper()), QString());
    guardador.setConexion(conexion);
    guardador.setNegocio(negocio);
    guardador.setUsuario(7);
    guardador.setUni(BaseDatosCatalogosFrm());
    return guardador.SaveBD(raiz, nomina);
}

// What the import does for one file of version 3.3 or 4.0: the saver of the
// version, inside the file's savepoint, given the voucher's last payroll 1.2
// complement.
TComprobante guardaDocumento(const TDocumentoXML& documento, const TConexionSesion& conexion, const TNegocio& negocio)
{
    const QList<Nomina12::IXMLNomina> nominas = Nomina12::deComprobante(documento.raiz());
    const Nomina12::IXMLNomina nomina = nominas.isEmpty() ? Nomina12::IXMLNomina() : nominas.last();
    TPuntoGuardado punto(conexion);
    const TComprobante guardado =
        Cfdi::versionPorContenido(documento.raiz()) == Constantes::CFDI_40
            ? guardaCon<TSaveComprobante4>(Cfdv40::GetComprobante(documento), nomina, conexion, negocio)
            : guardaCon<TSaveComprobante>(Cfdv33::GetComprobante(documento), nomina, conexion, negocio);
    punto.confirma();
    return guardado;
}

TComprobante guardaArchivo(const QString& archivo, const TConexionSesion& conexion, const TNegocio& negocio)
{
    return guardaDocumento(TDocumentoXML::desdeArchivo(ruta(archivo)), conexion, negocio);
}

// An amount column against the attribute it came from: empty when the file
// does not write it.
QString texto(const QVariant& valor)
{
    return valor.isNull() ? QStringLiteral("<vacío>") : valor.value<TDecimal>().texto();
}
QString texto(const QString& atributo)
{
    return atributo.isEmpty() ? QStringLiteral("<vacío>") : TDecimal::desdeTexto(atributo).texto();
}

QMap<QString, int> cuentaFilas(const TConexionSesion& conexion)
{
    QMap<QString, int> cuentas;
    for (const TTabla& t : Esquema::tablas()) {
        QSqlQuery q(Conexiones::baseDatos(conexion));
        if (!q.exec(QStringLiteral("SELECT COUNT(*) FROM %1").arg(Esquema::cita(t.nombre))) || !q.next())
            qFatal("sin tabla %s", qPrintable(t.nombre));
        cuentas.insert(t.nombre, q.value(0).toInt());
    }
    return cuentas;
}

template <class T> QList<T> de(const TComprobante& comprobante, int columna, const TConexionSesion& conexion)
{
    return T::busca(T::columna(typename T::Columna(columna)) == comprobante, conexion);
}

QList<TDesgloseimpuesto> desgloseDelComprobante(const TComprobante& c, const TConexionSesion& conexion)
{
    using D = TDesgloseimpuesto;
    return D::busca(D::columna(D::col_Comprobante) == c && D::columna(D::col_Comprobanteconcepto).esNulo(), conexion);
}

} // namespace

class TstGuardado : public QObject {
    Q_OBJECT
    // A fresh program folder and business database for every test.
    std::unique_ptr<TCarpetaPrograma> m_programa;
    TConexionSesion m_conexion;
    TNegocio m_negocio;

private slots:
    void init()
    {
        m_programa = std::make_unique<TCarpetaPrograma>();
        m_conexion = m_programa->nuevaBaseNegocio();
        m_negocio = negocioDePrueba(m_conexion);
    }
    void cleanup() { m_programa.reset(); }

    // A voucher is stored as its file says: the header (one row a file),
    // then every line with its taxes and the voucher's breakdown.
    void comoElArchivo_data()
    {
        QTest::addColumn<QString>("archivo");
        QTest::addColumn<QString>("uuid");
        QTest::addColumn<QString>("tipo");
        QTest::addColumn<QString>("categoria");
        QTest::addColumn<QString>("total");
        QTest::addColumn<QString>("descuento");
        QTest::addColumn<QString>("forma");
        QTest::addColumn<QString>("metodo");
        QTest::addColumn<QDateTime>("fecha");
        QTest::addColumn<QDateTime>("timbrado");
        const QString factura = TComprobante::CATEGORIA_FACTURA;
        const QString nomina = TComprobante::CATEGORIA_NOMINA;
        const QString pago = TComprobante::CATEGORIA_PAGO;
        const auto f = [](const char* archivo, const char* uuid, const char* tipo, const QString& categoria,
                          const char* total, const char* descuento, const char* forma, const char* metodo,
                          const char* fecha, const char* timbrado) {
            QTest::newRow(archivo) << QString::fromUtf8(archivo) << QString::fromUtf8(uuid) << QString::fromUtf8(tipo)
                                   << categoria << QString::fromUtf8(total) << QString::fromUtf8(descuento)
                                   << QString::fromUtf8(forma) << QString::fromUtf8(metodo)
                                   << QDateTime::fromString(QString::fromUtf8(fecha), Qt::ISODate)
                                   << QDateTime::fromString(QString::fromUtf8(timbrado), Qt::ISODate);
        };
        f("cfdi33-real.xml", "CEE4BE01-ADFA-4DEB-8421-ADD60F0BEDAC", "I", factura, "2010.01", "", "04", "PUE",
          "2018-01-12T08:15:01", "2018-01-12T08:17:54");
        f("cfdi33-valid.xml", "9FB6ED1A-5F37-4FEF-980A-7F8C83B51894", "I", factura, "2382870", "0", "01", "PUE",
          "2021-01-13T14:15:16", "2017-06-05T09:09:37");
        // A lower-case UUID is stored in upper case.
        f("cfdv33-signed-tfd.xml", "EA8152AF-B116-4812-817A-3B4F9617C99C", "I", factura, "1500", "0", "02", "PUE",
          "2017-05-01T01:23:59", "2017-05-10T15:22:28");
        f("detallista-example.xml", "4C7A0582-5151-43B3-BA74-4E710479A1EE", "I", factura, "6.9", "", "01", "PUE",
          "2019-01-22T16:13:19", "2019-01-23T14:11:43");
        f("created-pago-with-ns-at-root-33.xml", "", "P", pago, "0", "", "", "", "2023-06-18T19:20:21", "");
        f("cfdi40-real.xml", "C2832671-DA6D-11EF-A83D-00155D012007", "I", factura, "1000", "", "04", "PUE",
          "2025-01-24T10:10:41", "2025-01-24T10:10:42");
        f("file_pdf.xml", "96B0ED9E-4F1A-43B0-B720-F77663891C68", "I", factura, "198.96", "1", "99", "PPD",
          "2022-10-22T00:18:10", "2022-10-23T19:35:10");
        f("h&e951128469_ingreso_iva16_stamped.xml", "6D7434A6-E3F2-47AD-9E4C-08849946AFA0", "I", factura, "17852.75",
          "", "", "PPD", "2020-01-01T22:40:38", "2020-01-11T00:00:00");
        f("cfdi40-nomina-compensacion-valid.xml", "22222222-2222-2222-2222-222222222222", "N", nomina, "12574.40",
          "2689.23", "", "PUE", "2026-01-21T16:42:35", "2026-01-21T16:42:49");
        f("created-with-discounts-40.xml", "", "I", factura, "3248", "500", "01", "PUE", "2023-06-18T19:20:21", "");
        f("cfdv40-pagos20.xml", "", "P", pago, "0", "", "02", "", "2021-12-08T23:59:59", "");
        f("propios/completo-40.xml", "0B1C2D3E-4F50-6172-8394-A5B6C7D8E9F0", "I", factura, "1335.55", "50.25", "28",
          "PUE", "2024-03-10T02:30:00", "2024-03-10T02:31:05");
    }
    void comoElArchivo()
    {
        QFETCH(QString, archivo);
        QFETCH(QString, uuid);
        QFETCH(QString, tipo);
        QFETCH(QString, categoria);
        QFETCH(QString, total);
        QFETCH(QString, descuento);
        QFETCH(QString, forma);
        QFETCH(QString, metodo);
        QFETCH(QDateTime, fecha);
        QFETCH(QDateTime, timbrado);
        const TDocumentoXML documento = TDocumentoXML::desdeArchivo(ruta(archivo));
        const int id = guardaDocumento(documento, m_conexion, m_negocio).getIdcomprobante();

        const std::unique_ptr<TComprobante> c = TComprobante::getById(id, m_conexion);
        QVERIFY(c);
        const Cfdv33::TComprobanteComun raiz(documento.raiz());
        QCOMPARE(c->getUuid(), uuid);
        if (!uuid.isEmpty())
            QCOMPARE(TComprobante::getByUUIDAndNegocio(uuid.toLower(), m_negocio, m_conexion)->getIdcomprobante(), id);
        QCOMPARE(c->getComprobantexml(), documento.bytes());
        QVERIFY(c->getPathxml().endsWith(uuid + QStringLiteral(".xml")));
        QCOMPARE(c->getVersion().texto(1), raiz.Get_Version());
        QCOMPARE(c->getTipocomprobante(), tipo);
        QCOMPARE(c->getCategoriacomprobante(), categoria);
        QCOMPARE(c->getTotal().texto(), TDecimal::desdeTexto(total).texto());
        QCOMPARE(texto(c->valor(TComprobante::col_Descuentogeneral)), texto(descuento));
        QCOMPARE(texto(c->valor(TComprobante::col_Subtotal)), texto(raiz.Get_SubTotal()));
        QCOMPARE(texto(c->valor(TComprobante::col_Tipodecambio)), texto(raiz.Get_TipoCambio()));
        QCOMPARE((QStringList{c->getMoneda(), c->getSerie(), c->getFolio(), c->getLugarexpedicion(),
                              c->getCondicionesdepago(), c->getNocertificado(), c->getSellocfd(),
                              c->getNocertificadosat(), c->getSellosat()}),
                 (QStringList{raiz.Get_Moneda(), raiz.Get_Serie(), raiz.Get_Folio(), raiz.Get_LugarExpedicion(),
                              raiz.Get_CondicionesDePago(), raiz.Get_NoCertificado(), raiz.Get_Sello(),
                              Cfdi::timbre(raiz).Get_NoCertificadoSAT(), Cfdi::timbre(raiz).Get_SelloSAT()}));
        QCOMPARE(c->getFormapago() ? c->getFormapago()->getClave() : QString(), forma);
        QCOMPARE(c->getMetodopago() ? c->getMetodopago()->getCodigo() : QString(), metodo);
        QCOMPARE(c->getFechaemision(), fecha);
        QCOMPARE(c->getFechatimbrado(), timbrado);
        if (timbrado.isValid())
            QCOMPARE(c->getFechacreacion(), timbrado);
        QCOMPARE(c->getFechacancelacion(), TComprobante::fechaSinCancelar());
        QCOMPARE(c->getEstatus(), TComprobante::ESTADO_FACTURA_ACTIVA);
        QCOMPARE(c->getNegocioId(), m_negocio.getIdnegocio());
        QCOMPARE(c->getUltimamodificacionpor(), 7);
        QCOMPARE(c->getRfcreceptor(), raiz.hijoPropio("Receptor").atributo("Rfc").trimmed());
        QCOMPARE(c->getCliente()->getDatosfiscales()->getRfc(), c->getRfcreceptor());
        QCOMPARE(c->getNombreemisor(), raiz.hijoPropio("Emisor").atributo("Nombre"));
        QCOMPARE(c->getRegimenfiscalemisor(), raiz.hijoPropio("Emisor").atributo("RegimenFiscal"));

        // Every line, its taxes and the voucher's breakdown hold what the file
        // writes, in document order.
        using L = TComprobanteconcepto;
        using D = TDesgloseimpuesto;
        const QList<L> lineas = de<L>(*c, L::col_Idcomprobante, m_conexion);
        const QList<TNodoXML> conceptos = documento.raiz().hijoPropio("Conceptos").hijosPropios("Concepto");
        QCOMPARE(lineas.size(), conceptos.size());
        for (int i = 0; i < lineas.size(); ++i) {
            const L& l = lineas.at(i);
            const TNodoXML& x = conceptos.at(i);
            QCOMPARE(texto(l.valor(L::col_Cantidad)), texto(x.atributo("Cantidad")));
            QCOMPARE(texto(l.valor(L::col_Preciounitario)), texto(x.atributo("ValorUnitario")));
            QCOMPARE(texto(l.valor(L::col_Importe)), texto(x.atributo("Importe")));
            QCOMPARE(texto(l.valor(L::col_Descuento)), texto(x.atributo("Descuento")));
            QCOMPARE((QStringList{l.getDescripcion(), l.getClaveprodserv(), l.getClaveunidad(), l.getUnidad(),
                                  l.getNoidentificacion(), l.getObjetoimp()}),
                     (QStringList{x.atributo("Descripcion"), x.atributo("ClaveProdServ"), x.atributo("ClaveUnidad"),
                                  x.atributo("Unidad"), x.atributo("NoIdentificacion"), x.atributo("ObjetoImp")}));
            QCOMPARE(l.getIdconcepto()->getDescripcion(), x.atributo("Descripcion"));
            QCOMPARE(l.getIdconcepto()->getClaveprodserv(), x.atributo("ClaveProdServ"));
            QCOMPARE(l.getIdconcepto()->getNegocioId(), m_negocio.getIdnegocio());

            QList<QPair<QString, TNodoXML>> esperados;
            const TNodoXML impuestos = x.hijoPropio("Impuestos");
            for (const TNodoXML& t : impuestos.hijoPropio("Traslados").hijosPropios("Traslado"))
                esperados.append({TImpuesto::TIPO_IMPUESTO_TRASLADADO, t});
            for (const TNodoXML& r : impuestos.hijoPropio("Retenciones").hijosPropios("Retencion"))
                esperados.append({TImpuesto::TIPO_IMPUESTO_RETENIDO, r});
            const QList<D> filas = D::busca(D::columna(D::col_Comprobanteconcepto) == l, m_conexion);
            QCOMPARE(filas.size(), esperados.size());
            for (int j = 0; j < filas.size(); ++j) {
                const D& d = filas.at(j);
                const TNodoXML& e = esperados.at(j).second;
                QCOMPARE(d.getTipoimpuesto(), esperados.at(j).first);
                QCOMPARE(d.getClaveimpuesto(), e.atributo("Impuesto"));
                QCOMPARE(d.getTipofactor(), e.atributo("TipoFactor"));
                QCOMPARE(texto(d.valor(D::col_Importebase)), texto(e.atributo("Base")));
                QCOMPARE(texto(d.valor(D::col_Tasa)), texto(e.atributo("TasaOCuota")));
                QCOMPARE(texto(d.valor(D::col_Importe)), texto(e.atributo("Importe")));
                QCOMPARE(d.getComprobanteId(), c->getIdcomprobante());
                QCOMPARE(d.getIdimpuestofk(), d.getImpuestoId());
            }

            // Every customs entry of the line, then those of its parts.
            QStringList pedimentos;
            for (const TNodoXML& p : x.hijosPropios("InformacionAduanera"))
                pedimentos << p.atributo("NumeroPedimento");
            for (const TNodoXML& parte : x.hijosPropios("Parte"))
                for (const TNodoXML& p : parte.hijosPropios("InformacionAduanera"))
                    pedimentos << parte.atributo("Descripcion") + QLatin1Char(' ') + p.atributo("NumeroPedimento");
            QStringList guardados;
            for (const TPedimentoaduanal& p : TPedimentoaduanal::busca(
                     TPedimentoaduanal::columna(TPedimentoaduanal::col_Idcomprobanteconcepto) == l, m_conexion))
                guardados << (p.getParte() ? p.getParte()->getDescripcion() + QLatin1Char(' ') : QString()) +
                                 p.getNumeropedimento();
            QCOMPARE(guardados, pedimentos);
        }

        // The voucher's breakdown: withholdings, then transfers, then local taxes.
        QList<QPair<QString, TNodoXML>> esperados;
        const TNodoXML impuestos = documento.raiz().hijoPropio("Impuestos");
        for (const TNodoXML& r : impuestos.hijoPropio("Retenciones").hijosPropios("Retencion"))
            esperados.append({TImpuesto::TIPO_IMPUESTO_RETENIDO, r});
        for (const TNodoXML& t : impuestos.hijoPropio("Traslados").hijosPropios("Traslado"))
            esperados.append({TImpuesto::TIPO_IMPUESTO_TRASLADADO, t});
        QList<D> filas;
        for (const D& d : desgloseDelComprobante(*c, m_conexion))
            if (!d.getClaveimpuesto().isEmpty())
                filas << d;
        QCOMPARE(filas.size(), esperados.size());
        for (int j = 0; j < filas.size(); ++j) {
            const TNodoXML& e = esperados.at(j).second;
            QCOMPARE(filas.at(j).getTipoimpuesto(), esperados.at(j).first);
            QCOMPARE(filas.at(j).getClaveimpuesto(), e.atributo("Impuesto"));
            QCOMPARE(texto(filas.at(j).valor(D::col_Importe)), texto(e.atributo("Importe")));
            QCOMPARE(texto(filas.at(j).valor(D::col_Tasa)), texto(e.atributo("TasaOCuota")));
            QCOMPARE(texto(filas.at(j).valor(D::col_Importebase)), texto(e.atributo("Base")));
        }
        QCOMPARE(texto(c->valor(TComprobante::col_Totalimpuestostrasladados)),
                 texto(impuestos.atributo("TotalImpuestosTrasladados")));
        QCOMPARE(texto(c->valor(TComprobante::col_Totalimpuestosretenidos)),
                 texto(impuestos.atributo("TotalImpuestosRetenidos")));
    }

    void comprobanteCompleto40()
    {
        m_programa->instalaCatalogo();
        const TComprobante c = guardaArchivo(QStringLiteral("propios/completo-40.xml"), m_conexion, m_negocio);

        QCOMPARE(
            (QStringList{c.getExportacion(), c.getFacatradquirente(), c.getPeriodicidadglobal(), c.getMesesglobal(),
                         QString::number(c.getAnioglobal()), c.getRfcprovcertif(), c.getNombrereceptor(),
                         c.getRegimenfiscalreceptor(), c.getDomiciliofiscalreceptor(), c.getUsocfdi()})
                .join(QLatin1Char('|')),
            QStringLiteral("01|0123456789|04|03|2024|SPR190613I52|PUBLICO EN GENERAL|616|20000|S01"));
        // Catalogue rows the business lacked, with the SAT's texts.
        QCOMPARE(c.getFormapago()->getDescripcion(), QStringLiteral("Tarjeta de débito"));
        QCOMPARE(c.getMetodopago()->getDescripcion(), QStringLiteral("Pago en una sola exhibición"));

        // The receiver as a customer of the business, with its fiscal address.
        const std::shared_ptr<TCliente> cliente = c.getCliente();
        QCOMPARE(cliente->getNegocioId(), m_negocio.getIdnegocio());
        const std::shared_ptr<TDatosfiscales> fiscales = cliente->getDatosfiscales();
        const std::shared_ptr<TDireccion> direccion = fiscales->getDireccion();
        QCOMPARE((QStringList{cliente->getUsocfdi(), cliente->getPersona()->getNombre(), fiscales->getRazon(),
                              fiscales->getRegimen(), direccion->getEstado(), direccion->getCodigoPostal()->getCp(),
                              direccion->getCodigoPostal()->getMunicipio()})
                     .join(QLatin1Char('|')),
                 QStringLiteral("S01|PUBLICO EN GENERAL|PUBLICO EN GENERAL|616|AGU - Aguascalientes|20000|"
                                "001 - Aguascalientes"));

        QStringList relacionados;
        for (const TCfdirelacionado& r : de<TCfdirelacionado>(c, TCfdirelacionado::col_Comprobante, m_conexion))
            relacionados << r.getTiporelacion() + QLatin1Char(' ') + r.getUuid();
        QCOMPARE(relacionados, QStringList({QStringLiteral("04 A39DA66B-52CA-49E3-879B-5C05185B0EF7"),
                                            QStringLiteral("04 ED1752FE-E865-4FF2-BFE1-0F552E770DC9"),
                                            QStringLiteral("07 96B0ED9E-4F1A-43B0-B720-F77663891C68")}));
        QCOMPARE(
            TCfdirelacionado::getByUUID(QStringLiteral(" ed1752fe-e865-4ff2-bfe1-0f552e770dc9"), m_conexion).size(), 1);

        using L = TComprobanteconcepto;
        const QList<L> lineas = de<L>(c, L::col_Idcomprobante, m_conexion);
        QCOMPARE(lineas.size(), 2);
        const L& primera = lineas.at(0);
        QCOMPARE(
            (QStringList{primera.getCuentapredial(), primera.getCuentaspredial(), primera.getRfcacuentaterceros(),
                         primera.getNombreacuentaterceros(), primera.getRegimenfiscalacuentaterceros(),
                         primera.getDomiciliofiscalacuentaterceros(), primera.getIdunidad()->getNombreunidadmedida()})
                .join(QLatin1Char('|')),
            QStringLiteral("1234|1234\n5678|JUFA7608212V6|ADRIANA JUAREZ FERNANDEZ|612|29133|Kit"));
        // A line without Unidad is given the unit of its SAT key.
        QCOMPARE(lineas.at(1).getIdunidad()->getNombreunidadmedida(), QStringLiteral("E48"));
        QCOMPARE(lineas.at(1).getCuentapredial(), QString());

        // The part: a product of the business under the line's product, with its customs entry.
        const std::unique_ptr<TConcepto> parte =
            TConcepto::getByDescripcion_Negocio(QStringLiteral("Tornillo de ejemplo"), m_negocio, m_conexion, true);
        QVERIFY(parte);
        QCOMPARE(parte->getConceptoPadreId(), lineas.at(0).getIdconceptoId());
        QCOMPARE(parte->getPrecioventa().texto(2), QStringLiteral("0.20"));
        QCOMPARE(parte->getNumidentificacion(), QStringLiteral("P-1"));
        const QList<TPedimentoaduanal> pedimentos =
            de<TPedimentoaduanal>(c, TPedimentoaduanal::col_Idcomprobante, m_conexion);
        QCOMPARE(pedimentos.size(), 1);
        QCOMPARE(pedimentos.at(0).getParteId(), parte->getIdconcepto());
        QCOMPARE(pedimentos.at(0).getIdcomprobanteconceptoId(), lineas.at(0).getIdcomprobanteconcepto());

        // Breakdown of the voucher: federal rows, then the local ones.
        QStringList desglose;
        for (const TDesgloseimpuesto& d : desgloseDelComprobante(c, m_conexion))
            desglose << QStringLiteral("%1 %2 %3 %4 %5 %6")
                            .arg(d.getTipoimpuesto(), d.getNombre(), d.getTipofactor(),
                                 texto(d.valor(TDesgloseimpuesto::col_Tasa)),
                                 texto(d.valor(TDesgloseimpuesto::col_Importebase)),
                                 texto(d.valor(TDesgloseimpuesto::col_Importe)));
        QCOMPARE(desglose, QStringList({QStringLiteral("Retenido ISR  <vacío> <vacío> 115.01"),
                                        QStringLiteral("Trasladado IVA Tasa 0.16 1150.05 184.01"),
                                        QStringLiteral("Trasladado IEPS Cuota 1.6 3 4.8"),
                                        QStringLiteral("Trasladado IVA Exento <vacío> 100.2 <vacío>"),
                                        QStringLiteral("Retenido ISN  2 <vacío> 23"),
                                        QStringLiteral("Trasladado ISH  3 <vacío> 34.5")}));

        // Catalogue taxes by abbreviation and rate: IVA at 16 %, exempt IVA, the
        // voucher's ISR withholding (no rate), the line's ISR at 10 %, IEPS, and
        // the two local taxes by their names.
        QCOMPARE(TImpuesto::cuenta(TCondicion(), m_conexion), 7);
        QVERIFY(TImpuesto::getBySiglaAndTasa(QStringLiteral("ISR"), TImpuesto::tasaRetenido(), m_conexion));
        QVERIFY(TImpuesto::getBySiglaAndTasa(QStringLiteral("IVA"), std::nullopt, m_conexion));
        const std::unique_ptr<TImpuesto> isn =
            TImpuesto::getBySiglaAndTasa(QStringLiteral("ISN"), TDecimal::desdeTexto(QStringLiteral("2")), m_conexion);
        QVERIFY(isn);
        QCOMPARE(isn->getNombreimpuesto(), QStringLiteral("ISN"));
        QCOMPARE(isn->getTipoimpuesto(), TImpuesto::TIPO_IMPUESTO_RETENIDO);
        QCOMPARE(isn->getClaveimpuesto(), QString());
    }

    // A second voucher finds what the first added to the catalogues: taxes
    // (local ones by name and rate), units, products and their parts, payment
    // forms and the customer.
    void catalogosReutilizados_data()
    {
        QTest::addColumn<QString>("archivo");
        QTest::addColumn<QStringList>("locales");
        QTest::newRow("3.3 implocal") << "cfdi33-real.xml" << QStringList{"Trasladado IH 2.5 27.43 Trasladado"};
        QTest::newRow("3.3 con parte") << "cfdi33-valid.xml" << QStringList{};
        QTest::newRow("4.0 completo") << "propios/completo-40.xml"
                                      << QStringList{"Retenido ISN 2 23 Retenido", "Trasladado ISH 3 34.5 Trasladado"};
    }
    void catalogosReutilizados()
    {
        QFETCH(QString, archivo);
        QFETCH(QStringList, locales);
        guardaArchivo(archivo, m_conexion, m_negocio);
        const QMap<QString, int> antes = cuentaFilas(m_conexion);
        const TComprobante segundo = guardaArchivo(archivo, m_conexion, m_negocio);
        const QMap<QString, int> despues = cuentaFilas(m_conexion);
        for (const char* catalogo : {"IMPUESTO", "UNIDADMEDIDA", "CONCEPTO", "FORMAPAGO", "METODOPAGO", "CLIENTE",
                                     "DATOSFISCALES", "PERSONA", "CODIGOPOSTAL", "DIRECCION"})
            QVERIFY2(despues.value(QLatin1String(catalogo)) == antes.value(QLatin1String(catalogo)), catalogo);
        QCOMPARE(despues.value(QStringLiteral("COMPROBANTE")), 2);
        QCOMPARE(despues.value(QStringLiteral("DESGLOSEIMPUESTO")),
                 2 * antes.value(QStringLiteral("DESGLOSEIMPUESTO")));
        QCOMPARE(despues.value(QStringLiteral("PEDIMENTOADUANAL")),
                 2 * antes.value(QStringLiteral("PEDIMENTOADUANAL")));

        // Local taxes are rows of the voucher without SAT code; the catalogue
        // keeps them by name and rate, as the kind they were first met.
        QStringList leidos;
        for (const TDesgloseimpuesto& d : desgloseDelComprobante(segundo, m_conexion))
            if (d.getClaveimpuesto().isEmpty())
                leidos << QStringLiteral("%1 %2 %3 %4 %5")
                              .arg(d.getTipoimpuesto(), d.getNombre(), d.getTasa().texto(), d.getImporte().texto(),
                                   d.getImpuesto()->getTipoimpuesto());
        QCOMPARE(leidos, locales);
    }

    // One customer per RFC within the business: a later voucher completes what
    // it lacks (a 3.3 receiver has no regime or address) and changes nothing
    // else, while each voucher keeps what it said.
    void mismoReceptorUnCliente()
    {
        const TComprobante primero = guardaArchivo(QStringLiteral("cfdi33-valid.xml"), m_conexion, m_negocio);
        const TComprobante segundo = guardaArchivo(QStringLiteral("cfdi40-real.xml"), m_conexion, m_negocio);
        const TComprobante tercero =
            guardaArchivo(QStringLiteral("created-with-discounts-40.xml"), m_conexion, m_negocio);

        QCOMPARE(TCliente::cuenta(TCondicion(), m_conexion), 1);
        QCOMPARE(segundo.getClienteId(), primero.getClienteId());
        QCOMPARE(tercero.getClienteId(), primero.getClienteId());
        const std::unique_ptr<TCliente> cliente =
            TCliente::getByRFC(QStringLiteral(" COSC8001137NA"), m_negocio, m_conexion);
        QVERIFY(cliente);
        QCOMPARE(cliente->getUsocfdi(), QStringLiteral("G01"));
        QCOMPARE(cliente->getDatosfiscales()->getRazon(), QStringLiteral("CARLOS CORTES SOTO"));
        QCOMPARE(cliente->getDatosfiscales()->getRegimen(), QStringLiteral("612"));
        QCOMPARE(cliente->getDatosfiscales()->getDireccion()->getCodigoPostal()->getCp(), QStringLiteral("52176"));
        QCOMPARE(segundo.getUsocfdi(), QStringLiteral("G03"));
        QCOMPARE(tercero.getNombrereceptor(), QStringLiteral("Carlos Cortés Soto"));
        QCOMPARE(tercero.getDomiciliofiscalreceptor(), QStringLiteral("52000"));

        // Another business of the same database has customers of its own.
        TNegocio otro;
        otro.setNombre(QStringLiteral("Otro"));
        otro = TNegocio::saveOrUpdate(otro, TUnidadTrabajo(m_conexion, 1));
        QVERIFY(!TCliente::getByRFC(QStringLiteral("COSC8001137NA"), otro, m_conexion));
    }

    // Amounts as texto() writes them; perceptions, deductions, other payments
    // and disabilities one text a row, in the order they are stored.
    void nomina_data()
    {
        QTest::addColumn<QString>("archivo");
        // The receipt.
        QTest::addColumn<QString>("tipoNomina");
        QTest::addColumn<QDate>("fechaPago");
        QTest::addColumn<QDate>("fechaInicialPago");
        QTest::addColumn<QDate>("fechaFinalPago");
        QTest::addColumn<QString>("diasPagados");
        QTest::addColumn<QString>("totalPercepciones");
        QTest::addColumn<QString>("totalDeducciones");
        QTest::addColumn<QString>("totalOtrosPagos");
        QTest::addColumn<QString>("totalSueldos");
        QTest::addColumn<QString>("totalGravado");
        QTest::addColumn<QString>("totalExento");
        QTest::addColumn<QString>("totalSeparacion");
        QTest::addColumn<QString>("totalJubilacion");
        QTest::addColumn<QString>("totalOtrasDeducciones");
        QTest::addColumn<QString>("totalRetenidos");
        QTest::addColumn<int>("banco");
        QTest::addColumn<QString>("clabe");
        QTest::addColumn<QString>("registroPatronal");
        QTest::addColumn<QString>("rfcPatronOrigen");
        QTest::addColumn<QString>("curpEmisor");
        QTest::addColumn<QString>("antiguedad");
        // The employee.
        QTest::addColumn<QString>("curp");
        QTest::addColumn<QString>("numEmpleado");
        QTest::addColumn<QString>("numSeguroSocial");
        QTest::addColumn<QString>("tipoRegimen");
        QTest::addColumn<QString>("tipoContrato");
        QTest::addColumn<QString>("tipoJornada");
        QTest::addColumn<QString>("periodicidad");
        QTest::addColumn<QString>("departamento");
        QTest::addColumn<QString>("puesto");
        QTest::addColumn<int>("riesgoPuesto");
        QTest::addColumn<QString>("salarioBase");
        QTest::addColumn<QString>("salarioDiario");
        QTest::addColumn<QDate>("inicioRelacion");
        QTest::addColumn<int>("bancoEmpleado");
        QTest::addColumn<QString>("clabeEmpleado");
        QTest::addColumn<QString>("sindicalizado");
        QTest::addColumn<QString>("entidad");
        // The rows under the receipt.
        QTest::addColumn<QStringList>("percepciones");
        QTest::addColumn<QStringList>("deducciones");
        QTest::addColumn<QStringList>("otrosPagos");
        QTest::addColumn<QStringList>("incapacidades");
        const QString monto = QStringLiteral("123.45");
        const QString vacio = QStringLiteral("<vacío>");
        QTest::newRow("ejemplo SAT")
            << QStringLiteral("cfdv40-nomina12.xml")
            // The receipt.
            << QStringLiteral("O") << QDate(2016, 10, 15) << QDate(2016, 10, 1) << QDate(2016, 10, 15)
            << QStringLiteral("15") << monto << monto << monto << monto << monto << monto << monto << monto << monto
            << monto << 2 << QStringLiteral("1234567890") << QStringLiteral("E23-12345-12-1")
            << QStringLiteral("AAA010101AAA") << QStringLiteral("OAAJ840102HJCVRN00")
            << QStringLiteral("P3Y2M23D")
            // The employee.
            << QStringLiteral("OAAJ840102HJCVRN00") << QStringLiteral("001") << QStringLiteral("123456789012345")
            << QStringLiteral("03") << QStringLiteral("01") << QStringLiteral("02") << QStringLiteral("04")
            << QStringLiteral("001") << QStringLiteral("Programador") << 3 << monto << monto << QDate(2013, 4, 11) << 2
            << QStringLiteral("1234567890") << QStringLiteral("Sí")
            << QStringLiteral("AGU")
            // The rows under the receipt.
            << QStringList{QStringLiteral("001 AAA Sueldo Regular 89 90"),
                           QStringLiteral("005 BBB Sueldo Regular 89 90")}
            << QStringList{QStringLiteral("001 XXX Deduccion Semanal 10"),
                           QStringLiteral("100 YYY Deduccion Semanal 10")}
            << QStringList{QStringLiteral("001 003 Otro pago 111 1234.56 1234.56 12345.67 2016 1234.56"),
                           QStringLiteral("002 003 Otro pago 222 1234.56 1234.56 123.45 2016 123.45")}
            << QStringList{QStringLiteral("1 01 22.45"), QStringLiteral("2 02 22.45")};
        QTest::newRow("compensacion")
            << QStringLiteral("cfdi40-nomina-compensacion-valid.xml")
            // The receipt.
            << QStringLiteral("O") << QDate(2026, 1, 14) << QDate(2026, 1, 1) << QDate(2026, 1, 15)
            << QStringLiteral("15") << QStringLiteral("15000") << QStringLiteral("2689.23") << QStringLiteral("263.63")
            << QStringLiteral("15000") << QStringLiteral("15000") << QStringLiteral("0") << vacio << vacio
            << QStringLiteral("416.98") << QStringLiteral("2272.25") << 0 << QString() << QStringLiteral("A0000000000")
            << QString() << QString()
            << QStringLiteral("P63W")
            // The employee.
            << QStringLiteral("XAXX010101HDFXXX01") << QStringLiteral("0001") << QStringLiteral("00000000000")
            << QStringLiteral("02") << QStringLiteral("01") << QStringLiteral("01") << QStringLiteral("04")
            << QStringLiteral("Ninguno") << QStringLiteral("Ninguno") << 1 << QStringLiteral("1050.68")
            << QStringLiteral("1000") << QDate(2024, 10, 28) << 0 << QString() << QStringLiteral("No")
            << QStringLiteral("CMX")
            // The rows under the receipt.
            << QStringList{QStringLiteral("001 001 Sueldo 15000 0")}
            << QStringList{QStringLiteral("001 052 I.M.S.S. 416.98"), QStringLiteral("002 045 I.S.R. mes 2272.25")}
            << QStringList{QStringLiteral("999 099 Ajuste al neto 0.13 <vacío> <vacío> 0 <vacío>"),
                           QStringLiteral("002 035 Subs al Empleo mes 0 0 <vacío> 0 <vacío>"),
                           QStringLiteral("004 055 I.S.R. a compensar 263.5 <vacío> 263.5 2025 0")}
            << QStringList{};
    }
    void nomina()
    {
        QFETCH(QString, archivo);
        const TComprobante c = guardaArchivo(archivo, m_conexion, m_negocio);

        using N = TNominacomprobante;
        const QList<N> recibos = de<N>(c, N::col_Comprobante, m_conexion);
        QCOMPARE(recibos.size(), 1);
        const N& r = recibos.first();
        const auto d = [](const N& n, int col) { return texto(n.valor(col)); };
        QFETCH(QString, tipoNomina);
        QFETCH(QDate, fechaPago);
        QFETCH(QDate, fechaInicialPago);
        QFETCH(QDate, fechaFinalPago);
        QFETCH(QString, diasPagados);
        QFETCH(QString, totalPercepciones);
        QFETCH(QString, totalDeducciones);
        QFETCH(QString, totalOtrosPagos);
        QFETCH(QString, totalSueldos);
        QFETCH(QString, totalGravado);
        QFETCH(QString, totalExento);
        QFETCH(QString, totalSeparacion);
        QFETCH(QString, totalJubilacion);
        QFETCH(QString, totalOtrasDeducciones);
        QFETCH(QString, totalRetenidos);
        QFETCH(int, banco);
        QFETCH(QString, clabe);
        QFETCH(QString, registroPatronal);
        QFETCH(QString, rfcPatronOrigen);
        QFETCH(QString, curpEmisor);
        QFETCH(QString, antiguedad);
        QCOMPARE(r.getTiponomina(), tipoNomina);
        QCOMPARE(r.getFechapago(), fechaPago);
        QCOMPARE(r.getFechainicialpago(), fechaInicialPago);
        QCOMPARE(r.getFechafinalpago(), fechaFinalPago);
        QCOMPARE(d(r, N::col_Numdiaspagados), diasPagados);
        QCOMPARE(d(r, N::col_Totalpercepciones), totalPercepciones);
        QCOMPARE(d(r, N::col_Totaldeducciones), totalDeducciones);
        QCOMPARE(d(r, N::col_Totalotrospagos), totalOtrosPagos);
        QCOMPARE(d(r, N::col_Totalsueldos), totalSueldos);
        QCOMPARE(d(r, N::col_Totalgravado), totalGravado);
        QCOMPARE(d(r, N::col_Totalexento), totalExento);
        QCOMPARE(d(r, N::col_Totalseparacionindemnizacion), totalSeparacion);
        QCOMPARE(d(r, N::col_Totaljubilacionpensionretiro), totalJubilacion);
        QCOMPARE(d(r, N::col_Totalotrasdeducciones), totalOtrasDeducciones);
        QCOMPARE(d(r, N::col_Totalimpuestosretenidos), totalRetenidos);
        QCOMPARE(r.getBanco(), banco);
        QCOMPARE(r.getClabe(), clabe);
        QCOMPARE(r.getRegistropatronal(), registroPatronal);
        QCOMPARE(r.getRfcpatronorigen(), rfcPatronOrigen);
        QCOMPARE(r.getCurpemisor(), curpEmisor);
        QCOMPARE(r.getAntiguedad(), antiguedad);
        QCOMPARE(r.getUuid(), c.getUuid());
        QCOMPARE(r.getTotal(), c.getTotal());
        QCOMPARE(r.getSubtotal(), c.getSubtotal());
        QCOMPARE(texto(r.valor(N::col_Descuento)), texto(c.valor(TComprobante::col_Descuentogeneral)));
        QCOMPARE(r.getVersion().texto(1), QStringLiteral("1.2"));
        QCOMPARE(r.getFechaemision(), c.getFechaemision());
        QCOMPARE(r.getNominaxml(), c.getComprobantexml());
        QCOMPARE(r.getPathxml(), c.getPathxml());
        QCOMPARE(r.getMetodopagoId(), c.getMetodopagoId());
        QCOMPARE(r.getFechacancelacion(), TComprobante::fechaSinCancelar());

        const QList<TNominacomprobanteempleado> enlaces = TNominacomprobanteempleado::busca(
            TNominacomprobanteempleado::columna(TNominacomprobanteempleado::col_NominaComprobante) == r, m_conexion);
        QCOMPARE(enlaces.size(), 1);
        const std::shared_ptr<TEmpleado> e = enlaces.first().getEmpleado();
        QFETCH(QString, curp);
        QFETCH(QString, numEmpleado);
        QFETCH(QString, numSeguroSocial);
        QFETCH(QString, tipoRegimen);
        QFETCH(QString, tipoContrato);
        QFETCH(QString, tipoJornada);
        QFETCH(QString, periodicidad);
        QFETCH(QString, departamento);
        QFETCH(QString, puesto);
        QFETCH(int, riesgoPuesto);
        QFETCH(QString, salarioBase);
        QFETCH(QString, salarioDiario);
        QFETCH(QDate, inicioRelacion);
        QFETCH(int, bancoEmpleado);
        QFETCH(QString, clabeEmpleado);
        QFETCH(QString, sindicalizado);
        QFETCH(QString, entidad);
        QCOMPARE(e->getCurp(), curp);
        QCOMPARE(e->getNumempleado(), numEmpleado);
        QCOMPARE(e->getNumsegurosocial(), numSeguroSocial);
        QCOMPARE(e->getTiporegimen(), tipoRegimen);
        QCOMPARE(e->getTipoconrato(), tipoContrato);
        QCOMPARE(e->getTipojornada(), tipoJornada);
        QCOMPARE(e->getPeriodicidadpago(), periodicidad);
        QCOMPARE(e->getDepartamento(), departamento);
        QCOMPARE(e->getPuesto(), puesto);
        QCOMPARE(e->getRiesgopuesto(), riesgoPuesto);
        QCOMPARE(e->getSalariobasecotapor(), salarioBase);
        QCOMPARE(texto(e->valor(TEmpleado::col_Salariodiariointegrado)), salarioDiario);
        QCOMPARE(e->getFechainiciorelacionlaboral(), inicioRelacion);
        QCOMPARE(e->getBanco(), bancoEmpleado);
        QCOMPARE(e->getClabe(), clabeEmpleado);
        QCOMPARE(e->getSindicalizado(), sindicalizado);
        QCOMPARE(e->getClaveentfed(), entidad);
        QCOMPARE(e->getIdnegocioId(), m_negocio.getIdnegocio());
        QCOMPARE(e->getDatosfiscalesId(), c.getCliente()->getDatosfiscalesId());

        QFETCH(QStringList, percepciones);
        QFETCH(QStringList, deducciones);
        QFETCH(QStringList, otrosPagos);
        QFETCH(QStringList, incapacidades);
        QStringList leidas;
        for (const TPercepcion& p :
             TPercepcion::busca(TPercepcion::columna(TPercepcion::col_Idrecibonomina) == r, m_conexion))
            leidas << QStringLiteral("%1 %2 %3 %4 %5")
                          .arg(p.getTipopercepcion(), p.getClave(), p.getConcepto(),
                               texto(p.valor(TPercepcion::col_Importegravado)),
                               texto(p.valor(TPercepcion::col_Importeexcento)));
        QCOMPARE(leidas, percepciones);
        leidas.clear();
        for (const TDeduccion& x : TDeduccion::busca(TDeduccion::columna(TDeduccion::col_Reciboj) == r, m_conexion))
            leidas << QStringLiteral("%1 %2 %3 %4")
                          .arg(x.getTipodeduccion(), x.getClave(), x.getConcepto(), x.getImportegravado().texto());
        QCOMPARE(leidas, deducciones);
        leidas.clear();
        for (const TOtropago& o : TOtropago::busca(TOtropago::columna(TOtropago::col_Idrecibonomina) == r, m_conexion))
            leidas << QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8")
                          .arg(o.getTipootropago(), o.getClave(), o.getConcepto(),
                               texto(o.valor(TOtropago::col_Importe)), texto(o.valor(TOtropago::col_Subsidiocausado)),
                               texto(o.valor(TOtropago::col_Saldoafavor)), QString::number(o.getAnio()),
                               texto(o.valor(TOtropago::col_Remanentesalfav)));
        QCOMPARE(leidas, otrosPagos);
        leidas.clear();
        for (const TIncapacidad& i :
             TIncapacidad::busca(TIncapacidad::columna(TIncapacidad::col_Idrecibonomina) == r, m_conexion))
            leidas << QStringLiteral("%1 %2 %3")
                          .arg(QString::number(i.getDiasincapacidad()), i.getTipoincapacidad(),
                               i.getImportemonetario().texto());
        QCOMPARE(leidas, incapacidades);

        // A second receipt of the same employee links the stored employee.
        const TComprobante otro = guardaArchivo(archivo, m_conexion, m_negocio);
        QCOMPARE(TEmpleado::cuenta(TCondicion(), m_conexion), 1);
        QCOMPARE(TNominacomprobante::cuenta(TCondicion(), m_conexion), 2);
        QVERIFY(otro.getIdcomprobante() != c.getIdcomprobante());
    }

    // The payroll 1.2 receipt of a voucher stored by the 3.2 mapping, which
    // knows no emission date: the stamp date stands in.
    void nominaDeComprobanteGuardado()
    {
        TComprobante comprobante;
        comprobante.setNegocio(m_negocio);
        comprobante.setUuid(QStringLiteral("3F2504E0-4F89-11D3-9A0C-0305E82C3301"));
        comprobante.setFechatimbrado(QDateTime(QDate(2016, 10, 16), QTime(9, 30)));
        comprobante.setTotal(TDecimal::desdeTexto(QStringLiteral("1000.10")));
        comprobante = TComprobante::saveOrUpdate(comprobante, TUnidadTrabajo(m_conexion, 1));

        const TDocumentoXML documento = TDocumentoXML::desdeArchivo(ruta(QStringLiteral("cfdv40-nomina12.xml")));
        TSaveComprobante guardador{QString(), QString()};
        guardador.setConexion(m_conexion);
        guardador.setUsuario(3);
        {
            TPuntoGuardado punto(m_conexion);
            guardador.guardarNomina(Nomina12::deComprobante(documento.raiz()).last(), comprobante, m_negocio);
            punto.confirma();
        }
        const std::unique_ptr<TNominacomprobante> recibo = TNominacomprobante::buscaUno(
            TNominacomprobante::columna(TNominacomprobante::col_Comprobante) == comprobante, m_conexion);
        QVERIFY(recibo);
        QCOMPARE(recibo->getFechaemision(), comprobante.getFechatimbrado());
        QCOMPARE(recibo->getUuid(), comprobante.getUuid());
        QCOMPARE(recibo->getTotal().texto(2), QStringLiteral("1000.10"));
        QCOMPARE(recibo->getUltimamodificacionpor(), 3);
        QCOMPARE(TPercepcion::cuenta(TCondicion(), m_conexion), 2);
        QVERIFY(TEmpleado::getByCURP(QStringLiteral("OAAJ840102HJCVRN00 "), m_conexion));
    }

    void donataria()
    {
        const TComprobante c = guardaArchivo(QStringLiteral("cfdv40-donat11.xml.xml"), m_conexion, m_negocio);
        const std::shared_ptr<TDonataria> d = c.getDonataria();
        QVERIFY(d);
        QCOMPARE(d->getVersion(), QStringLiteral("1.1"));
        QCOMPARE(d->getNoautorizacion(), QStringLiteral("123456ABC"));
        QCOMPARE(d->getFechaautorizacion(), QDateTime(QDate(1973, 4, 4), QTime(0, 0)));
        QVERIFY(d->getLeyenda().startsWith(QStringLiteral("Este comprobante ampara un donativo")));
        QVERIFY(d->getLeyenda().endsWith(QStringLiteral("en los términos de las disposiciones fiscales.")));
        QCOMPARE(de<TCfdirelacionado>(c, TCfdirelacionado::col_Comprobante, m_conexion).size(), 1);
        // The business's own RFC in the file has a blank in front; the receiver is kept trimmed.
        QCOMPARE(c.getRfcreceptor(), QStringLiteral("BASJ600902KL9"));
    }

    // A file's work is one unit: a failure in the middle of a voucher undoes
    // all of it, and only it, when the caller keeps a batch transaction open.
    void fallaEnMedioNoDejaNada()
    {
        QFile archivo(ruta(QStringLiteral("cfdi40-nomina-compensacion-valid.xml")));
        QVERIFY(archivo.open(QIODevice::ReadOnly));
        QByteArray bytes = archivo.readAll();
        // The last perception's exempt amount is not a number: the voucher, its
        // customer, lines, receipt and employee are saved by then.
        bytes.replace("ImporteExento=\"0.00\"/>", "ImporteExento=\"0,00\"/>");
        const TDocumentoXML roto = TDocumentoXML::desdeBytes(bytes);

        const QMap<QString, int> vacia = cuentaFilas(m_conexion);
        QVERIFY_THROWS_EXCEPTION(EConversion, guardaDocumento(roto, m_conexion, m_negocio));
        QCOMPARE(cuentaFilas(m_conexion), vacia);

        TTransaccion lote(m_conexion);
        const TComprobante bueno = guardaArchivo(QStringLiteral("cfdi40-real.xml"), m_conexion, m_negocio);
        const QMap<QString, int> conUno = cuentaFilas(m_conexion);
        QVERIFY_THROWS_EXCEPTION(EConversion, guardaDocumento(roto, m_conexion, m_negocio));
        QCOMPARE(cuentaFilas(m_conexion), conUno);
        lote.commit();
        Conexiones::cierra(m_conexion);
        QCOMPARE(cuentaFilas(m_conexion), conUno);
        QVERIFY(TComprobante::getById(bueno.getIdcomprobante(), m_conexion));
    }

    void sinTransaccionNoGuarda()
    {
        const QMap<QString, int> antes = cuentaFilas(m_conexion);
        const TDocumentoXML documento = TDocumentoXML::desdeArchivo(ruta(QStringLiteral("cfdi40-real.xml")));
        TSaveComprobante4 guardador(QStringLiteral("x.xml"), QString());
        guardador.setConexion(m_conexion);
        guardador.setNegocio(m_negocio);
        QVERIFY_THROWS_EXCEPTION(EBaseDatos, guardador.SaveBD(Cfdv40::GetComprobante(documento)));
        QCOMPARE(cuentaFilas(m_conexion), antes);
    }
};

QTEST_GUILESS_MAIN(TstGuardado)
#include "tst_guardado.moc"
