#pragma once
#include "ComunesExport.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// Whether a stamped voucher is the one its issuer signed and the SAT stamped.
//
// The cadena original of the voucher and of its stamp is built with the SAT's
// own transforms (the program folder's Xslt/, laid out as on the SAT's site),
// each compiled once per process and shared by every thread. The issuer's seal
// (Sello) is checked with the public key of the certificate the voucher
// carries (Certificado): RSA with SHA-256 for 3.3 and 4.0, SHA-1 for 3.2. That
// certificate's number and RFC must be the voucher's NoCertificado and the
// issuer's RFC, it must be a seal certificate (CSD, not an e.firma) valid at
// the voucher's Fecha, and the stamp's SelloCFD must be the voucher's Sello. The
// stamp is the one whose UUID the import files the voucher under (the last);
// a voucher with more than one is Alterado.
//
// The stamp's seal (SelloSAT) is checked when the SAT certificate named by
// NoCertificadoSAT is in the program folder's Certificados/SAT/ (as
// <NoCertificadoSAT>.cer); otherwise the result says that it was not checked
// and why, and rests on the issuer's seal alone.
//
// Window-free and thread-safe: the import, the reports module and the command
// line call it from any thread.
namespace VerificacionSello {

enum class TEstado {
    Autentico,                // every seal checked verifies
    Alterado,                 // a seal does not verify: the voucher or its stamp changed after signing
    CertificadoNoCorresponde, // the certificate is not the one the voucher or its stamp names, is no CSD,
                              // or was not valid at the voucher's date
    NoVerificable             // no seal or certificate, an unknown version, the transform failed, or a
                              // seal that fails over a complement the transforms do not know
};

struct TResultado {
    TEstado estado = TEstado::NoVerificable;
    // One or two plain Spanish sentences: why this state, and whether the
    // stamp's seal was checked.
    QString motivo;
    // Whether the stamp's seal was checked against a SAT certificate.
    bool timbreVerificado = false;
};

// "Auténtico", "Alterado", "Certificado no corresponde", "No verificable": as
// stored with the voucher and shown to the user.
COMUNES_EXPORT QString texto(TEstado estado);
// The state a stored text names; false when it names none (an empty column
// of a voucher not yet checked).
COMUNES_EXPORT bool desdeTexto(const QString& texto, TEstado& estado);

// Checks the voucher in `xml` (its bytes as they came). Never raises: a
// document that cannot be read is NoVerificable with the reason.
// `carpetaPrograma` empty: the session's (Rutas::carpetaPrograma).
// The issuer's seal is checked first, so a changed voucher is Alterado
// whether stamped or not; one whose seal verifies but that carries no stamp
// is NoVerificable (motivo says the seal is valid). A certificate whose
// number or RFC is not the voucher's, or a file in Certificados/SAT/ that is
// not the certificate its name says, is CertificadoNoCorresponde; so is one
// that is not a CSD, or whose validity holds no moment the voucher may have
// been sealed at (Fecha is the issuer's clock, UTC-5 to UTC-8, unless it
// carries its offset). A document that declares a DTD is refused
// (NoVerificable) before anything is read; bytes after the root element and an
// undeclared entity inside the Addenda, which no seal covers, are not read.
// A seal that fails while the voucher carries a complement the transforms do
// not know is NoVerificable, naming it: such a seal covers values the program
// cannot put in the cadena. Reasons are Spanish; the libraries' own reports
// go to the program folder's log.
// The first call per program folder and version compiles that transform
// (50 to 60 ms measured for 4.0 with its complements); later calls, from any
// thread, reuse it. A transform that could not be compiled is tried again at
// the next call.
COMUNES_EXPORT TResultado verifica(const QByteArray& xml, const QString& carpetaPrograma = QString());

// The cadena original of the voucher and of its stamp, as the SAT's
// transforms make them; empty when they cannot be made (motivo says why).
COMUNES_EXPORT QByteArray cadenaOriginal(const QByteArray& xml, QString* motivo = nullptr,
                                         const QString& carpetaPrograma = QString());
COMUNES_EXPORT QByteArray cadenaOriginalTimbre(const QByteArray& xml, QString* motivo = nullptr,
                                               const QString& carpetaPrograma = QString());

// Copies a SAT certificate (DER or PEM) into Certificados/SAT/ under its own
// number, as DER (folder 0700, file 0600, replaced whole by a rename); the
// number on success, empty with the reason in `error` when the file is not a
// certificate with a SAT number or cannot be written.
COMUNES_EXPORT QString agregaCertificadoSat(const QString& archivo, QString* error,
                                            const QString& carpetaPrograma = QString());
// Where the SAT certificates are looked for.
COMUNES_EXPORT QString carpetaCertificadosSat(const QString& carpetaPrograma = QString());

} // namespace VerificacionSello
