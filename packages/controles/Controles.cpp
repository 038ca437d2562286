#include "Controles.h"

#include "Constantes.h"
#include "Esquema.h"
#include "Sistema.h"
#include "Style.h"

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QFormLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QPushButton>

namespace {

const QString NOMBRE_FILTRO_CLIC = QStringLiteral("velkor-filtro-clic");
const QString NOMBRE_FILTRO_RECORTE = QStringLiteral("velkor-filtro-recorte");
const char* const TEXTO_COMPLETO = "velkorTextoCompleto";

// Cut to the width the label has once shown; until then it is whole, so a
// label never laid out is not cut to a default width.
void recorta(QLabel* etiqueta)
{
    const QString completo = etiqueta->property(TEXTO_COMPLETO).toString();
    const int ancho = etiqueta->contentsRect().width() - 2 * etiqueta->margin();
    etiqueta->setText(etiqueta->isVisible()
                          ? etiqueta->fontMetrics().elidedText(completo, Qt::ElideRight, qMax(0, ancho))
                          : completo);
}

class TFiltroRecorte : public QObject {
public:
    explicit TFiltroRecorte(QLabel* etiqueta) : QObject(etiqueta)
    {
        setObjectName(NOMBRE_FILTRO_RECORTE);
        etiqueta->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* objeto, QEvent* evento) override
    {
        switch (evento->type()) {
        case QEvent::Resize:
        case QEvent::Show:
        case QEvent::FontChange:
            recorta(static_cast<QLabel*>(objeto));
            break;
        default:
            break;
        }
        return false;
    }
};
const QString NOMBRE_MARCA_ERROR = QStringLiteral("velkor-marca-error");
const QString NOMBRE_MARCO_FOCO = QStringLiteral("velkor-marco-foco");
const QColor COLOR_ERROR(0xD3, 0x2F, 0x2F);
// Greyed text of a disabled link when its colour was set for every state.
const QColor COLOR_DESHABILITADO(0x9A, 0xA4, 0xAE);

// Drawn over the field, never inside it: a style sheet would change the
// field's frame and padding, and with them its size and everything below it.
class TMarcaError : public QWidget {
public:
    explicit TMarcaError(QWidget* campo) : QWidget(campo)
    {
        setObjectName(NOMBRE_MARCA_ERROR);
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
        campo->installEventFilter(this);
        // Only the user's own edits count as a correction: a field the
        // program refills keeps its mark until the next check.
        if (auto* edicion = qobject_cast<QLineEdit*>(campo))
            connect(edicion, &QLineEdit::textEdited, this, &QWidget::hide);
        if (auto* lista = qobject_cast<QComboBox*>(campo)) {
            connect(lista, &QComboBox::activated, this, &QWidget::hide);
            if (QLineEdit* edicion = lista->lineEdit())
                connect(edicion, &QLineEdit::textEdited, this, &QWidget::hide);
        }
    }

    void muestra()
    {
        setGeometry(parentWidget()->rect());
        raise();
        show();
    }

protected:
    bool eventFilter(QObject* objeto, QEvent* evento) override
    {
        if (evento->type() == QEvent::Resize)
            setGeometry(parentWidget()->rect());
        return QWidget::eventFilter(objeto, evento);
    }

    void paintEvent(QPaintEvent*) override
    {
        QPainter pintor(this);
        pintor.setPen(QPen(COLOR_ERROR, 2));
        pintor.setBrush(Qt::NoBrush);
        pintor.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 2, 2);
    }
};

// A picture cannot be underlined: the focus on a picture link is this frame,
// drawn over it for the same reason as the error mark.
class TMarcoFoco : public QWidget {
public:
    explicit TMarcoFoco(QWidget* imagen) : QWidget(imagen)
    {
        setObjectName(NOMBRE_MARCO_FOCO);
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
        hide();
    }

    void muestra(bool visible)
    {
        setGeometry(parentWidget()->rect());
        raise();
        setVisible(visible);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter pintor(this);
        pintor.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DotLine));
        pintor.drawRect(rect().adjusted(0, 0, -1, -1));
    }
};

TMarcaError* marcaDe(const QWidget* campo)
{
    return campo ? campo->findChild<TMarcaError*>(NOMBRE_MARCA_ERROR, Qt::FindDirectChildrenOnly) : nullptr;
}

