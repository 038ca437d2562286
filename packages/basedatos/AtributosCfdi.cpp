#include "AtributosCfdi.h"

#include "Esquema.h"

#include <QStringList>

namespace AtributosCfdi {

const QList<TAtributoCfdi>& todos()
{
    static const QList<TAtributoCfdi> lista = [] {
        QList<TAtributoCfdi> l;
#define VELKOR_ATRIBUTO_DESC(E, N, A, C, K)                                                                            \
    l.append(TAtributoCfdi{QStringLiteral(E), QStringLiteral(N), QString::fromUtf8(A), QStringLiteral(#C),             \
                           QStringLiteral(#K)});
        VELKOR_ATRIBUTOS_CFDI(VELKOR_ATRIBUTO_DESC)
#undef VELKOR_ATRIBUTO_DESC
        return l;
    }();
    return lista;
}

QString nombra(const QString& tabla, const QString& columna, const QString& version)
{
    // "3/cfdv33.xsd" for "3.3"; a complement's schema serves every version.
    const QString propio = QStringLiteral("/cfdv%1.xsd").arg(QString(version).remove(QLatin1Char('.')));
    QStringList nombres;
    for (const TAtributoCfdi& a : todos()) {
        if (a.columna.toUpper() != columna || Esquema::tabla(a.clase).nombre != tabla)
            continue;
        if (!version.isEmpty() && a.esquema.contains(QLatin1String("/cfdv")) && !a.esquema.endsWith(propio))
            continue;
        const QString nombre = QStringLiteral("%1 (%2)").arg(a.atributo, a.nodo);
        if (!nombres.contains(nombre, Qt::CaseInsensitive))
            nombres << nombre;
    }
    return nombres.isEmpty() ? QStringLiteral("%1 de %2").arg(columna, tabla) : nombres.join(QStringLiteral(" o "));
}

} // namespace AtributosCfdi
