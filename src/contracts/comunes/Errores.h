#pragma once
#include "ComunesExport.h"

#include <QString>
#include <stdexcept>

// Errors of the suite are exceptions of this family. Each class names itself so
// that logs can say which kind of error was raised, the way the users' support
// staff read them: "<Clase> error raised, with message : <mensaje>".
class COMUNES_EXPORT EVelkor : public std::runtime_error {
public:
    explicit EVelkor(const QString& mensaje);
    QString mensaje() const;
    virtual QString clase() const { return QStringLiteral("EVelkor"); }
};

#define VELKOR_ERROR(Nombre, Base)                                                                                     \
    class COMUNES_EXPORT Nombre : public Base {                                                                        \
    public:                                                                                                            \
        using Base::Base;                                                                                              \
        QString clase() const override { return QStringLiteral(#Nombre); }                                             \
    };

VELKOR_ERROR(EBaseDatos, EVelkor)     // a statement or connection failed
VELKOR_ERROR(ECifrado, EVelkor)       // a text could not be enciphered or deciphered
VELKOR_ERROR(EConversion, EVelkor)    // a text is not a valid date, number...
VELKOR_ERROR(EEntradaSalida, EVelkor) // a file or folder could not be read or written
VELKOR_ERROR(ECertificado, EVelkor)   // a certificate or key could not be read

namespace Errores {
// "<clase> error raised, with message : <mensaje>" for any exception.
COMUNES_EXPORT QString describe(const std::exception& e);
// Why an operation on a file failed, from the system's error number, in
// plain Spanish: the system's own texts are English ("No space left on
// device") and Qt answers some failures with "Unknown error". 0 (a failure
// that set no number) reads as a disk read or write error.
COMUNES_EXPORT QString delSistema(int numero);
} // namespace Errores
