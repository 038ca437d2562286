#include "TSeries.h"

#include "Conexiones.h"
#include "Constantes.h"
#include "Entidades.h"

#include <QRegularExpression>

using namespace Constantes;

namespace Series {

namespace {

constexpr int LARGO_FOLIO = 20;

std::unique_ptr<TSerie> serieDeSucursal(const QString& nombre, const TSucursal& sucursal,
                                        const TConexionSesion& conexion)
{
    return TSerie::buscaUno(TSerie::columna(TSerie::col_Serie) == nombre &&
                                TSerie::columna(TSerie::col_Sucursal) == sucursal &&
                                TSerie::columna(TSerie::col_Status) == 0,
                            conexion);
}

bool hayDefault(const TSucursal& sucursal, const QString& letra, const TConexionSesion& conexion)
{
    return TSerie::cuenta(TSerie::columna(TSerie::col_Sucursal) == sucursal &&
                              TSerie::columna(TSerie::col_Tipodecomprobante) == letra &&
                              TSerie::columna(TSerie::col_Isdefault) == true &&
                              TSerie::columna(TSerie::col_Status) == 0,
                          conexion) > 0;
}

bool nombreValido(const QString& nombre)
{
    for (const QChar c : nombre)
        if (!caracterPermitido(c))
            return false;
    return true;
}

} // namespace

const QStringList& tiposComprobante()
{
    static const QStringList tipos = {
        QStringLiteral("I - Ingreso"),  QStringLiteral("E - Egreso"),
        QStringLiteral("T - Traslado"), QStringLiteral("N - Nómina (Recibos de nómina)"),
        QStringLiteral("P - Pagos"),    QStringLiteral("R - Retenciones e información de pagos"),
    };
    return tipos;
}

int indiceTipo(const QString& letra)
{
    const QString buscada = letra.trimmed();
    if (buscada.isEmpty())
        return -1;
    const QStringList& tipos = tiposComprobante();
    for (int i = 0; i < tipos.size(); ++i)
        if (tipos.at(i).left(1) == buscada)
            return i;
    return -1;
}

bool caracterPermitido(QChar caracter)
{
    static const QString prohibidos = QStringLiteral("/\\{}[]$%#\"&()=");
    return !prohibidos.contains(caracter);
}

QString mensaje(TResultado resultado)
{
    switch (resultado) {
    case TResultado::Guardada:
        return {};
    case TResultado::SinSucursal:
        return ERR_ELEGIR_SUCURSAL;
    case TResultado::SinFolio:
        return ERR_ELEGIR_FOLIO_INICIAL;
    case TResultado::FolioNoValido:
        return ERR_FOLIO_NO_VALIDO;
    case TResultado::SinNombre:
        return ERR_NOMBRE_SERIE_VACIO;
    case TResultado::NombreNoValido:
        return ERR_NOMBRE_SERIE_NO_VALIDO;
    case TResultado::SinTipo:
        return ERR_ELEGIR_TIPO_SERIE;
    case TResultado::Existente:
        return ERR_SERIE_EXISTENTE;
    case TResultado::NoEncontrada:
        return ERR_SERIE_NO_ENCONTRADA;
    }
    return {};
}

TResultado valida(const TDatos& datos, bool editar)
{
    if (datos.sucursal.trimmed().isEmpty())
        return TResultado::SinSucursal;
    const QString folio = datos.folio.trimmed();
    if (folio.isEmpty())
        return TResultado::SinFolio;
    static const QRegularExpression entero(QStringLiteral("^[0-9]+$"));
    if (folio.size() > LARGO_FOLIO || !entero.match(folio).hasMatch())
        return TResultado::FolioNoValido;
    if (editar)
        return TResultado::Guardada;
    // A series without name or type could never be chosen for a voucher.
    if (datos.serie.trimmed().isEmpty())
        return TResultado::SinNombre;
    if (!nombreValido(datos.serie))
        return TResultado::NombreNoValido;
    if (datos.tipo < 0 || datos.tipo >= tiposComprobante().size())
        return TResultado::SinTipo;
    return TResultado::Guardada;
}

TResultado guarda(const TDatos& datos, bool editar, int idSerie, const TNegocio& negocio,
                  const TConexionSesion& conexion, int usuario)
{
    const TResultado revision = valida(datos, editar);
    if (revision != TResultado::Guardada)
        return revision;
    TTransaccion transaccion(conexion);
    const TUnidadTrabajo unidad(conexion, usuario);

    if (editar) {
        // The series is the one opened, whatever its name field shows.
        std::unique_ptr<TSerie> serie = TSerie::getById(idSerie, conexion);
        if (!serie)
            return TResultado::NoEncontrada;
        serie->setNofolioactual(datos.folio.trimmed());
        TSerie::saveOrUpdate(*serie, unidad);
        transaccion.commit();
        return TResultado::Guardada;
    }

    const std::unique_ptr<TSucursal> sucursal = TSucursal::getByNombreAndNegocio(datos.sucursal, negocio, conexion);
    if (!sucursal)
        return TResultado::SinSucursal;
    const QString nombre = datos.serie.trimmed();
    if (serieDeSucursal(nombre, *sucursal, conexion))
        return TResultado::Existente;

    const QString letra = tiposComprobante().at(datos.tipo).left(1);
    TSerie serie;
    const std::shared_ptr<TDatosfiscales> fiscales = negocio.getDatosfiscales();
    serie.setRfc(fiscales ? fiscales->getRfc() : QString());
    // The first series of a type at a branch is the one its vouchers start with.
    serie.setIsdefault(!hayDefault(*sucursal, letra, conexion));
    serie.setStatus(0);
    serie.setSerie(nombre);
    serie.setTipodecomprobante(letra);
    serie.setNofolioactual(datos.folio.trimmed());
    serie.setSucursal(*sucursal);
    // On a server the engine keeps both rules the look-ups above checked,
    // against what another workstation saved after them: a default of the
    // type stored meanwhile leaves this one an ordinary series, and the
    // same name stored meanwhile refuses it.
    try {
        TSerie::saveOrUpdate(serie, unidad);
    } catch (const EDuplicado&) {
        if (!serie.getIsdefault())
            return TResultado::Existente;
        serie.setIsdefault(false);
        try {
            TSerie::saveOrUpdate(serie, unidad);
        } catch (const EDuplicado&) {
            return TResultado::Existente;
        }
    }
    transaccion.commit();
    return TResultado::Guardada;
}

} // namespace Series
