#include "TConciliacionSat.h"

#include "Constantes.h"
#include "ConsultaComprobantes.h"
#include "Entidades.h"
#include "Archivos.h"
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
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QVBoxLayout>

#include <cerrno>
#include <vector>

using namespace Constantes;

namespace {

using TTipo = THallazgoSat::TTipo;
const QList<TTipo> TIPOS = {TTipo::Cancelado, TTipo::FaltaXml, TTipo::SinMetadatos, TTipo::ImporteDistinto};

// A finding's field in ConciliacionSat::columnasCsv()'s order.
const QString& campo(const THallazgoSat& h, int columna)
{
    switch (columna) {
    case 0:
        return h.rfc;
    case 1:
        return h.uuid;
    case 3:
        return h.fecha;
    case 4:
        return h.fechaCancelacion;
    case 5:
        return h.rfcEmisor;
    case 6:
        return h.nombreEmisor;
    case 7:
        return h.rfcReceptor;
    case 8:
        return h.nombreReceptor;
    case 9:
        return h.total;
    default:
        return h.monto;
    }
}

constexpr int COLUMNA_TIPO = 2;

// Columns whose text is an amount, drawn to the right.
bool esImporte(int columna)
{
    return columna == 9 || columna == 10;
}

// The emission and cancellation dates, as the SAT or the database wrote them.
bool esFecha(int columna)
{
    return columna == 3 || columna == 4;
}

// The date and time of the forms ConciliacionSat::fechaCancelacion reads,
// without its zone look-ups (tens of microseconds a date): what it shows
// and sorts by is the same wall-clock date and time either way. False for
// any other text, which goes to fechaCancelacion.
bool leeFecha(const QString& texto, QDate& fecha, QTime& hora)
{
    const QStringView t = QStringView(texto).trimmed();
    if (t.size() != 10 && t.size() != 19)
        return false;
    const auto numero = [&t](int desde, int largo) {
        int n = 0;
        for (int i = desde; i < desde + largo; ++i) {
            if (!t.at(i).isDigit() || t.at(i).unicode() > '9')
                return -1;
            n = n * 10 + (t.at(i).unicode() - '0');
        }
        return n;
    };
    if (t.at(4) != u'-' || t.at(7) != u'-')
        return false;
    fecha = QDate(numero(0, 4), numero(5, 2), numero(8, 2));
    hora = QTime(0, 0);
    if (t.size() == 19) {
        if ((t.at(10) != u' ' && t.at(10) != u'T') || t.at(13) != u':' || t.at(16) != u':')
            return false;
        hora = QTime(numero(11, 2), numero(14, 2), numero(17, 2));
    }
    return fecha.isValid() && hora.isValid();
}

} // namespace

// The findings as a table. The cells show dates and amounts as the vouchers'
// tab writes them (the SAT's metadata spell dates with a T and amounts bare;
// the CSV keeps them as they came), and a click on a title sorts amounts by
// their exact value (empty ones last) and dates by the moment they name, as
// text "1000" comes before "900" and "2024-01-15T10:00" after "2024-01-15
// 11:00". Reading a date is slow and a year of metadata holds tens of
// thousands of findings: a row's dates and amounts are worked out once, the
// first time it is shown or sorted.
class TModeloHallazgos : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    void pon(QList<THallazgoSat> hallazgos)
    {
        beginResetModel();
        m_hallazgos = std::move(hallazgos);
        m_celdas.assign(size_t(m_hallazgos.size()), TCeldas());
        endResetModel();
    }
    const THallazgoSat& hallazgo(int fila) const { return m_hallazgos.at(fila); }

    int rowCount(const QModelIndex& padre = QModelIndex()) const override
    {
        return padre.isValid() ? 0 : int(m_hallazgos.size());
    }
    int columnCount(const QModelIndex& padre = QModelIndex()) const override
    {
        // Asked for every index the view makes.
        static const int columnas = int(ConciliacionSat::columnasCsv().size());
        return padre.isValid() ? 0 : columnas;
    }
    QVariant headerData(int seccion, Qt::Orientation orientacion, int rol) const override
    {
        if (orientacion == Qt::Horizontal && rol == Qt::DisplayRole)
            return ConciliacionSat::columnasCsv().value(seccion);
        return QAbstractTableModel::headerData(seccion, orientacion, rol);
    }
    Qt::ItemFlags flags(const QModelIndex& indice) const override
    {
        return indice.isValid() ? Qt::ItemIsSelectable | Qt::ItemIsEnabled : Qt::NoItemFlags;
    }
    QVariant data(const QModelIndex& indice, int rol) const override
    {
        if (!indice.isValid())
            return QVariant();
        const int c = indice.column();
        if (rol == Qt::TextAlignmentRole && esImporte(c))
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        if (rol != Qt::DisplayRole)
            return QVariant();
        if (c == COLUMNA_TIPO)
            return THallazgoSat::nombre(m_hallazgos.at(indice.row()).tipo);
        if (esFecha(c) || esImporte(c))
            return celdas(indice.row()).texto[ranura(c)];
        return campo(m_hallazgos.at(indice.row()), c);
    }

    // Whether row `a` goes before row `b` when the column sorts upwards.
    bool menor(int a, int b, int columna) const
    {
        if (esImporte(columna)) {
            const TCeldas& ca = celdas(a);
            const TCeldas& cb = celdas(b);
            const int r = ranura(columna) - 2;
            if (!ca.hayImporte[r])
                return false;
            if (!cb.hayImporte[r])
                return true;
            return ca.importe[r] < cb.importe[r];
        }
        if (esFecha(columna))
            return celdas(a).claveFecha[ranura(columna)] < celdas(b).claveFecha[ranura(columna)];
        if (columna == COLUMNA_TIPO)
            return THallazgoSat::nombre(m_hallazgos.at(a).tipo) < THallazgoSat::nombre(m_hallazgos.at(b).tipo);
        return campo(m_hallazgos.at(a), columna) < campo(m_hallazgos.at(b), columna);
    }

