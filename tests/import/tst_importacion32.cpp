#include "EntornoImportacion.h"

#include "Cfdi.h"
#include "Nomina12.h"
#include "TCacheCatalogos.h"

using namespace Constantes;
using namespace Qt::StringLiterals;
using Estado = TResultadoArchivo::TEstado;
using E = TEntornoImportacion;

namespace {

const QString RFC_PRUEBAS = u"AAA010101AAA"_s;
const QString UUID_NOMINA = u"E403F396-6A57-4625-ADB4-BB436B00789F"_s; // cfdv32-nomina.xml
const QString RFC_CEVER = u"CTO021007DZ8"_s;                           // cfdi32-real.xml
const QString UUID_CEVER = u"80824F3B-323E-407B-8F8E-40D83FE2E69F"_s;
using TCambios = QList<QPair<QByteArray, QByteArray>>;
// Another voucher of the same file: its UUID changed (cfdv32-nomina.xml and
// impuestos-locales-retenidos.xml write it in lower case).
const QPair<QByteArray, QByteArray> OTRO_CEVER{UUID_CEVER.toLatin1(), "80824F3B-323E-407B-8F8E-40D83FE2E6A0"};
const QPair<QByteArray, QByteArray> OTRO_NOMINA{"e403f396-6a57-4625-adb4-bb436b00789f",
                                                "e403f396-6a57-4625-adb4-bb436b00789e"};

TDecimal d(const char* texto)
{
    return TDecimal::desdeTexto(QString::fromLatin1(texto));
}

// The voucher's own breakdown rows (not those of a line), in the order stored.
QList<TDesgloseimpuesto> desglose(const TComprobante& comprobante, const TConexionSesion& conexion)
{
    using T = TDesgloseimpuesto;
    return T::busca(T::columna(T::col_Comprobante) == comprobante && T::columna(T::col_Comprobanteconcepto).esNulo(),
                    conexion, T::columna(T::col_Iddesgloseimpuesto).ascendente());
}

QList<TComprobanteconcepto> lineas(const TComprobante& comprobante, const TConexionSesion& conexion)
{
    using T = TComprobanteconcepto;
    return T::busca(T::columna(T::col_Idcomprobante) == comprobante, conexion,
                    T::columna(T::col_Idcomprobanteconcepto).ascendente());
}

// The voucher's breakdown as "name rate amount kind" rows.
QStringList filasDesglose(const TComprobante& comprobante, const TConexionSesion& conexion)
{
    QStringList filas;
    for (const TDesgloseimpuesto& r : desglose(comprobante, conexion))
        filas << r.getNombre() + u' ' + r.getTasa().texto() + u' ' + r.getImporte().texto(2) + u' ' +
                     r.getTipoimpuesto();
    return filas;
}

std::unique_ptr<TNominacomprobante> reciboDe(const TComprobante& comprobante, const TConexionSesion& conexion)
{
    using N = TNominacomprobante;
    return N::buscaUno(N::columna(N::col_Comprobante) == comprobante, conexion);
}

// Totals and lines of a stored voucher against its file.
void comparaConArchivo(const TComprobante& guardado, const TConexionSesion& conexion, const TResultadoArchivo& r)
{
    const TDocumentoXML documento = TDocumentoXML::desdeArchivo(r.ruta);
    const TNodoXML raiz = documento.raiz();
    const bool v32 = r.version == CFDI_32;
    const auto decimalDe = [](const QString& texto) {
        return texto.isEmpty() ? TDecimal() : TDecimal::desdeTexto(texto);
    };
    QCOMPARE(guardado.getTotal(), decimalDe(raiz.atributo(v32 ? "total" : "Total")));
    QCOMPARE(guardado.getSubtotal(), decimalDe(raiz.atributo(v32 ? "subTotal" : "SubTotal")));
    QCOMPARE(guardado.getComprobantexml(), documento.bytes());
    QCOMPARE(guardado.getUuid(), r.uuid);
    const QList<TNodoXML> conceptos = raiz.hijoPropio("Conceptos").hijosPropios("Concepto");
    const QList<TComprobanteconcepto> guardadas = lineas(guardado, conexion);
    QCOMPARE(guardadas.size(), conceptos.size());
    for (int i = 0; i < conceptos.size(); ++i) {
        const TNodoXML& c = conceptos.at(i);
        QCOMPARE(guardadas.at(i).getImporte(), decimalDe(c.atributo(v32 ? "importe" : "Importe")));
        QCOMPARE(guardadas.at(i).getCantidad(), decimalDe(c.atributo(v32 ? "cantidad" : "Cantidad")));
        QCOMPARE(guardadas.at(i).getPreciounitario(), decimalDe(c.atributo(v32 ? "valorUnitario" : "ValorUnitario")));
    }
    // One breakdown row per federal tax of the voucher and per local tax.
    const TNodoXML impuestos = raiz.hijoPropio("Impuestos");
    qsizetype filas = impuestos.hijoPropio("Retenciones").hijosPropios("Retencion").size() +
                      impuestos.hijoPropio("Traslados").hijosPropios("Traslado").size();
    for (const TNodoXML& locales : Cfdi::complementos(raiz, "http://www.sat.gob.mx/implocal", "ImpuestosLocales"))
        filas += locales.hijosPropios("RetencionesLocales").size() + locales.hijosPropios("TrasladosLocales").size();
    QCOMPARE(desglose(guardado, conexion).size(), filas);
    for (const Nomina12::IXMLNomina& n : Nomina12::deComprobante(raiz)) {
        const auto recibo = reciboDe(guardado, conexion);
        QVERIFY(recibo);
        QCOMPARE(recibo->getTotalpercepciones(), decimalDe(n.Get_TotalPercepciones()));
        QCOMPARE(recibo->getTotaldeducciones(), decimalDe(n.Get_TotalDeducciones()));
    }
}

} // namespace

