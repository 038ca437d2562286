#include "Importacion32.h"

#include "Cfdi.h"
#include "DireccionImportada.h"
#include "Donat11.h"
#include "Entidades.h"
#include "Errores.h"
#include "Implocal.h"
#include "Logmanager.h"
#include "Nomina11.h"
#include "Nomina12.h"
#include "Sistema.h"
#include "TBaseDatosCatalogosFrm.h"
#include "TCacheCatalogos.h"
#include "TSaveComprobante.h"
#include "negocio/Utils.h"

#include <QRegularExpression>

namespace Importacion32 {

namespace {

// A description of the product catalogue is looked up and kept by its first
// characters, as the catalogue always kept them.
constexpr int LARGO_DESCRIPCION = 255;

TDecimal decimal(const QString& texto)
{
    return TDecimal::desdeTexto(texto);
}

// 3.2 dates and the stamp's are xs:dateTime: a fraction of a second and a
// zone offset are valid, and the donee's authorisation date may come without
// a time. The wall-clock time is kept as written, never moved to another zone.
QDateTime fechaHora(const QString& texto)
{
    static const QRegularExpression forma(
        QStringLiteral("^(\\d{4}-\\d{2}-\\d{2})(?:[T ](\\d{2}:\\d{2}:\\d{2})(?:\\.\\d+)?)?(?:Z|[+-]\\d{2}:\\d{2})?$"));
    const QRegularExpressionMatch partes = forma.match(texto.trimmed());
    if (!partes.hasMatch())
        throw EConversion(QStringLiteral("\"%1\" no es una fecha y hora válida (aaaa-mm-ddThh:mm:ss).").arg(texto));
    if (partes.captured(2).isEmpty())
        return Utils::stringToDate(partes.captured(1)).startOfDay();
    return Utils::stringToDateTimeSQL(partes.captured(1) + QLatin1Char(' ') + partes.captured(2));
}

// The customs date is an xs:date: blanks around it and a zone are valid. The
// calendar date is kept as written, never moved to another zone.
QDate fecha(const QString& texto)
{
    static const QRegularExpression forma(QStringLiteral("^(\\d{4}-\\d{2}-\\d{2})(?:Z|[+-]\\d{2}:\\d{2})?$"));
    const QRegularExpressionMatch partes = forma.match(texto.trimmed());
    if (!partes.hasMatch())
        throw EConversion(QStringLiteral("\"%1\" no es una fecha válida (aaaa-mm-dd).").arg(texto));
    return Utils::stringToDate(partes.captured(1));
}

// A part's quantity is not stored: it only says whether the part is taken,
// so any xs:decimal does, however many decimals it has.
bool mayorQueCero(const QString& texto)
{
    static const QRegularExpression forma(QStringLiteral("^([+-]?)(?:(\\d+)(?:\\.(\\d*))?|\\.(\\d+))$"));
    static const QRegularExpression distintoDeCero(QStringLiteral("[1-9]"));
    const QRegularExpressionMatch partes = forma.match(texto.trimmed());
    if (!partes.hasMatch())
        throw EConversion(
            QStringLiteral("\"%1\" no es una cantidad: se esperaba un número con punto decimal.").arg(texto));
    return partes.captured(1) != QLatin1String("-") &&
           (partes.captured(2) + partes.captured(3) + partes.captured(4)).contains(distintoDeCero);
}

// The stored length of a text column, from the schema: a free text of the
// file longer than that is kept by its first characters (the file's XML
// keeps it whole).
// A catalogue record is looked up by what it keeps, so a wording longer than
// its column is cut before the look-up; the file's report still says so.
template <class T> QString cabe(const QString& texto, int columna)
{
    return TRecortes::cabe(T::tablaEsquema(), T::tablaEsquema().columnas.at(columna), texto);
}

QString textoEntero(const TNodoXML& nodo, const char* atributo)
{
    return QString::number(nodo.atributoEntero(atributo));
}

class TGuardado32 {
public:
    TGuardado32(const Cfdv32::IXMLComprobante& comprobante, const GuardadoComprobante::TContexto& contexto)
        : c(comprobante), x(contexto), trabajo(contexto.conexion, contexto.usuario)
    {
    }

    TComprobante guarda();

private:
    template <class T> T guardado(const T& registro) const { return T::saveOrUpdate(registro, trabajo); }