private:
    // The two dates, then the two amounts.
    struct TCeldas {
        bool listas = false;
        QString texto[4];
        QString claveFecha[2]; // the moment, or the text when it names none
        qint64 importe[2] = {0, 0};
        bool hayImporte[2] = {false, false};
    };
    static int ranura(int columna) { return esFecha(columna) ? columna - 3 : columna - 7; }

    const TCeldas& celdas(int fila) const
    {
        TCeldas& c = m_celdas[size_t(fila)];
        if (c.listas)
            return c;
        const THallazgoSat& h = m_hallazgos.at(fila);
        for (int columna : {3, 4}) {
            const QString& texto = campo(h, columna);
            QDate fecha;
            QTime hora;
            if (!leeFecha(texto, fecha, hora)) {
                const QDateTime momento = ConciliacionSat::fechaCancelacion(texto);
                fecha = momento.date();
                hora = momento.time();
            }
            const int r = ranura(columna);
            const bool valida = fecha.isValid() && hora.isValid();
            c.texto[r] = valida ? fecha.toString(ConsultaComprobantes::FORMATO_FECHA) + QLatin1Char(' ') +
                                      hora.toString(QStringLiteral("HH:mm:ss"))
                                : texto;
            c.claveFecha[r] = valida ? fecha.toString(QStringLiteral("yyyy-MM-dd")) + QLatin1Char(' ') +
                                           hora.toString(QStringLiteral("HH:mm:ss"))
                                     : texto;
        }
        for (int columna : {9, 10}) {
            const QString& texto = campo(h, columna);
            TDecimal valor;
            const int r = ranura(columna);
            c.hayImporte[r - 2] = TDecimal::intenta(texto, valor);
            c.importe[r - 2] = c.hayImporte[r - 2] ? valor.millonesimos() : 0;
            c.texto[r] = c.hayImporte[r - 2] ? ConsultaComprobantes::textoImporte(valor) : texto;
        }
        c.listas = true;
        return c;
    }

    QList<THallazgoSat> m_hallazgos;
    mutable std::vector<TCeldas> m_celdas;
};

// One kind or all (a filter change reads no cell), in the order a title
// asks for.
class TVistaHallazgos : public QSortFilterProxyModel {
public:
    TVistaHallazgos(TModeloHallazgos* modelo, QObject* padre) : QSortFilterProxyModel(padre), m_modelo(modelo)
    {
        setSourceModel(modelo);
    }
    void filtra(int tipo)
    {
        m_tipo = tipo;
        invalidateFilter();
    }

protected:
    bool filterAcceptsRow(int fila, const QModelIndex&) const override
    {
        return m_tipo < 0 || int(m_modelo->hallazgo(fila).tipo) == m_tipo;
    }
    bool lessThan(const QModelIndex& a, const QModelIndex& b) const override
    {
        return m_modelo->menor(a.row(), b.row(), a.column());
    }

private:
    TModeloHallazgos* m_modelo;
    int m_tipo = -1;
};

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

    m_modelo = new TModeloHallazgos(this);
    m_vista = new TVistaHallazgos(m_modelo, this);
    m_tabla = tablaLectura(this, QStringLiteral("GrHallazgos"), m_vista);
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

bool TConciliacionSat::enfoca()
{
    if (!m_tipo->isEnabled())
        return false;
    m_tipo->setFocus(Qt::OtherFocusReason);
    return true;
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
    m_modelo->pon(m_hallazgos);
    muestra();
}

QList<THallazgoSat> TConciliacionSat::mostrados() const
{
    QList<THallazgoSat> lista;
    lista.reserve(m_vista->rowCount());
    for (int f = 0; f < m_vista->rowCount(); ++f)
        lista << m_modelo->hallazgo(m_vista->mapToSource(m_vista->index(f, 0)).row());
    return lista;
}

void TConciliacionSat::muestra()
{
    // The findings come ordered by kind, date and UUID; a click on a title
    // sorts them otherwise, until the kind shown changes.
    m_tabla->setSortingEnabled(false);
    m_tabla->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    m_vista->sort(-1);
    m_vista->filtra(m_tipo->currentData().isValid() ? m_tipo->currentData().toInt() : -1);
    const bool vacia = m_vista->rowCount() == 0;
    m_tabla->resizeColumnsToContents();
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
    m_area->setCurrentWidget(vacia ? static_cast<QWidget*>(m_vacio) : m_tabla);
    m_exportar->setEnabled(!vacia);
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
        if (!Archivos::termina(archivo)) {
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
