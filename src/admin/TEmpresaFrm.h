#pragma once
#include <QWidget>

class TPaginaDatos;

// The company editor page, hosted in the main window through its content holder TxFondo.
class TEmpresaFrm : public QWidget {
    Q_OBJECT
public:
    explicit TEmpresaFrm(QWidget* parent = nullptr);
    // The page's content, moved into the main window's work area when shown.
    QWidget* TxFondo;

    // Reads the signed-in business again. For now the page shows who the
    // business is; its sections come with the editor.
    void inicializa();
    // Opens the logo section (the editor's; nothing yet).
    void inicializaLogoNegocio();
    // The height the page needs in the work area.
    int getHeight() const;

private:
    TPaginaDatos* m_datos;
};
