#include "CartaManifiesto.h"

#include "Constantes.h"
#include "Signerutils.h"

#include <QUrl>

using namespace Constantes;

namespace CartaManifiesto {

QString quitaAcentos(const QString& nombre)
{
    static const QList<QPair<QString, QString>> cambios = {
        {QStringLiteral("á"), QStringLiteral("a")}, {QStringLiteral("é"), QStringLiteral("e")},
        {QStringLiteral("í"), QStringLiteral("i")}, {QStringLiteral("ó"), QStringLiteral("o")},
        {QStringLiteral("ú"), QStringLiteral("u")}, {QStringLiteral("Á"), QStringLiteral("A")},
        {QStringLiteral("É"), QStringLiteral("E")}, {QStringLiteral("Í"), QStringLiteral("I")},
        {QStringLiteral("Ó"), QStringLiteral("O")}, {QStringLiteral("Ú"), QStringLiteral("U")},
    };
    QString resultado = nombre;
    for (const auto& [con, sin] : cambios)
        resultado.replace(con, sin, Qt::CaseSensitive);
    return resultado;
}

QString construyeUrl(const QString& plantillaUrl, const QString& plantillaToken, const QString& rfc,
                     const QString& nombre)
{
    const QString cliente = quitaAcentos(nombre);
    QString token = plantillaToken;
    token.replace(SG_HASHTOKEN_RFC, rfc, Qt::CaseInsensitive);
    token.replace(SG_HASHTOKEN_CLIENTE, cliente, Qt::CaseInsensitive);
    token = Signerutils::Signer().hash(token);

    const auto valor = [](const QString& texto) { return QString::fromLatin1(QUrl::toPercentEncoding(texto)); };
    QString url = plantillaUrl;
    url.replace(SG_HASHTOKEN_RFC, valor(rfc), Qt::CaseInsensitive);
    url.replace(SG_HASHTOKEN_CLIENTE, valor(cliente), Qt::CaseInsensitive);
    url.replace(SG_HASHTOKEN_HASH, valor(token), Qt::CaseInsensitive);
    return url;
}

} // namespace CartaManifiesto
