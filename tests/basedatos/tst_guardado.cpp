#include "CarpetaPrograma.h"
#include "Cfdi.h"
#include "CitaSql.h"
#include "Conexiones.h"
#include "Constantes.h"
#include "Entidades.h"
#include "Errores.h"
#include "Nomina12.h"
#include "TBaseDatosCatalogosFrm.h"
#include "TCacheCatalogos.h"
#include "TSaveComprobante4.h"

#include <QSqlQuery>
#include <QTest>

#include <algorithm>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

QString ruta(const QString& archivo)
{
    return QStringLiteral(VELKOR_DATOS_PRUEBA "/cfdi/") + archivo;
}

TNegocio negocioDePrueba(const TConexionSesion& conexion)
{
    const TUnidadTrabajo trabajo(conexion, 1);
    TDatosfiscales fiscales;
    fiscales.setRfc(u"EKU9003173C9"_s);
    fiscales = TDatosfiscales::saveOrUpdate(fiscales, trabajo);
    TNegocio negocio;
    negocio.setNombre(u"Escuela Kemper Urgate"_s);
    negocio.setDatosfiscales(fiscales);
    return TNegocio::saveOrUpdate(negocio, trabajo);
}

template <class Guardador, class Comprobante>
TComprobante guardaCon(const Comprobante& raiz, const Nomina12::IXMLNomina& nomina, const TConexionSesion& conexion,
                       const TNegocio& negocio, TCacheCatalogos* catalogos)
{
    Guardador guardador(u"Facturas/EKU9003173C9/XML/%1.xml"_s.arg(Cfdi::uuid(raiz).toUpper()), QString());
    guardador.setConexion(conexion);
    guardador.setNegocio(negocio);
    guardador.setUsuario(7);
    guardador.setUni(BaseDatosCatalogosFrm());
    if (catalogos)
        guardador.setCatalogos(*catalogos);
    return guardador.SaveBD(raiz, nomina);
}

// What the import does for one file of version 3.3 or 4.0: the saver of the
// version, inside the file's savepoint, given the voucher's last payroll 1.2
// complement and, when there is one, the job's catalogue records.
TComprobante guardaDocumento(const TDocumentoXML& documento, const TConexionSesion& conexion, const TNegocio& negocio,
                             TCacheCatalogos* catalogos = nullptr)
{
    const QList<Nomina12::IXMLNomina> nominas = Nomina12::deComprobante(documento.raiz());
    const Nomina12::IXMLNomina nomina = nominas.isEmpty() ? Nomina12::IXMLNomina() : nominas.last();
    TPuntoGuardado punto(conexion);
    const TComprobante guardado =
        Cfdi::versionPorContenido(documento.raiz()) == Constantes::CFDI_40
            ? guardaCon<TSaveComprobante4>(Cfdv40::GetComprobante(documento), nomina, conexion, negocio, catalogos)
            : guardaCon<TSaveComprobante>(Cfdv33::GetComprobante(documento), nomina, conexion, negocio, catalogos);
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
    return valor.isNull() ? u"<vacío>"_s : valor.value<TDecimal>().texto();
}
QString texto(const QString& atributo)
{
    return atributo.isEmpty() ? u"<vacío>"_s : TDecimal::desdeTexto(atributo).texto();
}

// A tax row, and the taxes a file writes under `nodo`, as "kind|tax|factor|base|rate|amount";
// the voucher's breakdown does not keep the file's factor.
QString impuesto(const TDesgloseimpuesto& d, bool conFactor)
{
    using D = TDesgloseimpuesto;
    return u"%1|%2|%3|%4|%5|%6"_s.arg(d.getTipoimpuesto(), d.getClaveimpuesto(),
                                      conFactor ? d.getTipofactor() : QString(), texto(d.valor(D::col_Importebase)),
                                      texto(d.valor(D::col_Tasa)), texto(d.valor(D::col_Importe)));
}
QStringList impuestos(const TNodoXML& nodo, bool retencionesPrimero, bool conFactor)
{
    QStringList traslados, retenciones;
    const auto fila = [&](const QString& tipo, const TNodoXML& e) {
        return u"%1|%2|%3|%4|%5|%6"_s.arg(tipo, e.atributo("Impuesto"),
                                          conFactor ? e.atributo("TipoFactor") : QString(), texto(e.atributo("Base")),
                                          texto(e.atributo("TasaOCuota")), texto(e.atributo("Importe")));
    };
    for (const TNodoXML& t : nodo.hijoPropio("Traslados").hijosPropios("Traslado"))
        traslados << fila(TImpuesto::TIPO_IMPUESTO_TRASLADADO, t);
    for (const TNodoXML& r : nodo.hijoPropio("Retenciones").hijosPropios("Retencion"))
        retenciones << fila(TImpuesto::TIPO_IMPUESTO_RETENIDO, r);
    return retencionesPrimero ? retenciones + traslados : traslados + retenciones;
}

