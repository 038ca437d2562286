#pragma once
#include <QLockFile>
#include <QString>

// One import at a time per program folder, from the window or from the
// command line: two would both create the business of an issuer they meet.
// A lock file in the business folder; one left by a program that was
// killed is taken over at once (its process is gone), never waited for.
class TCandadoImportacion {
public:
    TCandadoImportacion();

    // Takes the lock without waiting; false when another program holds it,
    // or when the lock file cannot be written (a full disk, no permission).
    bool toma();
    // Whether it failed because another program holds it, not because the
    // lock file could not be written.
    bool ocupado() const;
    // Why it could not be taken, for the user.
    QString mensaje() const;

private:
    QLockFile m_candado;
    // The system's reason when the lock file could not even be written.
    int m_errno = 0;
};
