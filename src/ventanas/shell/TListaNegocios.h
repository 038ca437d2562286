#pragma once
#include <QFrame>
#include <QMap>
#include <QString>

class QLabel;
class QScrollArea;
class QVBoxLayout;
class TEmpresaBean;
class TEtiquetaAccion;

// The popup (PPNegocios) listing the other businesses of the registry, one
// tile each, and "Agregar nueva empresa". It opens with the focus on the
// first business; Tab or the arrow keys go from one to the next, Enter or
// Space choose.
class TListaNegocios : public QFrame {
    Q_OBJECT
public:
    explicit TListaNegocios(QWidget* parent);
    ~TListaNegocios() override;

    // Lists every registered business but `rfcActual`, read anew.
    void llena(const QString& rfcActual);
    // Shows the popup beside `ancla`.
    void abre(const QWidget* ancla);
    // RFC -> tile of the businesses listed.
    const QMap<QString, TEmpresaBean*>& empresas() const { return m_empresas; }

signals:
    // A tile was clicked; `nombre` is the clicked label's object name
    // ("Tx" or "Im" + RFC).
    void negocioElegido(const QString& nombre);
    void nuevaEmpresaSolicitada();

protected:
    bool eventFilter(QObject* objeto, QEvent* evento) override;

private:
    void aplicaEstilos();
    void vacia();

    QScrollArea* ScEmpresas;
    QFrame* RcFondoEmp;
    QLabel* TxListado;
    QWidget* RcNuevoNegocio;
    TEtiquetaAccion* TxNuevaEmpresa;
    QVBoxLayout* m_lista;
    QMap<QString, TEmpresaBean*> m_empresas;
    // The first keyboard stop of the list as last filled.
    QWidget* m_primera = nullptr;
};
