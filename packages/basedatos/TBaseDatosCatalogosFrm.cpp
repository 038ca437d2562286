#include "TBaseDatosCatalogosFrm.h"

#include "Conexiones.h"
#include "Errores.h"
#include "Logmanager.h"
#include "Rutas.h"
#include "Sistema.h"

#include <QCollator>
#include <QDate>
#include <QFileInfo>
#include <QLocale>
#include <QMutex>
#include <QRegularExpression>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>

namespace {

const QString ARCHIVO_CATALOGO = QStringLiteral("db/CFDCAT.DB");

// Parameters are cast to a wide type: Firebird describes a bare "?" with the
// column's width and refuses a longer text instead of finding no row.
const QString PARAMETRO = QStringLiteral("CAST(? AS VARCHAR(64))");

// A catalogue that is missing or broken stays so for the whole run: one log
// line per file is enough to diagnose it.
void avisaUnaVez(const QString& archivo, const QString& motivo)
{
    static QMutex candado;
    static QSet<QString> avisados;
    {
        QMutexLocker bloqueo(&candado);
        if (avisados.contains(archivo))
            return;
        avisados.insert(archivo);
    }
    Logmanager::Log(QStringLiteral("Catálogo del SAT %1: %2. Las búsquedas de códigos postales y regímenes "
                                   "quedan vacías.")
                        .arg(archivo, motivo),
                    1, Sistema::exePath);
}

bool esCodigoPostal(const QString& cp)
{
    static const QRegularExpression cinco(QStringLiteral("^[0-9]{5}$"));
    return cinco.match(cp).hasMatch();
}

QString fila(const QString& nombre, const QString& valor)
{
    return nombre + QLatin1Char('=') + valor;
}

QList<TBaseDatosCatalogosFrm::TClaveNombre> pares(const QList<QStringList>& filas)
{
    QList<TBaseDatosCatalogosFrm::TClaveNombre> resultado;
    resultado.reserve(filas.size());
    for (const QStringList& f : filas)
        resultado.append({f.at(0), f.at(1)});
    return resultado;
}

} // namespace

TBaseDatosCatalogosFrm::TBaseDatosCatalogosFrm(QObject* parent) : QObject(parent)
{
    setObjectName(QStringLiteral("BaseDatosCatalogosFrm"));
}

QString TBaseDatosCatalogosFrm::archivo()
{
    return Rutas::programa({ARCHIVO_CATALOGO});
}

bool TBaseDatosCatalogosFrm::existeCatalogo() const
{
    return QFileInfo(archivo()).isFile();
}

void TBaseDatosCatalogosFrm::cierra() const
{
    Conexiones::cierra(TConexionSesion::embebida(archivo(), Sistema::exePath));
}

QList<QStringList> TBaseDatosCatalogosFrm::consulta(const QString& sql, const QVariantList& parametros,
                                                    int columnas) const
{
    const QString ruta = archivo();
    if (!QFileInfo(ruta).isFile()) {
        avisaUnaVez(ruta, QStringLiteral("no existe el archivo"));
        return {};
    }
    QList<QStringList> filas;
    try {
        QSqlDatabase db = Conexiones::baseDatos(TConexionSesion::embebida(ruta, Sistema::exePath));
        QSqlQuery q(db);
        q.setForwardOnly(true);
        if (!q.prepare(sql))
            throw EBaseDatos(QStringLiteral("%1: %2").arg(sql, q.lastError().text()));
        for (int i = 0; i < parametros.size(); ++i)
            q.bindValue(i, parametros.at(i));
        if (!q.exec())
            throw EBaseDatos(QStringLiteral("%1: %2").arg(sql, q.lastError().text()));
        while (q.next()) {
            QStringList valores;
            valores.reserve(columnas);
            for (int i = 0; i < columnas; ++i)
                valores << q.value(i).toString();
            filas << valores;
        }
    } catch (const std::exception& e) {
        avisaUnaVez(ruta, Errores::describe(e));
        return {};
    }
    return filas;
}

