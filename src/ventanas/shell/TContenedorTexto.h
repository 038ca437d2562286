#pragma once
#include <QHash>
#include <QPointer>
#include <QString>
#include <QWidget>

class QScrollArea;
class QVBoxLayout;

// A holder the main window shows other windows' contents in (the work area,
// the side menu). Like a text element used as a container, it carries a
// text and can be clicked: modules talk to the shell by setting the work
// area's text and clicking it (ContratoModulos::enviaComando).
//
// A content is lent, not given: when it is taken out again it goes back to
// where it came from (its window, or the scroll area that held it), so the
// window that made it still owns it.
class TContenedorTexto : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString text READ text WRITE setText)
public:
    explicit TContenedorTexto(QWidget* parent = nullptr);

    QString text() const { return m_texto; }
    void setText(const QString& texto) { m_texto = texto; }
    // Runs whatever is connected to clicked(), at once.
    Q_INVOKABLE void click();

    // The holder's height; 0 leaves it empty-looking. setAltura fixes it,
    // llena lets it take the whole visible area (and scroll below
    // `minimo`).
    int altura() const { return m_altura; }
    void setAltura(int altura);
    void llena(int minimo);

    void agrega(QWidget* contenido);
    // Gives the content back to where it came from, hidden; nothing when it
    // is not held here.
    void quita(QWidget* contenido);
    bool contiene(const QWidget* contenido) const;

signals:
    void clicked();

private:
    struct TOrigen {
        QPointer<QWidget> padre;
        QPointer<QScrollArea> area;
        bool rellenaFondo = false;
    };

    QString m_texto;
    int m_altura = 0;
    QVBoxLayout* m_diseno;
    QHash<QWidget*, TOrigen> m_prestados;
};
