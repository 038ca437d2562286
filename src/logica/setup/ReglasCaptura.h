#pragma once
#include <QList>
#include <QMap>
#include <QString>

// What the set-up pages accept as typed, without a window: each rule takes
// the texts of the fields and answers which fields are missing or wrong, by
// the object name the page gives them, with the text the user reads. The
// pages only paint the marks and show the texts.
namespace ReglasCaptura {

// The fields the rules name (the pages' object names).
inline const QString CORREO = QStringLiteral("EdCorreoElectronico");
inline const QString PASSWORD = QStringLiteral("EdPassword");
inline const QString REPITE_PASSWORD = QStringLiteral("EdRepitePassword");
inline const QString NOMBRE_EMPRESA = QStringLiteral("EdNombreEmpresa");
inline const QString CERTIFICADO = QStringLiteral("EdCSD");
inline const QString LLAVE = QStringLiteral("EdKey");
inline const QString PASSWORD_LLAVE = QStringLiteral("EdCSDPass");
inline const QString REGIMEN = QStringLiteral("CmbRegimenFiscal");
inline const QString CODIGO_POSTAL = QStringLiteral("CmbCodigoPostal");

// The prompts of the business fields, which the messages name.
inline const QString TITULO_NOMBRE_EMPRESA = QStringLiteral("Nombre de la Empresa");
inline const QString TITULO_CERTIFICADO = QStringLiteral("Certificado");
inline const QString TITULO_LLAVE = QStringLiteral("Llave Privada");
inline const QString TITULO_PASSWORD_LLAVE = QStringLiteral("Contraseña de la llave privada");

struct TFalta {
    QString campo;
    QString mensaje;
    bool operator==(const TFalta& otra) const { return campo == otra.campo && mensaje == otra.mensaje; }
};
using TFaltas = QList<TFalta>;

// The owner's page: the first rule that fails, with every field it marks
// (all of them carry the same text). Empty when the page may go on. A
// password may be left empty, on both fields.
TFaltas revisaPerfil(const QString& correo, const QString& password, const QString& repetida);

// What the business page holds, as typed.
struct TCapturaNegocio {
    QString nombre;
    QString certificado;
    QString llave;
    QString passwordLlave;
    bool regimenElegido = false;
    // The regime list's prompt (its first entry).
    QString promptRegimen;
    // False while the page has no address panel: the postal code is not asked.
    bool conDireccion = true;
    bool codigoPostalElegido = false;
    QString codigoPostal;
    QString promptCodigoPostal;
    // The state list's text: CMB_ESTADO while none is chosen, else
    // "CMX - Ciudad de México".
    QString estado;
};

// Every missing or wrong field of the business page, in the page's order.
// A chosen postal code is looked up in the SAT catalogue (in the chosen
// state's when there is one).
TFaltas revisaNegocio(const TCapturaNegocio& captura);
// The one message the page shows for `faltas`, after MENSAJE_ERROR.
QString textoFaltas(const TFaltas& faltas);

// --- E-mail fields ----------------------------------------------------------

// Whether an e-mail field takes the key that typed `tecla`: editing keys (no
// text, a control character) always, otherwise only characters
// Utils::soloAlphaNumericos admits (no space).
bool admiteEnCorreo(const QString& tecla);

// --- The certificate --------------------------------------------------------

// What the business page takes from a certificate the panel has read and
// accepted (its CERT_* facts, Signerutils.h): the RFC of its subject and its
// razón social.
struct TCertificado {
    QString rfc;
    QString razon;
};
TCertificado datosCertificado(const QMap<QString, QString>& informacion);

} // namespace ReglasCaptura
