#pragma once
#include <QString>
#include <QStringList>

// velkor-comprobante: the seal check and the printed representation of
// voucher files from the command line, with the program folder's SAT
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
};

QString ayuda();

// Runs the program over `carpetaPrograma`. A QGuiApplication must exist for
// the PDF.
int ejecuta(const QStringList& argumentos, const QString& carpetaPrograma);

} // namespace ComprobanteConsola
