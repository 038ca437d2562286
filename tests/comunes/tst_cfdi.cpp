#include "Archivos.h"
#include "CarpetaPrograma.h"
#include "Cfdi.h"
#include "Cfdv32.h"
#include "Cfdv33.h"
#include "Cfdv40.h"
#include "Constantes.h"
#include "Donat11.h"
#include "Implocal.h"
#include "Nomina12.h"
#include "TimbreFiscalDigital.h"

#include <QtTest>

#include <functional>

using namespace Qt::StringLiterals;
using Lectura = std::function<QString()>;
using Accion = std::function<void()>;
Q_DECLARE_METATYPE(Lectura)
Q_DECLARE_METATYPE(Accion)

using namespace Constantes;

namespace {

QString ruta(const QString& nombre)
{
    return QStringLiteral(VELKOR_DATOS_PRUEBA "/cfdi/") + nombre;
}

QByteArray contenido(const QString& nombre)
{
    return TCarpetaPrograma::lee(ruta(nombre));
}

TDocumentoXML documento(const QString& nombre)
{
    static QHash<QString, TDocumentoXML> cargados;
    if (!cargados.contains(nombre))
        cargados.insert(nombre, TDocumentoXML::desdeArchivo(ruta(nombre)));
    return cargados.value(nombre);
}

Cfdv32::IXMLComprobante v32(const char* nombre)
{
    return Cfdv32::GetComprobante(documento(QString::fromUtf8(nombre)));
}
Cfdv33::IXMLComprobante v33(const char* nombre)
{
    return Cfdv33::GetComprobante(documento(QString::fromUtf8(nombre)));
}
Cfdv40::IXMLComprobante v40(const char* nombre)
{
    return Cfdv40::GetComprobante(documento(QString::fromUtf8(nombre)));
}
Nomina12::IXMLNomina nomina12(const char* nombre)
{
    return Nomina12::deComprobante(documento(QString::fromUtf8(nombre)).raiz()).value(0);
}
// The file with `fragmento` written just before the first `antesDe`.
TNodoXML conAgregado(const char* nombre, const char* antesDe, const char* fragmento)
{
    QByteArray xml = contenido(QString::fromUtf8(nombre));
    const qsizetype donde = xml.indexOf(antesDe);
    if (donde < 0)
        qFatal("No hay %s en %s", antesDe, nombre);
    return TDocumentoXML::desdeBytes(xml.insert(donde, fragmento)).raiz();
}
QString n(int valor)
{
    return QString::number(valor);
}

void fila(const char* nombre, const QString& esperado, Lectura lectura)
{
    QTest::newRow(nombre) << lectura << esperado;
}

template <class Error> QString mensajeDe(const Accion& accion)
{
    try {
        accion();
    } catch (const Error& e) {
        return e.mensaje();
    }
    return u"(sin error)"_s;
}

} // namespace

