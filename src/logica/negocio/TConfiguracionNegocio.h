#pragma once
#include <QString>

// The INI file of one business: carpetaPrograma + DB_PATH + RFC + "/" +
// QVX_FILE. Its keys are read and written here only, by name and type.
class TConfiguracionNegocio {
public:
    TConfiguracionNegocio(const QString& carpetaPrograma, const QString& rfc);

    QString archivo() const { return m_archivo; }
    bool existe() const;

    // Writes the file with its three keys (empty export path and business,
    // logo printing off). Raises EEntradaSalida when it cannot be written.
    void crea() const;
    // Creates the file when the business has none yet; the logo switch as
    // stored (false for a new file).
    bool asegura() const;

    QString ruta() const;
    QString empresa() const;
    // Whether printed vouchers carry the business logo; false when unset.
    bool imprimeLogo() const;
    void setImprimeLogo(bool imprime) const;

private:
    QString m_archivo;
};
