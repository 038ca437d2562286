#pragma once
#include <QByteArray>
#include <QtGlobal>

#include <ctime>

// Puts this process, and the programs it starts, in a time zone while it
// lives, whatever the zone of the computer that runs the tests: Mexico's
// zones are hours behind UTC, and some skip an hour into daylight saving.
class TZonaHoraria {
public:
    explicit TZonaHoraria(const QByteArray& zona) : m_habia(qEnvironmentVariableIsSet("TZ")), m_anterior(qgetenv("TZ"))
    {
        qputenv("TZ", zona);
        tzset();
    }
    ~TZonaHoraria()
    {
        if (m_habia)
            qputenv("TZ", m_anterior);
        else
            qunsetenv("TZ");
        tzset();
    }
    TZonaHoraria(const TZonaHoraria&) = delete;
    TZonaHoraria& operator=(const TZonaHoraria&) = delete;

private:
    bool m_habia;
    QByteArray m_anterior;
};
