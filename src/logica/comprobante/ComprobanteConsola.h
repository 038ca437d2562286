#pragma once
#include <QString>
#include <QStringList>

// velkor-comprobante: the seal check and the printed representation of
// voucher files, or of a business's stored vouchers after signing in as one
// of its users, from the command line, with the program folder's SAT
// transforms and certificates, as the import and the reports use them.
// Messages are Spanish; results go to standard output, errors to standard
// error.
namespace ComprobanteConsola {

// Exit statuses.
enum TSalida {
    Autenticos = 0,     // every voucher checked is authentic (or the PDF was written)
    Alterados = 1,      // some voucher does not match its seal or its certificate
    Uso = 2,            // a bad invocation
    NoVerificables = 3, // none altered, but some could not be checked (or the PDF could not be written)
    SinAcceso = 4,      // no sign-in to the business of a stored voucher, or no right to its reports
    Detenida = 130,     // stopped by SIGINT/SIGTERM/SIGHUP between vouchers
};

QString ayuda();

// Runs the program over `carpetaPrograma`. A QGuiApplication must exist for
// the PDF, and the termination signals must be blocked
// (TSenalesTerminacion::bloquea) for the password prompt.
int ejecuta(const QStringList& argumentos, const QString& carpetaPrograma);

} // namespace ComprobanteConsola