// The stored values of real vouchers, against their files.
class TstImportacion32 : public QObject {
    Q_OBJECT
    // A fresh program folder for each case.
    std::unique_ptr<TEntornoImportacion> m_entorno;

    TResultadoArchivo importa(const QString& ruta) const { return m_entorno->importador()->importa(ruta); }
    // A real voucher with some of its bytes changed, imported alone.
    TResultadoArchivo importa(const QString& archivo, const TCambios& cambios) const
    {
        return importa(m_entorno->escribe(u"a.xml"_s, E::variante(archivo, cambios)));
    }

private slots:
    void init() { m_entorno = std::make_unique<TEntornoImportacion>(); }
    void cleanup() { m_entorno.reset(); }

    // Every real file of the test data, in one folder: each version and
    // complement, each outcome; the vouchers stored match their files.
    void archivosReales()
    {
        const QStringList archivos = QDir(E::dato(QString())).entryList({u"*.xml"_s}, QDir::Files);
        for (const QString& archivo : archivos)
            m_entorno->agrega(archivo);
        const QStringList propios = QDir(E::dato(u"propios"_s)).entryList(QDir::Files);
        for (const QString& archivo : propios)
            m_entorno->agrega(u"propios/"_s + archivo, u"propios/"_s + archivo);
        const QList<TResultadoArchivo> resultados = m_entorno->importaCarpeta(50);
        QCOMPARE(resultados.size(), archivos.size() + propios.size());

        QHash<QString, int> estados;
        QStringList fallidos;
        for (const TResultadoArchivo& r : resultados) {
            estados[QFileInfo(r.ruta).fileName()] = r.estado;
            if (r.estado == Estado::Fallido)
                fallidos << QFileInfo(r.ruta).fileName() + u": "_s + r.motivo;
            // Nothing stored is reported cut, and a file passed over names no voucher.
            QVERIFY2(r.avisos.isEmpty(), qPrintable(r.ruta + u": "_s + r.avisos.join(u' ')));
            QVERIFY2(r.estado != Estado::Omitido || r.uuid.isEmpty(), qPrintable(r.ruta));
            if (r.estado != Estado::Importado)
                continue;
            const std::unique_ptr<TComprobante> guardado = E::comprobante(r.rfc, r.uuid);
            QVERIFY2(guardado, qPrintable(r.ruta));
            comparaConArchivo(*guardado, E::conexion(r.rfc), r);
            QCOMPARE(E::bytes(TImportadorXML::rutaCopia(r.rfc, r.uuid)), E::bytes(r.ruta));
        }
        QVERIFY2(fallidos.isEmpty(), qPrintable(fallidos.join(u'\n')));
        // Not stamped, another kind of document, or a 4.0 voucher naming its
        // schema by a relative location: passed over. Vouchers whose UUID an
        // earlier file of the folder brought: already there.
        const int I = Estado::Importado, Y = Estado::YaExistia, O = Estado::Omitido;
        QHash<QString, int> esperados;
        for (const auto& [estado, nombres] :
             {std::pair{
                  I, u"cfdi.xml cfdi32-real.xml cfdi33-real.xml cfdi33-valid.xml cfdi40-nomina-compensacion-valid.xml "
                     "cfdi40-real.xml cfdv32-ejemplo.xml cfdv32-instituciones-educativas.xml cfdv33-signed-tfd.xml "
                     "detallista-example.xml file_pdf.xml h&e951128469_ingreso_iva16_stamped.xml "
                     "bom-sin-declaracion.xml completo-40.xml dos-complementos.xml dos-timbres.xml "
                     "espacio-por-omision.xml otros-prefijos.xml prefijos-en-raiz-32.xml ubicacion-xmlns.xml"_s},
              std::pair{Y, u"cfdv32-nomina.xml impuestos-locales-retenidos.xml"_s},
              std::pair{O, u"cancel_xml.xml cfdv-33-addenda.xml cfdv2.xml cfdv3.externo.xml cfdv32.xml "
                           "cfdv40-cartaporte20.xml cfdv40-cce11.xml cfdv40-donat11.xml.xml cfdv40-nomina12.xml "
                           "cfdv40-pagos20.xml created-pago-with-ns-at-root-33.xml created-with-discounts-40.xml "
                           "retenciones10-ejemplo.xml retenciones20.xml sample-validacfd01.xml esquema-desconocido.xml "
                           "nomina11-minima.xml uuid-vacio.xml minusculas-40.xml"_s}})
            for (const QString& nombre : nombres.split(u' '))
                esperados.insert(nombre, estado);
        QCOMPARE(esperados.size(), estados.size());
        for (auto it = esperados.constBegin(); it != esperados.constEnd(); ++it)
            QVERIFY2(estados.value(it.key(), -1) == it.value(),
                     qPrintable(it.key() + u": "_s + QString::number(estados.value(it.key(), -1))));
    }

