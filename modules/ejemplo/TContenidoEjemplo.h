#pragma once
#include <QLabel>
#include <QWidget>

// A content the shell shows in its work area. The shell sets its text (the
// action the menu entry asked for: empty to open it, "Limpia" for a
// configuration content) and then calls click() with the object that opened
// it; the content reads its text there and does what it says.
class TContenidoEjemplo : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString text READ text WRITE setText)
    // How many times it was opened, the text it last ran and the name of the
    // object that opened it; the shell's tests read them.
    Q_PROPERTY(int clics READ clics)
    Q_PROPERTY(QString ultimoTexto READ ultimoTexto)
    Q_PROPERTY(QString emisor READ emisor)
public:
    explicit TContenidoEjemplo(const QString& titulo, QWidget* parent = nullptr);

    QString text() const { return m_texto; }
    void setText(const QString& texto) { m_texto = texto; }
    int clics() const { return m_clics; }
    QString ultimoTexto() const { return m_ultimoTexto; }
    QString emisor() const { return m_emisor; }

    Q_INVOKABLE void click(QObject* emisor);

private:
    QString m_texto;
    QString m_ultimoTexto;
    QString m_emisor;
    int m_clics = 0;
    QLabel* m_accion;
};
