#include "GuardadoCfdi.h"

#include "Conexiones.h"
#include "Donat11.h"
#include "Errores.h"
#include "Implocal.h"
#include "Reloj.h"
#include "TBaseDatosCatalogosFrm.h"
#include "TCacheCatalogos.h"

#include <QHash>

namespace GuardadoCfdi {

namespace {

// Empty text is "not written": the column stays empty. Any other text must be
// an exact decimal (EConversion otherwise).
std::optional<TDecimal> decimal(const QString& texto)
{
    if (texto.trimmed().isEmpty())
        return std::nullopt;
    return TDecimal::desdeTexto(texto);
}

// Dates of 3.3 and 4.0 ("2017-05-10T12:34:56") and of their complements
// ("2017-05-10"). Date and time are read apart and joined as written: a time
// that falls in a daylight-saving gap of the machine's zone is still the
// voucher's time. A fraction or an offset after the seconds is passed over.
// Empty text gives a null value; malformed text raises EConversion.
QDateTime fechaHora(const QString& texto)
{
    const QString t = texto.trimmed();
    if (t.isEmpty())
        return {};
    const QDate fecha = QDate::fromString(t.left(10), QStringLiteral("yyyy-MM-dd"));
    QTime hora(0, 0);
    if (t.size() > 10)
        hora = (t.at(10) == QLatin1Char('T') || t.at(10) == QLatin1Char(' '))
                   ? QTime::fromString(t.mid(11, 8), QStringLiteral("HH:mm:ss"))
                   : QTime();
    if (!fecha.isValid() || !hora.isValid())
        throw EConversion(QStringLiteral("\"%1\" no es una fecha válida (aaaa-mm-ddThh:mm:ss).").arg(texto));
    return Reloj::deReloj(fecha, hora);
}

QDate fecha(const QString& texto)
{
    return fechaHora(texto).date();
}

std::optional<int> entero(const QString& texto)
{
    bool ok = false;
    const int valor = texto.trimmed().toInt(&ok);
    return ok ? std::optional<int>(valor) : std::nullopt;
}

template <class Entidad> void fijaDecimal(Entidad& e, int columna, const QString& texto)
{
    if (const auto valor = decimal(texto))
        e.fijaValor(columna, QVariant::fromValue(*valor));
}

// The names the federal taxes go by in the catalogue, as 3.2 vouchers wrote
// them, so reports group both kinds of voucher under one name.
QString siglaFederal(const QString& clave)
{
    static const QHash<QString, QString> siglas{{QStringLiteral("001"), QStringLiteral("ISR")},
                                                {QStringLiteral("002"), QStringLiteral("IVA")},
                                                {QStringLiteral("003"), QStringLiteral("IEPS")}};
    return siglas.value(clave.trimmed(), clave.trimmed());
}

QString categoria(const QString& tipo, bool donataria)
{
    if (tipo == TComprobante::TIPO_COMP_33_INGRESO)
        return donataria ? TComprobante::CATEGORIA_RECIBO_DONATARIA : TComprobante::CATEGORIA_FACTURA;
    if (tipo == TComprobante::TIPO_COMP_33_EGRESO)
        return TComprobante::CATEGORIA_NOTA_CREDITO;
    if (tipo == TComprobante::TIPO_COMP_33_TRASLADO)
        return TComprobante::CATEGORIA_CARTA_PORTE;
    if (tipo == TComprobante::TIPO_COMP_33_NOMINA)
        return TComprobante::CATEGORIA_NOMINA;
    if (tipo == TComprobante::TIPO_COMP_33_PAGO)
        return TComprobante::CATEGORIA_PAGO;
    return {};
}

void exigeTransaccion(const TConexionSesion& conexion)
{
    const TTransaccion prueba(conexion);
    if (prueba.propia())
        throw EBaseDatos(QStringLiteral("Un comprobante se guarda completo o nada: su guardado debe correr dentro de "
                                        "una transacción abierta de la base del negocio."));
}

// One voucher's saves. Records met again (the same tax or unit on every line,
// the same customer or product on every voucher of a job) are looked up once:
// per job when the caller keeps them, else per voucher.
class TGuardado {
public:
    explicit TGuardado(const TAjustes& ajustes)
        : a(ajustes), trabajo(ajustes.conexion, ajustes.usuario),
          memoria(ajustes.catalogos ? *ajustes.catalogos : propios)
    {
    }

    TComprobante comprobante(const TLectura& l, const Nomina12::IXMLNomina& nomina);
    void recibo(const Nomina12::IXMLNomina& n, const TComprobante& comprobante, const TNegocio& negocio);

private:
    template <class T> T guarda(const T& registro) const { return T::saveOrUpdate(registro, trabajo); }

    // The record cached under (regla, valor), or the one `buscaOCrea` finds
    // or makes, which is kept.
    template <class T>
    std::shared_ptr<T> recuerda(const QString& clave, const std::function<std::shared_ptr<T>()>& buscaOCrea)
    {
        return memoria.obten<T>(a.conexion, clave, buscaOCrea);
    }
    template <class T>
    std::shared_ptr<T> recuerda(const char* regla, const QString& valor,
                                const std::function<std::shared_ptr<T>()>& buscaOCrea)
    {
        return recuerda<T>(TCacheCatalogos::clave(regla, valor), buscaOCrea);
    }
    QString delNegocio(const char* regla, const QString& valor) const
    {
        return TCacheCatalogos::clave(regla, a.negocio->id(), valor);
    }