    TCliente obtenerReceptor();
    TCliente nuevoReceptor(const Cfdv32::IXMLComprobante_Receptor& receptor);
    // The product of that description, and whether this voucher added it.
    std::shared_ptr<TConcepto> producto(const QString& descripcion, const std::function<TConcepto()>& nuevo,
                                        bool* agregado = nullptr);
    TComprobante obtenerComprobante(const TCliente& cliente);
    std::shared_ptr<TFormapago> obtenerFormaPago();
    std::shared_ptr<TMetodopago> obtenerMetodoPago();
    QString obtenerCategoriaComprobante(bool nomina) const;
    std::shared_ptr<TDonataria> obtenerDonataria();
    void guardarConceptos(const TComprobante& comprobante);
    std::shared_ptr<TUnidadmedida> obtenerUnidad(const QString& nombre);
    void guardarImpuestos(const TComprobante& comprobante);
    void guardarImpuestosLocales(const TComprobante& comprobante);
    std::shared_ptr<TImpuesto> impuesto(const QString& sigla, const TDecimal& tasa, const QString& tipo);
    void guardarDesglose(const TImpuesto& impuesto, const TComprobante& comprobante, const QString& importe,
                         const QString& tipo);
    void guardarNomina(const TComprobante& comprobante);
    void guardarNomina11(const Nomina11::IXMLNomina& nomina, const TComprobante& comprobante);
    TEmpleado saveEmpleado(const Nomina11::IXMLNomina& nomina, const TComprobante& comprobante);
    TEmpleado nuevoEmpleado(const Nomina11::IXMLNomina& nomina, const QString& curp, const TComprobante& comprobante);

