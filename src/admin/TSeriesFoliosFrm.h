#pragma once
#include <QWidget>

// The series and folios page, hosted in the main window through TxFondo.
class TSeriesFoliosFrm : public QWidget {
    Q_OBJECT
public:
    explicit TSeriesFoliosFrm(QWidget* parent = nullptr);
    // The page's content, moved into the main window's work area when shown.
    QWidget* TxFondo;
};