class TstCfdi : public QObject {
    Q_OBJECT

private slots:
    // What the import decides before it knows whose voucher it holds.
    void deteccion_data()
    {
        QTest::addColumn<QString>("archivo");
        QTest::addColumn<QString>("porUbicacion");
        QTest::addColumn<QString>("porContenido");
        QTest::addColumn<QString>("rfc");
        QTest::addColumn<QString>("uuid");
        const auto f = [](const char* archivo, const QString& ubicacion, const QString& contenido, const char* rfc,
                          const char* uuid) {
            QTest::newRow(archivo) << QString::fromUtf8(archivo) << ubicacion << contenido << QString::fromUtf8(rfc)
                                   << QString::fromUtf8(uuid);
        };
        f("cfdi.xml", CFDI_32, CFDI_32, "AAA010101AAA", "11111111-2222-3333-4444-000000000001");
        f("cfdi32-real.xml", CFDI_32, CFDI_32, "CTO021007DZ8", "80824F3B-323E-407B-8F8E-40D83FE2E69F");
        f("cfdv32.xml", CFDI_32, CFDI_32, "PPL961114GZ1", "");
        f("cfdi33-valid.xml", CFDI_33, CFDI_33, "EKU9003173C9", "9FB6ED1A-5F37-4FEF-980A-7F8C83B51894");
        f("cfdv33-signed-tfd.xml", CFDI_33, CFDI_33, "AAA010101AAA", "ea8152af-b116-4812-817a-3b4f9617c99c");
        f("created-pago-with-ns-at-root-33.xml", CFDI_33, CFDI_33, "EKU9003173C9", "");
        f("detallista-example.xml", CFDI_33, CFDI_33, "LAN8507268IA", "4c7a0582-5151-43b3-ba74-4e710479a1ee");
        f("sample-validacfd01.xml", CFDI_33, CFDI_33, "AAA010101AAA", "");
        f("cfdi40-nomina-compensacion-valid.xml", CFDI_40, CFDI_40, "AAA010101AAA",
          "22222222-2222-2222-2222-222222222222");
        f("cfdi40-real.xml", CFDI_40, CFDI_40, "ISD950921HE5", "C2832671-DA6D-11EF-A83D-00155D012007");
        f("cfdv40-donat11.xml.xml", CFDI_40, CFDI_40, "AAA010101AAA", "");
        f("h&e951128469_ingreso_iva16_stamped.xml", CFDI_40, CFDI_40, "H&E951128469",
          "6d7434a6-e3f2-47ad-9e4c-08849946afa0");
        // The location rule passes over a relative schema location (all the SAT's
        // own 4.0 examples); the content does not.
        f("cfdv40-nomina12.xml", "", CFDI_40, "AAA010101AAA", "");
        f("cfdv40-pagos20.xml", "", CFDI_40, "AAA010101AAA", "");
        f("propios/esquema-desconocido.xml", "", CFDI_33, "EKU9003173C9", "33333333-8888-4888-8888-000000000008");
        // Not a supported voucher.
        f("cfdv2.xml", "", "", "", "");
        f("cfdv3.externo.xml", "", "", "", "ad662d33-6934-459c-a128-bdf0393e0f44");
        f("retenciones10-ejemplo.xml", "", "", "", "54b4df54-8ebc-4445-b7f9-22ab46162529");
        f("cancel_xml.xml", "", "", "", "");
        // Written for these tests.
        f("propios/bom-sin-declaracion.xml", CFDI_40, CFDI_40, "EKU9003173C9", "AAAAAAAA-1111-4111-8111-000000000001");
        f("propios/prefijos-en-raiz-32.xml", CFDI_32, CFDI_32, "aaa010101aaa", "BBBBBBBB-2222-4222-8222-000000000002");
        f("propios/otros-prefijos.xml", CFDI_33, CFDI_33, "EKU9003173C9", "CCCCCCCC-3333-4333-8333-000000000003");
        f("propios/espacio-por-omision.xml", CFDI_40, CFDI_40, "EKU9003173C9", "EEEEEEEE-4444-4444-8444-000000000004");
        f("propios/dos-complementos.xml", CFDI_33, CFDI_33, "EKU9003173C9", "FFFFFFFF-5555-4555-8555-000000000005");
        f("propios/dos-timbres.xml", CFDI_40, CFDI_40, "EKU9003173C9", "22222222-7777-4777-8777-000000000007");
        f("propios/uuid-vacio.xml", CFDI_40, CFDI_40, "EKU9003173C9", "");
        f("propios/ubicacion-xmlns.xml", CFDI_40, CFDI_40, "EKU9003173C9", "44444444-9999-4999-8999-000000000009");
    }

    void deteccion()
    {
        QFETCH(QString, archivo);
        QFETCH(QString, porUbicacion);
        QFETCH(QString, porContenido);
        QFETCH(QString, rfc);
        QFETCH(QString, uuid);
        const TDocumentoXML doc = documento(archivo);
        QCOMPARE(Cfdi::versionPorUbicacion(doc), porUbicacion);
        QCOMPARE(Cfdi::versionPorContenido(doc.raiz()), porContenido);
        QCOMPARE(Cfdi::rfcEmisor(doc.raiz(), porContenido), rfc);
        QCOMPARE(Cfdi::uuid(doc.raiz()), uuid);
        // The bytes stay as they came (a BOM included), whatever was read from them.
        QCOMPARE(doc.bytes(), contenido(archivo));
    }

    // The location rule names the highest version whose schema the text
    // mentions and whose namespace the root really has.
    void ubicaciones_data()
    {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<QString>("version");
        const QByteArray ubicaciones = QByteArray(Cfdi::UBICACION_CFDV33) + ' ' + Cfdi::UBICACION_CFDV40;
        QTest::newRow("3.3 y 4.0 en raíz 4.0")
            << "<c:Comprobante xmlns:c=\"http://www.sat.gob.mx/cfd/4\" a=\"" + ubicaciones + "\"/>" << CFDI_40;
        QTest::newRow("3.3 y 4.0 en raíz 3.x")
            << "<c:Comprobante xmlns:c=\"http://www.sat.gob.mx/cfd/3\" a=\"" + ubicaciones + "\"/>" << CFDI_33;
        QTest::newRow("ubicación en mayúsculas")
            << QByteArray("<c:Comprobante xmlns:c=\"http://www.sat.gob.mx/cfd/4\" a=\"HTTP://WWW.SAT.GOB.MX/"
                          "SITIO_INTERNET/CFD/4/CFDV40.XSD\"/>")
            << QString();
        QTest::newRow("otra raíz") << "<Retenciones a=\"" + ubicaciones + "\"/>" << QString();
    }