    const Cfdv32::IXMLComprobante& c;
    const GuardadoComprobante::TContexto& x;
    const TUnidadTrabajo trabajo;
};

TComprobante TGuardado32::guarda()
{
    const TCliente cliente = obtenerReceptor();
    const TComprobante comprobante = obtenerComprobante(cliente);
    guardarNomina(comprobante);
    return comprobante;
}

TCliente TGuardado32::obtenerReceptor()
{
    const Cfdv32::IXMLComprobante_Receptor receptor = c.Get_Receptor();
    return *x.catalogos.obten<TCliente>(
        x.conexion, TCacheCatalogos::clave("rfc", x.negocio.id(), receptor.Get_rfc().trimmed()),
        [&]() -> std::shared_ptr<TCliente> {
            if (std::shared_ptr<TCliente> existente = TCliente::getByRFC(receptor.Get_rfc(), x.negocio, x.conexion)) {
                // Read now, so every voucher's copy shares it.
                existente->getDatosfiscales();
                return existente;
            }
            return std::make_shared<TCliente>(nuevoReceptor(receptor));
        });
}

TCliente TGuardado32::nuevoReceptor(const Cfdv32::IXMLComprobante_Receptor& receptor)
{

    std::shared_ptr<TDireccion> direccion;
    if (const auto datos = DireccionImportada::desdeUbicacion(receptor.Get_Domicilio(), x.catalogo, &x.conexion))
        direccion = NuevoNegocio::guardaDireccion(*datos, trabajo);

    TDatosfiscales fiscales;
    fiscales.setDireccion(direccion);
    fiscales.setRfc(receptor.Get_rfc().trimmed());
    fiscales.setRazon(receptor.Get_nombre());
    fiscales = guardado(fiscales);

    TPersona persona;
    persona.setNombre(receptor.Get_nombre());
    persona.setDireccion(direccion);
    persona = guardado(persona);

    TCliente cliente;
    cliente.setStatus(TCliente::ESTATUS_ACTIVO);
    cliente.setDatosfiscales(fiscales);
    cliente.setDireccionEnvio(direccion);
    cliente.setNegocio(x.negocio);
    cliente.setPersona(persona);
    return guardado(cliente);
}

TComprobante TGuardado32::obtenerComprobante(const TCliente& cliente)
{
    const bool nomina = !Nomina12::deComprobante(c).isEmpty() || !Nomina11::deComprobante(c).isEmpty();
    const QString tipo = c.Get_tipoDeComprobante();
    const QString categoria = obtenerCategoriaComprobante(nomina);

    TComprobante r;
    r.setCliente(cliente);
    r.setNegocio(x.negocio);
    r.setUuid(x.uuid);
    if (const std::shared_ptr<TFormapago> forma = obtenerFormaPago())
        r.setFormapago(forma);
    r.setTotal(decimal(c.Get_total()));
    r.setSubtotal(decimal(c.Get_subTotal()));
    if (!c.Get_descuento().isEmpty())
        r.setDescuentogeneral(decimal(c.Get_descuento()));
    // The totals, issuer and receiver as written, kept as the other versions
    // keep them.
    const Cfdv32::IXMLComprobante_Impuestos impuestos = c.Get_Impuestos();
    if (!impuestos.Get_totalImpuestosTrasladados().isEmpty())
        r.setTotalimpuestostrasladados(decimal(impuestos.Get_totalImpuestosTrasladados()));
    if (!impuestos.Get_totalImpuestosRetenidos().isEmpty())
        r.setTotalimpuestosretenidos(decimal(impuestos.Get_totalImpuestosRetenidos()));
    r.setNombreemisor(c.Get_Emisor().Get_nombre());
    r.setNombrereceptor(c.Get_Receptor().Get_nombre());
    r.setMoneda(c.Get_Moneda());
    r.setSerie(c.Get_serie());
    r.setFolio(c.Get_folio());
    // Trimmed as the customer's RFC is: the schema collapses its blanks.
    if (cliente.getDatosfiscalesId() >= 0)
        r.setRfcreceptor(c.Get_Receptor().Get_rfc().trimmed());
    r.setEstatus(TComprobante::ESTADO_FACTURA_ACTIVA);
    const QDateTime timbrado = fechaHora(Cfdi::timbre(c).Get_FechaTimbrado());
    r.setFechacreacion(timbrado);
    r.setFechatimbrado(timbrado);
    // The voucher's own date, kept as in the other versions so reports by
    // date of issue see 3.2 vouchers too.
    if (!c.Get_fecha().trimmed().isEmpty())
        r.setFechaemision(fechaHora(c.Get_fecha()));
    // TipoCambio is free text in 3.2 ("1", "1.00", "N/A"): a rate that is not a
    // number is left out instead of failing the voucher (avisoTipoCambio).
    TDecimal tipoCambio;
    if (!c.Get_TipoCambio().isEmpty() && TDecimal::intenta(c.Get_TipoCambio(), tipoCambio))
        r.setTipodecambio(tipoCambio);
    r.setVersion(decimal(c.Get_version()));
    if (nomina)
        r.setTipocomprobante(TComprobante::TIPO_COMP_33_NOMINA);
    else if (tipo == TComprobante::TIPO_COMP_TRASLADO)
        r.setTipocomprobante(TComprobante::TIPO_COMP_33_TRASLADO);
    else if (tipo == TComprobante::TIPO_COMP_INGRESO)
        r.setTipocomprobante(TComprobante::TIPO_COMP_33_INGRESO);
    else
        r.setTipocomprobante(TComprobante::TIPO_COMP_33_EGRESO);
    r.setCategoriacomprobante(categoria);
    r.setNumerocuentapago(c.Get_NumCtaPago());
    r.setLugarexpedicion(c.Get_LugarExpedicion());
    r.setMetodopago(obtenerMetodoPago());
    if (categoria == TComprobante::CATEGORIA_RECIBO_DONATARIA)
        r.setDonataria(obtenerDonataria());
    r.setComprobantexml(c.documento().bytes());
    r.setFechacancelacion(TComprobante::fechaSinCancelar());
    r.setPathxml(x.pathXml);
    if (x.verificacion) {
        r.setVerificacionsello(VerificacionSello::texto(x.verificacion->estado));
        r.setMotivoverificacion(x.verificacion->motivo);
    }
    r = guardado(r);

    Logmanager::Log(QStringLiteral("Procesa Conceptos"), 1, Sistema::exePath);
    guardarConceptos(r);
    Logmanager::Log(QStringLiteral("Procesa Impuestos"), 1, Sistema::exePath);
    guardarImpuestos(r);
    guardarImpuestosLocales(r);
    return r;
}

// Version 3.2 writes its payment form and method as free text. The voucher
// keeps what its file says: a wording the business's catalogue lacks is added
// to it (a new business's catalogue starts empty), as the other versions add
// the keys they meet. Both single-payment spellings are the one record.
std::shared_ptr<TFormapago> TGuardado32::obtenerFormaPago()
{
    const QString forma = c.Get_formaDePago().trimmed();
    if (forma.isEmpty())
        return nullptr;
    const bool unaSola = forma.toUpper() == TFormapago::FORMAPAGO_UNASOLA_EX_UPPER ||
                         forma.toLower() == TFormapago::FORMAPAGO_UNASOLA_EX_LOWER;
    const QString descripcion =
        unaSola ? TFormapago::FORMAPAGO_UNASOLA_EX_LOWER : cabe<TFormapago>(forma, TFormapago::col_Descripcion);
    return x.catalogos.obten<TFormapago>(
        x.conexion, TCacheCatalogos::clave("descripcion", descripcion), [&]() -> std::shared_ptr<TFormapago> {
            if (std::unique_ptr<TFormapago> existente = TFormapago::getByDescripcion(descripcion, x.conexion))
                return existente;
            TFormapago nueva;
            nueva.setDescripcion(descripcion);
            nueva.setStatus(0);
            return std::make_shared<TFormapago>(guardado(nueva));
        });
}

// The method is a code of the SAT's payment forms since 2016 ("01", "02,03")
// and a wording before ("No Identificado", "cheque"). What fits the code
// column is the record's code, described by the catalogue when it knows every
// key; a longer wording is the description of a record without code.
std::shared_ptr<TMetodopago> TGuardado32::obtenerMetodoPago()
{
    const QString metodo = c.Get_metodoDePago().trimmed();
    if (metodo.isEmpty())
        return nullptr;
    const bool esCodigo = metodo.size() <= TMetodopago::tablaEsquema().columnas.at(TMetodopago::col_Codigo).largo;
    return x.catalogos.obten<TMetodopago>(
        x.conexion, TCacheCatalogos::clave("metodo32", metodo), [&]() -> std::shared_ptr<TMetodopago> {
            using M = TMetodopago;
            std::unique_ptr<M> existente =
                esCodigo
                    ? M::getByCodigo(metodo, x.conexion)
                    : M::buscaUno(M::columna(M::col_Descripcion) == cabe<M>(metodo, M::col_Descripcion), x.conexion);
            if (existente)
                return existente;
            QStringList descripciones;
            if (esCodigo) {
                for (const QString& clave : metodo.split(QLatin1Char(','))) {
                    const QString descripcion = x.catalogo.getDescripcionFormaPago(clave.trimmed());
                    if (descripcion.isEmpty()) {
                        descripciones.clear();
                        break;
                    }
                    descripciones << descripcion;
                }
            }
            M nuevo;
            if (esCodigo)
                nuevo.setCodigo(metodo);
            nuevo.setDescripcion(cabe<M>(descripciones.isEmpty() ? metodo : descripciones.join(QStringLiteral(", ")),
                                         M::col_Descripcion));
            nuevo.setStatus(0);
            return std::make_shared<M>(guardado(nuevo));
        });
}

QString TGuardado32::obtenerCategoriaComprobante(bool nomina) const
{
    const QString tipo = c.Get_tipoDeComprobante();
    if (tipo == TComprobante::TIPO_COMP_INGRESO)
        return Donat11::deComprobante(c).isEmpty() ? TComprobante::CATEGORIA_FACTURA
                                                   : TComprobante::CATEGORIA_RECIBO_DONATARIA;
    if (tipo == TComprobante::TIPO_COMP_TRASLADO)
        return TComprobante::CATEGORIA_CARTA_PORTE;
    return nomina ? TComprobante::CATEGORIA_NOMINA : TComprobante::CATEGORIA_NOTA_CREDITO;
}

std::shared_ptr<TDonataria> TGuardado32::obtenerDonataria()
{
    const Donat11::IXMLDonatarias complemento = Donat11::deComprobante(c).last();
    TDonataria donataria;
    donataria.setVersion(complemento.Get_version());
    donataria.setNoautorizacion(complemento.Get_noAutorizacion());
    donataria.setLeyenda(complemento.Get_leyenda());
    donataria.setFechaautorizacion(fechaHora(complemento.Get_fechaAutorizacion()));
    // A reference must name a stored record: it is stored just before the
    // voucher, in the same unit of work.
    return std::make_shared<TDonataria>(guardado(donataria));
}

void TGuardado32::guardarConceptos(const TComprobante& comprobante)
{
    const Cfdv32::IXMLComprobante_Conceptos conceptos = c.Get_Conceptos();
    for (int i = 0; i < conceptos.Count(); ++i) {
        const Cfdv32::IXMLComprobante_Conceptos_Concepto concepto = conceptos.Get_Concepto(i);
        const QString descripcion = concepto.Get_descripcion().left(LARGO_DESCRIPCION);
        const std::shared_ptr<TUnidadmedida> unidad = obtenerUnidad(concepto.Get_unidad());

        bool agregado = false;
        const std::shared_ptr<TConcepto> producto = this->producto(
            descripcion,
            [&] {
                TConcepto nuevo;
                nuevo.setDescripcion(descripcion);
                nuevo.setUnidad(concepto.Get_unidad());
                nuevo.setUnidadObj(unidad);
                nuevo.setNegocio(x.negocio);
                nuevo.setStatus(TConcepto::ESTADO_ACTIVO);
                return nuevo;
            },
            &agregado);
        // Parts name as parent only a product their own voucher added.
        const std::shared_ptr<TConcepto> padre = agregado ? producto : nullptr;

        const Cfdv32::IXMLComprobante_Conceptos_Concepto_ParteList partes = concepto.Get_Parte();
        for (int j = 0; j < partes.Count(); ++j) {
            const Cfdv32::IXMLComprobante_Conceptos_Concepto_Parte parte = partes.Get_Parte(j);
            if (!mayorQueCero(parte.Get_cantidad()))
                continue;
            this->producto(parte.Get_descripcion(), [&] {
                TConcepto registroParte;
                registroParte.setDescripcion(parte.Get_descripcion());
                registroParte.setUnidad(parte.Get_unidad());
                if (!parte.Get_valorUnitario().isEmpty())
                    registroParte.setPrecioventa(decimal(parte.Get_valorUnitario()));
                registroParte.setNumidentificacion(parte.Get_noIdentificacion());
                registroParte.setConceptoPadre(padre);
                // With its business and status the part is found again by the
                // next voucher that names it, instead of being added once more.
                registroParte.setNegocio(x.negocio);
                registroParte.setStatus(TConcepto::ESTADO_ACTIVO);
                return registroParte;
            });
        }

        TComprobanteconcepto linea;
        linea.setIdcomprobante(comprobante);
        linea.setIdconcepto(producto);
        linea.setImporte(decimal(concepto.Get_importe()));
        linea.setPreciounitario(decimal(concepto.Get_valorUnitario()));
        linea.setCuentapredial(concepto.Get_CuentaPredial().Get_numero());
        linea.setIdunidad(unidad);
        linea.setCantidad(decimal(concepto.Get_cantidad()));
        // The line keeps its own texts, as the other versions' lines do.
        linea.setDescripcion(concepto.Get_descripcion());
        linea.setUnidad(concepto.Get_unidad());
        linea.setNoidentificacion(concepto.Get_noIdentificacion());
        linea = guardado(linea);

        const Cfdv32::IXMLT_InformacionAduaneraList aduanas = concepto.Get_InformacionAduanera();
        if (aduanas.Count() > 0) {
            const Cfdv32::IXMLT_InformacionAduanera aduana = aduanas.Get_InformacionAduanera(0);
            TPedimentoaduanal pedimento;
            pedimento.setNombreaduana(aduana.Get_aduana());
            pedimento.setFechaautorizacionaduana(fecha(aduana.Get_fecha()));
            pedimento.setNumeropedimento(aduana.Get_numero());
            pedimento.setIdcomprobante(comprobante);
            pedimento.setIdcomprobanteconcepto(linea);
            guardado(pedimento);
        }
    }
}

std::shared_ptr<TConcepto> TGuardado32::producto(const QString& descripcion, const std::function<TConcepto()>& nuevo,
                                                 bool* agregado)
{
    return x.catalogos.obten<TConcepto>(
        x.conexion, TCacheCatalogos::clave("descripcion", x.negocio.id(), descripcion),
        [&]() -> std::shared_ptr<TConcepto> {
            if (auto existente = TConcepto::getByDescripcion_Negocio(descripcion, x.negocio, x.conexion, false))
                return existente;
            if (agregado)
                *agregado = true;
            return std::make_shared<TConcepto>(guardado(nuevo()));
        });
}

std::shared_ptr<TUnidadmedida> TGuardado32::obtenerUnidad(const QString& nombre)
{
    return x.catalogos.obten<TUnidadmedida>(
        x.conexion, TCacheCatalogos::clave("nombre32", nombre.toUpper()), [&]() -> std::shared_ptr<TUnidadmedida> {
            if (std::unique_ptr<TUnidadmedida> existente = TUnidadmedida::getByNombreUnidadMedida(nombre, x.conexion))
                return existente;
            // A job's units are one row whatever their letter case, as the
            // key says. Once the cache has let units go, the row this job
            // made under another spelling is only in the database.
            if (x.catalogos.soltoDe<TUnidadmedida>()) {
                std::unique_ptr<TUnidadmedida> otra = TUnidadmedida::buscaUno(
                    TUnidadmedida::columna(TUnidadmedida::col_Nombreunidadmedida).igualSinMayusculas(nombre),
                    x.conexion);
                if (otra && otra->getNombreunidadmedida().toUpper() == nombre.toUpper())
                    return otra;
            }
            TUnidadmedida nueva;
            nueva.setNombreunidadmedida(nombre);
            return std::make_shared<TUnidadmedida>(guardado(nueva));
        });
}

// A tax the catalogue lacks is added: left out, the voucher's breakdown would
// lose it (a new business's catalogue starts empty).
std::shared_ptr<TImpuesto> TGuardado32::impuesto(const QString& sigla, const TDecimal& tasa, const QString& tipo)
{
    return x.catalogos.obten<TImpuesto>(
        x.conexion, TCacheCatalogos::clave("sigla32", sigla + QLatin1Char('|') + tasa.texto()),
        [&]() -> std::shared_ptr<TImpuesto> {
            if (std::unique_ptr<TImpuesto> existente = TImpuesto::getBySiglaAndTasa(sigla, tasa, x.conexion))
                return existente;
            TImpuesto nuevo;
            nuevo.setTasa(tasa);
            nuevo.setNombreimpuesto(sigla);
            nuevo.setTipoimpuesto(tipo);
            nuevo.setStatus(0);
            nuevo.setSiglaimpuesto(sigla);
            return std::make_shared<TImpuesto>(guardado(nuevo));
        });
}

void TGuardado32::guardarImpuestos(const TComprobante& comprobante)
{
    const Cfdv32::IXMLComprobante_Impuestos impuestos = c.Get_Impuestos();
    const Cfdv32::IXMLComprobante_Impuestos_Retenciones retenciones = impuestos.Get_Retenciones();
    for (int i = 0; i < retenciones.Count(); ++i) {
        const auto retencion = retenciones.Get_Retencion(i);
        guardarDesglose(
            *impuesto(retencion.Get_impuesto(), TImpuesto::tasaRetenido(), TImpuesto::TIPO_IMPUESTO_RETENIDO),
            comprobante, retencion.Get_importe(), TImpuesto::TIPO_IMPUESTO_RETENIDO);
    }
    const Cfdv32::IXMLComprobante_Impuestos_Traslados traslados = impuestos.Get_Traslados();
    for (int i = 0; i < traslados.Count(); ++i) {
        const auto traslado = traslados.Get_Traslado(i);
        guardarDesglose(
            *impuesto(traslado.Get_impuesto(), decimal(traslado.Get_tasa()), TImpuesto::TIPO_IMPUESTO_TRASLADADO),
            comprobante, traslado.Get_importe(), TImpuesto::TIPO_IMPUESTO_TRASLADADO);
    }
}

void TGuardado32::guardarImpuestosLocales(const TComprobante& comprobante)
{
    for (const Implocal::IXMLImpuestosLocales& locales : Implocal::deComprobante(c)) {
        const auto retenciones = locales.Get_RetencionesLocales();
        for (int i = 0; i < retenciones.Count(); ++i) {
            const auto r = retenciones.Get_RetencionesLocales(i);
            guardarDesglose(
                *impuesto(r.Get_ImpLocRetenido(), decimal(r.Get_TasadeRetencion()), TImpuesto::TIPO_IMPUESTO_RETENIDO),
                comprobante, r.Get_Importe(), TImpuesto::TIPO_IMPUESTO_RETENIDO);
        }
        const auto traslados = locales.Get_TrasladosLocales();
        for (int i = 0; i < traslados.Count(); ++i) {
            const auto t = traslados.Get_TrasladosLocales(i);
            guardarDesglose(*impuesto(t.Get_ImpLocTrasladado(), decimal(t.Get_TasadeTraslado()),
                                      TImpuesto::TIPO_IMPUESTO_TRASLADADO),
                            comprobante, t.Get_Importe(), TImpuesto::TIPO_IMPUESTO_TRASLADADO);
        }
    }
}

// The catalogue knows a tax by name and rate only: a local tax may share
// both with a withholding, or with a federal tax, of the other kind. The row
// keeps whether this entry was withheld or transferred.
void TGuardado32::guardarDesglose(const TImpuesto& impuesto, const TComprobante& comprobante, const QString& importe,
                                  const QString& tipo)
{
    TDesgloseimpuesto desglose;
    desglose.setTasa(impuesto.getTasa());
    desglose.setImpuesto(impuesto);
    desglose.setIdimpuestofk(impuesto.getIdimpuesto());
    desglose.setNombre(impuesto.getNombreimpuesto());
    desglose.setIdcomprobantefk(comprobante.getIdcomprobante());
    desglose.setComprobante(comprobante);
    desglose.setImporte(decimal(importe));
    desglose.setTipoimpuesto(tipo);
    guardado(desglose);
}

void TGuardado32::guardarNomina(const TComprobante& comprobante)
{
    for (const Nomina11::IXMLNomina& nomina : Nomina11::deComprobante(c))
        guardarNomina11(nomina, comprobante);
    const QList<Nomina12::IXMLNomina> nominas12 = Nomina12::deComprobante(c);
    if (nominas12.isEmpty())
        return;
    TSaveComprobante guardador(x.pathXml, QString());
    guardador.setNegocio(x.negocio);
    guardador.setUsuario(x.usuario);
    guardador.setConexion(x.conexion);
    guardador.setUni(x.catalogo);
    guardador.guardarNomina(nominas12.last(), comprobante, x.negocio);
}

void TGuardado32::guardarNomina11(const Nomina11::IXMLNomina& nomina, const TComprobante& comprobante)
{
    TNominacomprobante recibo;
    recibo.setPathpdf(comprobante.getPathpdf());
    recibo.setPathxml(comprobante.getPathxml());
    recibo.setNominaxml(comprobante.getComprobantexml());
    recibo.setSubtotal(comprobante.getSubtotal());
    recibo.setFechaemision(comprobante.getFechatimbrado());
    recibo.setVersion(decimal(nomina.Get_Version()));
    recibo.setUuid(comprobante.getUuid());
    recibo.setTotal(comprobante.getTotal());
    recibo.setComprobante(comprobante);
    recibo.setMetodopago(comprobante.getMetodopago());
    recibo.setNegocio(x.negocio);
    try {
        if (nomina.tieneAtributo("Banco") && nomina.Get_Banco() > 0)
            recibo.setBanco(nomina.Get_Banco());
    } catch (const EConversion&) {
    }
    // An account number whose leading zeros count and whose 18 digits do not
    // fit an integer: kept as written.
    recibo.setClabe(nomina.atributo("CLABE").trimmed());
    if (comprobante.getDescuentogeneral() > TDecimal())
        recibo.setDescuento(comprobante.getDescuentogeneral());
    recibo.setEstatus(comprobante.getEstatus());
    recibo.setFechacancelacion(TComprobante::fechaSinCancelar());
    // The receipt's totals, as the payroll 1.2 receipts keep them.
    const auto total = [](const TNodoXML& lista) {
        return decimal(lista.atributo("TotalGravado").isEmpty() ? QStringLiteral("0")
                                                                : lista.atributo("TotalGravado")) +
               decimal(lista.atributo("TotalExento").isEmpty() ? QStringLiteral("0") : lista.atributo("TotalExento"));
    };
    const Nomina11::IXMLNomina_Percepciones percepciones = nomina.Get_Percepciones();
    const Nomina11::IXMLNomina_Deducciones deducciones = nomina.Get_Deducciones();
    recibo.setTotalpercepciones(total(percepciones));
    recibo.setTotaldeducciones(total(deducciones));

    const TEmpleado empleado = saveEmpleado(nomina, comprobante);
    recibo = guardado(recibo);

    TNominacomprobanteempleado liga;
    liga.setNominaComprobante(recibo);
    liga.setEmpleado(empleado);
    guardado(liga);

    for (int i = 0; i < percepciones.Count(); ++i) {
        const auto p = percepciones.Get_Percepcion(i);
        TPercepcion percepcion;
        percepcion.setConcepto(p.Get_Concepto());
        percepcion.setClave(p.Get_Clave());
        if (!p.Get_ImporteGravado().isEmpty())
            percepcion.setImportegravado(decimal(p.Get_ImporteGravado()));
        if (!p.Get_ImporteExento().isEmpty())
            percepcion.setImporteexcento(decimal(p.Get_ImporteExento()));
        percepcion.setTipopercepcion(QString::number(p.Get_TipoPercepcion()));
        percepcion.setIdrecibonomina(recibo);
        guardado(percepcion);
    }
    for (int i = 0; i < deducciones.Count(); ++i) {
        const auto d = deducciones.Get_Deduccion(i);
        TDeduccion deduccion;
        deduccion.setConcepto(d.Get_Concepto());
        deduccion.setClave(d.Get_Clave());
        // A deduction keeps one amount: what was deducted, its taxed and its
        // exempt part together.
        TDecimal importe;
        if (!d.Get_ImporteGravado().isEmpty())
            importe += decimal(d.Get_ImporteGravado());
        if (!d.Get_ImporteExento().isEmpty())
            importe += decimal(d.Get_ImporteExento());
        deduccion.setImportegravado(importe);
        deduccion.setTipodeduccion(QString::number(d.Get_TipoDeduccion()));
        deduccion.setReciboj(recibo);
        guardado(deduccion);
    }
}

TEmpleado TGuardado32::saveEmpleado(const Nomina11::IXMLNomina& nomina, const TComprobante& comprobante)
{
    // The schema collapses the CURP's white space: " X " is the employee X,
    // stored whole and found again by the next receipt.
    const QString curp = nomina.Get_CURP().trimmed();
    return *x.catalogos.obten<TEmpleado>(
        x.conexion, TCacheCatalogos::clave("curp", curp), [&]() -> std::shared_ptr<TEmpleado> {
            if (std::unique_ptr<TEmpleado> existente = TEmpleado::getByCURP(curp, x.conexion))
                return existente;
            return std::make_shared<TEmpleado>(nuevoEmpleado(nomina, curp, comprobante));
        });
}

TEmpleado TGuardado32::nuevoEmpleado(const Nomina11::IXMLNomina& nomina, const QString& curp,
                                     const TComprobante& comprobante)
{
    const auto opcional = [&nomina](const char* atributo, const std::function<void()>& fija) {
        if (!nomina.tieneAtributo(atributo))
            return;
        try {
            fija();
        } catch (const EConversion&) {
        }
    };
    TEmpleado e;
    e.setTipoconrato(nomina.Get_TipoContrato());
    e.setClabe(nomina.atributo("CLABE").trimmed());
    e.setNumempleado(nomina.Get_NumEmpleado());
    e.setSalariobasecotapor(nomina.Get_SalarioBaseCotApor());
    e.setTiporegimen(textoEntero(nomina, "TipoRegimen"));
    opcional("NumSeguridadSocial", [&] { e.setNumsegurosocial(nomina.Get_NumSeguridadSocial()); });
    opcional("Departamento", [&] { e.setDepartamento(nomina.Get_Departamento()); });
    e.setCurp(curp);
    opcional("FechaInicioRelLaboral",
             [&] { e.setFechainiciorelacionlaboral(fechaHora(nomina.Get_FechaInicioRelLaboral()).date()); });
    opcional("Puesto", [&] { e.setPuesto(nomina.Get_Puesto()); });
    opcional("Banco", [&] { e.setBanco(nomina.Get_Banco()); });
    opcional("TipoJornada", [&] { e.setTipojornada(nomina.Get_TipoJornada()); });
    e.setPeriodicidadpago(nomina.Get_PeriodicidadPago());
    opcional("RiesgoPuesto", [&] { e.setRiesgopuesto(nomina.Get_RiesgoPuesto()); });
    // The voucher's business, not whichever one a user may be signed in to.
    e.setIdnegocio(x.negocio);
    if (const std::shared_ptr<TCliente> cliente = comprobante.getCliente())
        e.setDatosfiscales(cliente->getDatosfiscales());
    // Stamped with the entity package's mark of an imported employee, not
    // with the acting user.
    return TEmpleado::saveOrUpdate(e, TUnidadTrabajo(x.conexion, TEmpleado::MODIFICADO_POR_IMPORTACION));
}

} // namespace

QString avisoTipoCambio(const Cfdv32::IXMLComprobante& comprobante)
{
    const QString escrito = comprobante.Get_TipoCambio();
    TDecimal valor;
    if (std::none_of(escrito.cbegin(), escrito.cend(), [](QChar c) { return c.isDigit(); }) ||
        TDecimal::intenta(escrito, valor))
        return {};
    return QStringLiteral("El tipo de cambio \"%1\" no es una cantidad de hasta seis decimales escrita con punto; el "
                          "comprobante se guardó sin él y el XML guardado lo conserva.")
        .arg(escrito);
}

TComprobante guarda(const Cfdv32::IXMLComprobante& comprobante, const GuardadoComprobante::TContexto& contexto)
{
    return TGuardado32(comprobante, contexto).guarda();
}

} // namespace Importacion32