bool TBaseDatosCatalogosFrm::existeCodigoPostalByCP(const QString& cp) const
{
    const QString codigo = cp.trimmed();
    if (!esCodigoPostal(codigo))
        return false;
    return !consulta(QStringLiteral("SELECT 1 FROM CODIGOPOSTAL WHERE CODIGO_POSTAL = ") + PARAMETRO, {codigo}, 1)
                .isEmpty();
}

bool TBaseDatosCatalogosFrm::existeCodigoPostalByCPAndEstado(const QString& cp, const QString& claveEstado) const
{
    const QString codigo = cp.trimmed();
    const QString estado = claveEstado.trimmed().toUpper();
    if (!esCodigoPostal(codigo) || estado.isEmpty())
        return false;
    return !consulta(
                QStringLiteral("SELECT 1 FROM CODIGOPOSTAL WHERE CODIGO_POSTAL = %1 AND ESTADO = %1").arg(PARAMETRO),
                {codigo, estado}, 1)
                .isEmpty();
}

QStringList TBaseDatosCatalogosFrm::filasCodigoPostal(const QString& cp, bool completo) const
{
    const QString codigo = cp.trimmed();
    if (!esCodigoPostal(codigo))
        return {};
    const QList<QStringList> filas = consulta(
        QStringLiteral("SELECT C.CODIGO_POSTAL, C.ESTADO, E.NOMBRE, C.MUNICIPIO, M.NOMBRE, C.LOCALIDAD, L.NOMBRE "
                       "FROM CODIGOPOSTAL C "
                       "LEFT JOIN ESTADO E ON E.ESTADO = C.ESTADO AND E.PAIS = 'MEX' "
                       "LEFT JOIN MUNICIPIO M ON M.ESTADO = C.ESTADO AND M.MUNICIPIO = C.MUNICIPIO "
                       "LEFT JOIN LOCALIDAD L ON L.ESTADO = C.ESTADO AND L.LOCALIDAD = C.LOCALIDAD "
                       "WHERE C.CODIGO_POSTAL = ") +
            PARAMETRO,
        {codigo}, 7);
    if (filas.isEmpty())
        return {};
    const QStringList& v = filas.first();
    if (completo && (v.at(4).isEmpty() || v.at(6).isEmpty()))
        return {};
    return {fila(QStringLiteral("CODIGOPOSTAL"), v.at(0)), fila(QStringLiteral("ESTADOCLAVE"), v.at(1)),
            fila(QStringLiteral("ESTADO"), v.at(2)),       fila(QStringLiteral("MUNICIPIOCLAVE"), v.at(3)),
            fila(QStringLiteral("MUNICIPIO"), v.at(4)),    fila(QStringLiteral("LOCALIDADCLAVE"), v.at(5)),
            fila(QStringLiteral("LOCALIDAD"), v.at(6))};
}

QStringList TBaseDatosCatalogosFrm::getCodigoPostalByCP(const QString& cp) const
{
    return filasCodigoPostal(cp, true);
}

QStringList TBaseDatosCatalogosFrm::getCodigoPostalAndEstadoByCp(const QString& cp) const
{
    return filasCodigoPostal(cp, false);
}

QStringList TBaseDatosCatalogosFrm::getRegimenesFiscales(const QString& rfc) const
{
    QString persona;
    switch (rfc.trimmed().size()) {
    case 12:
        persona = QStringLiteral(" AND MORAL = '1'");
        break;
    case 13:
        persona = QStringLiteral(" AND FISICA = '1'");
        break;
    default:
        break;
    }
    // ISO dates compare as text, so no conversion of the stored texts is needed.
    const QList<QStringList> regimenes =
        consulta(QStringLiteral("SELECT REGIMEN, DESCRIPCION FROM REGIMENFISCAL "
                                "WHERE (VIGENCIA_HASTA IS NULL OR VIGENCIA_HASTA >= %1)%2 ORDER BY REGIMEN")
                     .arg(PARAMETRO, persona),
                 {QDate::currentDate().toString(Qt::ISODate)}, 2);
    QStringList lista;
    lista.reserve(regimenes.size());
    for (const QStringList& r : regimenes)
        lista << r.at(0) + QStringLiteral(" - ") + r.at(1);
    return lista;
}