    void ubicaciones()
    {
        QFETCH(QByteArray, xml);
        QFETCH(QString, version);
        QCOMPARE(Cfdi::versionPorUbicacion(TDocumentoXML::desdeBytes(xml)), version);
    }

    // Values read through the bindings, checked against the files: the shapes
    // (prefixes, namespaces, lists, escapes, absent parts) and the parts the
    // stored-voucher tests do not read.
    void valores_data()
    {
        QTest::addColumn<Lectura>("lectura");
        QTest::addColumn<QString>("esperado");
        fila("32 DomicilioFiscal", "BLVD. TOLUCA-IXTAPAN NTE.|126|LA PURISIMA|52148", [] {
            const auto d = v32("cfdi32-real.xml").Get_Emisor().Get_DomicilioFiscal();
            return d.Get_calle() + '|' + d.Get_noExterior() + '|' + d.Get_colonia() + '|' + d.Get_codigoPostal();
        });
        fila("32 RegimenFiscal", "2Arrendamiento", [] {
            const auto r = v32("propios/prefijos-en-raiz-32.xml").Get_Emisor().Get_RegimenFiscal();
            return n(r.Count()) + r.Get_RegimenFiscal(1).Get_Regimen();
        });
        fila("32 concepto 6", "1|SERVICIO|TOT|TOT MECANICA|250.00|250.00", [] {
            const auto c = v32("cfdi32-real.xml").Get_Conceptos().Get_Concepto(6);
            return c.Get_cantidad() + '|' + c.Get_unidad() + '|' + c.Get_noIdentificacion() + '|' +
                   c.Get_descripcion() + '|' + c.Get_valorUnitario() + '|' + c.Get_importe();
        });
        fila("32 sin CuentaPredial", "00", [] {
            const auto c = v32("cfdi.xml").Get_Conceptos().Get_Concepto(0);
            return n(c.Get_CuentaPredial().existe()) + c.Get_CuentaPredial().Get_numero() + n(c.Get_Parte().Count());
        });
        fila("32 ComplementoConcepto", "1http://www.sat.gob.mx/iedu|Jaime García Sanchez", [] {
            const auto c = v32("cfdv32-instituciones-educativas.xml").Get_Conceptos().Get_Concepto(0);
            const auto h = c.Get_ComplementoConcepto().ChildNodes();
            return n(h.size()) + h.value(0).espacio() + '|' + h.value(0).atributo("nombreAlumno");
        });
        fila("32 retenciones", "2ISRIVA0.00", [] {
            const auto r = v32("cfdv32-nomina.xml").Get_Impuestos().Get_Retenciones();
            return n(r.Count()) + r.Get_Retencion(0).Get_impuesto() + r.Get_Retencion(1).Get_impuesto() +
                   r.Get_Retencion(1).Get_importe();
        });
        fila("32 traslado sin espacio", "1160.00", [] {
            const auto t = v32("propios/prefijos-en-raiz-32.xml").Get_Impuestos().Get_Traslados();
            return n(t.Count()) + t.Get_Traslado(0).Get_importe();
        });
        fila("tfd 1.0", "1.0||2015-02-17T11:49:20|20001000000100005761|HZcDZ/W0", [] {
            const auto t = Cfdi::timbre(v32("cfdv32-nomina.xml"));
            return t.Get_version() + '|' + t.Get_Version() + '|' + t.Get_FechaTimbrado() + '|' +
                   t.Get_noCertificadoSAT() + '|' + t.Get_selloSAT().left(8);
        });
        fila("tfd 1.1 en 3.2", "1.1",
             [] { return Cfdi::timbre(v32("cfdi.xml")).Get_Version() + Cfdi::timbre(v32("cfdi.xml")).Get_version(); });
        const auto c33 = [] { return v33("cfdi33-valid.xml"); };
        fila("33 relacionados", "01|1|A39DA66B-52CA-49E3-879B-5C05185B0EF7", [c33] {
            const auto r = c33().Get_CfdiRelacionados();
            return r.Get_TipoRelacion() + '|' + n(r.Count()) + '|' + r.Get_CfdiRelacionado(0).Get_UUID();
        });
        fila("33 timbre", "1.1|2017-06-05T09:09:37|SFE0807172W7|20001000000300022779|", [c33] {
            const auto t = Cfdi::timbre(c33());
            return t.Get_Version() + '|' + t.Get_FechaTimbrado() + '|' + t.Get_RfcProvCertif() + '|' +
                   t.Get_NoCertificadoSAT() + '|' + t.Get_Leyenda();
        });
        fila("33 addenda", "10", [] {
            return n(v33("cfdv-33-addenda.xml").Get_Addenda().existe()) +
                   n(v33("cfdi33-valid.xml").Get_Addenda().existe());
        });
        fila("33 complementos", "2TimbreFiscalDigital", [] {
            const auto l = v33("propios/dos-complementos.xml").Get_Complemento();
            return n(l.Count()) + l.Get_Complemento(1).ChildNodes().value(0).nombreLocal();
        });
        fila("33 otro prefijo", "10.00",
             [] { return v33("propios/otros-prefijos.xml").Get_Conceptos().Get_Concepto(0).Get_Importe(); });
        fila("40 comillas", "Pantalla led 3x4\" con entrada HDMI",
             [] { return v40("created-with-discounts-40.xml").Get_Conceptos().Get_Concepto(1).Get_Descripcion(); });
        fila("40 ampersand", "HERRERIA & ELECTRICOS S DE CV",
             [] { return v40("h&e951128469_ingreso_iva16_stamped.xml").Get_Emisor().Get_Nombre(); });
        fila("40 CuentaPredial", "11234567890", [] {
            const auto l =
                v40("h&e951128469_ingreso_iva16_stamped.xml").Get_Conceptos().Get_Concepto(0).Get_CuentaPredial();
            return n(l.Count()) + l.Get_CuentaPredial(0).Get_Numero();
        });
        fila("40 relacionados", "109F4F09AEF-57F2-4BE0-A828-87D1A80ED61C", [] {
            const auto l = v40("cfdv40-donat11.xml.xml").Get_CfdiRelacionados();
            return n(l.Count()) + l.Get_CfdiRelacionados(0).Get_TipoRelacion() +
                   l.Get_CfdiRelacionados(0).Get_CfdiRelacionado(0).Get_UUID();
        });
        fila("40 rfc con blancos", " AAA010101AAA",
             [] { return v40("cfdv40-donat11.xml.xml").Get_Emisor().Get_Rfc(); });
        fila("40 espacio por omisión", "8.00|2023-01-02T08:00:07", [] {
            const auto c = v40("propios/espacio-por-omision.xml").Get_Conceptos().Get_Concepto(0);
            return c.Get_Impuestos().Get_Traslados().Get_Traslado(0).Get_Importe() + '|' +
                   Cfdi::timbre(v40("propios/espacio-por-omision.xml")).Get_FechaTimbrado();
        });
        fila("40 sin InformacionGlobal", "0",
             [] { return n(v40("cfdi40-real.xml").Get_InformacionGlobal().existe()); });

        // Complements.
        fila("donat", "1.1|123456ABC|1973-04-04|Este comprobante ampara un d", [] {
            const auto d = Donat11::deComprobante(v40("cfdv40-donat11.xml.xml")).value(0);
            return d.Get_version() + '|' + d.Get_noAutorizacion() + '|' + d.Get_fechaAutorizacion() + '|' +
                   d.Get_leyenda().left(28);
        });
        fila("implocal 3.2", "1.0|1050|2|FOO2|2|1050", [] {
            const auto i = Implocal::deComprobante(v32("impuestos-locales-retenidos.xml")).value(0);
            const auto r = i.Get_RetencionesLocales();
            const auto t = i.Get_TrasladosLocales();
            return i.Get_version() + '|' + i.Get_TotaldeRetenciones() + '|' + n(r.Count()) + '|' +
                   r.Get_RetencionesLocales(1).Get_ImpLocRetenido() + '|' + n(t.Count()) + '|' +
                   t.Get_TrasladosLocales(1).Get_Importe();
        });
        fila("implocal en raíz", "ISN20.00", [] {
            const auto r =
                Implocal::deComprobante(v32("propios/prefijos-en-raiz-32.xml")).value(0).Get_RetencionesLocales();
            return r.Get_RetencionesLocales(0).Get_ImpLocRetenido() + r.Get_RetencionesLocales(0).Get_Importe();
        });
        const auto nom = [] { return nomina12("cfdv40-nomina12.xml"); };
        fila("nómina subcontratación", "2BBB010101AAA|13.45", [nom] {
            const auto s = nom().Get_Receptor().Get_SubContratacion();
            return n(s.Count()) + s.Get_SubContratacion(1).Get_RfcLabora() + '|' +
                   s.Get_SubContratacion(1).Get_PorcentajeTiempo();
        });
        fila("nómina acciones y horas", "12345.67|123.45|2|2|02|8|228.45", [nom] {
            const auto p = nom().Get_Percepciones().Get_Percepcion(0);
            const auto h = p.Get_HorasExtra();
            return p.Get_AccionesOTitulos().Get_ValorMercado() + '|' +
                   p.Get_AccionesOTitulos().Get_PrecioAlOtorgarse() + '|' + n(h.Count()) + '|' +
                   n(h.Get_HorasExtra(1).Get_Dias()) + '|' + h.Get_HorasExtra(1).Get_TipoHoras() + '|' +
                   n(h.Get_HorasExtra(1).Get_HorasExtra()) + '|' + h.Get_HorasExtra(1).Get_ImportePagado();
        });
        fila("nómina cuenta con ceros", "012345678901234567",
             [] { return nomina12("propios/dos-complementos.xml").Get_Receptor().Get_CuentaBancaria(); });
        fila("timbres en orden", "1111111122222222", [] {
            QString uuids;
            for (const auto& t : TimbreFiscalDigital::deComprobante(v40("propios/dos-timbres.xml")))
                uuids += t.Get_UUID().left(8);
            return uuids;
        });
        // Opaque complements are found by namespace wherever the prefix is declared.
        fila("pagos 1.0", "1", [] {
            return n(Cfdi::complementos(v33("sample-validacfd01.xml"), "http://www.sat.gob.mx/Pagos", "Pagos").size());
        });
        fila("pagos 2.0", "1", [] {
            return n(Cfdi::complementos(v40("cfdv40-pagos20.xml"), "http://www.sat.gob.mx/Pagos20", "Pagos").size());
        });
        // Elements without namespace, which no seal covers, put before or
        // beside the voucher's own: from 3.3 on never read; in 3.2 only where
        // the voucher has none of that name in its namespace.
        fila("40 emisor sin espacio", "ISD950921HE5", [] {
            return Cfdi::rfcEmisor(
                conAgregado("cfdi40-real.xml", "<cfdi:Emisor", "<Emisor xmlns=\"\" Rfc=\"XAXX010101000\"/>"), CFDI_40);
        });
        fila("32 emisor sin espacio", "CTO021007DZ8", [] {
            return Cfdi::rfcEmisor(
                conAgregado("cfdi32-real.xml", "<cfdi:Emisor", "<Emisor xmlns=\"\" rfc=\"XAXX010101000\"/>"), CFDI_32);
        });
        fila("40 concepto sin espacio", "2", [] {
            return n(Cfdv40::IXMLComprobante(
                         conAgregado("cfdi40-real.xml", "<cfdi:Concepto ", "<Concepto xmlns=\"\" Importe=\"1.00\"/>"))
                         .Get_Conceptos()
                         .Count());
        });
        fila("40 timbre en complemento sin espacio", "C2832671-DA6D-11EF-A83D-00155D012007", [] {
            return Cfdi::uuid(conAgregado("cfdi40-real.xml", "</cfdi:Comprobante>",
                                          "<Complemento xmlns=\"\"><t:TimbreFiscalDigital "
                                          "xmlns:t=\"http://www.sat.gob.mx/TimbreFiscalDigital\" Version=\"1.1\" "
                                          "UUID=\"AAAAAAAA-1111-4111-8111-000000000001\"/></Complemento>"));
        });
        fila("detallista", "1", [] {
            return n(Cfdi::complementos(v33("detallista-example.xml"), "http://www.sat.gob.mx/detallista", "detallista")
                         .size());
        });
    }