    // A payroll 1.1 voucher, field by field.
    void nomina11()
    {
        const TResultadoArchivo r = importa(m_entorno->agrega(u"cfdv32-nomina.xml"_s));
        QCOMPARE(int(r.estado), int(Estado::Importado));
        const TConexionSesion conexion = E::conexion(RFC_PRUEBAS);
        const std::unique_ptr<TComprobante> v = E::comprobante(RFC_PRUEBAS, UUID_NOMINA);
        QVERIFY(v);
        QCOMPARE(v->getTotal(), d("40600.00"));
        QCOMPARE(v->getSubtotal(), d("35000.00"));
        QCOMPARE(v->getDescuentogeneral(), TDecimal());
        QCOMPARE(v->getVersion(), d("3.2"));
        // An income voucher with payroll: the payroll letter, the invoice category.
        QCOMPARE((QStringList{v->getSerie(), v->getFolio(), v->getMoneda(), v->getTipocomprobante(),
                              v->getCategoriacomprobante(), v->getRfcreceptor(), v->getNumerocuentapago(),
                              v->getLugarexpedicion()}),
                 (QStringList{"C", "38", "Pesos", TComprobante::TIPO_COMP_33_NOMINA, TComprobante::CATEGORIA_FACTURA,
                              "E&Ñ831019M53", "No Identificado", "Monterrey, Nuevo León"}));
        QCOMPARE(v->getFechatimbrado(), QDateTime(QDate(2015, 2, 17), QTime(11, 49, 20)));
        QCOMPARE(v->getFechacreacion(), v->getFechatimbrado());
        QCOMPARE(v->getFechaemision(), QDateTime(QDate(2015, 2, 18), QTime(11, 49, 20)));
        QCOMPARE(v->getFechacancelacion(), TComprobante::fechaSinCancelar());
        QCOMPARE(v->getPathxml(), TImportadorXML::rutaGuardada(RFC_PRUEBAS, UUID_NOMINA));
        QCOMPARE(v->getEstatus(), TComprobante::ESTADO_FACTURA_ACTIVA);

        // The receiver: a customer with its address from the postal-code catalogue.
        const std::shared_ptr<TCliente> cliente = v->getCliente();
        QCOMPARE(cliente->getDatosfiscales()->getRfc(), u"E&Ñ831019M53"_s);
        QCOMPARE(cliente->getDatosfiscales()->getRazon(), u"Exportadora de Ganado HOLSTEIN S.A."_s);
        const std::shared_ptr<TDireccion> direccion = cliente->getDireccionEnvio();
        QVERIFY(direccion);
        QCOMPARE((QStringList{direccion->getCalle(), direccion->getNoexterior(), direccion->getColonia(),
                              direccion->getPais(), direccion->getCodigoPostal()->getCp()}),
                 (QStringList{"Av. Principal", "102", "Ejido La Siembra", "MEX - México", "99170"}));

        const QList<TComprobanteconcepto> ls = lineas(*v, conexion);
        QCOMPARE(ls.size(), 1);
        QCOMPARE(ls.first().getIdconcepto()->getDescripcion(), u"Módulo de embarque serie A-6743-Ñ"_s);
        QCOMPARE(ls.first().getIdunidad()->getNombreunidadmedida(), u"LTE"_s);
        QCOMPARE(ls.first().getImporte(), d("35000"));
        // Withholdings first, each at the catalogue's withholding rate.
        QCOMPARE(filasDesglose(*v, conexion),
                 (QStringList{"ISR -1 0.00 Retenido", "IVA -1 0.00 Retenido", "IVA 16 5600.00 Trasladado"}));

        const std::unique_ptr<TNominacomprobante> recibo = reciboDe(*v, conexion);
        QVERIFY(recibo);
        QCOMPARE(recibo->getVersion(), d("1.1"));
        QCOMPARE(recibo->getBanco(), 12);
        QCOMPARE(recibo->getUuid(), UUID_NOMINA);
        QCOMPARE(recibo->getTotal(), d("40600"));
        QCOMPARE(recibo->getFechaemision(), v->getFechatimbrado());
        QCOMPARE(recibo->getNominaxml(), v->getComprobantexml());
        QCOMPARE(recibo->getTotalpercepciones(), d("9590.10"));
        QCOMPARE(recibo->getTotaldeducciones(), d("167.66"));
        const std::unique_ptr<TEmpleado> empleado = TEmpleado::getByCURP(u"FXXH921011HDGBPZ50"_s, conexion);
        QVERIFY(empleado);
        QCOMPARE((QStringList{empleado->getNumempleado(), empleado->getTiporegimen(), empleado->getDepartamento(),
                              empleado->getPuesto()}),
                 (QStringList{"ABC123", "2", "Contabilidad", "Contador"}));
        QCOMPARE(empleado->getRiesgopuesto(), 2);
        // Stamped as modified by 1, whoever imports it.
        QCOMPARE(empleado->getUltimamodificacionpor(), 1);
        QCOMPARE(empleado->getFechainiciorelacionlaboral(), QDate(2012, 1, 1));
        QCOMPARE(empleado->getIdnegocioId(), v->getNegocioId());
        QCOMPARE(empleado->getDatosfiscalesId(), cliente->getDatosfiscalesId());
        using P = TPercepcion;
        const QList<P> percepciones = P::busca(P::columna(P::col_Idrecibonomina) == *recibo, conexion,
                                               P::columna(P::col_Idpercepcion).ascendente());
        QStringList p;
        TDecimal sumaPercepciones;
        for (const P& x : percepciones) {
            p << x.getTipopercepcion() + u'|' + x.getClave() + u'|' + x.getImportegravado().texto(2);
            sumaPercepciones += x.getImportegravado() + x.getImporteexcento();
        }
        QCOMPARE(p, (QStringList{"1|001|950.46", "17|039|0.00", "1|133|139.34"}));
        QCOMPARE(sumaPercepciones, d("1089.80"));
        using D = TDeduccion;
        QStringList dd;
        for (const D& x :
             D::busca(D::columna(D::col_Reciboj) == *recibo, conexion, D::columna(D::col_Iddeduccion).ascendente()))
            dd << x.getClave() + u'|' + x.getImportegravado().texto(2);
        QCOMPARE(dd, (QStringList{"043|0.00", "049|501.18", "052|66.48", "99|0.00"}));
        using L = TNominacomprobanteempleado;
        QCOMPARE(L::cuenta(L::columna(L::col_NominaComprobante) == *recibo && L::columna(L::col_Empleado) == *empleado,
                           conexion),
                 1);
    }

