#include "TPdfComprobantes.h"

#include "Constantes.h"
#include "Entidades.h"
#include "ImpresionComprobante.h"
#include "Prompter.h"
#include "SelectorArchivos.h"
#include "Sistema.h"
#include "TModeloComprobantes.h"
#include "VerificacionSello.h"

#include <QDir>
#include <QPageLayout>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressDialog>

#include <optional>

using namespace Constantes;

namespace {

// A stored voucher as its PDF draws it: one checked already prints that
// check, one still pending is checked as it is drawn.
ImpresionComprobante::TComprobante paraPdf(const TComprobanteGuardado& guardado, const TNegocio& negocio)
{
    ImpresionComprobante::TComprobante c;
    c.xml = guardado.xml;
    c.verificado = VerificacionSello::desdeTexto(guardado.sello, c.verificacion.estado);
    c.verificacion.motivo = guardado.motivoSello;
    c.cancelado = guardado.cancelado;
    c.fechaCancelacion = guardado.fechaCancelacion;
    if (Sistema::imprimeLogo)
        c.logo = negocio.getLogonegocio();
    return c;
}

} // namespace

// What one PDF needs of a listed voucher.
struct TPdfComprobantes::TImpresion {
    ImpresionComprobante::TComprobante comprobante;
    QString uuid;
};

TPdfComprobantes::TPdfComprobantes(QWidget* ventana, const TNegocio* negocio, const TConexionSesion* conexion,
                                   const TModeloComprobantes* modelo)
    : m_ventana(ventana), m_negocio(negocio), m_conexion(conexion), m_modelo(modelo)
{
}

bool TPdfComprobantes::paraImprimir(int fila, TImpresion& impresion)
{
    if (fila < 0 || fila >= m_modelo->rowCount())
        return false;
    const TFilaComprobante& f = m_modelo->fila(fila);
    try {
        impresion.comprobante =
            paraPdf(ConsultaComprobantes::guardado(*m_conexion, m_negocio->getIdnegocio(), f.id), *m_negocio);
    } catch (const std::exception& e) {
        ConsultaComprobantes::muestraError(e);
        return false;
    }
    if (impresion.comprobante.xml.isEmpty()) {
        Prompter::actual().mensaje(QStringLiteral("Este comprobante no tiene su XML guardado."), MSG_WARNING);
        return false;
    }
    impresion.uuid = f.uuid;
    return true;
}

bool TPdfComprobantes::guardaPdf(int fila, const QString& ruta)
{
    TImpresion impresion;
    if (!paraImprimir(fila, impresion))
        return false;
    QString error;
    if (!ImpresionComprobante::guardaPdf({impresion.comprobante}, ruta, &error)) {
        Prompter::actual().mensaje(
            QStringLiteral("No se pudo guardar el PDF %1: %2").arg(QDir::toNativeSeparators(ruta), error), MSG_ERROR);
        return false;
    }
    Prompter::actual().mensaje(QStringLiteral("El PDF se guardó en %1.").arg(QDir::toNativeSeparators(ruta)),
                               MSG_INFORMATION);
    return true;
}

void TPdfComprobantes::eligePdf(int fila)
{
    if (fila < 0 || fila >= m_modelo->rowCount())
        return;
    const QString uuid = m_modelo->fila(fila).uuid;
    const QString ruta =
        SelectorArchivos::guardar(m_ventana, QStringLiteral("Guardar PDF"),
                                  (uuid.isEmpty() ? QStringLiteral("Comprobante") : uuid) + QStringLiteral(".pdf"),
                                  QStringLiteral("Documento PDF (*.pdf)"));
    if (!ruta.isEmpty())
        guardaPdf(fila, ruta);
}

void TPdfComprobantes::imprime(int fila)
{
    TImpresion impresion;
    if (!paraImprimir(fila, impresion))
        return;
    QPrinter impresora(QPrinter::HighResolution);
    impresora.setPageSize(QPageSize(QPageSize::Letter));
    impresora.setDocName(impresion.uuid);
    QPrintDialog dialogo(&impresora, m_ventana);
    dialogo.setWindowTitle(QStringLiteral("Imprimir comprobante"));
    if (dialogo.exec() != QDialog::Accepted)
        return;
    QString error;
    if (!ImpresionComprobante::dibuja({impresion.comprobante}, impresora, &error))
        Prompter::actual().mensaje(QStringLiteral("No se pudo imprimir el comprobante: ") + error, MSG_ERROR);
}

