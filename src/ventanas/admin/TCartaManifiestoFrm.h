#pragma once
#include <QString>
#include <QWidget>

class QLabel;
class QPushButton;

// The letter-of-manifest page: a legend and the business's personalised
// link to sign the letter on the provider's web page. The main window hosts
// its content holder TxFondo after inicializa. Following the link opens it in
// the browser and asks for the program to end; the "Nueva Empresa" button
// asks for the new-business page. Both through signals.
class TCartaManifiestoFrm : public QWidget {
    Q_OBJECT
public:
    explicit TCartaManifiestoFrm(QWidget* parent = nullptr);

    // The page's content, moved into the main window's work area when shown.
    QWidget* TxFondo;

    // Builds the link of the signed-in business.
    void inicializa();
    int getHeight() const;
    // The personalised address the link opens.
    QString getUrl() const { return url; }

signals:
    void nuevaEmpresaSolicitada();
    // The link was followed: the program ends.
    void terminacionSolicitada();

private:
    void FormCreate();
    // Opens the link through QDesktopServices (the browser, or the handler
    // registered for its scheme) and asks for the program to end.
    void TxURLClick();

    QLabel* TxNegocio;
    QLabel* ImgLapiz;
    QLabel* TxLeyenda;
    QLabel* TxURL;
    QPushButton* BtNuevaEmpresa;
    QString url;
};