QList<TBaseDatosCatalogosFrm::TClaveNombre> TBaseDatosCatalogosFrm::getEstados(const QString& clavePais) const
{
    return pares(
        consulta(QStringLiteral("SELECT ESTADO, NOMBRE FROM ESTADO WHERE PAIS = %1 ORDER BY ESTADO").arg(PARAMETRO),
                 {clavePais.trimmed().toUpper()}, 2));
}

QList<TBaseDatosCatalogosFrm::TClaveNombre> TBaseDatosCatalogosFrm::getMunicipios(const QString& claveEstado) const
{
    return pares(consulta(
        QStringLiteral("SELECT MUNICIPIO, NOMBRE FROM MUNICIPIO WHERE ESTADO = %1 ORDER BY MUNICIPIO").arg(PARAMETRO),
        {claveEstado.trimmed().toUpper()}, 2));
}

QList<TBaseDatosCatalogosFrm::TClaveNombre> TBaseDatosCatalogosFrm::getLocalidades(const QString& claveEstado) const
{
    return pares(consulta(
        QStringLiteral("SELECT LOCALIDAD, NOMBRE FROM LOCALIDAD WHERE ESTADO = %1 ORDER BY LOCALIDAD").arg(PARAMETRO),
        {claveEstado.trimmed().toUpper()}, 2));
}

QList<TBaseDatosCatalogosFrm::TClaveNombre> TBaseDatosCatalogosFrm::getPaises() const
{
    return pares(consulta(QStringLiteral("SELECT PAIS, DESCRIPCION FROM PAIS ORDER BY PAIS"), {}, 2));
}

QList<TBaseDatosCatalogosFrm::TClaveNombre> TBaseDatosCatalogosFrm::getColonias(const QString& cp) const
{
    const QString codigo = cp.trimmed();
    if (!esCodigoPostal(codigo))
        return {};
    QList<TClaveNombre> colonias = pares(consulta(
        QStringLiteral("SELECT COLONIA, NOMBRE FROM COLONIA WHERE CODIGO_POSTAL = ") + PARAMETRO, {codigo}, 2));
    // The engine orders by code point, which puts "Álamos" after "Zapata".
    QCollator orden{QLocale(QLocale::Spanish, QLocale::Mexico)};
    orden.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(colonias.begin(), colonias.end(), [&](const TClaveNombre& a, const TClaveNombre& b) {
        return orden.compare(a.second, b.second) < 0;
    });
    return colonias;
}

QStringList TBaseDatosCatalogosFrm::getCodigosPostales(const QString& claveEstado, const QString& claveMunicipio) const
{
    QStringList codigos;
    const QList<QStringList> filas =
        consulta(QStringLiteral("SELECT CODIGO_POSTAL FROM CODIGOPOSTAL WHERE ESTADO = %1 AND MUNICIPIO = %1 "
                                "ORDER BY CODIGO_POSTAL")
                     .arg(PARAMETRO),
                 {claveEstado.trimmed().toUpper(), claveMunicipio.trimmed()}, 1);
    for (const QStringList& f : filas)
        codigos << f.at(0);
    return codigos;
}

QString TBaseDatosCatalogosFrm::getDescripcionFormaPago(const QString& clave) const
{
    const QList<QStringList> filas = consulta(
        QStringLiteral("SELECT DESCRIPCION FROM FORMAPAGO WHERE FORMA_PAGO = ") + PARAMETRO, {clave.trimmed()}, 1);
    return filas.isEmpty() ? QString() : filas.first().first();
}

QString TBaseDatosCatalogosFrm::getDescripcionMetodoPago(const QString& codigo) const
{
    const QList<QStringList> filas = consulta(
        QStringLiteral("SELECT DESCRIPCION FROM METODOPAGO WHERE METODO_PAGO = ") + PARAMETRO, {codigo.trimmed()}, 1);
    return filas.isEmpty() ? QString() : filas.first().first();
}

TBaseDatosCatalogosFrm& BaseDatosCatalogosFrm()
{
    static TBaseDatosCatalogosFrm instancia;
    return instancia;
}
