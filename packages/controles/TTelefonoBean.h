#pragma once
#include "ControlesExport.h"

#include <QPointer>
#include <QString>
#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;

// The controls of one phone row: a container named after the row, holding
// left to right the kind list (TIPOS_TELEFONO), the number, the extension and
// the delete image (named as the container with a leading "T"). The bean owns
// the container: freeing the bean removes the row from the window.
class CONTROLES_EXPORT TTelefonoBean {
public:
    static constexpr int ALTO = 23;
    static constexpr int ANCHO_TIPO = 70;
    static constexpr int ANCHO_EXTENSION = 70;
    static constexpr int ANCHO_ELIMINAR = 25;

    // `nombre` is the container's name ("Cont" + the row counter).
    TTelefonoBean(QWidget* propietario, const QString& nombre);
    ~TTelefonoBean();
    TTelefonoBean(const TTelefonoBean&) = delete;
    TTelefonoBean& operator=(const TTelefonoBean&) = delete;

    QString getNombre() const;
    QWidget* getContenedor() const { return m_contenedor; }
    QComboBox* getTipo() const { return m_tipo; }
    QLineEdit* getNumero() const { return m_numero; }
    QLineEdit* getExtension() const { return m_extension; }
    QLabel* getEliminar() const { return m_eliminar; }

private:
    QPointer<QWidget> m_contenedor;
    QComboBox* m_tipo;
    QLineEdit* m_numero;
    QLineEdit* m_extension;
    QLabel* m_eliminar;
};