// Lives as a child of the widget it watches, so it goes when the widget goes.
class TFiltroClic : public QObject {
public:
    TFiltroClic(QWidget* objeto, std::function<void()> accion) : QObject(objeto), m_accion(std::move(accion))
    {
        setObjectName(NOMBRE_FILTRO_CLIC);
        objeto->installEventFilter(this);
        // A text link is reached with Tab like a button; so is a picture with
        // an accessible name, which stands for an action of its own (the
        // company editor's bin is the only way to its action). A picture
        // beside a text link would only repeat it.
        if (auto* etiqueta = qobject_cast<QLabel*>(objeto)) {
            if (!etiqueta->text().isEmpty()) {
                objeto->setFocusPolicy(Qt::TabFocus);
            } else if (!etiqueta->accessibleName().isEmpty()) {
                objeto->setFocusPolicy(Qt::TabFocus);
                m_marco = new TMarcoFoco(objeto);
            }
        }
        muestraEstado(objeto);
    }

    void cambiaAccion(std::function<void()> accion) { m_accion = std::move(accion); }

protected:
    bool eventFilter(QObject* objeto, QEvent* evento) override
    {
        auto* widget = static_cast<QWidget*>(objeto);
        switch (evento->type()) {
        case QEvent::MouseButtonRelease:
            if (static_cast<QMouseEvent*>(evento)->button() == Qt::LeftButton && widget->isEnabled())
                return ejecuta();
            break;
        case QEvent::KeyPress: {
            const int tecla = static_cast<QKeyEvent*>(evento)->key();
            if ((tecla == Qt::Key_Return || tecla == Qt::Key_Enter || tecla == Qt::Key_Space) && widget->isEnabled())
                return ejecuta();
            break;
        }
        case QEvent::FocusIn:
        case QEvent::FocusOut: {
            if (m_marco)
                m_marco->muestra(evento->type() == QEvent::FocusIn);
            QFont letra = widget->font();
            letra.setUnderline(evento->type() == QEvent::FocusIn);
            widget->setFont(letra);
            break;
        }
        case QEvent::EnabledChange:
            muestraEstado(widget);
            break;
        default:
            break;
        }
        return QObject::eventFilter(objeto, evento);
    }

private:
    bool ejecuta()
    {
        // A copy: the action may free the widget, and this filter with it.
        const std::function<void()> accion = m_accion;
        if (accion)
            accion();
        return true;
    }

    static void muestraEstado(QWidget* objeto)
    {
        objeto->setCursor(objeto->isEnabled() ? Qt::PointingHandCursor : Qt::ArrowCursor);
        QPalette paleta = objeto->palette();
        if (paleta.color(QPalette::Disabled, QPalette::WindowText) ==
            paleta.color(QPalette::Active, QPalette::WindowText)) {
            paleta.setColor(QPalette::Disabled, QPalette::WindowText, COLOR_DESHABILITADO);
            objeto->setPalette(paleta);
        }
    }

