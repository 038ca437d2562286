#pragma once
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
// Relative file names are taken from the program folder.
class TAjustesPrograma {
public:
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

private:
    QString valor(const QString& clave) const;
    QString ruta(const QString& clave) const;

    QString m_carpeta;
};
