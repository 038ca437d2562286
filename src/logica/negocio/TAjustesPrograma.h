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
//   [Correo.EKU9003173C9]                 the same mail keys (but certificadosCA)
//   servidor=...                          for the business of that RFC, written
//                                         by "Configurar correo" (AjustesCorreo)
//                                         with the password always enciphered
//
// Relative file names are taken from the program folder. The program no
// longer writes the [Correo] group: a deployment may still write it by hand,
// and it serves every business that has no group of its own.
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

    // The key `clave` (one of the CORREO_ keys) of the mail group of the
    // business `rfc`, as the caller wrote the RFC; `clave` itself when `rfc`
    // is empty.
    static QString claveCorreo(const QString& rfc, const QString& clave);

    QString archivo() const;

    QString urlCatalogo() const;
    QString urlActualizaciones() const;
    QString certificadosRed() const;

    // The mail keys of the business `rfc`'s own group, or of the [Correo]
    // group when `rfc` is empty; they never mix.
    QString servidorCorreo(const QString& rfc) const;
    int puertoCorreo(const QString& rfc) const;
    QString cuentaCorreo(const QString& rfc) const;
    // Deciphered when it was stored enciphered.
    QString passwordCorreo(const QString& rfc) const;
    QString remitenteCorreo(const QString& rfc) const;
    bool tlsRequeridoCorreo(const QString& rfc) const;
    // Always the [Correo] one: the authorities are the deployment's.
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
