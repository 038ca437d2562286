#pragma once
#include <QDesktopServices>
#include <QList>
#include <QObject>
#include <QUrl>

// Files and addresses the program asks the desktop to open are kept here for
// its lifetime instead of being opened: no viewer or browser starts during a
// test.
class TAperturas : public QObject {
    Q_OBJECT
public:
    TAperturas()
    {
        for (const char* esquema : {"file", "http", "https"})
            QDesktopServices::setUrlHandler(QLatin1String(esquema), this, "abre");
    }
    ~TAperturas() override
    {
        for (const char* esquema : {"file", "http", "https"})
            QDesktopServices::unsetUrlHandler(QLatin1String(esquema));
    }

    QList<QUrl> abiertas;

public slots:
    void abre(const QUrl& url) { abiertas << url; }
};
