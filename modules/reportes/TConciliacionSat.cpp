#include "TConciliacionSat.h"

#include "Constantes.h"
#include "ConsultaComprobantes.h"
#include "Entidades.h"
#include "Errores.h"
#include "Prompter.h"
#include "SelectorArchivos.h"
#include "Sistema.h"
#include "TablaLectura.h"

#include <QComboBox>
#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSaveFile>
#include <QStackedWidget>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

#include <cerrno>

using namespace Constantes;

namespace {

using TTipo = THallazgoSat::TTipo;
const QList<TTipo> TIPOS = {TTipo::Cancelado, TTipo::FaltaXml, TTipo::SinMetadatos, TTipo::ImporteDistinto};
constexpr int ROL_ORDEN = Qt::UserRole;

// The fields of a finding in ConciliacionSat::columnasCsv()'s order.
QStringList campos(const THallazgoSat& h)
{
    return {h.rfc,
            h.uuid,
            THallazgoSat::nombre(h.tipo),
            h.fecha,
            h.fechaCancelacion,
            h.rfcEmisor,
            h.nombreEmisor,
            h.rfcReceptor,
            h.nombreReceptor,
            h.total,
            h.monto};
}

// Columns whose text is an amount, drawn to the right.
bool esImporte(int columna)
{
    return columna >= ConciliacionSat::columnasCsv().size() - 2;
}

// The emission and cancellation dates, as the SAT or the database wrote them.
bool esFecha(int columna)
{
    return columna == 3 || columna == 4;
}

// What a click on a title sorts a cell by. The cells show amounts and dates
// as written, and as text "1000" comes before "900" and "2024-01-15T10:00"
// after "2024-01-15 11:00": amounts sort by their exact value (empty ones
// last), dates by the moment they name.
QVariant claveOrden(int columna, const QString& texto)
{
    if (esImporte(columna)) {
        TDecimal valor;
        return TDecimal::intenta(texto, valor) ? QVariant(valor.millonesimos()) : QVariant();
    }
    if (esFecha(columna)) {
        const QDateTime momento = ConciliacionSat::fechaCancelacion(texto);
        if (momento.isValid())
            return momento.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    }
    return texto;
}

// What a cell shows: dates and amounts written as the vouchers' tab writes
// them (the SAT's metadata spell dates with a T and amounts bare); the CSV
// keeps them as they came.
QString textoCelda(int columna, const QString& texto)
{
    if (esImporte(columna)) {
        TDecimal valor;
        return TDecimal::intenta(texto, valor) ? ConsultaComprobantes::textoImporte(valor) : texto;
    }
    if (esFecha(columna)) {
        const QDateTime momento = ConciliacionSat::fechaCancelacion(texto);
        if (momento.isValid())
            return momento.toString(ConsultaComprobantes::FORMATO_FECHA + QStringLiteral(" HH:mm:ss"));
    }
    return texto;
}

} // namespace

