#pragma once
#include <QTemporaryDir>

// A temporary folder removed whole at its end, entries whose names are not
// UTF-8 included: QTemporaryDir removes through QDir, which cannot name them,
// and the tests that make such names left their folders in /tmp at every run.
class TCarpetaTemporal : public QTemporaryDir {
public:
    using QTemporaryDir::QTemporaryDir;
    ~TCarpetaTemporal();
    TCarpetaTemporal(const TCarpetaTemporal&) = delete;
    TCarpetaTemporal& operator=(const TCarpetaTemporal&) = delete;

    // Removes `ruta` and everything below it by the bytes of the names,
    // without following links. False when something stayed.
    static bool borra(const QString& ruta);
};