    template <class T>
    std::shared_ptr<T> porClave(const char* regla, const QString& clave,
                                std::unique_ptr<T> (*busca)(const QString&, const TConexionSesion&),
                                void (T::*fijaClave)(const QString&),
                                QString (TBaseDatosCatalogosFrm::*descripcion)(const QString&) const);
    TCliente cliente(const TReceptor& r);
    TCliente nuevoCliente(const TReceptor& r);
    static bool faltaAlCliente(const TCliente& cliente, const TReceptor& r);
    void completaCliente(TCliente& cliente, const TReceptor& r);
    std::shared_ptr<TDireccion> direccionFiscal(const QString& cp);
    std::shared_ptr<TDonataria> donataria(const TNodoXML& comprobante);
    void relacionados(const TComprobante& comprobante, const QList<Cfdv33::IXMLComprobante_CfdiRelacionados>& grupos);
    void guardaLinea(const TComprobante& comprobante, const TLinea& l);
    TConcepto producto(const Cfdv33::TConceptoComun& c, const TUnidadmedida& u, const TLinea& l);
    void parte(const TComprobante& comprobante, const TComprobanteconcepto& linea, const TConcepto& padre,
               const Cfdv33::IXMLComprobante_Conceptos_Concepto_Parte& p);
    void pedimentos(const TComprobante& comprobante, const TComprobanteconcepto& linea, const TConcepto* parte,
                    const Cfdv33::IXMLComprobante_Conceptos_Concepto_InformacionAduaneraList& lista);
    TUnidadmedida unidadMedida(const QString& nombre);
    TImpuesto impuestoCatalogo(const TImpuestoLeido& i);
    void desglose(const TComprobante& comprobante, const TComprobanteconcepto* linea, const TImpuestoLeido& i);
    void impuestosLocales(const TComprobante& comprobante, const TNodoXML& raiz);
    TEmpleado empleado(const Nomina12::IXMLNomina_Receptor& r, const TComprobante& comprobante,
                       const TNegocio& negocio);
    TEmpleado nuevoEmpleado(const Nomina12::IXMLNomina_Receptor& r, const TComprobante& comprobante,
                            const TNegocio& negocio);