TConciliacionSat::TConciliacionSat(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("ConciliacionSat"));
    auto* diseno = new QVBoxLayout(this);
    diseno->setContentsMargins(0, 4, 0, 0);

    m_cuentas = new QLabel(this);
    m_cuentas->setObjectName(QStringLiteral("TxCuentasConciliacion"));
    m_cuentas->setWordWrap(true);
    QFont fuerte = m_cuentas->font();
    fuerte.setBold(true);
    m_cuentas->setFont(fuerte);
    diseno->addWidget(m_cuentas);

    auto* arriba = new QHBoxLayout();
    m_tipo = new QComboBox(this);
    m_tipo->setObjectName(QStringLiteral("CmbTipoHallazgo"));
    auto* etiquetaTipo = new QLabel(QStringLiteral("&Mostrar"), this);
    etiquetaTipo->setBuddy(m_tipo);
    m_exportar = new QPushButton(QStringLiteral("Exportar CSV…"), this);
    m_exportar->setObjectName(QStringLiteral("BtExportarConciliacion"));
    arriba->addWidget(etiquetaTipo);
    arriba->addWidget(m_tipo);
    arriba->addStretch(1);
    arriba->addWidget(m_exportar);
    diseno->addLayout(arriba);

    const QStringList columnas = ConciliacionSat::columnasCsv();
    m_modelo = new QStandardItemModel(0, int(columnas.size()), this);
    m_modelo->setHorizontalHeaderLabels(columnas);
    m_modelo->setSortRole(ROL_ORDEN);
    m_tabla = tablaLectura(this, QStringLiteral("GrHallazgos"), m_modelo);
    m_tabla->horizontalHeader()->setStretchLastSection(true);
    m_tabla->setSortingEnabled(true);
    m_tabla->setToolTip(QStringLiteral("Clic en un título ordena"));
    m_vacio = new QLabel(this);
    m_vacio->setObjectName(QStringLiteral("TxSinHallazgos"));
    m_vacio->setAlignment(Qt::AlignCenter);
    m_vacio->setWordWrap(true);
    m_vacio->setMargin(24);
    QFont grande = m_vacio->font();
    grande.setPointSizeF(grande.pointSizeF() * 1.2);
    m_vacio->setFont(grande);
    m_area = new QStackedWidget(this);
    m_area->setObjectName(QStringLiteral("PnHallazgos"));
    m_area->addWidget(m_tabla);
    m_area->addWidget(m_vacio);
    diseno->addWidget(m_area, 1);

    connect(m_tipo, &QComboBox::currentIndexChanged, this, &TConciliacionSat::muestra);
    connect(m_exportar, &QPushButton::clicked, this, &TConciliacionSat::eligeArchivoCsv);
    muestra();
}

QString TConciliacionSat::textoCuentas(const QList<int>& cuentas)
{
    const auto parte = [&cuentas](TTipo tipo, const QString& uno, const QString& varios) {
        const int n = cuentas.value(int(tipo));
        return QStringLiteral("%1 %2").arg(n).arg(n == 1 ? uno : varios);
    };
    return QStringLiteral("%1, %2, %3 y %4")
        .arg(parte(TTipo::Cancelado, QStringLiteral("cancelado"), QStringLiteral("cancelados")),
             parte(TTipo::FaltaXml, QStringLiteral("sin XML"), QStringLiteral("sin XML")),
             parte(TTipo::SinMetadatos, QStringLiteral("sin metadatos"), QStringLiteral("sin metadatos")),
             parte(TTipo::ImporteDistinto, QStringLiteral("con importe distinto"),
                   QStringLiteral("con importe distinto")));
}

void TConciliacionSat::carga(const QString& rfc, int idNegocio, const TConexionSesion& conexion)
{
    m_rfc = rfc;
    m_hallazgos.clear();
    m_hayMetadatos = false;
    try {
        m_hayMetadatos =
            TMetadatosat::cuenta(TMetadatosat::columna(TMetadatosat::col_Negocio) == idNegocio, conexion) > 0;
        if (m_hayMetadatos)
            m_hallazgos = ConciliacionSat::hallazgos(
                rfc, idNegocio, conexion, Sistema::rfcsRegistrados ? Sistema::rfcsRegistrados() : QSet<QString>());
    } catch (const std::exception& e) {
        m_hallazgos.clear();
        ConsultaComprobantes::muestraError(e);
    }
    // The kinds with their counts; the choice stays across readings.
    const QVariant elegido = m_tipo->currentData();
    const QList<int> cuentas = ConciliacionSat::cuentaPorTipo(m_hallazgos);
    {
        const QSignalBlocker bloqueo(m_tipo);
        m_tipo->clear();
        m_tipo->addItem(QStringLiteral("Todos (%1)").arg(m_hallazgos.size()), -1);
        for (TTipo tipo : TIPOS)
            m_tipo->addItem(QStringLiteral("%1 (%2)").arg(THallazgoSat::nombre(tipo)).arg(cuentas.value(int(tipo))),
                            int(tipo));
        m_tipo->setCurrentIndex(m_hayMetadatos ? qMax(0, m_tipo->findData(elegido)) : 0);
    }
    m_cuentas->setText(m_hayMetadatos
                           ? QStringLiteral("Con los metadatos del SAT: ") + textoCuentas(cuentas) + QLatin1Char('.')
                           : QString());
    m_cuentas->setVisible(m_hayMetadatos);
    muestra();
}

