#pragma once
#include <QWidget>

class QLabel;
class TEtiquetaAccion;

// The main window's banner (RcBanner): the brand's logo, the mark of a newer
// program and the sign-out.
class TBanner : public QWidget {
    Q_OBJECT
public:
    explicit TBanner(QWidget* parent = nullptr);

    // ImgUpdate shows while a newer program is published.
    void muestraActualizacion(bool disponible);
    // The sign-out, last in the window's keyboard order.
    QWidget* salida() const;

signals:
    void cierreSolicitado();
    // The updater was started from ImgUpdate; the program is to end.
    void actualizadorIniciado();

private:
    void aplicaEstilos();

    QLabel* ImgLogo;
    QLabel* ImgUpdate;
    TEtiquetaAccion* TxUser;
};