    // Complements whose prefixes are declared only on the root, a transfer
    // written in no namespace, an issuer RFC in lower case.
    void prefijosEnLaRaiz()
    {
        const TResultadoArchivo r = importa(m_entorno->agrega(u"propios/prefijos-en-raiz-32.xml"_s));
        QCOMPARE(int(r.estado), int(Estado::Importado));
        QCOMPARE(r.rfc, RFC_PRUEBAS);
        const TConexionSesion conexion = E::conexion(RFC_PRUEBAS);
        const std::unique_ptr<TComprobante> v = E::comprobante(RFC_PRUEBAS, r.uuid);
        QVERIFY(v);
        QCOMPARE(filasDesglose(*v, conexion), (QStringList{"IVA 16 160.00 Trasladado", "ISN 2 20.00 Retenido"}));
        const std::unique_ptr<TNominacomprobante> recibo = reciboDe(*v, conexion);
        QVERIFY(recibo);
        QCOMPARE(recibo->getClabe(), u"123456789"_s);
        QCOMPARE(recibo->getBanco(), 2);
        QCOMPARE(TPercepcion::cuenta(TPercepcion::columna(TPercepcion::col_Idrecibonomina) == *recibo, conexion), 1);
        // A receiver without address is a customer without one.
        QVERIFY(!v->getCliente()->getDireccionEnvio());
    }

    // Values the payroll 1.1 rules would lose: a deduction's taxed part, an
    // account number's leading zero, a stamp date with a zone offset, a CURP
    // between blanks (two receipts of one employee).
    void nomina11Valores()
    {
        const TCambios cambios{
            {"Clave=\"052\"\n\t\t\t\t                  Concepto=\"I.M.S.S.\"\n\t\t\t\t                  "
             "ImporteGravado=\"0\"\n\t\t\t\t                  ImporteExento=\"66.48\"",
             "Clave=\"052\" Concepto=\"I.M.S.S.\" ImporteGravado=\"100.00\" ImporteExento=\"0.00\""},
            {"Banco=\"012\"", "Banco=\"012\" CLABE=\"012180001234567891\""},
            {"FechaTimbrado=\"2015-02-17T11:49:20\"", "FechaTimbrado=\"2015-02-17T11:49:20.125-06:00\""},
            {"CURP=\"FXXH921011HDGBPZ50\"", "CURP=\" FXXH921011HDGBPZ50 \""}};
        const QStringList rutas{
            m_entorno->escribe(u"1.xml"_s, E::variante(u"cfdv32-nomina.xml"_s, cambios)),
            m_entorno->escribe(u"2.xml"_s, E::variante(u"cfdv32-nomina.xml"_s, cambios + TCambios{OTRO_NOMINA}))};
        // Each in a run of its own, as on two days.
        for (const QString& ruta : rutas) {
            const TResultadoArchivo r = importa(ruta);
            QVERIFY2(r.estado == Estado::Importado, qPrintable(r.motivo));
        }
        const TConexionSesion conexion = E::conexion(RFC_PRUEBAS);
        QCOMPARE(TEmpleado::cuenta(TCondicion(), conexion), 1);
        const std::unique_ptr<TComprobante> v = E::comprobante(RFC_PRUEBAS, UUID_NOMINA);
        QVERIFY(v);
        QCOMPARE(v->getFechatimbrado(), QDateTime(QDate(2015, 2, 17), QTime(11, 49, 20)));
        const std::unique_ptr<TNominacomprobante> recibo = reciboDe(*v, conexion);
        QVERIFY(recibo);
        QCOMPARE(recibo->getClabe(), u"012180001234567891"_s);
        const std::unique_ptr<TEmpleado> empleado = TEmpleado::getByCURP(u"FXXH921011HDGBPZ50"_s, conexion);
        QVERIFY(empleado);
        QCOMPARE(empleado->getClabe(), u"012180001234567891"_s);
        QCOMPARE(empleado->getCurp(), u"FXXH921011HDGBPZ50"_s);
        using D = TDeduccion;
        const std::unique_ptr<D> imss = D::buscaUno(D::columna(D::col_Clave) == u"052"_s, conexion);
        QVERIFY(imss);
        QCOMPARE(imss->getImportegravado(), d("100"));
    }