QList<THallazgoSat> TConciliacionSat::mostrados() const
{
    const int tipo = m_tipo->currentData().isValid() ? m_tipo->currentData().toInt() : -1;
    if (tipo < 0)
        return m_hallazgos;
    QList<THallazgoSat> lista;
    for (const THallazgoSat& h : m_hallazgos)
        if (int(h.tipo) == tipo)
            lista << h;
    return lista;
}

void TConciliacionSat::muestra()
{
    const QList<THallazgoSat> lista = mostrados();
    m_tabla->setSortingEnabled(false);
    m_modelo->setRowCount(0);
    for (const THallazgoSat& h : lista) {
        QList<QStandardItem*> fila;
        const QStringList textos = campos(h);
        for (int c = 0; c < textos.size(); ++c) {
            auto* celda = new QStandardItem(textoCelda(c, textos.at(c)));
            celda->setData(claveOrden(c, textos.at(c)), ROL_ORDEN);
            if (esImporte(c))
                celda->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            fila << celda;
        }
        m_modelo->appendRow(fila);
    }
    m_tabla->resizeColumnsToContents();
    // The findings come ordered by kind, date and UUID; a click on a title
    // sorts them otherwise.
    m_tabla->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    m_tabla->setSortingEnabled(true);
    m_vacio->setText(!m_hayMetadatos
                         ? QStringLiteral("Este negocio aún no tiene metadatos del SAT. Descarga del portal del SAT "
                                          "los paquetes de metadatos de lo que emite y recibe, e impórtalos con la "
                                          "importación de comprobantes: aquí verás lo que no coincida con los "
                                          "comprobantes guardados.")
                     : m_hallazgos.isEmpty()
                         ? QStringLiteral("Los metadatos del SAT y los comprobantes guardados coinciden: no hay nada "
                                          "que revisar.")
                         : QStringLiteral("No hay hallazgos de este tipo."));
    m_area->setCurrentWidget(lista.isEmpty() ? static_cast<QWidget*>(m_vacio) : m_tabla);
    m_exportar->setEnabled(!lista.isEmpty());
    m_tipo->setEnabled(m_hayMetadatos);
}

QString TConciliacionSat::nombreCsv() const
{
    QStringList partes{QStringLiteral("Conciliacion")};
    if (!m_rfc.trimmed().isEmpty())
        partes << m_rfc.trimmed();
    partes << QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
    return partes.join(QLatin1Char('_')) + QStringLiteral(".csv");
}

void TConciliacionSat::eligeArchivoCsv()
{
    // The save dialog proposes the name and asks before replacing a file.
    const QString ruta = SelectorArchivos::guardar(this, QStringLiteral("Exportar la conciliación con el SAT"),
                                                   nombreCsv(), QStringLiteral("Archivo CSV (*.csv)"));
    if (!ruta.isEmpty())
        exportaCsv(ruta);
}

bool TConciliacionSat::exportaCsv(const QString& ruta)
{
    // Written beside and put in place at the end: a failed export never
    // leaves half a file under the chosen name. Why it failed comes from the
    // system's error number, as Qt's own texts are English.
    QSaveFile archivo(ruta);
    try {
        if (!archivo.open(QIODevice::WriteOnly) || !archivo.setPermissions(QFile::ReadOwner | QFile::WriteOwner)) {
            const int numero = errno;
            throw EEntradaSalida(QStringLiteral("No se pudo crear el archivo %1: %2")
                                     .arg(QDir::toNativeSeparators(ruta), Errores::delSistema(numero)));
        }
        ConciliacionSat::escribeCsv(archivo, mostrados(), true);
        if (!archivo.commit()) {
            const int numero = errno;
            throw EEntradaSalida(QStringLiteral("No se pudo guardar el archivo %1: %2")
                                     .arg(QDir::toNativeSeparators(ruta), Errores::delSistema(numero)));
        }
    } catch (const std::exception& e) {
        archivo.cancelWriting();
        ConsultaComprobantes::muestraError(e);
        return false;
    }
    Prompter::actual().mensaje(
        QStringLiteral("La conciliación con el SAT se exportó a %1.").arg(QDir::toNativeSeparators(ruta)),
        MSG_INFORMATION);
    return true;
}
