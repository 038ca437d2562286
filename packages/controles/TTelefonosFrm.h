#pragma once
#include "ControlesExport.h"
#include "TDatosTelefono.h"
#include "TTelefonoBean.h"

#include <QList>
#include <QPixmap>
#include <QWidget>

#include <memory>
#include <vector>

class QLabel;
class QVBoxLayout;

// The phone rows of a form (the owner's on the first run, the profile's): up
// to a maximum of rows (MAX_TELEFONOS unless the hosting form sets another,
// or none), each a TTelefonoBean whose delete image removes it, and under
// them the link TxTelefonoBottom ("+ Agregar Teléfono"), disabled while the
// rows are full. Rows are named "Cont" + a counter that never gives
// a number twice until the rows start again. While there are rows a header
// (TxTelefonoEncabezado) names their columns, so a filled row still says what
// it holds. The panel grows with its rows.
class CONTROLES_EXPORT TTelefonosFrm : public QWidget {
    Q_OBJECT
public:
    static constexpr int ALTO_SIN_TELEFONOS = 20;
    static constexpr int ALTO_ENCABEZADO = 18;
    // For setMaximo: a user may add any number of rows.
    static constexpr int SIN_LIMITE = 0;

    explicit TTelefonosFrm(QWidget* parent = nullptr);
    ~TTelefonosFrm() override;

    // The picture of the rows' delete images; the hosting window reads it
    // from the resource package (IMG_DELETE).
    void setImagenEliminar(const QPixmap& imagen);

    // The most rows a user may add (SIN_LIMITE for any number); rows already
    // there stay.
    void setMaximo(int maximo);

    // No rows; the counter starts again.
    void inicializaTelefono();
    // Adds a row, unless the rows are full.
    void agregaTelefono();
    // Shows a stored phone in a row of its own, full or not: the limit is for
    // the rows a user adds, and a stored phone left out would be deleted by
    // the next save of the form.
    void muestraTelefono(const TDatosTelefono& telefono);
    // Removes the row whose container has that name; an unknown name does nothing.
    void eliminaTelefono(const QString& nombre);

    // The rows, in the order they were added.
    const std::vector<std::unique_ptr<TTelefonoBean>>& telefonos() const { return lTelefono; }
    // What the rows hold, in their order: number and extension trimmed, a row
    // whose kind was never chosen as kind 0. Rows without a number are kept;
    // the work that stores them skips those.
    QList<TDatosTelefono> getTelefonos() const;
    // The panel's keyboard stops in reading order: each row's kind, number and
    // extension, then the add link. The hosting window chains them into its
    // own order (Controles::ordenTabulacion) whenever filasCambiadas() says so.
    QList<QWidget*> camposTabulacion() const;

    QLabel* TxTelefonoBottom;

signals:
    // A row was added or removed.
    void filasCambiadas();

private:
    void telefonoBeanFactory(TTelefonoBean& telefono);
    void nuevaFila();
    void onClickElminaTelefono(QObject* sender);
    void ajustaAltura();
    bool llena() const;

    QVBoxLayout* m_filas;
    QWidget* m_encabezado;
    std::vector<std::unique_ptr<TTelefonoBean>> lTelefono;
    int cTelefonos = 0;
    int m_maximo;
    QPixmap m_imagenEliminar;
};
