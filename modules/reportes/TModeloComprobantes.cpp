#include "TModeloComprobantes.h"

#include "Errores.h"
#include "Logmanager.h"
#include "Sistema.h"
#include "VerificacionSello.h"

#include <QBrush>
#include <QFont>

QString TModeloComprobantes::advertenciaSello(const QString& sello)
{
    using VerificacionSello::TEstado;
    if (sello == VerificacionSello::texto(TEstado::Alterado))
        return QStringLiteral("El comprobante no corresponde a su sello: se modificó después de firmarse.");
    if (sello == VerificacionSello::texto(TEstado::CertificadoNoCorresponde))
        return QStringLiteral("El comprobante trae un certificado que no le corresponde: no se sabe quién lo selló.");
    return {};
}

TModeloComprobantes::TModeloComprobantes(QObject* parent) : QAbstractTableModel(parent) {}

TModeloComprobantes::~TModeloComprobantes() = default;

void TModeloComprobantes::consulta(const TConexionSesion& conexion, const TFiltroComprobantes& filtro)
{
    beginResetModel();
    m_conexion = conexion;
    m_filtro = filtro;
    m_cursor.reset();
    m_filas.clear();
    try {
        m_cursor = std::make_unique<TCursorComprobantes>(conexion, filtro);
        m_filas = m_cursor->siguientes(FILAS_POR_PAGINA);
    } catch (...) {
        m_cursor.reset();
        m_filas.clear();
        endResetModel();
        throw;
    }
    endResetModel();
}

void TModeloComprobantes::limpia()
{
    beginResetModel();
    m_cursor.reset();
    m_filas.clear();
    endResetModel();
}

int TModeloComprobantes::rowCount(const QModelIndex& padre) const
{
    return padre.isValid() ? 0 : static_cast<int>(m_filas.size());
}

int TModeloComprobantes::columnCount(const QModelIndex& padre) const
{
    return padre.isValid() ? 0 : NumeroCampos;
}

QVariant TModeloComprobantes::data(const QModelIndex& indice, int rol) const
{
    if (!indice.isValid() || indice.row() >= m_filas.size())
        return {};
    const TFilaComprobante& f = m_filas.at(indice.row());
    const bool esImporte = indice.column() >= Subtotal && indice.column() <= Total;
    if (rol == Qt::TextAlignmentRole)
        return QVariant::fromValue(esImporte ? Qt::AlignRight | Qt::AlignVCenter : Qt::AlignLeft | Qt::AlignVCenter);
    // A voucher that cannot be trusted stands out in the whole row, whatever
    // column the list is sorted by.
    const QString advertencia = advertenciaSello(f.sello);
    const bool enAdvertencia = !advertencia.isEmpty();
    if (rol == Qt::BackgroundRole)
        return enAdvertencia ? QVariant(QBrush(COLOR_ALTERADO_FONDO))
               : f.cancelado ? QVariant(QBrush(COLOR_CANCELADO_FONDO))
                             : QVariant();
    if (rol == Qt::ForegroundRole)
        return enAdvertencia ? QVariant(QBrush(COLOR_ALTERADO_TEXTO))
               : f.cancelado ? QVariant(QBrush(COLOR_CANCELADO_TEXTO))
                             : QVariant();
    if (rol == Qt::FontRole) {
        if (!f.cancelado || indice.column() == EstadoSat)
            return {};
        QFont tachada;
        tachada.setStrikeOut(true);
        return tachada;
    }
    if (rol == Qt::ToolTipRole && indice.column() == Sello && enAdvertencia)
        return advertencia;
    if (rol == Qt::ToolTipRole)
        return !f.cancelado
                   ? QVariant()
                   : QStringLiteral("El SAT registra este comprobante como cancelado: no suma en los totales ni en la "
                                    "gráfica, salvo que marques «Sumar los cancelados ante el SAT».");
    if (rol != Qt::DisplayRole)
        return {};
    switch (indice.column()) {
    case Fecha:
        return f.fecha.toString(ConsultaComprobantes::FORMATO_FECHA);
    case Tipo:
        return ConsultaComprobantes::nombreTipo(f.tipo);
    case Serie:
        return f.serie;
    case Folio:
        return f.folio;
    case RfcReceptor:
        return f.rfcReceptor;
    case Receptor:
        return f.receptor;
    case Moneda:
        return f.moneda;
    case Subtotal:
        return ConsultaComprobantes::textoImporte(f.subtotal);
    case Trasladados:
        return ConsultaComprobantes::textoImporte(f.trasladados);
    case Retenidos:
        return ConsultaComprobantes::textoImporte(f.retenidos);
    case Total:
        return ConsultaComprobantes::textoImporte(f.total);
    case Uuid:
        return f.uuid;
    case Version:
        return f.version;
    case Sello:
        return f.sello.isEmpty() ? ConsultaComprobantes::SELLO_SIN_VERIFICAR : f.sello;
    case EstadoSat:
        return ConsultaComprobantes::textoEstadoSat(f.cancelado, f.fechaCancelacion);
    default:
        return {};
    }
}

QVariant TModeloComprobantes::headerData(int seccion, Qt::Orientation orientacion, int rol) const
{
    if (orientacion == Qt::Horizontal && rol == Qt::InitialSortOrderRole)
        // Dates and amounts are looked at newest and largest first.
        return int(seccion == Fecha || (seccion >= Subtotal && seccion <= Total) ? Qt::DescendingOrder
                                                                                 : Qt::AscendingOrder);
    if (orientacion != Qt::Horizontal || rol != Qt::DisplayRole)
        return QAbstractTableModel::headerData(seccion, orientacion, rol);
    static const QStringList titulos = {
        QStringLiteral("Fecha"),     QStringLiteral("Tipo"),         QStringLiteral("Serie"),
        QStringLiteral("Folio"),     QStringLiteral("RFC receptor"), QStringLiteral("Receptor"),
        QStringLiteral("Moneda"),    QStringLiteral("Subtotal"),     QStringLiteral("Trasladados"),
        QStringLiteral("Retenidos"), QStringLiteral("Total"),        QStringLiteral("UUID"),
        QStringLiteral("Versión"),   QStringLiteral("Sello"),        QStringLiteral("Estado SAT")};
    return titulos.value(seccion);
}

bool TModeloComprobantes::canFetchMore(const QModelIndex& padre) const
{
    return !padre.isValid() && m_cursor && !m_cursor->agotado();
}

void TModeloComprobantes::fetchMore(const QModelIndex& padre)
{
    if (!canFetchMore(padre))
        return;
    QList<TFilaComprobante> pagina;
    try {
        pagina = m_cursor->siguientes(FILAS_POR_PAGINA);
    } catch (const std::exception& e) {
        // The view asks while scrolling; the rows read so far stay listed.
        Logmanager::Log(Errores::describe(e), 1, Sistema::exePath);
        m_cursor.reset();
        return;
    }
    if (pagina.isEmpty())
        return;
    const int primera = static_cast<int>(m_filas.size());
    beginInsertRows(QModelIndex(), primera, primera + static_cast<int>(pagina.size()) - 1);
    m_filas.append(pagina);
    endInsertRows();
}

void TModeloComprobantes::sort(int columna, Qt::SortOrder orden)
{
    if (!m_conexion || columna < 0 || columna >= NumeroCampos)
        return;
    TFiltroComprobantes filtro = m_filtro;
    filtro.orden.campo = static_cast<TOrdenComprobantes::TCampo>(columna);
    filtro.orden.descendente = orden == Qt::DescendingOrder;
    consulta(*m_conexion, filtro);
}