    void valores()
    {
        QFETCH(Lectura, lectura);
        QFETCH(QString, esperado);
        QCOMPARE(lectura(), esperado);
    }

    // A self-contained text of a complement loads on its own, as the import
    // re-reads complements, even when the prefix was declared on the root.
    void textoAutonomo_data()
    {
        QTest::addColumn<Lectura>("lectura");
        QTest::addColumn<QString>("esperado");
        fila("implocal", "20.00|2.00", [] {
            const TNodoXML nodo = Implocal::deComprobante(v32("propios/prefijos-en-raiz-32.xml")).value(0);
            const auto i = Implocal::GetImpuestosLocales(TDocumentoXML::desdeBytes(nodo.xml().toUtf8()));
            return i.Get_TotaldeRetenciones() + '|' +
                   i.Get_RetencionesLocales().Get_RetencionesLocales(0).Get_TasadeRetencion();
        });
        fila("nómina 1.2", "2689.23|P63W", [] {
            const TNodoXML nodo = nomina12("cfdi40-nomina-compensacion-valid.xml");
            const auto x = Nomina12::GetNomina(TDocumentoXML::desdeBytes(nodo.xml().toUtf8()));
            return x.Get_TotalDeducciones() + '|' + x.Get_Receptor().Get_Antiguedad();
        });
        fila("donat", "disposiciones fiscales.", [] {
            const TNodoXML nodo = Donat11::deComprobante(v40("cfdv40-donat11.xml.xml")).value(0);
            return Donat11::GetDonatarias(TDocumentoXML::desdeBytes(nodo.xml().toUtf8())).Get_leyenda().right(23);
        });
        fila("valores intactos", "<a:Y v=\"l1&#13;&#10;l2 &amp; &lt;&quot;\" xmlns:a=\"urn:a\"/>", [] {
            const auto doc =
                TDocumentoXML::desdeBytes("<a:X xmlns:a=\"urn:a\"><a:Y v=\"l1&#13;&#10;l2 &amp; &lt;&quot;\"/></a:X>");
            const TNodoXML y = doc.raiz().hijoPropio("Y");
            return TDocumentoXML::desdeBytes(y.xml().toUtf8()).raiz().atributo("v") == y.atributo("v") ? y.xml()
                                                                                                       : QString();
        });
    }