    // Header values of a 3.2 voucher written as its schema allows, each
    // stored as it reads; amounts exactly, never rounded. A rate meant as a
    // number that cannot be stored is named in the report; a word in its
    // place ("N/A") is not.
    void encabezado_data()
    {
        QTest::addColumn<QByteArray>("de");
        QTest::addColumn<QByteArray>("a");
        QTest::addColumn<QString>("campo"); // "motivo": the voucher fails with it
        QTest::addColumn<QString>("esperado");
        QTest::addColumn<bool>("aviso"); // the report names the value written
        const auto fila = [](const char* nombre, const char* de, const char* a, const char* campo, const char* esperado,
                             bool aviso = false) {
            QTest::newRow(nombre) << QByteArray(de) << QByteArray(a) << QString::fromUtf8(campo)
                                  << QString::fromUtf8(esperado) << aviso;
        };
        const char* cambio = "TipoCambio=\"1.00\"";
        fila("tipo de cambio", cambio, "TipoCambio=\"17.50\"", "tipo de cambio", "17.50");
        fila("tipo de cambio en palabra", cambio, "TipoCambio=\"N/A\"", "tipo de cambio", "0.00");
        fila("tipo de cambio con coma decimal", cambio, "TipoCambio=\"18,50\"", "tipo de cambio", "0.00", true);
        fila("tipo de cambio con siete decimales", cambio, "TipoCambio=\"18.1234567\"", "tipo de cambio", "0.00", true);
        fila("RFC del receptor entre blancos", "rfc=\"XAXX010101000\"", "rfc=\" XAXX010101000 \"", "RFC receptor",
             "XAXX010101000");
        // t_Importe has no minimum in 3.2.
        fila("total negativo", " total=\"4685.00\"", " total=\"-4685.00\"", "total", "-4685.00");
        fila("total negativo con seis decimales", " total=\"4685.00\"", " total=\"-4685.000001\"", "total",
             "-4685.000001");
        fila("subTotal negativo", " subTotal=\"4038.79\"", " subTotal=\"-4038.79\"", "subtotal", "-4038.79");
        fila("descuento negativo", " descuento=\"0.00\"", " descuento=\"-0.01\"", "descuento", "-0.01");
        fila("TipoCambio negativo", " TipoCambio=\"1.00\"", " TipoCambio=\"-1.00\"", "tipo de cambio", "-1.00");
        fila("total con siete decimales", " total=\"4685.00\"", " total=\"-4685.0000001\"", "motivo",
             "La cantidad \"-4685.0000001\" tiene más de seis decimales");
    }
    void encabezado()
    {
        QFETCH(QByteArray, de);
        QFETCH(QByteArray, a);
        QFETCH(QString, campo);
        QFETCH(QString, esperado);
        QFETCH(bool, aviso);
        const TResultadoArchivo r = importa(u"cfdi32-real.xml"_s, {{de, a}});
        if (campo == u"motivo"_s) {
            QCOMPARE(int(r.estado), int(Estado::Fallido));
            QVERIFY2(r.motivo.contains(esperado), qPrintable(r.motivo));
            // Refused before its issuer's business is made, so nothing of it is stored.
            QCOMPARE(E::registros(RFC_CEVER), 0);
            return;
        }
        QVERIFY2(r.estado == Estado::Importado, qPrintable(r.motivo));
        QCOMPARE(r.avisos.join(u' ').contains(QString::fromLatin1(a).section(u'"', 1, 1)), aviso);
        const std::unique_ptr<TComprobante> v = E::comprobante(RFC_CEVER, UUID_CEVER);
        QVERIFY(v);
        const QHash<QString, QString> guardados{{u"RFC receptor"_s, v->getRfcreceptor()},
                                                {u"total"_s, v->getTotal().texto(2)},
                                                {u"subtotal"_s, v->getSubtotal().texto(2)},
                                                {u"descuento"_s, v->getDescuentogeneral().texto(2)},
                                                {u"tipo de cambio"_s, v->getTipodecambio().texto(2)}};
        QCOMPARE(guardados.value(campo), esperado);
    }

    // The parts of a line are products of the business, found again by the
    // next voucher instead of added once more; a part of no quantity is not.
    void partes()
    {
        const QByteArray parte =
            "importe=\"309.30\">\n<cfdi:Parte cantidad=\"2\" unidad=\"PZA\" noIdentificacion=\"T1\" "
            "descripcion=\"TAPON\" valorUnitario=\"1.50\" importe=\"3.00\"/>"
            "<cfdi:Parte cantidad=\"0\" descripcion=\"NADA\"/>";
        // 3.2 lets TipoCambio be any text; one that is no number is left out.
        m_entorno->escribe(
            u"1.xml"_s, E::variante(u"cfdi32-real.xml"_s,
                                    {{"importe=\"309.30\">", parte}, {"TipoCambio=\"1.00\"", "TipoCambio=\"N/A\""}}));
        m_entorno->escribe(u"2.xml"_s, E::variante(u"cfdi32-real.xml"_s, {{"importe=\"309.30\">", parte}, OTRO_CEVER}));
        for (const TResultadoArchivo& r : m_entorno->importaCarpeta())
            QVERIFY2(r.estado == Estado::Importado, qPrintable(r.motivo));
        const TConexionSesion conexion = E::conexion(RFC_CEVER);
        using C = TConcepto;
        const QList<C> tapones = C::busca(C::columna(C::col_Descripcion) == u"TAPON"_s, conexion);
        QCOMPARE(tapones.size(), 1);
        QCOMPARE(tapones.first().getPrecioventa(), d("1.50"));
        QCOMPARE(tapones.first().getNumidentificacion(), u"T1"_s);
        QCOMPARE(tapones.first().getConceptoPadre()->getDescripcion(), u"ACEITE"_s);
        QCOMPARE(C::cuenta(C::columna(C::col_Descripcion) == u"NADA"_s, conexion), 0);
        // Seven products of the lines and the part, for two vouchers.
        QCOMPARE(C::cuenta(TCondicion(), conexion), 8);
        QCOMPARE(TComprobanteconcepto::cuenta(TCondicion(), conexion), 14);
        using V = TComprobante;
        QCOMPARE(V::cuenta(V::columna(V::col_Tipodecambio).esNulo(), conexion), 1);
    }

