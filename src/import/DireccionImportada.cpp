#include "DireccionImportada.h"

#include "Entidades.h"
#include "TBaseDatosCatalogosFrm.h"

namespace DireccionImportada {

namespace {

const QString PAIS_MEXICO = QStringLiteral("MEX - México");

QString claveNombre(const QHash<QString, QString>& valores, const QString& clave, const QString& nombre)
{
    const QString k = valores.value(clave);
    const QString n = valores.value(nombre);
    if (k.isEmpty() && n.isEmpty())
        return {};
    return k + QStringLiteral(" - ") + n;
}

} // namespace

QHash<QString, QString> filas(const QStringList& lineas)
{
    QHash<QString, QString> valores;
    for (const QString& linea : lineas) {
        const qsizetype igual = linea.indexOf(QLatin1Char('='));
        if (igual > 0)
            valores.insert(linea.left(igual), linea.mid(igual + 1));
    }
    return valores;
}

std::optional<NuevoNegocio::TDireccion> desdeUbicacion(const Cfdv32::IXMLT_Ubicacion& ubicacion,
                                                       const TBaseDatosCatalogosFrm& catalogo,
                                                       const TConexionSesion* conexion)
{
    if (!ubicacion.existe())
        return std::nullopt;
    NuevoNegocio::TDireccion direccion;
    direccion.calle = ubicacion.Get_calle();
    direccion.noExterior = ubicacion.Get_noExterior();
    direccion.noInterior = ubicacion.Get_noInterior();
    direccion.colonia = ubicacion.Get_colonia();
    direccion.referencia = ubicacion.Get_referencia();

    const QString cp = ubicacion.Get_codigoPostal().trimmed();
    if (cp.isEmpty())
        return direccion;
    direccion.pais = PAIS_MEXICO;
    QStringList lineas = catalogo.getCodigoPostalByCP(cp);
    if (lineas.isEmpty())
        lineas = catalogo.getCodigoPostalAndEstadoByCp(cp);
    if (!lineas.isEmpty()) {
        const QHash<QString, QString> valores = filas(lineas);
        direccion.codigoPostal = cp;
        direccion.estado = claveNombre(valores, QStringLiteral("ESTADOCLAVE"), QStringLiteral("ESTADO"));
        direccion.municipio = claveNombre(valores, QStringLiteral("MUNICIPIOCLAVE"), QStringLiteral("MUNICIPIO"));
        direccion.localidad = claveNombre(valores, QStringLiteral("LOCALIDADCLAVE"), QStringLiteral("LOCALIDAD"));
        return direccion;
    }
    if (conexion) {
        if (const std::unique_ptr<TCodigopostal> guardado = TCodigopostal::getByCP(cp, *conexion)) {
            direccion.codigoPostal = cp;
            direccion.estado = guardado->getEstado();
            direccion.municipio = guardado->getMunicipio();
            direccion.localidad = guardado->getLocalidad();
        }
    }
    return direccion;
}

} // namespace DireccionImportada