    void textoAutonomo() { valores(); }

    void malformados_data()
    {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<QString>("motivo");
        const QByteArray real = contenido(u"cfdi40-real.xml"_s);
        QTest::newRow("cortado a la mitad") << real.left(real.size() / 2) << "no es un XML bien formado";
        QTest::newRow("cortado tras una etiqueta") << real.left(real.indexOf("<cfdi:Complemento>"))
                                                   << "no corresponde a la abierta, o el archivo está cortado";
        QTest::newRow("cortado en un atributo") << QByteArray("<a x=\"1") << "atributo mal escrito o cortado";
        QTest::newRow("vacío") << QByteArray() << "no contiene ningún elemento";
        QTest::newRow("sólo blancos") << QByteArray(" \r\n\t") << "no contiene ningún elemento";
        QTest::newRow("sólo declaración") << QByteArray("<?xml version=\"1.0\"?>") << "no contiene ningún elemento";
        QTest::newRow("un PDF") << QByteArray("%PDF-1.4\n%\xe2\xe3\xcf\xd3\n1 0 obj") << "no contiene ningún elemento";
        QTest::newRow("etiquetas cruzadas") << QByteArray("<a><b></a></b>") << "no corresponde a la abierta";
        QTest::newRow("dos raíces") << QByteArray("<a/><b/>") << "más de un elemento raíz (a y b)";
        QTest::newRow("dos vouchers") << real + real << "más de un elemento raíz";
        QTest::newRow("atributo repetido")
            << QByteArray("<a><b><c Total=\"1\" x=\"\" Total=\"2\"/></b></a>") << "el elemento c repite un atributo";
        QTest::newRow("UTF-8 inválido") << QByteArray("<a x=\"\xd1\"/>") << "contiene caracteres que no lo son";
        QTest::newRow("UTF-8 sobrelargo") << QByteArray("<a x=\"\xc0\xaf\"/>") << "contiene caracteres que no lo son";
        QTest::newRow("sustituto UTF-16")
            << QByteArray("<a x=\"\xed\xa0\x80\"/>") << "contiene caracteres que no lo son";
        QTest::newRow("nulo tras la raíz") << QByteArray("<a/>\0<b/>", 9) << "carácter nulo en el byte 5";
    }

