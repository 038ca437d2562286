#include "ImportacionCarpeta.h"

#include "Constantes.h"
#include "Logmanager.h"
#include "Sistema.h"
#include "TBaseDatosCatalogosFrm.h"
#include "TImportacionParalela.h"
#include "TLoteImportacion.h"
#include "negocio/TRecorridoXML.h"
#include "TReporteImportacion.h"
#include "negocio/TBaseDatosLocalFrm.h"
#include "negocio/Utils.h"

#include <QSet>

namespace ImportacionCarpeta {

TParametrosImportacion parametros(const QString& email, const QString& password)
{
    TParametrosImportacion p;
    p.email = email;
    p.password = password;
    p.plantilla = Utils::bytesRecurso(Constantes::DB_SISTEMA_NOMBRE_RESOURCE, Sistema::exePath);
    p.logo = Utils::bytesRecurso(Constantes::IMG_EMPRESA_DEFAULT, Sistema::exePath);
    // The benchmark measures the import without the seal check in the same
    // program; nobody else sets it.
    p.verificaSellos = !qEnvironmentVariableIsSet("VELKOR_MEDICION_SIN_SELLOS");
    return p;
}

int importa(const QString& raiz, const TParametrosImportacion& parametros, TReporteImportacion& reporte,
            const std::function<bool()>& detenerse, const std::function<void(const TResultadoArchivo&)>& alResultado)
{
    int hechos = 0;
    TImportacionParalela lote(TImportacionParalela::hilosDeEsteEquipo(), TLoteImportacion::ARCHIVOS_POR_LOTE,
                              registroLocal(), BaseDatosCatalogosFrm(), parametros,
                              [&](const TResultadoArchivo& resultado) {
                                  reporte.agrega(resultado);
                                  ++hechos;
                                  if (alResultado)
                                      alResultado(resultado);
                              });
    Logmanager::Log(QStringLiteral("Importación de archivos"), 1, Sistema::exePath);
    TRecorridoXML(raiz).recorre(
        [&](const QString& ruta) {
            lote.importa(ruta);
            return true;
        },
        [&](const QString& ruta, const QString& motivo) {
            lote.agrega(TImportadorXML::inaccesible(ruta, motivo));
            return true;
        },
        detenerse);
    // What was taken before a stop is kept: its batch is committed.
    lote.confirma(detenerse);
    return hechos;
}

QStringList empresasRegistradas()
{
    QStringList empresas;
    for (const QString& fila : registroLocal().getEmpresasDetalle()) {
        const QStringList partes = fila.split(QLatin1Char('|'));
        empresas << partes.value(0) + QLatin1Char('|') + partes.value(1);
    }
    return empresas;
}

QStringList empresasCreadas(const QStringList& antes, const QStringList& despues)
{
    QSet<QString> conocidas;
    for (const QString& fila : antes)
        conocidas.insert(fila.section(QLatin1Char('|'), 0, 0));
    QStringList creadas;
    for (const QString& fila : despues) {
        const QString rfc = fila.section(QLatin1Char('|'), 0, 0);
        if (!conocidas.contains(rfc))
            creadas << rfc + QStringLiteral(" – ") + fila.section(QLatin1Char('|'), 1);
    }
    return creadas;
}

QString textoEmpresasCreadas(const QStringList& creadas)
{
    if (creadas.isEmpty())
        return QString();
    const QString encabezado =
        creadas.size() == 1
            ? QStringLiteral("Se creó 1 empresa nueva con el RFC de su emisor; entra a ella con tu correo y "
                             "contraseña:")
            : QStringLiteral("Se crearon %1 empresas nuevas con el RFC de sus emisores; entra a ellas con tu "
                             "correo y contraseña:")
                  .arg(creadas.size());
    return encabezado + QStringLiteral("\n  ") + creadas.join(QStringLiteral("\n  "));
}

} // namespace ImportacionCarpeta

double TRitmoImportacion::porSegundo(int hechos) const
{
    return hechos / (qMax<qint64>(1, m_reloj.elapsed()) / 1000.0);
}

qint64 TRitmoImportacion::segundosRestantes(int hechos, int total) const
{
    const double ritmo = porSegundo(hechos);
    if (hechos <= 0 || ritmo <= 0 || total < hechos)
        return -1;
    return static_cast<qint64>((total - hechos) / ritmo + 0.5);
}

QString TRitmoImportacion::duracion(qint64 segundos)
{
    return QStringLiteral("%1:%2:%3")
        .arg(segundos / 3600)
        .arg((segundos / 60) % 60, 2, 10, QLatin1Char('0'))
        .arg(segundos % 60, 2, 10, QLatin1Char('0'));
}

QString TRitmoImportacion::texto(int hechos, int total) const
{
    const qint64 restantes = segundosRestantes(hechos, total);
    return QStringLiteral("%1 archivos/s").arg(porSegundo(hechos), 0, 'f', 0) +
           (restantes < 0 ? QString() : QStringLiteral(" · faltan ") + duracion(restantes));
}
