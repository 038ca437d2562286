#include "TPaginaDatos.h"

#include <QFormLayout>
#include <QLabel>
#include <QVBoxLayout>

TPaginaDatos::TPaginaDatos(const QString& titulo, const QList<std::pair<QString, QString>>& campos, QWidget* parent)
    : QWidget(parent)
{
    auto* diseno = new QVBoxLayout(this);
    diseno->setContentsMargins(24, 16, 24, 16);
    auto* encabezado = new QLabel(titulo, this);
    QFont fuente = encabezado->font();
    fuente.setBold(true);
    fuente.setPointSizeF(fuente.pointSizeF() * 1.3);
    encabezado->setFont(fuente);
    diseno->addWidget(encabezado);
    auto* datos = new QFormLayout();
    for (const auto& [nombre, etiqueta] : campos) {
        auto* valor = new QLabel(this);
        valor->setObjectName(nombre);
        valor->setTextInteractionFlags(Qt::TextSelectableByMouse);
        datos->addRow(etiqueta, valor);
        m_valores.insert(nombre, valor);
    }
    diseno->addLayout(datos);
    diseno->addStretch();
}

void TPaginaDatos::fijaValor(const QString& nombre, const QString& valor)
{
    if (QLabel* etiqueta = m_valores.value(nombre))
        etiqueta->setText(valor);
}