    // A part is taken when its quantity is above zero, however many decimals
    // it has; the line's own quantity is stored, and more than six decimals
    // there are refused rather than rounded.
    void cantidadDeParte_data()
    {
        QTest::addColumn<QByteArray>("parte");
        QTest::addColumn<QByteArray>("linea");
        QTest::addColumn<int>("tomadas"); // -1: the voucher fails
        QTest::newRow("entera") << QByteArray("2") << QByteArray("5") << 1;
        QTest::newRow("siete decimales") << QByteArray("0.3333333") << QByteArray("5") << 1;
        QTest::newRow("menos de una millonésima") << QByteArray("0.0000001") << QByteArray("5") << 1;
        QTest::newRow("trece enteros") << QByteArray("1234567890123") << QByteArray("5") << 1;
        QTest::newRow("cero con ocho decimales") << QByteArray("0.00000000") << QByteArray("5") << 0;
        QTest::newRow("negativa con siete decimales") << QByteArray("-0.0000001") << QByteArray("5") << 0;
        QTest::newRow("no es un número") << QByteArray("1,5") << QByteArray("5") << -1;
        QTest::newRow("línea con siete decimales") << QByteArray("2") << QByteArray("5.0000001") << -1;
    }
    void cantidadDeParte()
    {
        QFETCH(QByteArray, parte);
        QFETCH(QByteArray, linea);
        QFETCH(int, tomadas);
        const TResultadoArchivo r = importa(
            u"cfdi32-real.xml"_s, {{"cantidad=\"5\" unidad=\"PIEZA\"", "cantidad=\"" + linea + "\" unidad=\"PIEZA\""},
                                   {"importe=\"309.30\">", "importe=\"309.30\"><cfdi:Parte cantidad=\"" + parte +
                                                               "\" unidad=\"PZA\" descripcion=\"TAPON\"/>"}});
        if (tomadas < 0) {
            QCOMPARE(int(r.estado), int(Estado::Fallido));
            QVERIFY2(r.motivo.contains(QString::fromLatin1(linea == "5" ? parte : linea)), qPrintable(r.motivo));
            return;
        }
        QVERIFY2(r.estado == Estado::Importado, qPrintable(r.motivo));
        using C = TConcepto;
        QCOMPARE(C::cuenta(C::columna(C::col_Descripcion) == u"TAPON"_s, E::conexion(RFC_CEVER)), tomadas);
    }

    // A line's customs entry: its date as the schema's xs:date allows it,
    // the calendar date as written; any other text fails the voucher.
    void pedimento_data()
    {
        QTest::addColumn<QByteArray>("fecha");
        QTest::addColumn<QDate>("esperada");
        const QDate dia(2015, 1, 1);
        QTest::newRow("fecha sola") << QByteArray("2015-01-01") << dia;
        QTest::newRow("con zona horaria") << QByteArray("2015-01-01-06:00") << dia;
        QTest::newRow("con zona adelantada") << QByteArray("2015-01-01+14:00") << dia;
        QTest::newRow("en UTC") << QByteArray("2015-01-01Z") << dia;
        QTest::newRow("entre blancos") << QByteArray(" 2015-01-01 ") << dia;
        QTest::newRow("con hora") << QByteArray("2015-01-01T10:00:00") << QDate();
        QTest::newRow("día que no existe") << QByteArray("2015-02-30") << QDate();
        QTest::newRow("otra forma") << QByteArray("01/01/2015") << QDate();
    }
    void pedimento()
    {
        QFETCH(QByteArray, fecha);
        QFETCH(QDate, esperada);
        const TResultadoArchivo r =
            importa(u"cfdi32-real.xml"_s,
                    {{"importe=\"309.30\">", "importe=\"309.30\"><cfdi:InformacionAduanera numero=\"PED1\" fecha=\"" +
                                                 fecha + "\" aduana=\"ADU1\"/>"}});
        if (!esperada.isValid()) {
            QCOMPARE(int(r.estado), int(Estado::Fallido));
            QVERIFY2(r.motivo.contains(u"no es una fecha válida (aaaa-mm-dd)"_s), qPrintable(r.motivo));
            QVERIFY(!E::comprobante(RFC_CEVER, UUID_CEVER));
            return;
        }
        QVERIFY2(r.estado == Estado::Importado, qPrintable(r.motivo));
        const QList<TPedimentoaduanal> pedimentos = TPedimentoaduanal::busca(TCondicion(), E::conexion(RFC_CEVER));
        QCOMPARE(pedimentos.size(), 1);
        QCOMPARE(pedimentos.first().getNumeropedimento(), u"PED1"_s);
        QCOMPARE(pedimentos.first().getFechaautorizacionaduana(), esperada);
    }

