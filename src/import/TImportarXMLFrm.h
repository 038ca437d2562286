#pragma once
#include <QWidget>

// The import window: a folder tree of CFDI XML files into the businesses that issued them.
class TImportarXMLFrm : public QWidget {
    Q_OBJECT
public:
    explicit TImportarXMLFrm(QWidget* parent = nullptr);
};
