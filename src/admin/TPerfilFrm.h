#pragma once
#include <QWidget>

// The signed-in user's profile page, hosted in the main window through TxFondo.
class TPerfilFrm : public QWidget {
    Q_OBJECT
public:
    explicit TPerfilFrm(QWidget* parent = nullptr);
    // The page's content, moved into the main window's work area when shown.
    QWidget* TxFondo;
};
