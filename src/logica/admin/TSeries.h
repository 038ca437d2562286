#pragma once
#include <QString>
#include <QStringList>

class TConexionSesion;
class TNegocio;

// Voucher series of the business's branches, without any window: the series
// window gathers what is typed and shows the message it gets back.
namespace Series {

// The voucher types a series is made for, in the order the window lists
// them; the stored type is an item's first character.
const QStringList& tiposComprobante();
// The item of a stored type letter, -1 for an unknown letter.
int indiceTipo(const QString& letra);

// Whether a series name may hold the character: none of / \ { } [ ] $ % # " & ( ) =.
bool caracterPermitido(QChar caracter);

struct TDatos {
    QString serie;
    int tipo = -1; // index in tiposComprobante(); -1 when none is chosen
    QString sucursal;
    QString folio;
};

enum class TResultado {
    Guardada,
    SinSucursal,    // ERR_ELEGIR_SUCURSAL
    SinFolio,       // ERR_ELEGIR_FOLIO_INICIAL
    FolioNoValido,  // ERR_FOLIO_NO_VALIDO
    SinNombre,      // ERR_NOMBRE_SERIE_VACIO
    NombreNoValido, // ERR_NOMBRE_SERIE_NO_VALIDO
    SinTipo,        // ERR_ELEGIR_TIPO_SERIE
    Existente,      // ERR_SERIE_EXISTENTE
    NoEncontrada,   // ERR_SERIE_NO_ENCONTRADA
};

// The message of a result; empty for Guardada.
QString mensaje(TResultado resultado);

// The checks of the form, in the order the window marks its fields: branch,
// folio (a whole number of at most 20 digits), and when adding the name
// (not empty, none of the refused characters) and the type.
TResultado valida(const TDatos& datos, bool editar);

// Validates and stores. Adding: a new series of the branch, the default of
// its type at that branch when it is the first of the type there; a name
// already used at the branch is refused. Editing (`idSerie`): only the
// current folio of that series changes. Raises when a store fails; nothing
// is stored then.
TResultado guarda(const TDatos& datos, bool editar, int idSerie, const TNegocio& negocio,
                  const TConexionSesion& conexion, int usuario);

} // namespace Series