    // A donation receipt of version 3.2: its donee complement, its category.
    void donataria_data()
    {
        QTest::addColumn<QByteArray>("fecha");
        QTest::addColumn<QDateTime>("esperada");
        QTest::newRow("fecha sola") << QByteArray("2014-05-01") << QDateTime(QDate(2014, 5, 1), QTime(0, 0));
        QTest::newRow("fecha y hora") << QByteArray("2014-05-01T10:20:30")
                                      << QDateTime(QDate(2014, 5, 1), QTime(10, 20, 30));
        QTest::newRow("fecha no válida") << QByteArray("01/05/2014") << QDateTime();
    }
    void donataria()
    {
        QFETCH(QByteArray, fecha);
        QFETCH(QDateTime, esperada);
        const TResultadoArchivo r = importa(
            u"cfdi32-real.xml"_s,
            {{"<cfdi:Complemento>", "<cfdi:Complemento><donat:Donatarias xmlns:donat=\"http://www.sat.gob.mx/donat\" "
                                    "version=\"1.1\" noAutorizacion=\"12345\" fechaAutorizacion=\"" +
                                        fecha + "\" leyenda=\"Donativo\"/>"}});
        const std::unique_ptr<TComprobante> v = E::comprobante(RFC_CEVER, UUID_CEVER);
        if (!esperada.isValid()) {
            QCOMPARE(int(r.estado), int(Estado::Fallido));
            QVERIFY(!v);
            QCOMPARE(TDonataria::cuenta(TCondicion(), E::conexion(RFC_CEVER)), 0);
            return;
        }
        QVERIFY2(r.estado == Estado::Importado, qPrintable(r.motivo));
        QCOMPARE(v->getCategoriacomprobante(), TComprobante::CATEGORIA_RECIBO_DONATARIA);
        QCOMPARE(v->getTipocomprobante(), TComprobante::TIPO_COMP_33_INGRESO);
        const std::shared_ptr<TDonataria> donee = v->getDonataria();
        QVERIFY(donee);
        QCOMPARE(donee->getVersion(), u"1.1"_s);
        QCOMPARE(donee->getNoautorizacion(), u"12345"_s);
        QCOMPARE(donee->getLeyenda(), u"Donativo"_s);
        QCOMPARE(donee->getFechaautorizacion(), esperada);
    }

    // Local taxes, each added once to the business's tax catalogue.
    void impuestosLocales()
    {
        m_entorno->agrega(u"impuestos-locales-retenidos.xml"_s, u"1.xml"_s);
        m_entorno->escribe(u"2.xml"_s, E::variante(u"impuestos-locales-retenidos.xml"_s, {OTRO_NOMINA}));
        const QList<TResultadoArchivo> resultados = m_entorno->importaCarpeta();
        QCOMPARE(int(resultados.at(0).estado), int(Estado::Importado));
        QCOMPARE(int(resultados.at(1).estado), int(Estado::Importado));
        const TConexionSesion conexion = E::conexion(RFC_PRUEBAS);
        const std::unique_ptr<TComprobante> v = E::comprobante(RFC_PRUEBAS, resultados.at(1).uuid);
        QVERIFY(v);
        QCOMPARE(filasDesglose(*v, conexion),
                 (QStringList{"ISR -1 0.00 Retenido", "IVA -1 0.00 Retenido", "IVA 16 5600.00 Trasladado",
                              "FOO1 2 700.00 Retenido", "FOO2 2 700.00 Retenido", "BAR1 1 350.00 Trasladado",
                              "BAR2 3 1050.00 Trasladado"}));
        // Two vouchers, one catalogue entry per tax and rate.
        QCOMPARE(TImpuesto::cuenta(TCondicion(), conexion), 7);
    }

    // Each breakdown row says whether its own entry was withheld or
    // transferred, whatever tax of that name and rate was met first.
    void tipoDeCadaImpuesto_data()
    {
        QTest::addColumn<QByteArray>("de");
        QTest::addColumn<QByteArray>("a");
        QTest::addColumn<QStringList>("filas");
        const QStringList federales{"ISR -1 0.00 Retenido", "IVA -1 0.00 Retenido", "IVA 16 5600.00 Trasladado"};
        QTest::newRow("traslado local como una retención local")
            << QByteArray("ImpLocTrasladado=\"BAR1\" TasadeTraslado=\"1.00\"")
            << QByteArray("ImpLocTrasladado=\"FOO1\" TasadeTraslado=\"2.00\"")
            << federales + QStringList{"FOO1 2 700.00 Retenido", "FOO2 2 700.00 Retenido", "FOO1 2 350.00 Trasladado",
                                       "BAR2 3 1050.00 Trasladado"};
        QTest::newRow("retención local como un traslado federal")
            << QByteArray("ImpLocRetenido=\"FOO2\" TasadeRetencion=\"2.00\"")
            << QByteArray("ImpLocRetenido=\"IVA\" TasadeRetencion=\"16.00\"")
            << federales + QStringList{"FOO1 2 700.00 Retenido", "IVA 16 700.00 Retenido", "BAR1 1 350.00 Trasladado",
                                       "BAR2 3 1050.00 Trasladado"};
    }
    void tipoDeCadaImpuesto()
    {
        QFETCH(QByteArray, de);
        QFETCH(QByteArray, a);
        QFETCH(QStringList, filas);
        const TResultadoArchivo r = importa(u"impuestos-locales-retenidos.xml"_s, {{de, a}});
        QVERIFY2(r.estado == Estado::Importado, qPrintable(r.motivo));
        const std::unique_ptr<TComprobante> v = E::comprobante(RFC_PRUEBAS, r.uuid);
        QVERIFY(v);
        QCOMPARE(filasDesglose(*v, E::conexion(RFC_PRUEBAS)), filas);
    }

