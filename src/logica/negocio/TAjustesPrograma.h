#pragma once
#include <QList>
#include <QPair>
#include <QString>

// The deployment settings of the program folder: Velkor.ini (ARCHIVO_AJUSTES)
// beside the program, read at every call so an installer or an administrator
// can change it while the program runs. A missing file or key reads empty.
//
//   [Red]
//   catalogo=https://.../CFDCAT.zip       address of the catalogue archive
//                                         (default: the resource package's)
//   actualizaciones=https://.../lista.txt address of the version list
//                                         (default: ResourcesUpd's path + name)
//   certificadosCA=ca.pem                 extra trusted authorities (PEM) for
//                                         HTTPS, besides the system's
//   [Correo]
//   servidor=smtp.negocio.mx              "host", or "smtp://" / "smtps://" address
//   puerto=587
//   cuenta=avisos@negocio.mx              empty: no authentication
//   password=...                          as written, or enciphered by the signer ("v1:...")
//   remitente=Velkor <avisos@negocio.mx>  default: the brand's sender
//   tls=requerido                         "requerido": never send without TLS;
//                                         otherwise STARTTLS when offered
//   certificadosCA=ca.pem                 authorities trusted for the mail
//                                         server (instead of the system's)
//
// Relative file names are taken from the program folder. The mail group is
// also written by the program ("Configurar correo", AjustesCorreo), with the
// password always enciphered.
class TAjustesPrograma {
public:
    // Keys of the mail group, as QSettings names them ("Correo/servidor").
    static const QString CORREO_SERVIDOR;
    static const QString CORREO_PUERTO;
    static const QString CORREO_CUENTA;
    static const QString CORREO_PASSWORD;
    static const QString CORREO_REMITENTE;
    static const QString CORREO_TLS;
    static const QString CORREO_CERTIFICADOS;
    // The value of CORREO_TLS that forbids sending without TLS.
    static const QString TLS_REQUERIDO;

    explicit TAjustesPrograma(const QString& carpetaPrograma);

    QString archivo() const;

    QString urlCatalogo() const;
    QString urlActualizaciones() const;
    QString certificadosRed() const;

    QString servidorCorreo() const;
    int puertoCorreo() const;
    QString cuentaCorreo() const;
    // Deciphered when it was stored enciphered.
    QString passwordCorreo() const;
    QString remitenteCorreo() const;
    bool tlsRequeridoCorreo() const;
    QString certificadosCorreo() const;

    // Sets each key to its text, or removes it when the text is null; every
    // other group and key stays (comments do not). The file is replaced
    // whole (QSaveFile), never left half written, by one that is owner-only
    // (0600) from the start. Raises EEntradaSalida when it cannot be
    // written; the file and this process's readings then stay as they were.
    void escribe(const QList<QPair<QString, QString>>& valores) const;

private:
    QString valor(const QString& clave) const;
    QString ruta(const QString& clave) const;

    QString m_carpeta;
};
