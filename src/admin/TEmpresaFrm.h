#pragma once
#include <QWidget>

// The company editor page, hosted in the main window through its content holder TxFondo.
class TEmpresaFrm : public QWidget {
    Q_OBJECT
public:
    explicit TEmpresaFrm(QWidget* parent = nullptr);
    // The page's content, moved into the main window's work area when shown.
    QWidget* TxFondo;
};
