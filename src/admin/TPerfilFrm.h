#pragma once
#include <QWidget>

class TPaginaDatos;

// The signed-in user's profile page, hosted in the main window through TxFondo.
class TPerfilFrm : public QWidget {
    Q_OBJECT
public:
    explicit TPerfilFrm(QWidget* parent = nullptr);
    // The page's content, moved into the main window's work area when shown.
    QWidget* TxFondo;

    // Reads the signed-in user again. For now the page shows who the user
    // is; editing comes with the profile.
    void inicializa();
    // The height the page needs in the work area.
    int getHeight() const;

private:
    TPaginaDatos* m_datos;
};