QMap<QString, int> cuentaFilas(const TConexionSesion& conexion)
{
    QMap<QString, int> cuentas;
    for (const TTabla& t : Esquema::tablas()) {
        QSqlQuery q(Conexiones::baseDatos(conexion));
        if (!q.exec(u"SELECT COUNT(*) FROM %1"_s.arg(Esquema::cita(t.nombre))) || !q.next())
            qFatal("sin tabla %s", qPrintable(t.nombre));
        cuentas.insert(t.nombre, q.value(0).toInt());
    }
    return cuentas;
}

// The rows of T whose `columna` points at `padre`.
template <class T, class P> QList<T> de(const P& padre, int columna, const TConexionSesion& conexion)
{
    return T::busca(T::columna(typename T::Columna(columna)) == padre, conexion);
}

QList<TDesgloseimpuesto> desgloseDelComprobante(const TComprobante& c, const TConexionSesion& conexion)
{
    using D = TDesgloseimpuesto;
    return D::busca(D::columna(D::col_Comprobante) == c && D::columna(D::col_Comprobanteconcepto).esNulo(), conexion);
}

struct TCabecera {
    QString archivo, uuid, tipo, categoria, total, descuento, forma, metodo;
    QDateTime fecha, timbrado;
};

// One payroll receipt as the file writes it: amounts as texto() writes them;
// perceptions, deductions, other payments and disabilities one text a row, in
// the order they are stored.
struct TRecibo {
    QString archivo, tipoNomina;
    QDate fechaPago, fechaInicialPago, fechaFinalPago;
    QString diasPagados, totalPercepciones, totalDeducciones, totalOtrosPagos, totalSueldos, totalGravado, totalExento,
        totalSeparacion, totalJubilacion, totalOtrasDeducciones, totalRetenidos;
    int banco;
    QString clabe, registroPatronal, rfcPatronOrigen, curpEmisor, antiguedad;
    // The employee.
    QString curp, numEmpleado, numSeguroSocial, tipoRegimen, tipoContrato, tipoJornada, periodicidad, departamento,
        puesto;
    int riesgoPuesto;
    QString salarioBase, salarioDiario;
    QDate inicioRelacion;
    int bancoEmpleado;
    QString clabeEmpleado, sindicalizado, entidad;
    // The rows under the receipt.
    QStringList percepciones, deducciones, otrosPagos, incapacidades;
};

} // namespace

