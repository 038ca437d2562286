#include "TVerificaUpdate.h"

#include "Reinicio.h"

#include "Constantes.h"
#include "Errores.h"
#include "Logmanager.h"
#include "Prompter.h"
#include "Sistema.h"
#include "negocio/TAjustesPrograma.h"
#include "negocio/TPaquete.h"
#include "TIdHTTPProgress.h"
#include "negocio/TSenalesTerminacion.h"
#include "negocio/Utils.h"

#include <QFileInfo>
#include <QProcess>

using namespace Constantes;

namespace {

// A text operation of the update-name package, checked for its shape before
// it is called.
QString textoPaqueteUpd(const QString& operacion)
{
    const Utils::TMetodo metodo = Utils::getMetodoPaquete(Sistema::exePath + UPD_PATH, UPD_CLASS_NAME, operacion);
    if (metodo.vacio() || !TPaquete::tieneFirma(metodo.metodo, QMetaType::fromType<QString>(), {}))
        return {};
    QString texto;
    if (!metodo.metodo.invoke(metodo.instancia.data(), Qt::DirectConnection, Q_RETURN_ARG(QString, texto)))
        return {};
    // Copied: the text may point into the package's memory.
    return QString(texto.constData(), texto.size());
}

} // namespace

TVerificaUpdate::TVerificaUpdate(QObject* parent)
    : QThread(parent), m_direccion(direccionVersiones()), m_carpeta(Sistema::exePath)
{
}

TVerificaUpdate::~TVerificaUpdate()
{
    cancela();
    wait();
}

void TVerificaUpdate::cancela()
{
    m_cancelacion.cancela();
}

QString TVerificaUpdate::direccionVersiones()
{
    const QString ajuste = TAjustesPrograma(Sistema::exePath).urlActualizaciones();
    if (!ajuste.isEmpty())
        return ajuste;
    const QString ruta = textoPaqueteUpd(UPD_METHOD_PATH);
    const QString nombre = textoPaqueteUpd(UPD_METHOD_NAME);
    return ruta.isEmpty() || nombre.isEmpty() ? QString() : ruta + nombre;
}

QString TVerificaUpdate::getVersionSistema()
{
    QStringList partes = QStringLiteral(VELKOR_VERSION).split(QLatin1Char('.'), Qt::SkipEmptyParts);
    while (partes.size() < 4)
        partes << QStringLiteral("0");
    return partes.mid(0, 4).join(QLatin1Char('.'));
}

QString TVerificaUpdate::ultimaVersion(const QByteArray& lista, QStringList* notas)
{
    const QStringList lineas = QString::fromUtf8(lista).split(QLatin1Char('\n'));
    QStringList juntas;
    for (qsizetype i = lineas.size() - 1; i >= 0; --i) {
        // Trimmed: a list written on Windows ends its lines in CR LF, and a CR
        // left on the version would never equal the program's.
        const QString linea = lineas.at(i).trimmed();
        if (linea.isEmpty())
            continue;
        juntas.prepend(linea);
        if (!linea.contains(QLatin1Char('-'))) {
            if (notas)
                *notas = juntas.mid(1);
            const qsizetype espacio = linea.indexOf(QLatin1Char(' '));
            return espacio < 0 ? linea : linea.mid(espacio + 1).trimmed();
        }
    }
    if (notas)
        notas->clear();
    return {};
}

void TVerificaUpdate::run()
{
    buscaUpdate();
}

void TVerificaUpdate::buscaUpdate()
{
    QString ultima;
    QStringList notas;
    try {
        if (m_direccion.isEmpty())
            throw EDescarga(QStringLiteral("No hay dirección de la lista de versiones."));
        TIdHTTPProgress http;
        const QString autoridades = TAjustesPrograma(m_carpeta).certificadosRed();
        if (!autoridades.isEmpty())
            http.agregaCertificadosCA(autoridades);
        http.setEncabezado("Accept", "text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8");
        http.setEncabezado("User-Agent", "Mozilla/3.0 (compatible; Indy Library)");
        http.setPlazo(PLAZO);
        const TIdHTTPProgress::TCancelacion::TEnlace enlace(m_cancelacion, http);
        ultima = ultimaVersion(http.Get(m_direccion), &notas);
    } catch (const EDescargaCancelada&) {
        Logmanager::Log(QStringLiteral("Se canceló la búsqueda de actualizaciones"), 1, m_carpeta);
        emit terminado(Cancelado, QString(), {});
        return;
    } catch (const std::exception& e) {
        Logmanager::Log(Errores::describe(e), 1, m_carpeta);
    }
    if (ultima.isEmpty()) {
        emit terminado(SinDatos, QString(), {});
        return;
    }
    emit terminado(ultima == getVersionSistema() ? AlDia : Disponible, ultima, notas);
}

bool TVerificaUpdate::iniciaActualizador()
{
    if (Utils::mensajeConfirmacion(CONFIRMA_ACTUALIZACION) != TPrompter::OK)
        return false;
    const QString programa = Sistema::exePath + ACTUALIZADOR;
    // Started as the sign-out restarts the program: with the termination
    // signals this program blocks in all its threads handed back, so the
    // updater can be stopped like any other program.
    if (!QFileInfo(programa).isExecutable() || !Reinicio::iniciaDesacoplado(programa, {}, Sistema::exePath)) {
        Logmanager::Log(QStringLiteral("No se pudo iniciar %1").arg(programa), 1, Sistema::exePath);
        Utils::mensaje(ERR_ACTUALIZADOR, MSG_ERROR);
        return false;
    }
    Logmanager::Log(QStringLiteral("Se inició %1").arg(programa), 1, Sistema::exePath);
    return true;
}
