#pragma once
#include <QByteArray>
#include <QString>

#include <openssl/x509.h>

#include <initializer_list>

// Reading of SAT certificates shared by the signer and the seal check, inside
// the Comunes library only (not exported).
namespace LecturaCertificado {

// The whole content of a regular file of at most a megabyte; empty otherwise.
QByteArray leeArchivo(const QString& ruta);
// DER stays as it is; PEM becomes the DER of its first block with one of the
// labels; empty when there is none.
QByteArray aDer(const QByteArray& contenido, std::initializer_list<const char*> etiquetas);
// The first value of the attribute (a NID) in the certificate's subject.
QString atributoSujeto(const X509* certificado, int nid);
// The SAT's certificate number (the serial's ASCII digits), or the serial in
// hex when it is not written that way.
QString numeroCertificado(const X509* certificado);

} // namespace LecturaCertificado