    // A voucher that fails in the middle (its second line's amount is not a
    // number) leaves nothing: no customer, voucher, line, unit or copy; the
    // units it made are not handed to the next file.
    void falloAMitad()
    {
        m_entorno->escribe(u"1.xml"_s, E::variante(u"cfdi32-real.xml"_s, {{"importe=\"68.48\"", "importe=\"68,48\""}}));
        m_entorno->agrega(u"cfdi32-real.xml"_s, u"2.xml"_s);
        const std::unique_ptr<TImportadorXML> importador = m_entorno->importador();
        const TResultadoArchivo fallido = importador->importa(m_entorno->entrada() + u"1.xml"_s);
        QCOMPARE(int(fallido.estado), int(Estado::Fallido));
        QVERIFY2(fallido.motivo.contains(u"68,48"_s), qPrintable(fallido.motivo));
        const TConexionSesion conexion = E::conexion(RFC_CEVER);
        // The business created for it stays.
        QCOMPARE(
            (QList<int>{TNegocio::cuenta(TCondicion(), conexion), TComprobante::cuenta(TCondicion(), conexion),
                        TComprobanteconcepto::cuenta(TCondicion(), conexion), TCliente::cuenta(TCondicion(), conexion),
                        TUnidadmedida::cuenta(TCondicion(), conexion), TConcepto::cuenta(TCondicion(), conexion)}),
            (QList<int>{1, 0, 0, 0, 0, 0}));
        QVERIFY(!QFileInfo::exists(TImportadorXML::rutaCopia(RFC_CEVER, UUID_CEVER)));
        QVERIFY(QDir(QFileInfo(TImportadorXML::rutaCopia(RFC_CEVER, UUID_CEVER)).absolutePath())
                    .entryList(QDir::Files | QDir::Hidden)
                    .isEmpty());

        const TResultadoArchivo bueno = importador->importa(m_entorno->entrada() + u"2.xml"_s);
        QCOMPARE(int(bueno.estado), int(Estado::Importado));
        const std::unique_ptr<TComprobante> v = E::comprobante(RFC_CEVER, UUID_CEVER);
        QVERIFY(v);
        const QList<TComprobanteconcepto> ls = lineas(*v, conexion);
        QCOMPARE(ls.size(), 7);
        QStringList unidades;
        for (const TComprobanteconcepto& l : ls)
            unidades << l.getIdunidad()->getNombreunidadmedida();
        QCOMPARE(unidades.count(u"PIEZA"_s), 6);
        QCOMPARE(TUnidadmedida::cuenta(TCondicion(), conexion), 2);
    }

    // Two businesses meet the same unit names in one job: each gets its own
    // records, in its own database.
    void unidadesPorNegocio()
    {
        m_entorno->agrega(u"cfdi32-real.xml"_s, u"1.xml"_s);
        // The second business meets "SERVICIO" first, so its ids differ.
        m_entorno->escribe(u"2.xml"_s,
                           E::variante(u"cfdi32-real.xml"_s,
                                       {{"rfc=\"CTO021007DZ8\"", "rfc=\"XYZ010101AB1\""},
                                        OTRO_CEVER,
                                        {"cantidad=\"5\" unidad=\"PIEZA\"", "cantidad=\"5\" unidad=\"servicio\""}}));
        const QList<TResultadoArchivo> resultados = m_entorno->importaCarpeta(10);
        for (const TResultadoArchivo& r : resultados)
            QVERIFY2(r.estado == Estado::Importado, qPrintable(r.motivo));
        for (const QString& rfc : {RFC_CEVER, u"XYZ010101AB1"_s}) {
            const TConexionSesion conexion = E::conexion(rfc);
            QCOMPARE(TUnidadmedida::cuenta(TCondicion(), conexion), 2);
            for (const TComprobanteconcepto& l : TComprobanteconcepto::busca(TCondicion(), conexion)) {
                const std::shared_ptr<TUnidadmedida> u = l.getIdunidad();
                QVERIFY(u);
                QCOMPARE(u->getNombreunidadmedida().toUpper(), l.getUnidad().toUpper());
            }
        }
    }

    // A file of more units than the job's cache keeps: a unit met again in
    // another letter case after its entry was let go is still its one row.
    void unidadesSoltadas()
    {
        const QByteArray linea = "<cfdi:Concepto cantidad=\"1\" unidad=\"%1\" descripcion=\"ROLLO\" "
                                 "valorUnitario=\"0.00\" importe=\"0.00\"/>";
        QByteArray lineas;
        for (int i = 0; i < TCacheCatalogos::LIMITE_POR_TABLA; ++i)
            lineas += QByteArray(linea).replace("%1", "U" + QByteArray::number(i));
        lineas += QByteArray(linea).replace("%1", "pieza");
        const TResultadoArchivo r =
            importa(u"cfdi32-real.xml"_s, {{"</cfdi:Conceptos>", lineas + "</cfdi:Conceptos>"}});
        QVERIFY2(r.estado == Estado::Importado, qPrintable(r.motivo));
        const TConexionSesion conexion = E::conexion(RFC_CEVER);
        // PIEZA, SERVICIO and the numbered ones.
        QCOMPARE(TUnidadmedida::cuenta(TCondicion(), conexion), TCacheCatalogos::LIMITE_POR_TABLA + 2);
        const std::unique_ptr<TComprobanteconcepto> ultima = TComprobanteconcepto::buscaUno(
            TComprobanteconcepto::columna(TComprobanteconcepto::col_Unidad) == u"pieza"_s, conexion);
        QVERIFY(ultima);
        QCOMPARE(ultima->getIdunidad()->getNombreunidadmedida(), u"PIEZA"_s);
    }
};

QTEST_GUILESS_MAIN(TstImportacion32)
#include "tst_importacion32.moc"
