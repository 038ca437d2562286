#pragma once
#include <QWidget>

// The letter-of-manifest page, hosted in the main window through TxFondo.
class TCartaManifiestoFrm : public QWidget {
    Q_OBJECT
public:
    explicit TCartaManifiestoFrm(QWidget* parent = nullptr);
    // The page's content, moved into the main window's work area when shown.
    QWidget* TxFondo;
};