    // Refused with a reason, never half read and never a crash.
    void malformados()
    {
        QFETCH(QByteArray, xml);
        QFETCH(QString, motivo);
        const QString mensaje = mensajeDe<EXML>([&] { TDocumentoXML::desdeBytes(xml); });
        QVERIFY2(mensaje.contains(motivo), qPrintable(mensaje));
    }

    void aceptados_data()
    {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<QString>("valor");
        QTest::newRow("texto antes y después") << QByteArray("basura\n<?xml version=\"1.0\"?><a v=\"1\"/>\nfin") << "1";
        QTest::newRow("ISO-8859-1 declarado")
            << QByteArray("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a v=\"\xd1\"/>") << "Ñ";
        QTest::newRow("UTF-16 con marca") << QByteArray("\xff\xfe<\0a\0 \0v\0=\0\"\0\xd1\0\"\0/\0>\0", 22) << "Ñ";
        QTest::newRow("UTF-8 de cuatro bytes") << QByteArray("<a v=\"\xf0\x9f\x98\x80\"/>") << "\U0001F600";
    }

    void aceptados()
    {
        QFETCH(QByteArray, xml);
        QFETCH(QString, valor);
        const TDocumentoXML doc = TDocumentoXML::desdeBytes(xml);
        QCOMPARE(doc.raiz().atributo("v"), valor);
        const QString caso = QString::fromLatin1(QTest::currentDataTag());
        QCOMPARE(doc.codificacion(), caso.contains(u"UTF-16"_s) ? u"UTF-16"_s
                                     : caso.contains(u"ISO"_s)  ? u"ISO-8859-1"_s
                                                                : u"UTF-8"_s);
        QCOMPARE(doc.bytes(), xml);
    }