    std::function<void()> m_accion;
    TMarcoFoco* m_marco = nullptr;
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

void largoColumna(QLineEdit* campo, const TTabla& tabla, int columna)
{
    const int largo = tabla.columnas.at(columna).largo;
    if (campo && largo > 0 && largo < campo->maxLength())
        campo->setMaxLength(largo);
}

QPushButton* boton(QWidget* padre, const QString& nombre, const QString& titulo)
{
    auto* b = new QPushButton(titulo, padre);
    b->setObjectName(nombre);
    b->setCursor(Qt::PointingHandCursor);
    // Enter presses the focused button, in a page as in a dialog.
    b->setAutoDefault(true);
    return b;
}

QLabel* etiqueta(QWidget* padre, QWidget* campo, const QString& texto)
{
    auto* e = new QLabel(texto, padre);
    if (campo) {
        e->setObjectName(QStringLiteral("Et") + campo->objectName());
        e->setBuddy(campo);
    }
    return e;
}

QFormLayout* nuevoFormulario()
{
    auto* formulario = new QFormLayout();
    formulario->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    formulario->setLabelAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return formulario;
}

void fila(QFormLayout* formulario, QWidget* campo, const QString& texto, QLayout* contenido)
{
    QLabel* e = etiqueta(campo->parentWidget(), campo, texto);
    if (contenido)
        formulario->addRow(e, contenido);
    else
        formulario->addRow(e, campo);
}

void estiloBotonesMarca(std::initializer_list<QPushButton*> botones)
{
    const Style::TStyleFrm& estilo = Style::StyleFrm();
    const QString hoja =
        estilo.getButtonFactStyle(Sistema::claveMarca) +
        QStringLiteral("\nQPushButton { color: %1; }").arg(estilo.color(Constantes::RS_TEXTOBLANCO).name());
    for (QPushButton* boton : botones)
        estiloBoton(boton, hoja);
}

void estiloBoton(QPushButton* boton, const QString& hoja)
{
    if (!boton)
        return;
    // The focus frame is one pixel wider than the normal border, taken back
    // from the padding, so the focused button keeps its size.
    boton->setStyleSheet(hoja +
                         QStringLiteral("\nQPushButton:focus { border: 2px solid #F5B301; padding: 3px 13px; }"));
}

void ordenTabulacion(const QList<QWidget*>& orden)
{
    QWidget* anterior = nullptr;
    for (QWidget* w : orden) {
        if (!w || w->focusPolicy() == Qt::NoFocus)
            continue;
        if (anterior)
            QWidget::setTabOrder(anterior, w);
        anterior = w;
    }
}

void marcaError(QWidget* campo)
{
    if (!campo)
        return;
    TMarcaError* marca = marcaDe(campo);
    if (!marca)
        marca = new TMarcaError(campo);
    marca->muestra();
}

void quitaError(QWidget* campo)
{
    if (TMarcaError* marca = marcaDe(campo))
        marca->hide();
}

bool tieneError(const QWidget* campo)
{
    const TMarcaError* marca = marcaDe(campo);
    return marca && !marca->isHidden();
}

namespace {

const char* const ENTER_PROPIO = "velkorEnterPropio";

// Sees the Enter that no field of the page used: a line edit passes it on
// after its own returnPressed, a list without its popup ignores it.
class TFiltroPredeterminado : public QObject {
public:
    TFiltroPredeterminado(QWidget* pagina, QPushButton* boton) : QObject(pagina), m_boton(boton)
    {
        pagina->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* objeto, QEvent* evento) override
    {
        if (evento->type() != QEvent::KeyPress)
            return QObject::eventFilter(objeto, evento);
        const auto* tecla = static_cast<QKeyEvent*>(evento);
        if ((tecla->key() != Qt::Key_Return && tecla->key() != Qt::Key_Enter) ||
            (tecla->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
            return false;
        // A postal code typed into its list is confirmed, not the page.
        for (const QWidget* w = QApplication::focusWidget(); w; w = w->parentWidget()) {
            if (w->property(ENTER_PROPIO).toBool() || qobject_cast<const QComboBox*>(w))
                return false;
            if (w == objeto)
                break;
        }
        if (!m_boton || !m_boton->isVisible() || !m_boton->isEnabled())
            return false;
        m_boton->click();
        return true;
    }

private:
    QPointer<QPushButton> m_boton;
};

} // namespace

void botonPredeterminado(QWidget* pagina, QPushButton* boton)
{
    if (pagina && boton)
        new TFiltroPredeterminado(pagina, boton);
}

void enterPropio(QWidget* campo)
{
    if (campo)
        campo->setProperty(ENTER_PROPIO, true);
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

void textoRecortado(QLabel* etiqueta, const QString& completo)
{
    if (!etiqueta)
        return;
    etiqueta->setWordWrap(false);
    etiqueta->setTextFormat(Qt::PlainText);
    // Its text's width is no claim on the layout's: it takes what it is given.
    QSizePolicy politica = etiqueta->sizePolicy();
    politica.setHorizontalPolicy(QSizePolicy::Ignored);
    etiqueta->setSizePolicy(politica);
    etiqueta->setToolTip(completo);
    etiqueta->setProperty(TEXTO_COMPLETO, completo);
    if (!etiqueta->findChild<QObject*>(NOMBRE_FILTRO_RECORTE, Qt::FindDirectChildrenOnly))
        new TFiltroRecorte(etiqueta);
    recorta(etiqueta);
}

void colorTexto(QLabel* etiqueta, const QString& nombreColor)
{
    const QColor color = Style::StyleFrm().color(nombreColor);
    if (!etiqueta || !color.isValid())
        return;
    QPalette paleta = etiqueta->palette();
    paleta.setColor(QPalette::Active, QPalette::WindowText, color);
    paleta.setColor(QPalette::Inactive, QPalette::WindowText, color);
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
