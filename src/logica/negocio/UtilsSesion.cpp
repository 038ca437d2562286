#include "Utils.h"

#include "Constantes.h"
#include "Signerutils.h"

#include <QRegularExpression>

namespace Utils {

namespace {

// Codes an e-mail field takes: everything printable up to the end of
// Latin-1 except the space, so accented letters and ñ get through.
constexpr char16_t PRIMER_CODIGO = 33;
constexpr char16_t ULTIMO_CODIGO = 254;

} // namespace

QChar soloAlphaNumericos(QChar tecla)
{
    const char16_t codigo = tecla.unicode();
    return codigo >= PRIMER_CODIGO && codigo <= ULTIMO_CODIGO ? tecla : QChar();
}

bool validaMail(const QString& texto)
{
    const QString limpio = texto.trimmed();
    if (limpio.isEmpty())
        return false;
    static const QRegularExpression expresion(Constantes::ER_EMAIL, QRegularExpression::CaseInsensitiveOption);
    return expresion.match(limpio).hasMatch();
}

bool validaUsuario(const QString& texto)
{
    if (texto.isEmpty())
        return false;
    return validaMail(texto.trimmed());
}

bool validaContrasena(const QString& password, const QString& repetida)
{
    // Only the first is trimmed: the repetition must be typed exactly, so a
    // stray space there is caught rather than forgiven.
    return password.trimmed() == repetida;
}

bool evaluaRelacionCertificados(const QString& certificado, const QString& llave, const QString& password)
{
    // The callers name the missing field themselves.
    if (llave.isEmpty() || password.isEmpty())
        return false;
    const Signerutils::TSigner& signer = Signerutils::Signer();
    const Signerutils::TRevision revision = signer.revisaCertificados(certificado, llave, password);
    if (revision == Signerutils::TRevision::Correcto)
        return true;
    mensaje(signer.explicaRevision(revision, certificado), Constantes::MSG_WARNING);
    return false;
}

} // namespace Utils
