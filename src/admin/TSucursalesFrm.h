#pragma once
#include <QWidget>

// The branches page, hosted in the main window through TxFondo.
class TSucursalesFrm : public QWidget {
    Q_OBJECT
public:
    explicit TSucursalesFrm(QWidget* parent = nullptr);
    // The page's content, moved into the main window's work area when shown.
    QWidget* TxFondo;
};