    void errores_data()
    {
        QTest::addColumn<Accion>("accion");
        QTest::addColumn<QString>("clase");
        QTest::addColumn<QString>("motivo");
        const auto f = [](const char* nombre, const char* clase, const char* motivo, Accion a) {
            QTest::newRow(nombre) << a << QString::fromUtf8(clase) << QString::fromUtf8(motivo);
        };
        f("archivo que no existe", "EEntradaSalida", "No se pudo abrir",
          [] { TDocumentoXML::desdeArchivo(ruta("no-existe.xml")); });
        f("una carpeta", "EEntradaSalida", "propios: Es una carpeta",
          [] { TDocumentoXML::desdeArchivo(ruta("propios")); });
        f("escribir en carpeta que no existe", "EEntradaSalida",
          "No se pudo escribir el archivo \"/no/existe/a.xml\": No existe",
          [] { Archivos::creaPrivado(u"/no/existe/a.xml"_s, "<a/>"); });
        f("4.0 sobre un 3.3", "EXML",
          "Se esperaba el elemento Comprobante de http://www.sat.gob.mx/cfd/4 y se encontró cfdi:Comprobante de "
          "http://www.sat.gob.mx/cfd/3.",
          [] { Cfdv40::GetComprobante(documento("cfdi33-valid.xml")); });
        f("3.2 sobre retenciones", "EXML",
          "y se encontró retenciones:Retenciones de http://www.sat.gob.mx/esquemas/retencionpago/2.",
          [] { Cfdv32::LoadComprobante(ruta("retenciones20.xml")); });
        f("nómina 1.2 sobre un comprobante", "EXML", "Se esperaba el elemento Nomina de http://www.sat.gob.mx/nomina12",
          [] { Nomina12::GetNomina(documento("cfdv40-nomina12.xml")); });
        f("timbre de otro espacio", "EXML", "se encontró tfd:TimbreFiscalDigital de http://www.sat.gob.mx/otro", [] {
            TimbreFiscalDigital::GetTimbreFiscalDigital(
                v33("propios/otros-prefijos.xml").Get_Complemento().Get_Complemento(0).ChildNodes().value(0));
        });
        f("documento vacío", "EXML", "y no hay ninguno", [] { Cfdv33::GetComprobante(TDocumentoXML()); });
        f("índice fuera", "EXML", "Índice 3 fuera de la lista de 3 elementos.",
          [] { v33("cfdi33-valid.xml").Get_Conceptos().Get_Concepto(3); });
        f("entero ausente", "EConversion", "Falta el atributo Año",
          [] { v40("cfdi40-real.xml").Get_InformacionGlobal().Get_Anio(); });
        f("escribir en vista vacía", "EXML", "No se puede escribir el atributo x",
          [] { TNodoXML().fijaAtributo("x", u"1"_s); });
    }

    void errores()
    {
        QFETCH(Accion, accion);
        QFETCH(QString, clase);
        QFETCH(QString, motivo);
        try {
            accion();
            QFAIL("no se lanzó");
        } catch (const EVelkor& e) {
            QCOMPARE(e.clase(), clase);
            QVERIFY2(e.mensaje().contains(motivo), qPrintable(e.mensaje()));
        }
    }

    void enteros_data()
    {
        QTest::addColumn<QByteArray>("valor");
        QTest::addColumn<int>("esperado");
        QTest::addColumn<bool>("valido");
        QTest::newRow("simple") << QByteArray("7") << 7 << true;
        QTest::newRow("ceros a la izquierda") << QByteArray("012") << 12 << true;
        QTest::newRow("blancos") << QByteArray(" 8 ") << 8 << true;
        QTest::newRow("signo") << QByteArray("-3") << -3 << true;
        QTest::newRow("máximo") << QByteArray("2147483647") << 2147483647 << true;
        QTest::newRow("vacío") << QByteArray("") << 0 << false;
        QTest::newRow("decimal") << QByteArray("2.0") << 0 << false;
        QTest::newRow("texto") << QByteArray("dos") << 0 << false;
        QTest::newRow("fuera de rango") << QByteArray("2147483648") << 0 << false;
    }

    void enteros()
    {
        QFETCH(QByteArray, valor);
        QFETCH(int, esperado);
        QFETCH(bool, valido);
        const TNodoXML nodo = TDocumentoXML::desdeBytes("<a v=\"" + valor + "\"/>").raiz();
        if (valido) {
            QCOMPARE(nodo.atributoEntero("v"), esperado);
        } else {
            const QString mensaje = mensajeDe<EConversion>([&] { nodo.atributoEntero("v"); });
            QVERIFY2(
                mensaje.contains(u"El atributo v de a no es un número entero: \"%1\""_s.arg(QString::fromUtf8(valor))),
                qPrintable(mensaje));
        }
    }

