#include "Controles.h"

#include "Style.h"

#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>

namespace {

const QString ESTILO_ERROR = QStringLiteral("border: 1px solid #D32F2F; border-radius: 2px;");
const QString NOMBRE_FILTRO_CLIC = QStringLiteral("velkor-filtro-clic");

// Lives as a child of the widget it watches, so it goes when the widget goes.
class TFiltroClic : public QObject {
public:
    TFiltroClic(QWidget* objeto, std::function<void()> accion) : QObject(objeto), m_accion(std::move(accion))
    {
        setObjectName(NOMBRE_FILTRO_CLIC);
        objeto->installEventFilter(this);
    }

    void cambiaAccion(std::function<void()> accion) { m_accion = std::move(accion); }

protected:
    bool eventFilter(QObject* objeto, QEvent* evento) override
    {
        if (evento->type() == QEvent::MouseButtonRelease &&
            static_cast<QMouseEvent*>(evento)->button() == Qt::LeftButton &&
            static_cast<QWidget*>(objeto)->isEnabled()) {
            // A copy: the action may free the widget, and this filter with it.
            const std::function<void()> accion = m_accion;
            if (accion)
                accion();
            return true;
        }
        return QObject::eventFilter(objeto, evento);
    }

private:
    std::function<void()> m_accion;
};

} // namespace

namespace Controles {

QLabel* texto(QWidget* padre, const QString& nombre, const QString& contenido)
{
    auto* etiqueta = new QLabel(contenido, padre);
    etiqueta->setObjectName(nombre);
    return etiqueta;
}

QLabel* imagen(QWidget* padre, const QString& nombre, int lado)
{
    auto* etiqueta = new QLabel(padre);
    etiqueta->setObjectName(nombre);
    etiqueta->setFixedSize(lado, lado);
    etiqueta->setScaledContents(true);
    return etiqueta;
}

QLineEdit* campo(QWidget* padre, const QString& nombre, const QString& indicacion, bool oculto)
{
    auto* edicion = new QLineEdit(padre);
    edicion->setObjectName(nombre);
    edicion->setPlaceholderText(indicacion);
    if (oculto)
        edicion->setEchoMode(QLineEdit::Password);
    return edicion;
}

QPushButton* boton(QWidget* padre, const QString& nombre, const QString& titulo)
{
    auto* b = new QPushButton(titulo, padre);
    b->setObjectName(nombre);
    b->setCursor(Qt::PointingHandCursor);
    return b;
}

void marcaError(QWidget* campo)
{
    if (campo)
        campo->setStyleSheet(ESTILO_ERROR);
}

void quitaError(QWidget* campo)
{
    if (campo)
        campo->setStyleSheet(QString());
}

bool tieneError(const QWidget* campo)
{
    return campo && campo->styleSheet() == ESTILO_ERROR;
}

void alClic(QWidget* objeto, std::function<void()> accion)
{
    if (!objeto)
        return;
    auto* previo = objeto->findChild<QObject*>(NOMBRE_FILTRO_CLIC, Qt::FindDirectChildrenOnly);
    if (auto* filtro = dynamic_cast<TFiltroClic*>(previo)) {
        filtro->cambiaAccion(std::move(accion));
        return;
    }
    new TFiltroClic(objeto, std::move(accion));
}

void colorTexto(QLabel* etiqueta, const QString& nombreColor)
{
    const QColor color = Style::StyleFrm().color(nombreColor);
    if (!etiqueta || !color.isValid())
        return;
    QPalette paleta = etiqueta->palette();
    paleta.setColor(QPalette::WindowText, color);
    etiqueta->setPalette(paleta);
}

void fondo(QWidget* widget, const QBrush& brocha)
{
    if (!widget)
        return;
    widget->setAutoFillBackground(true);
    QPalette paleta = widget->palette();
    paleta.setBrush(QPalette::Window, brocha);
    widget->setPalette(paleta);
}

void llenaLista(QComboBox* lista, const QString& prompt, const QStringList& elementos)
{
    if (!lista)
        return;
    lista->clear();
    lista->addItem(prompt);
    lista->addItems(elementos);
    lista->setCurrentIndex(0);
}

} // namespace Controles