void TPdfComprobantes::eligePdfLista(bool unoPorComprobante, const QString& nombre, const TFiltroComprobantes& filtro,
                                     int total)
{
    const QString ruta =
        unoPorComprobante
            ? SelectorArchivos::carpeta(m_ventana, QStringLiteral("Carpeta para los PDF de los comprobantes"))
            : SelectorArchivos::guardar(m_ventana, QStringLiteral("Guardar PDF de la lista"), nombre,
                                        QStringLiteral("Documento PDF (*.pdf)"));
    if (!ruta.isEmpty())
        guardaPdfLista(ruta, unoPorComprobante, filtro, total);
}

bool TPdfComprobantes::guardaPdfLista(const QString& ruta, bool unoPorComprobante, const TFiltroComprobantes& filtro,
                                      int total)
{
    // One voucher at a time, read, drawn and dropped: a business keeps tens
    // of thousands of them, too many to hold at once.
    std::optional<ImpresionComprobante::TArchivoPdf> archivo;
    const auto noSeGuardo = [&ruta](const QString& error) {
        return QStringLiteral("No se pudo guardar el PDF %1: %2").arg(QDir::toNativeSeparators(ruta), error);
    };
    if (!unoPorComprobante) {
        QString error;
        if (!archivo.emplace(ruta).abre(&error)) {
            Prompter::actual().mensaje(noSeGuardo(error), MSG_ERROR);
            return false;
        }
    }
    int escritos = 0;
    QStringList fallas;
    QProgressDialog avance(unoPorComprobante ? QStringLiteral("Preparando los PDF…")
                                             : QStringLiteral("Escribiendo el PDF…"),
                           QStringLiteral("Detener"), 0, total, m_ventana);
    avance.setObjectName(QStringLiteral("DlgAvancePdf"));
    avance.setWindowTitle(QStringLiteral("PDF de la lista"));
    avance.setWindowModality(Qt::WindowModal);
    avance.setMinimumDuration(400);
    try {
        // The whole filter, not only the rows the list has read so far.
        TCursorComprobantes cursor(*m_conexion, filtro, TCursorComprobantes::TModo::Completo);
        int hechos = 0;
        while (!cursor.agotado() && !avance.wasCanceled()) {
            for (const TFilaComprobante& f : cursor.siguientes(50)) {
                if (avance.wasCanceled())
                    break;
                avance.setValue(++hechos);
                const ImpresionComprobante::TComprobante c =
                    paraPdf(ConsultaComprobantes::guardado(*m_conexion, m_negocio->getIdnegocio(), f.id), *m_negocio);
                // The UUID is the SAT's form, checked on import: a safe file name.
                const QString nombre = f.uuid.isEmpty() ? QString::number(f.id) : f.uuid;
                QString error;
                if (archivo) {
                    if (!archivo->agrega(c, &error))
                        fallas << QStringLiteral("%1: %2").arg(nombre, error);
                } else if (ImpresionComprobante::guardaPdf({c}, QDir(ruta).filePath(nombre + QStringLiteral(".pdf")),
                                                           &error))
                    ++escritos;
                else
                    fallas << QStringLiteral("%1.pdf: %2").arg(nombre, error);
            }
        }
    } catch (const std::exception& e) {
        ConsultaComprobantes::muestraError(e);
        return false;
    }
    const bool detenido = avance.wasCanceled();
    avance.reset();
    const QString noSeEscribieron = fallas.isEmpty()
                                        ? QString()
                                        : QStringLiteral("\n\nNo se pudieron escribir %1:\n").arg(fallas.size()) +
                                              fallas.mid(0, 10).join(QLatin1Char('\n'));
    if (archivo && !detenido) {
        QString error;
        if (!archivo->termina(&error)) {
            Prompter::actual().mensaje(noSeGuardo(error) + noSeEscribieron, MSG_ERROR);
            return false;
        }
        escritos = archivo->agregados();
    }
    // Stopped, the file was never put in place: its temporary copy goes with it.
    archivo.reset();
    QString texto = unoPorComprobante
                        ? QStringLiteral("Se guardaron %1 PDF en %2.").arg(escritos).arg(QDir::toNativeSeparators(ruta))
                    : detenido ? QStringLiteral("Se detuvo; no se escribió el PDF.")
                               : QStringLiteral("Los %1 comprobantes se guardaron en %2.")
                                     .arg(escritos)
                                     .arg(QDir::toNativeSeparators(ruta));
    if (unoPorComprobante && detenido)
        texto += QStringLiteral(" Se detuvo antes de terminar la lista.");
    if (!detenido || unoPorComprobante)
        texto += noSeEscribieron;
    Prompter::actual().mensaje(texto, fallas.isEmpty() && !detenido ? MSG_INFORMATION : MSG_WARNING);
    return fallas.isEmpty() && !detenido;
}
