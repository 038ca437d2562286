#include "Entidades.h"

#include <QHash>

#define VELKOR_DEFINE_TABLA(Clase, Grupo)                                                                              \
    const TTabla& Clase::tablaEsquema()                                                                                \
    {                                                                                                                  \
        static const TTabla& tabla = Esquema::tabla(QStringLiteral(#Clase));                                           \
        return tabla;                                                                                                  \
    }
VELKOR_ENTIDADES(VELKOR_DEFINE_TABLA)
#undef VELKOR_DEFINE_TABLA

void TConcepto::actualizaColumnaConcepto(const TConexionSesion& conexion)
{
    Esquema::completa(conexion, TGrupoEsquema::ConceptoClaves);
}

void TConcepto::actualizaColumnaPrecios(const TConexionSesion& conexion)
{
    Esquema::completa(conexion, TGrupoEsquema::ConceptoPrecios);
}

void TNominacomprobanteempleado::createTable(const TConexionSesion& conexion)
{
    Esquema::completa(conexion, TGrupoEsquema::NominaEmpleado);
}

void TNuevastablas::createTable(const TConexionSesion& conexion)
{
    Esquema::completa(conexion, TGrupoEsquema::Nuevas);
}

std::unique_ptr<TNegocio> TNegocio::getByRFC(const QString& rfc, const TConexionSesion& conexion)
{
    using F = TDatosfiscales;
    return buscaUno(columna(col_Datosfiscales).en(F::claves(F::columna(F::col_Rfc) == rfc.trimmed())), conexion);
}

std::unique_ptr<TNegocio> TNegocio::getByRFCSinLoad(const QString& rfc, const TConexionSesion& conexion)
{
    return getByRFC(rfc, conexion);
}

std::unique_ptr<TRegimen> TRegimen::getByDescripcion(const QString& descripcion, const TConexionSesion& conexion)
{
    return buscaUno(columna(col_Descripcion) == descripcion, conexion);
}

std::unique_ptr<TSucursal> TSucursal::getByNombreAndNegocio(const QString& nombre, const TNegocio& negocio,
                                                            const TConexionSesion& conexion)
{
    return buscaUno(columna(col_Nombre) == nombre.trimmed() && columna(col_Negocio) == negocio, conexion);
}

QList<TSucursal> TSucursal::getByNegocio(const TNegocio& negocio, const TConexionSesion& conexion)
{
    return busca(columna(col_Negocio) == negocio, conexion);
}

std::unique_ptr<TCodigopostal> TCodigopostal::getByCP(const QString& cp, const TConexionSesion& conexion)
{
    return buscaUno(columna(col_Cp) == cp.trimmed(), conexion);
}

std::unique_ptr<TUsuario> TUsuario::getInfoByEmail(const QString& email, const TConexionSesion& conexion)
{
    return buscaUno(columna(col_Email).igualSinMayusculas(email), conexion);
}

std::unique_ptr<TUsuarionegocio> TUsuarionegocio::getByUsuarioAndNegocio(const TUsuario& usuario,
                                                                         const TNegocio& negocio,
                                                                         const TConexionSesion& conexion)
{
    return buscaUno(columna(col_Idusuario) == usuario && columna(col_Idnegocio) == negocio, conexion);
}

std::unique_ptr<TCertificado> TCertificado::getByNegocio(const TNegocio& negocio, const TConexionSesion& conexion)
{
    return buscaUno(columna(col_Negocio) == negocio, conexion, columna(col_Idcertificado).descendente());
}

std::unique_ptr<TComprobante> TComprobante::getByUUIDAndNegocio(const QString& uuid, const TNegocio& negocio,
                                                                const TConexionSesion& conexion)
{
    // Through the UUID's index alone: given the business too, the engine also
    // walks the business's index, which holds every voucher, and each look-up
    // of an import grew with the database.
    for (const TComprobante& comprobante : busca(columna(col_Uuid) == uuid.trimmed().toUpper(), conexion))
        if (comprobante.getNegocioId() == negocio.id())
            return std::make_unique<TComprobante>(comprobante);
    return nullptr;
}

QDateTime TComprobante::fechaSinCancelar()
{
    return QDateTime(QDate(1899, 12, 29), QTime(0, 0));
}

void TComprobante::actualizaCfdi40(const TConexionSesion& conexion)
{
    Esquema::completa(conexion, TGrupoEsquema::Cfdi40);
}

int TConcepto::getIDDescripcion_Negocio(const QString& descripcion, const TNegocio& negocio,
                                        const TConexionSesion& conexion, bool soloActivos)
{
    const std::unique_ptr<TConcepto> concepto = getByDescripcion_Negocio(descripcion, negocio, conexion, soloActivos);
    return concepto ? concepto->getIdconcepto() : -1;
}

std::unique_ptr<TConcepto> TConcepto::getByDescripcion_Negocio(const QString& descripcion, const TNegocio& negocio,
                                                               const TConexionSesion& conexion, bool soloActivos)
{
    // The business is checked on the few rows of that description: given to
    // the engine, it would also walk the business's whole catalogue.
    for (const TConcepto& concepto : busca(columna(col_Descripcion) == descripcion, conexion))
        if (concepto.getNegocioId() == negocio.id() && (!soloActivos || concepto.getStatus() == ESTADO_ACTIVO))
            return std::make_unique<TConcepto>(concepto);
    return nullptr;
}

TDecimal TImpuesto::tasaRetenido()
{
    return TDecimal::desdeEntero(-1);
}

std::unique_ptr<TImpuesto> TImpuesto::getBySiglaAndTasa(const QString& sigla, const std::optional<TDecimal>& tasa,
                                                        const TConexionSesion& conexion)
{
    const TCampo campoTasa = columna(col_Tasa);
    return buscaUno(columna(col_Siglaimpuesto) == sigla && (tasa ? campoTasa == *tasa : campoTasa.esNulo()), conexion);
}

std::unique_ptr<TUnidadmedida> TUnidadmedida::getByNombreUnidadMedida(const QString& nombre,
                                                                      const TConexionSesion& conexion)
{
    return buscaUno(columna(col_Nombreunidadmedida) == nombre, conexion);
}

std::unique_ptr<TFormapago> TFormapago::getByClave(const QString& clave, const TConexionSesion& conexion)
{
    return buscaUno(columna(col_Clave) == clave.trimmed(), conexion);
}

std::unique_ptr<TFormapago> TFormapago::getByDescripcion(const QString& descripcion, const TConexionSesion& conexion)
{
    return buscaUno(columna(col_Descripcion) == descripcion, conexion);
}

std::unique_ptr<TMetodopago> TMetodopago::getByCodigo(const QString& codigo, const TConexionSesion& conexion)
{
    return buscaUno(columna(col_Codigo) == codigo.trimmed(), conexion);
}

std::optional<TCodigopostal> TCodigopostal::desdeCatalogo(const QStringList& filas)
{
    if (filas.isEmpty())
        return std::nullopt;
    QHash<QString, QString> valores;
    for (const QString& fila : filas) {
        const qsizetype igual = fila.indexOf(QLatin1Char('='));
        if (igual > 0)
            valores.insert(fila.left(igual), fila.mid(igual + 1));
    }
    // A code without municipality or locality in the catalogue gets none,
    // not a lone " - ".
    const auto claveNombre = [&](const char* clave, const char* nombre) {
        const QString llave = valores.value(QLatin1String(clave)).trimmed();
        const QString texto = valores.value(QLatin1String(nombre)).trimmed();
        if (llave.isEmpty() || texto.isEmpty())
            return llave.isEmpty() ? texto : llave;
        return llave + QStringLiteral(" - ") + texto;
    };
    TCodigopostal cp;
    cp.setCp(valores.value(QStringLiteral("CODIGOPOSTAL")));
    cp.setEstado(claveNombre("ESTADOCLAVE", "ESTADO"));
    cp.setMunicipio(claveNombre("MUNICIPIOCLAVE", "MUNICIPIO"));
    cp.setLocalidad(claveNombre("LOCALIDADCLAVE", "LOCALIDAD"));
    return cp;
}

std::unique_ptr<TCliente> TCliente::getByRFC(const QString& rfc, const TNegocio& negocio,
                                             const TConexionSesion& conexion)
{
    // Through the RFC's few fiscal data: a condition on the business would
    // walk all of its customers (and an IN on a subquery runs once per row).
    using F = TDatosfiscales;
    for (const F& datos : F::busca(F::columna(F::col_Rfc) == rfc.trimmed(), conexion))
        for (const TCliente& cliente : busca(columna(col_Datosfiscales) == datos, conexion))
            if (cliente.getNegocioId() == negocio.id())
                return std::make_unique<TCliente>(cliente);
    return nullptr;
}

std::unique_ptr<TEmpleado> TEmpleado::getByCURP(const QString& curp, const TConexionSesion& conexion)
{
    return buscaUno(columna(col_Curp) == curp.trimmed(), conexion);
}

QList<TCfdirelacionado> TCfdirelacionado::getByUUID(const QString& uuid, const TConexionSesion& conexion)
{
    return busca(columna(col_Uuid) == uuid.trimmed().toUpper(), conexion);
}