    void formas_data()
    {
        QTest::addColumn<QString>("texto");
        QTest::addColumn<bool>("rfc");
        QTest::addColumn<bool>("uuid");
        QTest::newRow("moral") << "EKU9003173C9" << true << false;
        QTest::newRow("física") << "COSC8001137NA" << true << false;
        QTest::newRow("con & y Ñ") << "E&Ñ831019M53" << true << false;
        QTest::newRow("minúsculas") << "aaa010101aaa" << true << false;
        QTest::newRow("ñ minúscula") << "e&ñ831019m53" << true << false;
        QTest::newRow("s larga (ſ)") << u"EKU9003173C9"_s.replace(1, 1, QChar(0x017F)) << false << false;
        QTest::newRow("signo Kelvin") << u"EKU9003173C9"_s.replace(1, 1, QChar(0x212A)) << false << false;
        QTest::newRow("i sin punto") << u"ıSD950921HE5"_s.replace(0, 1, QChar(0x0131)) << false << false;
        QTest::newRow("dígito árabe-índico") << u"EKU9003173C9"_s.replace(4, 1, QChar(0x0660)) << false << false;
        QTest::newRow("ruta") << "../../etc" << false << false;
        QTest::newRow("con diagonal") << "AAA/10101AAA" << false << false;
        QTest::newRow("vacío") << QString() << false << false;
        QTest::newRow("uuid") << "e403f396-6a57-4625-adb4-bb436b00789f" << false << true;
        QTest::newRow("uuid con blancos") << " 9FB6ED1A-5F37-4FEF-980A-7F8C83B51894" << false << false;
        QTest::newRow("uuid de marcador") << "11X11X0X-2222-3333-4444-000000000001" << false << false;
    }

    void formas()
    {
        QFETCH(QString, texto);
        QFETCH(bool, rfc);
        QFETCH(bool, uuid);
        QCOMPARE(Cfdi::rfcValido(texto), rfc);
        QCOMPARE(Cfdi::uuidValido(texto), uuid);
    }

    // A view keeps its document alive after every other handle is gone.
    void vistaSobreviveAlDocumento()
    {
        Cfdv32::IXMLComprobante_Conceptos_Concepto concepto;
        {
            const Cfdv32::IXMLComprobante comprobante = Cfdv32::LoadComprobante(ruta("cfdi32-real.xml"));
            concepto = comprobante.Get_Conceptos().Get_Concepto(1);
        }
        QCOMPARE(concepto.Get_descripcion(), u"FILTRO DE ACEITE"_s);
        QCOMPARE(concepto.documento().archivo(), ruta("cfdi32-real.xml"));
    }

    // Files over the limit are refused before they are read.
    void archivoEnorme()
    {
        QTemporaryDir dir;
        QFile f(dir.filePath(u"enorme.xml"_s));
        QVERIFY(f.open(QIODevice::WriteOnly));
        QVERIFY(f.resize(TDocumentoXML::TAMANO_MAXIMO + 1));
        f.close();
        const QString mensaje = mensajeDe<EXML>([&] { TDocumentoXML::desdeArchivo(f.fileName()); });
        QVERIFY2(mensaje.contains(u"el máximo que se lee es"_s), qPrintable(mensaje));
    }

    // Deep nesting and long lists load and read without recursion trouble.
    void documentosGrandes()
    {
        const int niveles = 200000;
        QByteArray profundo =
            QByteArray("<a>").repeated(niveles) + "<b v=\"fondo\"/>" + QByteArray("</a>").repeated(niveles);
        const TDocumentoXML doc = TDocumentoXML::desdeBytes(profundo);
        QCOMPARE(doc.raiz().hijos().size(), 1);
        const QByteArray cortado = profundo.left(profundo.size() - 4);
        QVERIFY(mensajeDe<EXML>([&] { TDocumentoXML::desdeBytes(cortado); }).contains(u"cortado"_s));

        const int lineas = 5000;
        QByteArray muchas =
            "<cfdi:Comprobante xmlns:cfdi=\"http://www.sat.gob.mx/cfd/4\" Version=\"4.0\"><cfdi:Conceptos>";
        for (int i = 0; i < lineas; ++i)
            muchas += "<cfdi:Concepto Importe=\"" + QByteArray::number(i) + ".50\"/>";
        muchas += "</cfdi:Conceptos></cfdi:Comprobante>";
        const auto conceptos = Cfdv40::GetComprobante(TDocumentoXML::desdeBytes(muchas)).Get_Conceptos();
        QCOMPARE(conceptos.Count(), lineas);
        QCOMPARE(conceptos.Get_Concepto(lineas - 1).Get_Importe(), u"4999.50"_s);
    }
};

QTEST_GUILESS_MAIN(TstCfdi)
#include "tst_cfdi.moc"
