#pragma once
#include "TConexionSesion.h"

#include <QString>
#include "CarpetaTemporal.h"

// A fresh, throw-away program folder for one test: Motor/ (the embedded
// engine's configuration), db/, Plugins/, Xslt/ (the built SAT transforms)
// and, unless asked otherwise, a copy of the built resource package. It
// becomes the session's program folder.
class TCarpetaPrograma {
public:
    explicit TCarpetaPrograma(bool conRecursos = true);
    ~TCarpetaPrograma();

    // Ends in "/".
    QString ruta() const { return m_ruta; }
    QString archivo(const QString& relativo) const { return m_ruta + relativo; }

    // A new business database (a copy of the built template) at `relativo`,
    // and the connection to it.
    TConexionSesion nuevaBaseNegocio(const QString& relativo = QStringLiteral("db/prueba/negocio.fdb")) const;

    // Links the built SAT catalogue in as db/CFDCAT.DB (it is read-only, so
    // every test may share the one file).
    void instalaCatalogo() const;
    static QString catalogoConstruido();

    // The permission bits of a file or folder (0600, 0700...).
    static int modo(const QString& ruta);
    // The whole content of a file; empty when it cannot be read.
    static QByteArray lee(const QString& ruta);
    // Writes a whole file, making its folder; false when it cannot.
    static bool escribe(const QString& ruta, const QByteArray& contenido);
    // What the program logged in this folder so far.
    QString log() const;

    // The built template database and the built resource package.
    static QString plantillaNegocio();
    static QString paqueteRecursos();

private:
    TCarpetaTemporal m_dir;
    QString m_ruta;
};