Q_DECLARE_METATYPE(TCabecera)
Q_DECLARE_METATYPE(TRecibo)

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
        QTest::addColumn<TCabecera>("f");
        const QString factura = TComprobante::CATEGORIA_FACTURA;
        const QString nomina = TComprobante::CATEGORIA_NOMINA;
        const QString pago = TComprobante::CATEGORIA_PAGO;
        const auto f = [](const char* archivo, const char* uuid, const char* tipo, const QString& categoria,
                          const char* total, const char* descuento, const char* forma, const char* metodo,
                          const char* fecha, const char* timbrado) {
            const auto u = [](const char* texto) { return QString::fromUtf8(texto); };
            QTest::newRow(archivo) << TCabecera(u(archivo), u(uuid), u(tipo), categoria, u(total), u(descuento),
                                                u(forma), u(metodo), QDateTime::fromString(u(fecha), Qt::ISODate),
                                                QDateTime::fromString(u(timbrado), Qt::ISODate));
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
        QFETCH(TCabecera, f);
        const TDocumentoXML documento = TDocumentoXML::desdeArchivo(ruta(f.archivo));
        const int id = guardaDocumento(documento, m_conexion, m_negocio).getIdcomprobante();

        const std::unique_ptr<TComprobante> c = TComprobante::getById(id, m_conexion);
        QVERIFY(c);
        const Cfdv33::TComprobanteComun raiz(documento.raiz());
        QCOMPARE(c->getUuid(), f.uuid);
        if (!f.uuid.isEmpty())
            QCOMPARE(TComprobante::getByUUIDAndNegocio(f.uuid.toLower(), m_negocio, m_conexion)->getIdcomprobante(),
                     id);
        QCOMPARE(c->getComprobantexml(), documento.bytes());
        QVERIFY(c->getPathxml().endsWith(f.uuid + u".xml"_s));
        const TNodoXML emisor = raiz.hijoPropio("Emisor");
        QCOMPARE(
            std::tuple(c->getVersion().texto(1), c->getTipocomprobante(), c->getCategoriacomprobante(),
                       c->getTotal().texto(), texto(c->valor(TComprobante::col_Descuentogeneral)),
                       texto(c->valor(TComprobante::col_Subtotal)), texto(c->valor(TComprobante::col_Tipodecambio)),
                       c->getFormapago() ? c->getFormapago()->getClave() : QString(),
                       c->getMetodopago() ? c->getMetodopago()->getCodigo() : QString(), c->getFechaemision(),
                       c->getFechatimbrado(), c->getFechacancelacion(), c->getEstatus(), c->getNegocioId(),
                       c->getUltimamodificacionpor(), c->getRfcreceptor(), c->getNombreemisor(),
                       c->getRegimenfiscalemisor()),
            std::tuple(raiz.Get_Version(), f.tipo, f.categoria, TDecimal::desdeTexto(f.total).texto(),
                       texto(f.descuento), texto(raiz.Get_SubTotal()), texto(raiz.Get_TipoCambio()), f.forma, f.metodo,
                       f.fecha, f.timbrado, TComprobante::fechaSinCancelar(), TComprobante::ESTADO_FACTURA_ACTIVA,
                       m_negocio.getIdnegocio(), 7, raiz.hijoPropio("Receptor").atributo("Rfc").trimmed(),
                       emisor.atributo("Nombre"), emisor.atributo("RegimenFiscal")));
        QCOMPARE((QStringList{c->getMoneda(), c->getSerie(), c->getFolio(), c->getLugarexpedicion(),
                              c->getCondicionesdepago(), c->getNocertificado(), c->getSellocfd(),
                              c->getNocertificadosat(), c->getSellosat()}),
                 (QStringList{raiz.Get_Moneda(), raiz.Get_Serie(), raiz.Get_Folio(), raiz.Get_LugarExpedicion(),
                              raiz.Get_CondicionesDePago(), raiz.Get_NoCertificado(), raiz.Get_Sello(),
                              Cfdi::timbre(raiz).Get_NoCertificadoSAT(), Cfdi::timbre(raiz).Get_SelloSAT()}));
        if (f.timbrado.isValid())
            QCOMPARE(c->getFechacreacion(), f.timbrado);
        QCOMPARE(c->getCliente()->getDatosfiscales()->getRfc(), c->getRfcreceptor());

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

            QStringList guardados;
            for (const D& d : de<D>(l, D::col_Comprobanteconcepto, m_conexion)) {
                guardados << impuesto(d, true);
                QCOMPARE(d.getComprobanteId(), c->getIdcomprobante());
                QCOMPARE(d.getIdimpuestofk(), d.getImpuestoId());
            }
            QCOMPARE(guardados, impuestos(x.hijoPropio("Impuestos"), false, true));

            // Every customs entry of the line, then those of its parts.
            QStringList pedimentos;
            for (const TNodoXML& p : x.hijosPropios("InformacionAduanera"))
                pedimentos << p.atributo("NumeroPedimento");
            for (const TNodoXML& parte : x.hijosPropios("Parte"))
                for (const TNodoXML& p : parte.hijosPropios("InformacionAduanera"))
                    pedimentos << parte.atributo("Descripcion") + u' ' + p.atributo("NumeroPedimento");
            guardados.clear();
            for (const TPedimentoaduanal& p :
                 de<TPedimentoaduanal>(l, TPedimentoaduanal::col_Idcomprobanteconcepto, m_conexion))
                guardados << (p.getParte() ? p.getParte()->getDescripcion() + u' ' : QString()) +
                                 p.getNumeropedimento();
            QCOMPARE(guardados, pedimentos);
        }

        // The voucher's breakdown: withholdings, then transfers, then local taxes.
        QStringList desglose;
        for (const D& d : desgloseDelComprobante(*c, m_conexion))
            if (!d.getClaveimpuesto().isEmpty())
                desglose << impuesto(d, false);
        const TNodoXML totales = documento.raiz().hijoPropio("Impuestos");
        QCOMPARE(desglose, impuestos(totales, true, false));
        QCOMPARE(texto(c->valor(TComprobante::col_Totalimpuestostrasladados)),
                 texto(totales.atributo("TotalImpuestosTrasladados")));
        QCOMPARE(texto(c->valor(TComprobante::col_Totalimpuestosretenidos)),
                 texto(totales.atributo("TotalImpuestosRetenidos")));
    }

    void comprobanteCompleto40()
    {
        m_programa->instalaCatalogo();
        const TComprobante c = guardaArchivo(u"propios/completo-40.xml"_s, m_conexion, m_negocio);

        QCOMPARE(
            (QStringList{c.getExportacion(), c.getFacatradquirente(), c.getPeriodicidadglobal(), c.getMesesglobal(),
                         QString::number(c.getAnioglobal()), c.getRfcprovcertif(), c.getNombrereceptor(),
                         c.getRegimenfiscalreceptor(), c.getDomiciliofiscalreceptor(), c.getUsocfdi()})
                .join(u'|'),
            u"01|0123456789|04|03|2024|SPR190613I52|PUBLICO EN GENERAL|616|20000|S01"_s);
        // Catalogue rows the business lacked, with the SAT's texts.
        QCOMPARE(c.getFormapago()->getDescripcion(), u"Tarjeta de débito"_s);
        QCOMPARE(c.getMetodopago()->getDescripcion(), u"Pago en una sola exhibición"_s);

        // The receiver as a customer of the business, with its fiscal address.
        const std::shared_ptr<TCliente> cliente = c.getCliente();
        QCOMPARE(cliente->getNegocioId(), m_negocio.getIdnegocio());
        const std::shared_ptr<TDatosfiscales> fiscales = cliente->getDatosfiscales();
        const std::shared_ptr<TDireccion> direccion = fiscales->getDireccion();
        QCOMPARE((QStringList{cliente->getUsocfdi(), cliente->getPersona()->getNombre(), fiscales->getRazon(),
                              fiscales->getRegimen(), direccion->getEstado(), direccion->getCodigoPostal()->getCp(),
                              direccion->getCodigoPostal()->getMunicipio()})
                     .join(u'|'),
                 QStringLiteral("S01|PUBLICO EN GENERAL|PUBLICO EN GENERAL|616|AGU - Aguascalientes|20000|"
                                "001 - Aguascalientes"));

        QStringList relacionados;
        for (const TCfdirelacionado& r : de<TCfdirelacionado>(c, TCfdirelacionado::col_Comprobante, m_conexion))
            relacionados << r.getTiporelacion() + u' ' + r.getUuid();
        QCOMPARE(relacionados, QStringList({u"04 A39DA66B-52CA-49E3-879B-5C05185B0EF7"_s,
                                            u"04 ED1752FE-E865-4FF2-BFE1-0F552E770DC9"_s,
                                            u"07 96B0ED9E-4F1A-43B0-B720-F77663891C68"_s}));
        QCOMPARE(TCfdirelacionado::getByUUID(u" ed1752fe-e865-4ff2-bfe1-0f552e770dc9"_s, m_conexion).size(), 1);

        using L = TComprobanteconcepto;
        const QList<L> lineas = de<L>(c, L::col_Idcomprobante, m_conexion);
        QCOMPARE(lineas.size(), 2);
        const L& primera = lineas.at(0);
        QCOMPARE(
            (QStringList{primera.getCuentapredial(), primera.getCuentaspredial(), primera.getRfcacuentaterceros(),
                         primera.getNombreacuentaterceros(), primera.getRegimenfiscalacuentaterceros(),
                         primera.getDomiciliofiscalacuentaterceros(), primera.getIdunidad()->getNombreunidadmedida()})
                .join(u'|'),
            u"1234|1234\n5678|JUFA7608212V6|ADRIANA JUAREZ FERNANDEZ|612|29133|Kit"_s);
        // A line without Unidad is given the unit of its SAT key.
        QCOMPARE(lineas.at(1).getIdunidad()->getNombreunidadmedida(), u"E48"_s);
        QCOMPARE(lineas.at(1).getCuentapredial(), QString());

        // The part: a product of the business under the line's product, with its customs entry.
        const std::unique_ptr<TConcepto> parte =
            TConcepto::getByDescripcion_Negocio(u"Tornillo de ejemplo"_s, m_negocio, m_conexion, true);
        QVERIFY(parte);
        QCOMPARE(parte->getConceptoPadreId(), lineas.at(0).getIdconceptoId());
        QCOMPARE(parte->getPrecioventa().texto(2), u"0.20"_s);
        QCOMPARE(parte->getNumidentificacion(), u"P-1"_s);
        const QList<TPedimentoaduanal> pedimentos =
            de<TPedimentoaduanal>(c, TPedimentoaduanal::col_Idcomprobante, m_conexion);
        QCOMPARE(pedimentos.size(), 1);
        QCOMPARE(pedimentos.at(0).getParteId(), parte->getIdconcepto());
        QCOMPARE(pedimentos.at(0).getIdcomprobanteconceptoId(), lineas.at(0).getIdcomprobanteconcepto());

        // Breakdown of the voucher: federal rows, then the local ones.
        QStringList desglose;
        for (const TDesgloseimpuesto& d : desgloseDelComprobante(c, m_conexion))
            desglose << u"%1 %2 %3 %4 %5 %6"_s.arg(
                d.getTipoimpuesto(), d.getNombre(), d.getTipofactor(), texto(d.valor(TDesgloseimpuesto::col_Tasa)),
                texto(d.valor(TDesgloseimpuesto::col_Importebase)), texto(d.valor(TDesgloseimpuesto::col_Importe)));
        QCOMPARE(desglose,
                 QStringList({u"Retenido ISR  <vacío> <vacío> 115.01"_s, u"Trasladado IVA Tasa 0.16 1150.05 184.01"_s,
                              u"Trasladado IEPS Cuota 1.6 3 4.8"_s, u"Trasladado IVA Exento <vacío> 100.2 <vacío>"_s,
                              u"Retenido ISN  2 <vacío> 23"_s, u"Trasladado ISH  3 <vacío> 34.5"_s}));

        // Catalogue taxes by abbreviation and rate: IVA at 16 %, exempt IVA, the
        // voucher's ISR withholding (no rate), the line's ISR at 10 %, IEPS, and
        // the two local taxes by their names.
        QCOMPARE(TImpuesto::cuenta(TCondicion(), m_conexion), 7);
        QVERIFY(TImpuesto::getBySiglaAndTasa(u"ISR"_s, TImpuesto::tasaRetenido(), m_conexion));
        QVERIFY(TImpuesto::getBySiglaAndTasa(u"IVA"_s, std::nullopt, m_conexion));
        const std::unique_ptr<TImpuesto> isn =
            TImpuesto::getBySiglaAndTasa(u"ISN"_s, TDecimal::desdeTexto(u"2"_s), m_conexion);
        QVERIFY(isn);
        QCOMPARE(isn->getNombreimpuesto(), u"ISN"_s);
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
        QCOMPARE(despues.value(u"COMPROBANTE"_s), 2);
        QCOMPARE(despues.value(u"DESGLOSEIMPUESTO"_s), 2 * antes.value(u"DESGLOSEIMPUESTO"_s));
        QCOMPARE(despues.value(u"PEDIMENTOADUANAL"_s), 2 * antes.value(u"PEDIMENTOADUANAL"_s));

        // Local taxes are rows of the voucher without SAT code; the catalogue
        // keeps them by name and rate, as the kind they were first met.
        QStringList leidos;
        for (const TDesgloseimpuesto& d : desgloseDelComprobante(segundo, m_conexion))
            if (d.getClaveimpuesto().isEmpty())
                leidos << u"%1 %2 %3 %4 %5"_s.arg(d.getTipoimpuesto(), d.getNombre(), d.getTasa().texto(),
                                                  d.getImporte().texto(), d.getImpuesto()->getTipoimpuesto());
        QCOMPARE(leidos, locales);
    }

    // The job's catalogue records keep, per table, only the ones used last:
    // a shop selling ever new products holds no more of them. A product let
    // go and met again in the same batch is the row the batch already
    // holds, not a second one, and no other catalogue gains a row.
    void catalogosAcotados_data()
    {
        QTest::addColumn<QString>("archivo");
        QTest::newRow("4.0") << u"cfdi40-real.xml"_s;
        QTest::newRow("3.3 con parte") << u"cfdi33-valid.xml"_s;
    }
    void catalogosAcotados()
    {
        QFETCH(QString, archivo);
        const QByteArray bytes = TCarpetaPrograma::lee(ruta(archivo));
        QVERIFY(!bytes.isEmpty());
        // Voucher n sells products of its own: every description numbered.
        const auto numerado = [&](int n) {
            return TDocumentoXML::desdeBytes(
                QByteArray(bytes).replace("Descripcion=\"", "Descripcion=\"" + QByteArray::number(n) + ' '));
        };
        const auto conceptos = [&](const TComprobante& c) {
            QList<int> ids;
            for (const TComprobanteconcepto& linea :
                 de<TComprobanteconcepto>(c, TComprobanteconcepto::col_Idcomprobante, m_conexion))
                ids << linea.getIdconceptoId();
            std::sort(ids.begin(), ids.end());
            return ids;
        };
        constexpr int LIMITE = 2;
        TCacheCatalogos catalogos(LIMITE);
        TTransaccion lote(m_conexion);

        const TComprobante primero = guardaDocumento(numerado(0), m_conexion, m_negocio, &catalogos);
        const QMap<QString, int> conUno = cuentaFilas(m_conexion);
        const int porComprobante = conUno.value(u"CONCEPTO"_s);
        QVERIFY(porComprobante >= LIMITE);
        QCOMPARE(catalogos.tamano<TConcepto>(), LIMITE);
        guardaDocumento(numerado(1), m_conexion, m_negocio, &catalogos);
        guardaDocumento(numerado(2), m_conexion, m_negocio, &catalogos);
        QCOMPARE(catalogos.tamano<TConcepto>(), LIMITE);
        QCOMPARE(cuentaFilas(m_conexion).value(u"CONCEPTO"_s), 3 * porComprobante);

        // The first voucher's products were let go two vouchers ago.
        const TComprobante otraVez = guardaDocumento(numerado(0), m_conexion, m_negocio, &catalogos);
        QCOMPARE(catalogos.tamano<TConcepto>(), LIMITE);
        QCOMPARE(conceptos(otraVez), conceptos(primero));
        lote.commit();
        Conexiones::cierra(m_conexion);
        const QMap<QString, int> despues = cuentaFilas(m_conexion);
        QCOMPARE(despues.value(u"CONCEPTO"_s), 3 * porComprobante);
        QCOMPARE(despues.value(u"COMPROBANTE"_s), 4);
        for (const char* catalogo : {"IMPUESTO", "UNIDADMEDIDA", "FORMAPAGO", "METODOPAGO", "CLIENTE", "DATOSFISCALES",
                                     "PERSONA", "CODIGOPOSTAL", "DIRECCION"})
            QVERIFY2(despues.value(QLatin1String(catalogo)) == conUno.value(QLatin1String(catalogo)), catalogo);
    }

    // What goes when a table is full is the entry used longest ago: a
    // product sold again and again stays however many others come once.
    void catalogosUsadosSeQuedan()
    {
        TCacheCatalogos catalogos(3);
        QStringList leidos;
        const auto obten = [&](const QString& descripcion) {
            catalogos.obten<TConcepto>(m_conexion, TCacheCatalogos::clave("descripcion", descripcion), [&]() {
                leidos << descripcion;
                return std::make_shared<TConcepto>();
            });
        };
        for (const QString& descripcion : {u"a"_s, u"b"_s, u"c"_s, u"a"_s, u"d"_s, u"a"_s, u"e"_s, u"a"_s, u"b"_s})
            obten(descripcion);
        QCOMPARE(leidos, (QStringList{u"a"_s, u"b"_s, u"c"_s, u"d"_s, u"e"_s, u"b"_s}));
        QCOMPARE(catalogos.tamano<TConcepto>(), 3);
        QCOMPARE(catalogos.tamano<TUnidadmedida>(), 0);
    }

    // One customer per RFC within the business: a later voucher completes what
    // it lacks (a 3.3 receiver has no regime or address) and changes nothing
    // else, while each voucher keeps what it said.
    void mismoReceptorUnCliente()
    {
        const TComprobante primero = guardaArchivo(u"cfdi33-valid.xml"_s, m_conexion, m_negocio);
        const TComprobante segundo = guardaArchivo(u"cfdi40-real.xml"_s, m_conexion, m_negocio);
        const TComprobante tercero = guardaArchivo(u"created-with-discounts-40.xml"_s, m_conexion, m_negocio);

        QCOMPARE(TCliente::cuenta(TCondicion(), m_conexion), 1);
        QCOMPARE(segundo.getClienteId(), primero.getClienteId());
        QCOMPARE(tercero.getClienteId(), primero.getClienteId());
        const std::unique_ptr<TCliente> cliente = TCliente::getByRFC(u" COSC8001137NA"_s, m_negocio, m_conexion);
        QVERIFY(cliente);
        const std::shared_ptr<TDatosfiscales> fiscales = cliente->getDatosfiscales();
        QCOMPARE((QStringList{cliente->getUsocfdi(), fiscales->getRazon(), fiscales->getRegimen(),
                              fiscales->getDireccion()->getCodigoPostal()->getCp()}),
                 (QStringList{u"G01"_s, u"CARLOS CORTES SOTO"_s, u"612"_s, u"52176"_s}));
        QCOMPARE((QStringList{segundo.getUsocfdi(), tercero.getNombrereceptor(), tercero.getDomiciliofiscalreceptor()}),
                 (QStringList{u"G03"_s, u"Carlos Cortés Soto"_s, u"52000"_s}));

        // Another business of the same database has customers of its own.
        TNegocio otro;
        otro.setNombre(u"Otro"_s);
        otro = TNegocio::saveOrUpdate(otro, TUnidadTrabajo(m_conexion, 1));
        QVERIFY(!TCliente::getByRFC(u"COSC8001137NA"_s, otro, m_conexion));
    }

    void nomina_data()
    {
        QTest::addColumn<TRecibo>("f");
        const QString monto = u"123.45"_s;
        const QString vacio = u"<vacío>"_s;
        QTest::newRow("ejemplo SAT") << TRecibo(
            u"cfdv40-nomina12.xml"_s, u"O"_s, QDate(2016, 10, 15), QDate(2016, 10, 1), QDate(2016, 10, 15), u"15"_s,
            monto, monto, monto, monto, monto, monto, monto, monto, monto, monto, 2, u"1234567890"_s,
            u"E23-12345-12-1"_s, u"AAA010101AAA"_s, u"OAAJ840102HJCVRN00"_s, u"P3Y2M23D"_s, u"OAAJ840102HJCVRN00"_s,
            u"001"_s, u"123456789012345"_s, u"03"_s, u"01"_s, u"02"_s, u"04"_s, u"001"_s, u"Programador"_s, 3, monto,
            monto, QDate(2013, 4, 11), 2, u"1234567890"_s, u"Sí"_s, u"AGU"_s,
            QStringList{u"001 AAA Sueldo Regular 89 90"_s, u"005 BBB Sueldo Regular 89 90"_s},
            QStringList{u"001 XXX Deduccion Semanal 10"_s, u"100 YYY Deduccion Semanal 10"_s},
            QStringList{u"001 003 Otro pago 111 1234.56 1234.56 12345.67 2016 1234.56"_s,
                        u"002 003 Otro pago 222 1234.56 1234.56 123.45 2016 123.45"_s},
            QStringList{u"1 01 22.45"_s, u"2 02 22.45"_s});
        QTest::newRow("compensacion") << TRecibo(
            u"cfdi40-nomina-compensacion-valid.xml"_s, u"O"_s, QDate(2026, 1, 14), QDate(2026, 1, 1),
            QDate(2026, 1, 15), u"15"_s, u"15000"_s, u"2689.23"_s, u"263.63"_s, u"15000"_s, u"15000"_s, u"0"_s, vacio,
            vacio, u"416.98"_s, u"2272.25"_s, 0, QString(), u"A0000000000"_s, QString(), QString(), u"P63W"_s,
            u"XAXX010101HDFXXX01"_s, u"0001"_s, u"00000000000"_s, u"02"_s, u"01"_s, u"01"_s, u"04"_s, u"Ninguno"_s,
            u"Ninguno"_s, 1, u"1050.68"_s, u"1000"_s, QDate(2024, 10, 28), 0, QString(), u"No"_s, u"CMX"_s,
            QStringList{u"001 001 Sueldo 15000 0"_s},
            QStringList{u"001 052 I.M.S.S. 416.98"_s, u"002 045 I.S.R. mes 2272.25"_s},
            QStringList{u"999 099 Ajuste al neto 0.13 <vacío> <vacío> 0 <vacío>"_s,
                        u"002 035 Subs al Empleo mes 0 0 <vacío> 0 <vacío>"_s,
                        u"004 055 I.S.R. a compensar 263.5 <vacío> 263.5 2025 0"_s},
            QStringList{});
    }
    void nomina()
    {
        QFETCH(TRecibo, f);
        const TComprobante c = guardaArchivo(f.archivo, m_conexion, m_negocio);

        using N = TNominacomprobante;
        const QList<N> recibos = de<N>(c, N::col_Comprobante, m_conexion);
        QCOMPARE(recibos.size(), 1);
        const N& r = recibos.first();
        const auto d = [](const N& n, int col) { return texto(n.valor(col)); };
        QCOMPARE(std::tuple(r.getTiponomina(), r.getFechapago(), r.getFechainicialpago(), r.getFechafinalpago(),
                            d(r, N::col_Numdiaspagados), d(r, N::col_Totalpercepciones), d(r, N::col_Totaldeducciones),
                            d(r, N::col_Totalotrospagos), d(r, N::col_Totalsueldos), d(r, N::col_Totalgravado),
                            d(r, N::col_Totalexento), d(r, N::col_Totalseparacionindemnizacion),
                            d(r, N::col_Totaljubilacionpensionretiro), d(r, N::col_Totalotrasdeducciones),
                            d(r, N::col_Totalimpuestosretenidos), r.getBanco(), r.getClabe(), r.getRegistropatronal(),
                            r.getRfcpatronorigen(), r.getCurpemisor(), r.getAntiguedad()),
                 std::tuple(f.tipoNomina, f.fechaPago, f.fechaInicialPago, f.fechaFinalPago, f.diasPagados,
                            f.totalPercepciones, f.totalDeducciones, f.totalOtrosPagos, f.totalSueldos, f.totalGravado,
                            f.totalExento, f.totalSeparacion, f.totalJubilacion, f.totalOtrasDeducciones,
                            f.totalRetenidos, f.banco, f.clabe, f.registroPatronal, f.rfcPatronOrigen, f.curpEmisor,
                            f.antiguedad));
        QCOMPARE(r.getTotal(), c.getTotal());
        QCOMPARE(r.getSubtotal(), c.getSubtotal());
        QCOMPARE(std::tuple(r.getUuid(), texto(r.valor(N::col_Descuento)), r.getVersion().texto(1), r.getFechaemision(),
                            r.getNominaxml(), r.getPathxml(), r.getMetodopagoId(), r.getFechacancelacion()),
                 std::tuple(c.getUuid(), texto(c.valor(TComprobante::col_Descuentogeneral)), u"1.2"_s,
                            c.getFechaemision(), c.getComprobantexml(), c.getPathxml(), c.getMetodopagoId(),
                            TComprobante::fechaSinCancelar()));

        using E = TNominacomprobanteempleado;
        const QList<E> enlaces = de<E>(r, E::col_NominaComprobante, m_conexion);
        QCOMPARE(enlaces.size(), 1);
        const std::shared_ptr<TEmpleado> e = enlaces.first().getEmpleado();
        QCOMPARE(std::tuple(e->getCurp(), e->getNumempleado(), e->getNumsegurosocial(), e->getTiporegimen(),
                            e->getTipoconrato(), e->getTipojornada(), e->getPeriodicidadpago(), e->getDepartamento(),
                            e->getPuesto(), e->getRiesgopuesto(), e->getSalariobasecotapor(),
                            texto(e->valor(TEmpleado::col_Salariodiariointegrado)), e->getFechainiciorelacionlaboral(),
                            e->getBanco(), e->getClabe(), e->getSindicalizado(), e->getClaveentfed()),
                 std::tuple(f.curp, f.numEmpleado, f.numSeguroSocial, f.tipoRegimen, f.tipoContrato, f.tipoJornada,
                            f.periodicidad, f.departamento, f.puesto, f.riesgoPuesto, f.salarioBase, f.salarioDiario,
                            f.inicioRelacion, f.bancoEmpleado, f.clabeEmpleado, f.sindicalizado, f.entidad));
        QCOMPARE(e->getIdnegocioId(), m_negocio.getIdnegocio());
        QCOMPARE(e->getDatosfiscalesId(), c.getCliente()->getDatosfiscalesId());

        QStringList leidas;
        for (const TPercepcion& p : de<TPercepcion>(r, TPercepcion::col_Idrecibonomina, m_conexion))
            leidas << u"%1 %2 %3 %4 %5"_s.arg(p.getTipopercepcion(), p.getClave(), p.getConcepto(),
                                              texto(p.valor(TPercepcion::col_Importegravado)),
                                              texto(p.valor(TPercepcion::col_Importeexcento)));
        QCOMPARE(leidas, f.percepciones);
        leidas.clear();
        for (const TDeduccion& x : de<TDeduccion>(r, TDeduccion::col_Reciboj, m_conexion))
            leidas << u"%1 %2 %3 %4"_s.arg(x.getTipodeduccion(), x.getClave(), x.getConcepto(),
                                           x.getImportegravado().texto());
        QCOMPARE(leidas, f.deducciones);
        leidas.clear();
        for (const TOtropago& o : de<TOtropago>(r, TOtropago::col_Idrecibonomina, m_conexion))
            leidas << u"%1 %2 %3 %4 %5 %6 %7 %8"_s.arg(
                o.getTipootropago(), o.getClave(), o.getConcepto(), texto(o.valor(TOtropago::col_Importe)),
                texto(o.valor(TOtropago::col_Subsidiocausado)), texto(o.valor(TOtropago::col_Saldoafavor)),
                QString::number(o.getAnio()), texto(o.valor(TOtropago::col_Remanentesalfav)));
        QCOMPARE(leidas, f.otrosPagos);
        leidas.clear();
        for (const TIncapacidad& i : de<TIncapacidad>(r, TIncapacidad::col_Idrecibonomina, m_conexion))
            leidas << u"%1 %2 %3"_s.arg(QString::number(i.getDiasincapacidad()), i.getTipoincapacidad(),
                                        i.getImportemonetario().texto());
        QCOMPARE(leidas, f.incapacidades);

        // A second receipt of the same employee links the stored employee.
        const TComprobante otro = guardaArchivo(f.archivo, m_conexion, m_negocio);
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
        comprobante.setUuid(u"3F2504E0-4F89-11D3-9A0C-0305E82C3301"_s);
        comprobante.setFechatimbrado(QDateTime(QDate(2016, 10, 16), QTime(9, 30)));
        comprobante.setTotal(TDecimal::desdeTexto(u"1000.10"_s));
        comprobante = TComprobante::saveOrUpdate(comprobante, TUnidadTrabajo(m_conexion, 1));

        const TDocumentoXML documento = TDocumentoXML::desdeArchivo(ruta(u"cfdv40-nomina12.xml"_s));
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
        QCOMPARE(recibo->getTotal().texto(2), u"1000.10"_s);
        QCOMPARE(recibo->getUltimamodificacionpor(), 3);
        QCOMPARE(TPercepcion::cuenta(TCondicion(), m_conexion), 2);
        QVERIFY(TEmpleado::getByCURP(u"OAAJ840102HJCVRN00 "_s, m_conexion));
    }

    void donataria()
    {
        const TComprobante c = guardaArchivo(u"cfdv40-donat11.xml.xml"_s, m_conexion, m_negocio);
        const std::shared_ptr<TDonataria> d = c.getDonataria();
        QVERIFY(d);
        QCOMPARE(d->getVersion(), u"1.1"_s);
        QCOMPARE(d->getNoautorizacion(), u"123456ABC"_s);
        QCOMPARE(d->getFechaautorizacion(), QDateTime(QDate(1973, 4, 4), QTime(0, 0)));
        QVERIFY(d->getLeyenda().startsWith(u"Este comprobante ampara un donativo"_s));
        QVERIFY(d->getLeyenda().endsWith(u"en los términos de las disposiciones fiscales."_s));
        QCOMPARE(de<TCfdirelacionado>(c, TCfdirelacionado::col_Comprobante, m_conexion).size(), 1);
        // The business's own RFC in the file has a blank in front; the receiver is kept trimmed.
        QCOMPARE(c.getRfcreceptor(), u"BASJ600902KL9"_s);
    }

    // A file's work is one unit: a failure in the middle of a voucher undoes
    // all of it, and only it, when the caller keeps a batch transaction open.
    void fallaEnMedioNoDejaNada()
    {
        QByteArray bytes = TCarpetaPrograma::lee(ruta(u"cfdi40-nomina-compensacion-valid.xml"_s));
        // The last perception's exempt amount is not a number: the voucher, its
        // customer, lines, receipt and employee are saved by then.
        bytes.replace("ImporteExento=\"0.00\"/>", "ImporteExento=\"0,00\"/>");
        const TDocumentoXML roto = TDocumentoXML::desdeBytes(bytes);

        const QMap<QString, int> vacia = cuentaFilas(m_conexion);
        QVERIFY_THROWS_EXCEPTION(EConversion, guardaDocumento(roto, m_conexion, m_negocio));
        QCOMPARE(cuentaFilas(m_conexion), vacia);

        TTransaccion lote(m_conexion);
        const TComprobante bueno = guardaArchivo(u"cfdi40-real.xml"_s, m_conexion, m_negocio);
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
        const TDocumentoXML documento = TDocumentoXML::desdeArchivo(ruta(u"cfdi40-real.xml"_s));
        TSaveComprobante4 guardador(u"x.xml"_s, QString());
        guardador.setConexion(m_conexion);
        guardador.setNegocio(m_negocio);
        QVERIFY_THROWS_EXCEPTION(EBaseDatos, guardador.SaveBD(Cfdv40::GetComprobante(documento)));
        QCOMPARE(cuentaFilas(m_conexion), antes);
    }
};

QTEST_GUILESS_MAIN(TstGuardado)
#include "tst_guardado.moc"