    const TAjustes& a;
    const TUnidadTrabajo trabajo;
    TCacheCatalogos propios;
    TCacheCatalogos& memoria;
};

// A payment form or method by its key, added with the SAT's description (or
// its key, when the catalogue does not know it) when the business lacks it.
template <class T>
std::shared_ptr<T> TGuardado::porClave(const char* regla, const QString& clave,
                                       std::unique_ptr<T> (*busca)(const QString&, const TConexionSesion&),
                                       void (T::*fijaClave)(const QString&),
                                       QString (TBaseDatosCatalogosFrm::*descripcion)(const QString&) const)
{
    const QString llave = clave.trimmed();
    if (llave.isEmpty())
        return nullptr;
    return recuerda<T>(regla, llave, [&]() -> std::shared_ptr<T> {
        if (std::unique_ptr<T> existente = busca(llave, a.conexion))
            return existente;
        T nuevo;
        (nuevo.*fijaClave)(llave);
        const QString texto = a.catalogo ? (a.catalogo->*descripcion)(llave) : QString();
        nuevo.setDescripcion(texto.isEmpty() ? llave : texto);
        return std::make_shared<T>(guarda(nuevo));
    });
}

std::shared_ptr<TDireccion> TGuardado::direccionFiscal(const QString& cp)
{
    const QString codigo = cp.trimmed();
    if (codigo.isEmpty())
        return nullptr;
    std::unique_ptr<TCodigopostal> registro = TCodigopostal::getByCP(codigo, a.conexion);
    if (!registro) {
        std::optional<TCodigopostal> nuevo;
        if (a.catalogo)
            nuevo = TCodigopostal::desdeCatalogo(a.catalogo->getCodigoPostalAndEstadoByCp(codigo));
        if (!nuevo) {
            nuevo.emplace();
            nuevo->setCp(codigo);
        }
        registro = std::make_unique<TCodigopostal>(guarda(*nuevo));
    }
    TDireccion direccion;
    direccion.setPais(TDireccion::PAIS_MEXICO);
    direccion.setLocalidad(registro->getLocalidad());
    direccion.setMunicipio(registro->getMunicipio());
    direccion.setEstado(registro->getEstado());
    direccion.setCodigoPostal(*registro);
    return std::make_shared<TDireccion>(guarda(direccion));
}

// A customer found by RFC is the same customer on every voucher; the voucher
// keeps its own copy of what it says of the receiver.
TCliente TGuardado::cliente(const TReceptor& r)
{
    const QString llave = delNegocio("rfc", r.rfc.trimmed());
    const std::shared_ptr<TCliente> guardado = recuerda<TCliente>(llave, [&]() -> std::shared_ptr<TCliente> {
        std::shared_ptr<TCliente> existente = TCliente::getByRFC(r.rfc, *a.negocio, a.conexion);
        if (!existente)
            return std::make_shared<TCliente>(nuevoCliente(r));
        // Read now, so every voucher's copy shares it.
        existente->getDatosfiscales();
        return existente;
    });
    if (!faltaAlCliente(*guardado, r))
        return *guardado;
    // The record changes: it is read afresh and the kept copy dropped, so an
    // undone voucher leaves nothing stale behind.
    memoria.olvida<TCliente>(a.conexion, llave);
    std::unique_ptr<TCliente> leido = TCliente::getByRFC(r.rfc, *a.negocio, a.conexion);
    if (!leido)
        throw EBaseDatos(QStringLiteral("El cliente con RFC %1 ya no existe en la base del negocio.").arg(r.rfc));
    completaCliente(*leido, r);
    return *leido;
}

TCliente TGuardado::nuevoCliente(const TReceptor& r)
{
    const std::shared_ptr<TDireccion> direccion = direccionFiscal(r.domicilio);
    TDatosfiscales datos;
    datos.setRfc(r.rfc);
    datos.setRazon(r.nombre);
    datos.setRegimen(r.regimen);
    datos.setDireccion(direccion);
    datos = guarda(datos);

    TPersona persona;
    persona.setNombre(r.nombre);
    persona.setDireccion(direccion);
    persona = guarda(persona);

    TCliente nuevo;
    nuevo.setStatus(TCliente::ESTATUS_ACTIVO);
    nuevo.setNegocio(*a.negocio);
    nuevo.setDatosfiscales(datos);
    nuevo.setPersona(persona);
    nuevo.setDireccionEnvio(direccion);
    nuevo.setUsocfdi(r.usoCfdi);
    return guarda(nuevo);
}

// What a customer lacks (a receiver first met on a 3.3 voucher has no regime
// or fiscal address) is taken from a later voucher; what it has is kept, since
// files arrive in no particular order.
bool TGuardado::faltaAlCliente(const TCliente& cliente, const TReceptor& r)
{
    if (cliente.getUsocfdi().isEmpty() && !r.usoCfdi.isEmpty())
        return true;
    const std::shared_ptr<TDatosfiscales> datos = cliente.getDatosfiscales();
    if (!datos)
        return false;
    return (datos->getRazon().isEmpty() && !r.nombre.isEmpty()) ||
           (datos->getRegimen().isEmpty() && !r.regimen.isEmpty()) ||
           (datos->getDireccionId() < 0 && !r.domicilio.trimmed().isEmpty());
}

void TGuardado::completaCliente(TCliente& cliente, const TReceptor& r)
{
    if (cliente.getUsocfdi().isEmpty() && !r.usoCfdi.isEmpty()) {
        cliente.setUsocfdi(r.usoCfdi);
        cliente = guarda(cliente);
    }
    const std::shared_ptr<TDatosfiscales> datos = cliente.getDatosfiscales();
    bool cambio = false;
    if (datos->getRazon().isEmpty() && !r.nombre.isEmpty()) {
        datos->setRazon(r.nombre);
        cambio = true;
    }
    if (datos->getRegimen().isEmpty() && !r.regimen.isEmpty()) {
        datos->setRegimen(r.regimen);
        cambio = true;
    }
    if (datos->getDireccionId() < 0 && !r.domicilio.trimmed().isEmpty()) {
        datos->setDireccion(direccionFiscal(r.domicilio));
        cambio = true;
    }
    if (cambio)
        guarda(*datos);
}

std::shared_ptr<TDonataria> TGuardado::donataria(const TNodoXML& comprobante)
{
    const QList<Donat11::IXMLDonatarias> complementos = Donat11::deComprobante(comprobante);
    if (complementos.isEmpty())
        return nullptr;
    // As for 3.2 vouchers, the last complement wins.
    const Donat11::IXMLDonatarias& d = complementos.last();
    TDonataria registro;
    registro.setVersion(d.Get_version());
    registro.setNoautorizacion(d.Get_noAutorizacion());
    registro.setLeyenda(d.Get_leyenda());
    registro.setFechaautorizacion(fechaHora(d.Get_fechaAutorizacion()));
    return std::make_shared<TDonataria>(guarda(registro));
}

void TGuardado::relacionados(const TComprobante& comprobante,
                             const QList<Cfdv33::IXMLComprobante_CfdiRelacionados>& grupos)
{
    for (const auto& grupo : grupos) {
        for (int i = 0; i < grupo.Count(); ++i) {
            TCfdirelacionado relacionado;
            relacionado.setComprobante(comprobante);
            relacionado.setTiporelacion(grupo.Get_TipoRelacion().trimmed());
            relacionado.setUuid(grupo.Get_CfdiRelacionado(i).Get_UUID().trimmed().toUpper());
            guarda(relacionado);
        }
    }
}

TUnidadmedida TGuardado::unidadMedida(const QString& nombre)
{
    return *recuerda<TUnidadmedida>("nombre", nombre, [&]() -> std::shared_ptr<TUnidadmedida> {
        if (std::unique_ptr<TUnidadmedida> encontrada = TUnidadmedida::getByNombreUnidadMedida(nombre, a.conexion))
            return encontrada;
        TUnidadmedida registro;
        registro.setNombreunidadmedida(nombre);
        return std::make_shared<TUnidadmedida>(guarda(registro));
    });
}

TConcepto TGuardado::producto(const Cfdv33::TConceptoComun& c, const TUnidadmedida& u, const TLinea& l)
{
    return *recuerda<TConcepto>(delNegocio("descripcion", c.Get_Descripcion()), [&]() -> std::shared_ptr<TConcepto> {
        if (auto existente = TConcepto::getByDescripcion_Negocio(c.Get_Descripcion(), *a.negocio, a.conexion, false))
            return existente;
        TConcepto nuevo;
        nuevo.setDescripcion(c.Get_Descripcion());
        nuevo.setUnidad(u.getNombreunidadmedida());
        nuevo.setUnidadObj(u);
        nuevo.setNegocio(*a.negocio);
        nuevo.setStatus(TConcepto::ESTADO_ACTIVO);
        nuevo.setNumidentificacion(c.Get_NoIdentificacion());
        nuevo.setClaveprodserv(c.Get_ClaveProdServ());
        nuevo.setClaveunidad(c.Get_ClaveUnidad());
        nuevo.setObjetoimp(l.objetoImp);
        return std::make_shared<TConcepto>(guarda(nuevo));
    });
}

void TGuardado::pedimentos(const TComprobante& comprobante, const TComprobanteconcepto& linea, const TConcepto* parte,
                           const Cfdv33::IXMLComprobante_Conceptos_Concepto_InformacionAduaneraList& lista)
{
    for (int i = 0; i < lista.Count(); ++i) {
        TPedimentoaduanal pedimento;
        pedimento.setIdcomprobante(comprobante);
        pedimento.setIdcomprobanteconcepto(linea);
        pedimento.setNumeropedimento(lista.Get_InformacionAduanera(i).Get_NumeroPedimento());
        if (parte)
            pedimento.setParte(*parte);
        guarda(pedimento);
    }
}

// A part is a product of the business's own catalogue, found like any other
// (so a second voucher with the same part does not add it again), and names
// the line's product as its parent when it is new.
void TGuardado::parte(const TComprobante& comprobante, const TComprobanteconcepto& linea, const TConcepto& padre,
                      const Cfdv33::IXMLComprobante_Conceptos_Concepto_Parte& p)
{
    const std::optional<TDecimal> cantidad = decimal(p.Get_Cantidad());
    if (!cantidad || *cantidad <= TDecimal())
        return;
    const std::shared_ptr<TConcepto> registro =
        recuerda<TConcepto>(delNegocio("descripcion", p.Get_Descripcion()), [&]() -> std::shared_ptr<TConcepto> {
            if (auto existente =
                    TConcepto::getByDescripcion_Negocio(p.Get_Descripcion(), *a.negocio, a.conexion, false))
                return existente;
            TConcepto nuevo;
            nuevo.setDescripcion(p.Get_Descripcion());
            nuevo.setUnidad(p.Get_Unidad());
            fijaDecimal(nuevo, TConcepto::col_Precioventa, p.Get_ValorUnitario());
            nuevo.setNumidentificacion(p.Get_NoIdentificacion());
            nuevo.setClaveprodserv(p.Get_ClaveProdServ());
            nuevo.setConceptoPadre(padre);
            nuevo.setNegocio(*a.negocio);
            nuevo.setStatus(TConcepto::ESTADO_ACTIVO);
            return std::make_shared<TConcepto>(guarda(nuevo));
        });
    pedimentos(comprobante, linea, registro.get(), p.Get_InformacionAduanera());
}

void TGuardado::guardaLinea(const TComprobante& comprobante, const TLinea& l)
{
    const Cfdv33::TConceptoComun& c = l.concepto;
    // Unidad is optional since 3.3; the SAT key then names the unit.
    const QString nombreUnidad = c.Get_Unidad().trimmed().isEmpty() ? c.Get_ClaveUnidad() : c.Get_Unidad();
    const TUnidadmedida u = unidadMedida(nombreUnidad);
    const TConcepto p = producto(c, u, l);

    TComprobanteconcepto registro;
    registro.setIdcomprobante(comprobante);
    registro.setIdconcepto(p);
    registro.setIdunidad(u);
    fijaDecimal(registro, TComprobanteconcepto::col_Cantidad, c.Get_Cantidad());
    fijaDecimal(registro, TComprobanteconcepto::col_Preciounitario, c.Get_ValorUnitario());
    fijaDecimal(registro, TComprobanteconcepto::col_Importe, c.Get_Importe());
    fijaDecimal(registro, TComprobanteconcepto::col_Descuento, c.Get_Descuento());
    registro.setObjetoimp(l.objetoImp);
    registro.setCuentapredial(l.cuentasPrediales.value(0));
    if (!l.cuentasPrediales.isEmpty())
        registro.setCuentaspredial(l.cuentasPrediales.join(QLatin1Char('\n')));
    registro.setClaveprodserv(c.Get_ClaveProdServ());
    registro.setNoidentificacion(c.Get_NoIdentificacion());
    registro.setClaveunidad(c.Get_ClaveUnidad());
    registro.setUnidad(c.Get_Unidad());
    registro.setDescripcion(c.Get_Descripcion());
    registro.setRfcacuentaterceros(l.rfcTerceros);
    registro.setNombreacuentaterceros(l.nombreTerceros);
    registro.setRegimenfiscalacuentaterceros(l.regimenTerceros);
    registro.setDomiciliofiscalacuentaterceros(l.domicilioTerceros);
    registro = guarda(registro);

    // Transfers and withholdings of a line carry the same attributes.
    const auto deLinea = [](const QString& tipo,
                            const Cfdv33::IXMLComprobante_Conceptos_Concepto_Impuestos_Traslados_Traslado& t) {
        return TImpuestoLeido{.tipo = tipo,
                              .clave = t.Get_Impuesto(),
                              .tipoFactor = t.Get_TipoFactor(),
                              .tasa = t.Get_TasaOCuota(),
                              .base = t.Get_Base(),
                              .importe = t.Get_Importe()};
    };
    const auto impuestosLinea = c.Get_Impuestos();
    const auto traslados = impuestosLinea.Get_Traslados();
    for (int i = 0; i < traslados.Count(); ++i)
        desglose(comprobante, &registro, deLinea(TImpuesto::TIPO_IMPUESTO_TRASLADADO, traslados.Get_Traslado(i)));
    const auto retenciones = impuestosLinea.Get_Retenciones();
    for (int i = 0; i < retenciones.Count(); ++i)
        desglose(comprobante, &registro, deLinea(TImpuesto::TIPO_IMPUESTO_RETENIDO, retenciones.Get_Retencion(i)));

    pedimentos(comprobante, registro, nullptr, c.Get_InformacionAduanera());
    const auto partes = c.Get_Parte();
    for (int i = 0; i < partes.Count(); ++i)
        parte(comprobante, registro, p, partes.Get_Parte(i));
}

// The catalogue keys a tax by abbreviation and rate, as for 3.2 vouchers: a
// federal tax by its usual name (IVA, not 002), a local one by its own name;
// a withholding written without rate under TImpuesto::tasaRetenido(), an
// exempt tax without rate. Missing taxes are added.
TImpuesto TGuardado::impuestoCatalogo(const TImpuestoLeido& i)
{
    const QString sigla = i.clave.isEmpty() ? i.nombre : siglaFederal(i.clave);
    std::optional<TDecimal> tasa = decimal(i.tasa);
    if (!tasa && i.tipo == TImpuesto::TIPO_IMPUESTO_RETENIDO && !i.clave.isEmpty())
        tasa = TImpuesto::tasaRetenido();
    const QString llave = sigla + QLatin1Char('|') + (tasa ? tasa->texto() : QString());
    return *recuerda<TImpuesto>("sigla", llave, [&]() -> std::shared_ptr<TImpuesto> {
        if (std::unique_ptr<TImpuesto> encontrado = TImpuesto::getBySiglaAndTasa(sigla, tasa, a.conexion))
            return encontrado;
        TImpuesto registro;
        registro.setNombreimpuesto(sigla);
        registro.setSiglaimpuesto(sigla);
        registro.setClaveimpuesto(i.clave.trimmed());
        if (tasa)
            registro.setTasa(*tasa);
        registro.setTipoimpuesto(i.tipo);
        return std::make_shared<TImpuesto>(guarda(registro));
    });
}

void TGuardado::desglose(const TComprobante& comprobante, const TComprobanteconcepto* linea, const TImpuestoLeido& i)
{
    const TImpuesto impuesto = impuestoCatalogo(i);
    TDesgloseimpuesto registro;
    registro.setComprobante(comprobante);
    registro.setIdcomprobantefk(comprobante.getIdcomprobante());
    if (linea)
        registro.setComprobanteconcepto(*linea);
    registro.setImpuesto(impuesto);
    registro.setIdimpuestofk(impuesto.getIdimpuesto());
    registro.setNombre(impuesto.getNombreimpuesto());
    fijaDecimal(registro, TDesgloseimpuesto::col_Tasa, i.tasa);
    registro.setTipofactor(i.tipoFactor);
    fijaDecimal(registro, TDesgloseimpuesto::col_Importebase, i.base);
    fijaDecimal(registro, TDesgloseimpuesto::col_Importe, i.importe);
    registro.setTipoimpuesto(i.tipo);
    registro.setClaveimpuesto(i.clave.trimmed());
    guarda(registro);
}

void TGuardado::impuestosLocales(const TComprobante& comprobante, const TNodoXML& raiz)
{
    const auto local = [](const QString& tipo, const QString& nombre, const QString& tasa, const QString& importe) {
        return TImpuestoLeido{.tipo = tipo, .nombre = nombre, .tasa = tasa, .importe = importe};
    };
    for (const Implocal::IXMLImpuestosLocales& locales : Implocal::deComprobante(raiz)) {
        const auto retenciones = locales.Get_RetencionesLocales();
        for (int i = 0; i < retenciones.Count(); ++i) {
            const auto r = retenciones.Get_RetencionesLocales(i);
            desglose(comprobante, nullptr,
                     local(TImpuesto::TIPO_IMPUESTO_RETENIDO, r.Get_ImpLocRetenido(), r.Get_TasadeRetencion(),
                           r.Get_Importe()));
        }
        const auto traslados = locales.Get_TrasladosLocales();
        for (int i = 0; i < traslados.Count(); ++i) {
            const auto t = traslados.Get_TrasladosLocales(i);
            desglose(comprobante, nullptr,
                     local(TImpuesto::TIPO_IMPUESTO_TRASLADADO, t.Get_ImpLocTrasladado(), t.Get_TasadeTraslado(),
                           t.Get_Importe()));
        }
    }
}

TComprobante TGuardado::comprobante(const TLectura& l, const Nomina12::IXMLNomina& nomina)
{
    const Cfdv33::TComprobanteComun& c = l.comprobante;
    const auto timbre = Cfdi::timbre(c);
    const std::shared_ptr<TDonataria> donee = donataria(c);
    const QString tipo = c.Get_TipoDeComprobante().trimmed();

    TComprobante registro;
    registro.setNegocio(*a.negocio);
    registro.setCliente(cliente(l.receptor));
    registro.setFormapago(porClave("clave", c.Get_FormaPago(), &TFormapago::getByClave, &TFormapago::setClave,
                                   &TBaseDatosCatalogosFrm::getDescripcionFormaPago));
    registro.setMetodopago(porClave("codigo", c.Get_MetodoPago(), &TMetodopago::getByCodigo, &TMetodopago::setCodigo,
                                    &TBaseDatosCatalogosFrm::getDescripcionMetodoPago));
    registro.setDonataria(donee);
    registro.setUuid(Cfdi::uuid(c).toUpper());
    fijaDecimal(registro, TComprobante::col_Version, c.Get_Version());
    registro.setSerie(c.Get_Serie());
    registro.setFolio(c.Get_Folio());
    registro.setTipocomprobante(tipo);
    registro.setCategoriacomprobante(categoria(tipo, donee != nullptr));
    fijaDecimal(registro, TComprobante::col_Subtotal, c.Get_SubTotal());
    fijaDecimal(registro, TComprobante::col_Descuentogeneral, c.Get_Descuento());
    fijaDecimal(registro, TComprobante::col_Total, c.Get_Total());
    fijaDecimal(registro, TComprobante::col_Totalimpuestostrasladados, l.totalTrasladados);
    fijaDecimal(registro, TComprobante::col_Totalimpuestosretenidos, l.totalRetenidos);
    registro.setMoneda(c.Get_Moneda());
    fijaDecimal(registro, TComprobante::col_Tipodecambio, c.Get_TipoCambio());
    registro.setLugarexpedicion(c.Get_LugarExpedicion());
    registro.setCondicionesdepago(c.Get_CondicionesDePago());
    registro.setConfirmacion(c.Get_Confirmacion());
    registro.setExportacion(l.exportacion);
    registro.setNocertificado(c.Get_NoCertificado());
    registro.setSellocfd(c.Get_Sello());
    registro.setNocertificadosat(timbre.Get_NoCertificadoSAT());
    registro.setSellosat(timbre.Get_SelloSAT());
    registro.setRfcprovcertif(timbre.Get_RfcProvCertif());
    registro.setEstatus(TComprobante::ESTADO_FACTURA_ACTIVA);
    registro.setFechaemision(fechaHora(c.Get_Fecha()));
    const QDateTime timbrado = fechaHora(timbre.Get_FechaTimbrado());
    registro.setFechatimbrado(timbrado);
    if (timbrado.isValid())
        registro.setFechacreacion(timbrado);
    registro.setFechacancelacion(TComprobante::fechaSinCancelar());
    registro.setComprobantexml(c.documento().bytes());
    registro.setPathxml(a.pathXml);
    if (!a.pathPdf.isEmpty())
        registro.setPathpdf(a.pathPdf);
    if (!a.verificacion.isEmpty()) {
        registro.setVerificacionsello(a.verificacion);
        registro.setMotivoverificacion(a.motivoVerificacion);
    }
    registro.setNombreemisor(l.emisor.Get_Nombre());
    registro.setRegimenfiscalemisor(l.emisor.Get_RegimenFiscal());
    registro.setFacatradquirente(l.facAtrAdquirente);
    registro.setRfcreceptor(l.receptor.rfc);
    registro.setNombrereceptor(l.receptor.nombre);
    registro.setUsocfdi(l.receptor.usoCfdi);
    registro.setRegimenfiscalreceptor(l.receptor.regimen);
    registro.setDomiciliofiscalreceptor(l.receptor.domicilio);
    registro.setResidenciafiscalreceptor(l.receptor.residenciaFiscal);
    registro.setNumregidtribreceptor(l.receptor.numRegIdTrib);
    if (l.informacionGlobal.existe()) {
        registro.setPeriodicidadglobal(l.informacionGlobal.Get_Periodicidad());
        registro.setMesesglobal(l.informacionGlobal.Get_Meses());
        registro.setAnioglobal(l.informacionGlobal.Get_Anio());
    }
    registro = guarda(registro);

    relacionados(registro, l.relacionados);
    for (const TLinea& linea : l.lineas)
        guardaLinea(registro, linea);
    for (const TImpuestoLeido& impuesto : l.impuestos)
        desglose(registro, nullptr, impuesto);
    impuestosLocales(registro, c);
    if (nomina.existe())
        recibo(nomina, registro, *a.negocio);
    return registro;
}

// An employee found by CURP is used as stored, as for payroll 1.1 receipts.
TEmpleado TGuardado::empleado(const Nomina12::IXMLNomina_Receptor& r, const TComprobante& comprobante,
                              const TNegocio& negocio)
{
    return *recuerda<TEmpleado>("curp", r.Get_Curp(), [&]() -> std::shared_ptr<TEmpleado> {
        if (std::unique_ptr<TEmpleado> existente = TEmpleado::getByCURP(r.Get_Curp(), a.conexion))
            return existente;
        return std::make_shared<TEmpleado>(nuevoEmpleado(r, comprobante, negocio));
    });
}

TEmpleado TGuardado::nuevoEmpleado(const Nomina12::IXMLNomina_Receptor& r, const TComprobante& comprobante,
                                   const TNegocio& negocio)
{
    TEmpleado nuevo;
    nuevo.setIdnegocio(negocio);
    if (const std::shared_ptr<TCliente> receptor = comprobante.getCliente())
        nuevo.setDatosfiscales(receptor->getDatosfiscales());
    nuevo.setCurp(r.Get_Curp().trimmed());
    nuevo.setNumempleado(r.Get_NumEmpleado());
    nuevo.setNumsegurosocial(r.Get_NumSeguridadSocial());
    nuevo.setTiporegimen(r.Get_TipoRegimen());
    nuevo.setTipoconrato(r.Get_TipoContrato());
    nuevo.setTipojornada(r.Get_TipoJornada());
    nuevo.setPeriodicidadpago(r.Get_PeriodicidadPago());
    nuevo.setDepartamento(r.Get_Departamento());
    nuevo.setPuesto(r.Get_Puesto());
    if (const auto riesgo = entero(r.Get_RiesgoPuesto()))
        nuevo.setRiesgopuesto(*riesgo);
    nuevo.setSalariobasecotapor(r.Get_SalarioBaseCotApor());
    fijaDecimal(nuevo, TEmpleado::col_Salariodiariointegrado, r.Get_SalarioDiarioIntegrado());
    if (const QDate inicio = fecha(r.Get_FechaInicioRelLaboral()); inicio.isValid())
        nuevo.setFechainiciorelacionlaboral(inicio);
    if (const auto banco = entero(r.Get_Banco()))
        nuevo.setBanco(*banco);
    nuevo.setClabe(r.Get_CuentaBancaria());
    nuevo.setSindicalizado(r.Get_Sindicalizado());
    nuevo.setClaveentfed(r.Get_ClaveEntFed());
    return guarda(nuevo);
}

void TGuardado::recibo(const Nomina12::IXMLNomina& n, const TComprobante& comprobante, const TNegocio& negocio)
{
    const auto receptor = n.Get_Receptor();
    const auto emisor = n.Get_Emisor();
    const auto percepciones = n.Get_Percepciones();
    const auto deducciones = n.Get_Deducciones();

    TNominacomprobante registroRecibo;
    registroRecibo.setComprobante(comprobante);
    registroRecibo.setNegocio(negocio);
    registroRecibo.setMetodopago(comprobante.getMetodopago());
    registroRecibo.setUuid(comprobante.getUuid());
    fijaDecimal(registroRecibo, TNominacomprobante::col_Version, n.Get_Version());
    registroRecibo.setTiponomina(n.Get_TipoNomina());
    // A 3.2 voucher is stored without its own date; its stamp date stands in.
    registroRecibo.setFechaemision(comprobante.getFechaemision().isValid() ? comprobante.getFechaemision()
                                                                           : comprobante.getFechatimbrado());
    registroRecibo.setFechapago(fecha(n.Get_FechaPago()));
    registroRecibo.setFechainicialpago(fecha(n.Get_FechaInicialPago()));
    registroRecibo.setFechafinalpago(fecha(n.Get_FechaFinalPago()));
    fijaDecimal(registroRecibo, TNominacomprobante::col_Numdiaspagados, n.Get_NumDiasPagados());
    registroRecibo.setSubtotal(comprobante.getSubtotal());
    if (comprobante.getDescuentogeneral() > TDecimal())
        registroRecibo.setDescuento(comprobante.getDescuentogeneral());
    registroRecibo.setTotal(comprobante.getTotal());
    fijaDecimal(registroRecibo, TNominacomprobante::col_Totalpercepciones, n.Get_TotalPercepciones());
    fijaDecimal(registroRecibo, TNominacomprobante::col_Totaldeducciones, n.Get_TotalDeducciones());
    fijaDecimal(registroRecibo, TNominacomprobante::col_Totalotrospagos, n.Get_TotalOtrosPagos());
    fijaDecimal(registroRecibo, TNominacomprobante::col_Totalsueldos, percepciones.Get_TotalSueldos());
    fijaDecimal(registroRecibo, TNominacomprobante::col_Totalgravado, percepciones.Get_TotalGravado());
    fijaDecimal(registroRecibo, TNominacomprobante::col_Totalexento, percepciones.Get_TotalExento());
    fijaDecimal(registroRecibo, TNominacomprobante::col_Totalseparacionindemnizacion,
                percepciones.Get_TotalSeparacionIndemnizacion());
    fijaDecimal(registroRecibo, TNominacomprobante::col_Totaljubilacionpensionretiro,
                percepciones.Get_TotalJubilacionPensionRetiro());
    fijaDecimal(registroRecibo, TNominacomprobante::col_Totalotrasdeducciones, deducciones.Get_TotalOtrasDeducciones());
    fijaDecimal(registroRecibo, TNominacomprobante::col_Totalimpuestosretenidos,
                deducciones.Get_TotalImpuestosRetenidos());
    if (const auto banco = entero(receptor.Get_Banco()))
        registroRecibo.setBanco(*banco);
    registroRecibo.setClabe(receptor.Get_CuentaBancaria());
    registroRecibo.setAntiguedad(receptor.Get_Antiguedad());
    registroRecibo.setRegistropatronal(emisor.Get_RegistroPatronal());
    registroRecibo.setRfcpatronorigen(emisor.Get_RfcPatronOrigen());
    registroRecibo.setCurpemisor(emisor.Get_Curp());
    registroRecibo.setNominaxml(comprobante.getComprobantexml());
    registroRecibo.setPathxml(comprobante.getPathxml());
    registroRecibo.setPathpdf(comprobante.getPathpdf());
    registroRecibo.setEstatus(comprobante.getEstatus());
    registroRecibo.setFechacancelacion(TComprobante::fechaSinCancelar());
    registroRecibo = guarda(registroRecibo);

    TNominacomprobanteempleado enlace;
    enlace.setNominaComprobante(registroRecibo);
    enlace.setEmpleado(empleado(receptor, comprobante, negocio));
    guarda(enlace);

    for (int i = 0; i < percepciones.Count(); ++i) {
        const auto p = percepciones.Get_Percepcion(i);
        TPercepcion registro;
        registro.setIdrecibonomina(registroRecibo);
        registro.setTipopercepcion(p.Get_TipoPercepcion());
        registro.setClave(p.Get_Clave());
        registro.setConcepto(p.Get_Concepto());
        fijaDecimal(registro, TPercepcion::col_Importegravado, p.Get_ImporteGravado());
        fijaDecimal(registro, TPercepcion::col_Importeexcento, p.Get_ImporteExento());
        guarda(registro);
    }
    for (int i = 0; i < deducciones.Count(); ++i) {
        const auto d = deducciones.Get_Deduccion(i);
        TDeduccion registro;
        registro.setReciboj(registroRecibo);
        registro.setTipodeduccion(d.Get_TipoDeduccion());
        registro.setClave(d.Get_Clave());
        registro.setConcepto(d.Get_Concepto());
        fijaDecimal(registro, TDeduccion::col_Importegravado, d.Get_Importe());
        guarda(registro);
    }
    const auto otros = n.Get_OtrosPagos();
    for (int i = 0; i < otros.Count(); ++i) {
        const auto o = otros.Get_OtroPago(i);
        TOtropago registro;
        registro.setIdrecibonomina(registroRecibo);
        registro.setTipootropago(o.Get_TipoOtroPago());
        registro.setClave(o.Get_Clave());
        registro.setConcepto(o.Get_Concepto());
        fijaDecimal(registro, TOtropago::col_Importe, o.Get_Importe());
        fijaDecimal(registro, TOtropago::col_Subsidiocausado, o.Get_SubsidioAlEmpleo().Get_SubsidioCausado());
        if (const auto compensacion = o.Get_CompensacionSaldosAFavor(); compensacion.existe()) {
            fijaDecimal(registro, TOtropago::col_Saldoafavor, compensacion.Get_SaldoAFavor());
            registro.setAnio(compensacion.Get_Anio());
            fijaDecimal(registro, TOtropago::col_Remanentesalfav, compensacion.Get_RemanenteSalFav());
        }
        guarda(registro);
    }
    const auto incapacidades = n.Get_Incapacidades();
    for (int i = 0; i < incapacidades.Count(); ++i) {
        const auto inc = incapacidades.Get_Incapacidad(i);
        TIncapacidad registro;
        registro.setIdrecibonomina(registroRecibo);
        registro.setDiasincapacidad(inc.Get_DiasIncapacidad());
        registro.setTipoincapacidad(inc.Get_TipoIncapacidad());
        fijaDecimal(registro, TIncapacidad::col_Importemonetario, inc.Get_ImporteMonetario());
        guarda(registro);
    }
}

void exigeDestino(const TAjustes& ajustes)
{
    if (ajustes.conexion.getDatabase().isEmpty())
        throw EBaseDatos(QStringLiteral("No se indicó la base de datos donde guardar el comprobante."));
    exigeTransaccion(ajustes.conexion);
}

} // namespace

TComprobante guarda(const TAjustes& ajustes, const TLectura& lectura, const Nomina12::IXMLNomina& nomina)
{
    exigeDestino(ajustes);
    if (!ajustes.negocio || ajustes.negocio->id() < 0)
        throw EBaseDatos(QStringLiteral("No se indicó el negocio que emitió el comprobante."));
    return TGuardado(ajustes).comprobante(lectura, nomina);
}

void guardaNomina(const TAjustes& ajustes, const Nomina12::IXMLNomina& nomina, const TComprobante& comprobante,
                  const TNegocio& negocio)
{
    exigeDestino(ajustes);
    TGuardado(ajustes).recibo(nomina, comprobante, negocio);
}

TLinea linea(const Cfdv33::IXMLComprobante_Conceptos_Concepto& concepto)
{
    TLinea l{.concepto = concepto};
    const auto cuenta = concepto.Get_CuentaPredial();
    if (cuenta.existe())
        l.cuentasPrediales << cuenta.Get_Numero();
    return l;
}

TLinea linea(const Cfdv40::IXMLComprobante_Conceptos_Concepto& concepto)
{
    const auto terceros = concepto.Get_ACuentaTerceros();
    TLinea l{.concepto = concepto,
             .objetoImp = concepto.Get_ObjetoImp(),
             .rfcTerceros = terceros.Get_RfcACuentaTerceros(),
             .nombreTerceros = terceros.Get_NombreACuentaTerceros(),
             .regimenTerceros = terceros.Get_RegimenFiscalACuentaTerceros(),
             .domicilioTerceros = terceros.Get_DomicilioFiscalACuentaTerceros()};
    const auto cuentas = concepto.Get_CuentaPredial();
    for (int i = 0; i < cuentas.Count(); ++i)
        l.cuentasPrediales << cuentas.Get_CuentaPredial(i).Get_Numero();
    return l;
}

} // namespace GuardadoCfdi
